#include "surfaces_fixture.h"

#include "host/scene/host_classes.h"
#include "plugin/class_table.h"
#include "surfaces/register.h"

namespace pwtest {

const host::ClassRegistry& SurfaceRegistry() {
  static host::ClassRegistry registry = [] {
    host::ClassRegistry r;
    host::RegisterHostClasses(r);
    pw::RegisterPluginClasses(r);
    pw::RegisterSurfaceClasses();
    return r;
  }();
  return registry;
}

host::ReferenceTarget* RoundTrip(host::ReferenceTarget* root, host::RefHolder& holder) {
  host::SceneSaveResult saved = host::SaveSceneToBytes(root);
  EXPECT_TRUE(saved.ok()) << saved.error;
  if (!saved.ok()) return nullptr;
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(saved.bytes, SurfaceRegistry());
  EXPECT_TRUE(loaded.ok()) << loaded.error;
  if (!loaded.ok()) return nullptr;
  holder.reset(loaded.root);
  return loaded.root;
}

std::string LoadBytes(const std::vector<std::uint8_t>& bytes, host::RefHolder& holder) {
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(bytes, SurfaceRegistry());
  if (loaded.ok()) holder.reset(loaded.root);
  return loaded.error;
}

}  // namespace pwtest
