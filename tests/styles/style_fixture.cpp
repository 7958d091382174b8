#include "style_fixture.h"

#include <map>

#include "host/scene/host_classes.h"
#include "host/params/paramblock.h"
#include "host/refs/scene_file.h"
#include "library/library_state.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"
#include "styles/register.h"
#include "styles/style_surface.h"

namespace pw::test {

namespace {

const std::vector<host::Class_ID>& StandInClasses() {
  static const std::vector<host::Class_ID> ids{PW_PAINT_CLASS_ID, PW_BRUSH_CLASS_ID, PW_CANVAS_CLASS_ID,
                                               PW_SURFACE_CLASS_ID};
  return ids;
}

const host::ParamBlockDesc2* BlockFor(host::Class_ID id) {
  static std::map<host::Class_ID, std::unique_ptr<host::ParamBlockDesc2>> blocks;
  auto& desc = blocks[id];
  if (!desc)
    desc = std::make_unique<host::ParamBlockDesc2>(
        host::BlockSpec(0, "StandInParameters", id, host::REF_TARGET_CLASS_ID),
        std::vector<host::ParamDef>{host::ParamDef(0, "standInSize", host::TYPE_FLOAT).Animatable().Default(1.0f)});
  return desc.get();
}

int StandInSurfaceKind(const PwObject& obj) {
  const auto* s = dynamic_cast<const StandInMaterial*>(&obj);
  return s && s->ClassID() == PW_SURFACE_CLASS_ID ? s->kind : SURFACE_KIND_UNKNOWN;
}

}  // namespace

StandInMaterial::StandInMaterial(host::Class_ID id, bool loading) : id_(id) {
  if (!loading) ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock2(BlockFor(id)));
}

std::string StandInMaterial::GetClassName() const {
  const PluginClassDesc* desc = FindPluginClass(id_);
  return desc ? desc->ClassName() : "StandIn";
}

host::ReferenceTarget* StandInMaterial::Clone(host::RemapDir& remap) {
  auto* copy = new StandInMaterial(id_, true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  copy->kind = kind;
  return copy;
}

host::IOResult StandInMaterial::SaveExtraChunk(host::ISave* isave, int i) {
  return i == 0 ? isave->WriteChunk(KIND_CHUNK, static_cast<std::int32_t>(kind)) : host::IO_OK;
}

host::IOResult StandInMaterial::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  if (chunkId != KIND_CHUNK) return host::IO_OK;
  std::int32_t v = 0;
  const host::IOResult r = iload->ReadValue(&v);
  kind = v;
  return r;
}

void StandInMaterial::InitLibraryMaterial(PwObjectLibrary&, int origin, int number) {
  if (id_ == PW_SURFACE_CLASS_ID && origin == PW_ORIGIN_PRESET) kind = number == 300 ? 1 : number == 301 ? 2 : 3;
}

float StandInMaterial::Size(host::TimeValue t) const {
  auto* pb = dynamic_cast<host::IParamBlock2*>(GetParamBlock());
  return pb ? pb->GetFloat(0, t) : -1.0f;
}

void StandInMaterial::SetSize(float v) {
  if (auto* pb = dynamic_cast<host::IParamBlock2*>(GetParamBlock())) pb->SetValue(0, 0, v);
}

void StyleTest::SetUp() {
  host::RegisterHostClasses(host::ClassRegistry::Global());
  RegisterPluginClasses(host::ClassRegistry::Global());
  ASSERT_TRUE(RegisterLibraryClasses());
  ASSERT_TRUE(RegisterStyleClasses());
  for (host::Class_ID id : StandInClasses())
    SetClassFactory(id, [id](bool loading) -> host::ReferenceTarget* { return new StandInMaterial(id, loading); });
  SetSurfaceKindQuery(&StandInSurfaceKind);
  ASSERT_TRUE(TheLibraryState().registry.empty()) << "a library outlived an earlier test";
  SetCurrentLibraryId(0);
  SetMergingLibraries(false);
  SeedLibraryIds(5000);
}

void StyleTest::TearDown() {
  holders_.clear();
  EXPECT_TRUE(TheLibraryState().registry.empty()) << "libraries leaked";
  SetCurrentLibraryId(0);
  for (host::Class_ID id : StandInClasses()) SetClassFactory(id, {});
  SetSurfaceKindQuery(nullptr);
}

PwObjectLibrary* StyleTest::MakeLibrary() {
  host::ReferenceTarget* made =
      host::ClassRegistry::Global().Create(host::REF_TARGET_CLASS_ID, PW_OBJECT_LIBRARY_CLASS_ID, false);
  auto* lib = dynamic_cast<PwObjectLibrary*>(made);
  if (lib) Hold(lib);
  return lib;
}

PwObject* StyleTest::Material(PwObjectLibrary& lib, int origin, int number) {
  return lib.Get(lib.Find(origin, number));
}

PwStyle* StyleTest::StyleNamed(PwObjectLibrary& lib, const std::string& name) {
  return dynamic_cast<PwStyle*>(lib.Get(lib.Find(PW_STYLE_CLASS_ID, name)));
}

PwStyle* StyleTest::NewStyle(PwObjectLibrary& lib) {
  auto* style = new PwStyle(false);
  lib.Add(style);
  style->BuildDefaultTree(&lib, false);
  return style;
}

host::ReferenceTarget* StyleTest::RoundTrip(host::ReferenceTarget* root) {
  host::SceneSaveResult saved = host::SaveSceneToBytes(root);
  EXPECT_TRUE(saved.ok()) << saved.error;
  if (!saved.ok()) return nullptr;
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(saved.bytes, host::ClassRegistry::Global());
  EXPECT_TRUE(loaded.ok()) << loaded.error;
  if (!loaded.ok()) return nullptr;
  Hold(loaded.root);
  return loaded.root;
}

PwStyleDrawingTools* WhereTools(const PwStyle& style, int kind, int sub, int where) {
  PwStyleTreeItem* item = style.GetLineKindItem(kind, sub);
  PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr;
  return child ? dynamic_cast<PwStyleDrawingTools*>(child->GetData()) : nullptr;
}

bool WhereOn(const PwStyle& style, int kind, int sub, int where) {
  PwStyleTreeItem* item = style.GetLineKindItem(kind, sub);
  PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr;
  return child && child->IsOn();
}

}  // namespace pw::test
