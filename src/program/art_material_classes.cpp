#include "program/art_material_classes.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "host/imaging/image_io.h"
#include "host/shading/scene_aux_files.h"
#include "library/art_material_file.h"
#include "library/holder.h"
#include "library/object_library.h"
#include "styles/register.h"
#include "program/surface_kind_query.h"
#include "surfaces/canvas.h"
#include "surfaces/register.h"

namespace pw {

namespace {

// A canvas's paper travels inside art-material files like a bitmap texture.
void AddCanvasImageHooks() {
  static bool added = false;
  if (added) return;
  added = true;
  ImageUserHooks hooks;
  hooks.names = [](host::ReferenceTarget* obj, std::vector<std::string>& names) {
    if (auto* c = dynamic_cast<PwCanvas*>(obj); c && c->GetNameIsFile() && !c->GetTextureName().empty())
      names.push_back(c->GetTextureName());
  };
  hooks.resolve = [](host::ReferenceTarget* obj, const std::string& name) -> std::string {
    if (!dynamic_cast<PwCanvas*>(obj)) return "";
    const std::optional<std::filesystem::path> path = host::ResolveMapPath(name);
    std::error_code ec;
    return path && std::filesystem::is_regular_file(*path, ec) ? path->string() : "";
  };
  hooks.supply = [](host::ReferenceTarget* obj, const std::string& name, std::span<const std::uint8_t> bytes,
                    std::string* error) {
    auto* c = dynamic_cast<PwCanvas*>(obj);
    if (!c || c->GetTextureName() != name) return false;
    host::Bitmap image;
    if (!host::DecodeImage(bytes, host::FormatFromPath(name), image, error)) return false;
    return c->SetTextureImage(image);
  };
  AddImageUserHooks(std::move(hooks));
}

}  // namespace

bool RegisterArtMaterialClasses() {
  bool ok = RegisterLibraryClasses();
  ok = RegisterLibraryHolderClass() && ok;
  ok = RegisterStyleClasses() && ok;
  RegisterSurfaceClasses();
  // Without it every style would count its surface as drawing.
  InstallSurfaceKindQuery();
  AddCanvasImageHooks();
  return ok;
}

}  // namespace pw
