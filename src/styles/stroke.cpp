#include "styles/stroke.h"

#include "library/library_materials.h"
#include "plugin/class_ids.h"
#include "styles/dash_layout.h"
#include "styles/stroke_patterns.h"

namespace pw {

namespace {

using host::ParamDef;

const host::ParamBlockDesc2 kStrokeBlock(
    host::BlockSpec(0, "PwStrokeParameters", PW_STROKE_CLASS_ID, host::REF_TARGET_CLASS_ID)
        .AutoConstruct(PwObject::PARAMBLOCK_REF),
    {
        ParamDef(STROKE_LINESTYLE_PATTERN, "strokeLinestylePattern", host::TYPE_INT).Default(kStrokeMaskSolid),
        ParamDef(STROKE_LINESTYLE_SCALE, "strokeLinestyleScale", host::TYPE_FLOAT).Animatable().Default(1.0f),
        ParamDef(STROKE_CAPPING, "strokeCapping", host::TYPE_INT).Default(kStrokeCappingBrush).Range(0, 1),
    });

}  // namespace

// Finishes a stroke once the whole file is read and its references are in
// place: a format-1 stroke (or one whose block went missing) gets a block
// of its own, and a format-1 pattern moves into it.
class PwStrokePostLoad : public host::PostLoadCallback {
 public:
  explicit PwStrokePostLoad(PwStroke* stroke) : stroke_(stroke) {}
  void proc(host::ILoad* /*iload*/) override {
    stroke_->FinishLoading();
    delete this;
  }
  void Abandon() override { delete this; }

 private:
  PwStroke* stroke_;
};

const host::ParamBlockDesc2& StrokeBlockDesc() { return kStrokeBlock; }

PwStroke::PwStroke(bool loading) {
  if (!loading) MakeFreshBlock();
}

host::Class_ID PwStroke::ClassID() const { return PW_STROKE_CLASS_ID; }

void PwStroke::MakeFreshBlock() { ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock2(&kStrokeBlock)); }

host::IParamBlock2* PwStroke::Block() const {
  auto* pb = dynamic_cast<host::IParamBlock2*>(GetParamBlock());
  return pb && pb->GetDesc() == &kStrokeBlock ? pb : nullptr;
}

host::ReferenceTarget* PwStroke::Clone(host::RemapDir& remap) {
  auto* copy = new PwStroke(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  return copy;
}

void PwStroke::ResetToDefaults(bool removeAnimation) {
  PwObject::ResetToDefaults(removeAnimation);
  if (!Block()) MakeFreshBlock();
  // An animated scale the user chose to keep keeps its keys; the value at
  // time 0 goes back to the default.
  SetScale(1.0f, 0);
  SetPattern(kStrokeMaskSolid);
}

void PwStroke::InitLibraryMaterial(PwObjectLibrary& /*library*/, int origin, int number) {
  if (origin == PW_ORIGIN_PRESET && PresetGroup(number) == PW_PRESET_GROUP_STROKE)
    SetPatternPreset(PresetIndex(number));
}

std::int32_t PwStroke::GetPattern() const {
  const host::IParamBlock2* pb = Block();
  return pb ? pb->GetInt(STROKE_LINESTYLE_PATTERN) : kStrokeMaskSolid;
}

void PwStroke::SetPattern(std::int32_t mask) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STROKE_LINESTYLE_PATTERN, 0, static_cast<int>(mask));
}

bool PwStroke::SetPatternPreset(int index) {
  const StrokePattern* pattern = GetStrokePattern(index);
  if (!pattern) return false;
  SetPattern(static_cast<std::int32_t>(pattern->mask));
  return true;
}

float PwStroke::GetStoredScale(host::TimeValue t) const {
  const host::IParamBlock2* pb = Block();
  return pb ? pb->GetFloat(STROKE_LINESTYLE_SCALE, t) : 1.0f;
}

float PwStroke::GetScale(host::TimeValue t) const { return EffectiveStrokeScale(GetStoredScale(t)); }

void PwStroke::SetScale(float scale, host::TimeValue t) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STROKE_LINESTYLE_SCALE, t, scale);
}

bool PwStroke::IsScaleAnimated() const {
  const host::IParamBlock2* pb = Block();
  return pb && pb->IsAnimated(STROKE_LINESTYLE_SCALE);
}

int PwStroke::GetCapping() const {
  const host::IParamBlock2* pb = Block();
  return pb ? pb->GetInt(STROKE_CAPPING) : kStrokeCappingBrush;
}

void PwStroke::SetCapping(int capping) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STROKE_CAPPING, 0, capping);
}

host::IOResult PwStroke::SaveExtraChunk(host::ISave* isave, int i) {
  if (i != 0) return host::IO_OK;
  return isave->WriteChunk(PW_STROKE_CHUNK_VERSION, PW_STROKE_VERSION);
}

host::IOResult PwStroke::Load(host::ILoad* iload) {
  loadedVersion_ = PW_STROKE_VERSION;
  haveOldPattern_ = false;
  iload->RegisterPostLoadCallback(new PwStrokePostLoad(this));
  return PwObject::Load(iload);
}

host::IOResult PwStroke::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  switch (chunkId) {
    case PW_STROKE_CHUNK_VERSION: {
      std::uint16_t version = 0;
      if (iload->ReadValue(&version) != host::IO_OK) {
        iload->SetError("stroke: its format version could not be read");
        return host::IO_ERROR;
      }
      loadedVersion_ = version;
      return host::IO_OK;
    }
    case PW_STROKE_CHUNK_OLD_PATTERN: {
      std::int32_t pattern = 0;
      if (iload->ReadValue(&pattern) != host::IO_OK) {
        iload->SetError("stroke: its pattern could not be read");
        return host::IO_ERROR;
      }
      oldPattern_ = pattern;
      haveOldPattern_ = true;
      return host::IO_OK;
    }
    default:
      return host::IO_OK;
  }
}

void PwStroke::FinishLoading() {
  // Format-1 files held the parameters elsewhere; whatever they linked as
  // reference 0 is not a block of ours and gives way to a fresh one.
  if (loadedVersion_ == 1 || !Block()) MakeFreshBlock();
  if (loadedVersion_ == 1 && haveOldPattern_) SetPattern(oldPattern_);
  haveOldPattern_ = false;
}

}  // namespace pw
