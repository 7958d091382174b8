#include "library/library_fixture.h"

#include <map>

#include "host/scene/host_classes.h"
#include "host/params/paramblock.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"

namespace pw::test {

namespace {

const std::vector<host::Class_ID>& ArtClasses() {
  static const std::vector<host::Class_ID> ids{PW_STYLE_CLASS_ID,  PW_PAINT_CLASS_ID,  PW_BRUSH_CLASS_ID,
                                               PW_STROKE_CLASS_ID, PW_CANVAS_CLASS_ID, PW_SURFACE_CLASS_ID};
  return ids;
}

const host::ParamBlockDesc2* BlockFor(host::Class_ID id) {
  static std::map<host::Class_ID, std::unique_ptr<host::ParamBlockDesc2>> blocks;
  auto& desc = blocks[id];
  if (!desc)
    desc = std::make_unique<host::ParamBlockDesc2>(
        host::BlockSpec(0, "StandInParameters", id, host::REF_TARGET_CLASS_ID),
        std::vector<host::ParamDef>{host::ParamDef(0, "standInWidth", host::TYPE_FLOAT).Animatable().Default(1.0f)});
  return desc.get();
}

}  // namespace

StandInLog& TheStandInLog() {
  static StandInLog log;
  return log;
}

StandIn::StandIn(host::Class_ID id, bool loading) : id_(id) {
  if (!loading) ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock2(BlockFor(id)));
}

std::string StandIn::GetClassName() const {
  const PluginClassDesc* desc = FindPluginClass(id_);
  return desc ? desc->ClassName() : "StandIn";
}

host::ReferenceTarget* StandIn::GetReference(int i) {
  if (i >= 1 && i <= TOOL_REFS) return tools_[i - 1];
  return PwObject::GetReference(i);
}

void StandIn::SetReference(int i, host::ReferenceTarget* target) {
  if (i >= 1 && i <= TOOL_REFS)
    tools_[i - 1] = target;
  else
    PwObject::SetReference(i, target);
}

host::ReferenceTarget* StandIn::Clone(host::RemapDir& remap) {
  auto* copy = new StandIn(id_, true);
  CloneBaseInto(*copy, remap);
  for (int k = 0; k < TOOL_REFS; ++k) copy->SetTool(k, tools_[k]);
  copy->value = value;
  return copy;
}

host::IOResult StandIn::SaveExtraChunk(host::ISave* isave, int i) {
  return i == 0 ? isave->WriteChunk(VALUE_CHUNK, value) : host::IO_OK;
}

host::IOResult StandIn::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  return chunkId == VALUE_CHUNK ? iload->ReadValue(&value) : host::IO_OK;
}

void StandIn::ResetToDefaults(bool removeAnimation) {
  PwObject::ResetToDefaults(removeAnimation);
  ++resets;
  lastRemoveAnimation = removeAnimation;
  value = 0;
}

void StandIn::InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) {
  TheStandInLog().inits.emplace_back(origin, number);
  wasInLibraryAtInit = library.IndexOf(this) >= 0;
  value = 1000 + number;
  // A style preset points at other presets, as the Hidden-line style does.
  if (origin == PW_ORIGIN_PRESET && number == 401) SetTool(2, library.Get(library.Find(PW_ORIGIN_PRESET, 101)));
}

void StandIn::PostLibraryLoaded(PwObjectLibrary& library, host::TimeValue) {
  TheStandInLog().postLoadSlots.push_back(library.IndexOf(this));
}

float StandIn::Width() const {
  auto* pb = dynamic_cast<host::IParamBlock2*>(GetParamBlock());
  return pb ? pb->GetFloat(0) : -1.0f;
}

bool StandIn::SetWidthKey(host::TimeValue t, float v) {
  auto* pb = dynamic_cast<host::IParamBlock2*>(GetParamBlock());
  return pb && pb->SetKey(0, t, v);
}

void InstallStandIns(const std::vector<host::Class_ID>& only) {
  RemoveStandIns();
  for (host::Class_ID id : only.empty() ? ArtClasses() : only)
    SetClassFactory(id, [id](bool loading) -> host::ReferenceTarget* { return new StandIn(id, loading); });
}

void RemoveStandIns() {
  for (host::Class_ID id : ArtClasses()) SetClassFactory(id, {});
}

void LibraryTest::SetUp() {
  savedInterface_ = host::TheInterfaceState();
  host::SetNetworkRender(true);
  host::SetLogSink([this](std::string_view text) { messages.emplace_back(text); });
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  host::RegisterHostClasses(host::ClassRegistry::Global());
  RegisterPluginClasses(host::ClassRegistry::Global());
  ASSERT_TRUE(RegisterLibraryClasses());
  InstallStandIns();
  TheStandInLog() = {};
  ASSERT_TRUE(TheLibraryState().registry.empty()) << "a library outlived an earlier test";
  SetCurrentLibraryId(0);
  SetMergingLibraries(false);
  SeedLibraryIds(1000);
  listener_ = AddLibraryMessageListener([this](int message, std::uint32_t id) { posted.emplace_back(message, id); });
}

void LibraryTest::TearDown() {
  ReleaseAll();
  RemoveLibraryMessageListener(listener_);
  EXPECT_TRUE(TheLibraryState().registry.empty()) << "libraries leaked";
  SetCurrentLibraryId(0);
  SetMergingLibraries(false);
  RemoveStandIns();
  host::TheInterfaceState() = savedInterface_;
}

PwObjectLibrary* LibraryTest::MakeLibrary() {
  host::ReferenceTarget* made =
      host::ClassRegistry::Global().Create(host::REF_TARGET_CLASS_ID, PW_OBJECT_LIBRARY_CLASS_ID, false);
  auto* lib = dynamic_cast<PwObjectLibrary*>(made);
  if (lib) Hold(lib);
  return lib;
}

}  // namespace pw::test
