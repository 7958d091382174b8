#include "surfaces/brush.h"

#include <array>
#include <cmath>

#include "plugin/class_ids.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

const host::ParamBlockDesc2 kBrushBlock(
    host::BlockSpec(0, "PwBrushParameters", PW_BRUSH_CLASS_ID, host::REF_TARGET_CLASS_ID).AutoConstruct(0),
    {
        host::ParamDef(kBrushShape, "brushShape", host::TYPE_INT).Default(0).Range(0, 1).Ui("Brush Shape"),
        host::ParamDef(kBrushSize, "brushSize", host::TYPE_FLOAT)
            .Animatable()
            .Default(StoredFromPixels(1.0, UnitSettings{}))
            .Ui("Brush Size"),
        host::ParamDef(kBrushSizeUnits, "brushSizeUnits", host::TYPE_INT)
            .Default(0)
            .Range(0, kOutputUnitCount - 1)
            .Ui("Brush Size Units"),
        host::ParamDef(kBrushScaleRelative, "brushScaleRelative", host::TYPE_INT).Default(1).Range(0, 1).Ui("None"),
    });

constexpr std::array<double, 6> kPresetPixels = {0.5, 1.0, 1.5, 2.0, 3.0, 4.0};

}  // namespace

const host::ParamBlockDesc2& BrushBlockDesc() { return kBrushBlock; }

bool GetBrushPreset(int index, BrushPreset& out) {
  if (index < 0 || index >= kBrushPresetCount) return false;
  out.shape = index < 6 ? BrushShape::Circle : BrushShape::Square;
  out.pixels = kPresetPixels[static_cast<std::size_t>(index % 6)];
  return true;
}

double BrushLineWidth(double storedWidth, int units, bool scaleRelative, double resolutionScale,
                      const UnitSettings& settings) {
  double w = storedWidth > 0.0 ? storedWidth : 0.0;
  if (units != static_cast<int>(OutputUnit::WorldUnits) && scaleRelative) w *= resolutionScale;
  return PixelsFromStored(w, settings);
}

PwBrush::PwBrush(bool loading) {
  if (loading) return;
  EnsureBlock();
  ApplyNewBrushSettings(0);
}

host::Class_ID PwBrush::ClassID() const { return PW_BRUSH_CLASS_ID; }

host::IParamBlock2* PwBrush::ParamBlock() const {
  host::ReferenceTarget* ref = GetParamBlock();
  if (!ref || ref->ClassID() != host::PARAMBLOCK2_CLASS_ID) return nullptr;
  auto* block = static_cast<host::IParamBlock2*>(ref);
  return block->GetDesc() == &kBrushBlock ? block : nullptr;
}

void PwBrush::EnsureBlock() {
  if (!ParamBlock()) host::MakeAutoParamBlocks(*this, host::REF_TARGET_CLASS_ID, PW_BRUSH_CLASS_ID);
}

void PwBrush::ApplyNewBrushSettings(host::TimeValue t) {
  host::IParamBlock2* pb = ParamBlock();
  if (!pb) return;
  const UnitSettings& settings = TheUnitSettings();
  pb->SetValue(kBrushShape, t, static_cast<int>(BrushShape::Circle));
  pb->SetValue(kBrushSize, t, static_cast<float>(StoredFromPixels(1.0, settings)));
  pb->SetValue(kBrushSizeUnits, t, static_cast<int>(settings.defaultUnit));
}

BrushShape PwBrush::GetShape(host::TimeValue t) const {
  const host::IParamBlock2* pb = ParamBlock();
  return pb && pb->GetInt(kBrushShape, t) == 1 ? BrushShape::Square : BrushShape::Circle;
}

bool PwBrush::SetShape(BrushShape shape) {
  host::IParamBlock2* pb = ParamBlock();
  if (!pb || (shape != BrushShape::Circle && shape != BrushShape::Square)) return false;
  return pb->SetValue(kBrushShape, 0, static_cast<int>(shape));
}

float PwBrush::GetSize(host::TimeValue t, host::Interval& valid) const {
  const host::IParamBlock2* pb = ParamBlock();
  float v = 0.0f;
  if (!pb || !pb->GetValue(kBrushSize, t, v, valid)) return 0.0f;
  return v > 0.0f ? v : 0.0f;  // also turns NaN into 0
}

float PwBrush::GetSize(host::TimeValue t) const {
  host::Interval valid = host::FOREVER;
  return GetSize(t, valid);
}

bool PwBrush::SetSize(host::TimeValue t, float stored) {
  host::IParamBlock2* pb = ParamBlock();
  return pb && std::isfinite(stored) && pb->SetValue(kBrushSize, t, stored);
}

double PwBrush::GetSizePixels(host::TimeValue t, const UnitSettings& settings) const {
  return PixelsFromStored(GetSize(t), settings);
}

bool PwBrush::SetSizePixels(host::TimeValue t, double pixels, const UnitSettings& settings) {
  return SetSize(t, static_cast<float>(StoredFromPixels(pixels, settings)));
}

double PwBrush::GetSizeInUnits(host::TimeValue t, const UnitSettings& settings) const {
  return UnitsFromStored(GetSize(t), static_cast<int>(GetUnits()), settings);
}

bool PwBrush::SetSizeInUnits(host::TimeValue t, double value, const UnitSettings& settings) {
  return SetSize(t, static_cast<float>(StoredFromUnits(value, static_cast<int>(GetUnits()), settings)));
}

OutputUnit PwBrush::GetUnits() const {
  const host::IParamBlock2* pb = ParamBlock();
  const int u = pb ? pb->GetInt(kBrushSizeUnits) : 0;
  // A damaged value shows in pixels rather than indexing past the table.
  return IsValidOutputUnit(u) ? static_cast<OutputUnit>(u) : OutputUnit::Pixels;
}

bool PwBrush::SetUnits(int unit) {
  host::IParamBlock2* pb = ParamBlock();
  return pb && IsValidOutputUnit(unit) && pb->SetValue(kBrushSizeUnits, 0, unit);
}

bool PwBrush::GetScaleRelative() const {
  const host::IParamBlock2* pb = ParamBlock();
  return pb && pb->GetInt(kBrushScaleRelative) != 0;
}

bool PwBrush::SetScaleRelative(bool on) {
  host::IParamBlock2* pb = ParamBlock();
  return pb && pb->SetValue(kBrushScaleRelative, 0, on ? 1 : 0);
}

double PwBrush::LineWidth(host::TimeValue t, double resolutionScale, const UnitSettings& settings) const {
  return BrushLineWidth(GetSize(t), static_cast<int>(GetUnits()), GetScaleRelative(), resolutionScale, settings);
}

void PwBrush::ResetToDefaults(bool removeAnimation) {
  PwObject::ResetToDefaults(removeAnimation);
  EnsureBlock();
  ApplyNewBrushSettings(0);
}

void PwBrush::InitLibraryMaterial(PwObjectLibrary&, int origin, int number) {
  BrushPreset preset;
  if (origin != PW_ORIGIN_PRESET || !GetBrushPreset(number, preset)) return;  // the default is a new brush
  SetShape(preset.shape);
  SetSizePixels(0, preset.pixels);
  SetUnits(static_cast<int>(OutputUnit::Pixels));
}

host::ReferenceTarget* PwBrush::Clone(host::RemapDir& remap) {
  auto* copy = new PwBrush(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  return copy;
}

host::IOResult PwBrush::SaveExtraChunk(host::ISave* isave, int i) {
  return i == 0 ? isave->WriteChunk(kBrushChunkVersion, kBrushVersion) : host::IO_OK;
}

void PwBrush::BeforeLoad() { oldShape_ = -1; }

host::IOResult PwBrush::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  if (chunkId != kBrushChunkOldShape) return host::IO_OK;  // the version chunk says nothing we need
  std::int32_t first = 0, shape = 0;
  if (iload->ReadValue(&first) != host::IO_OK || iload->ReadValue(&shape) != host::IO_OK) return host::IO_ERROR;
  oldShape_ = shape == 1 ? 1 : 0;
  return host::IO_OK;
}

host::IOResult PwBrush::Load(host::ILoad* iload) {
  host::IOResult r = PwObject::Load(iload);
  if (r != host::IO_OK) return r;
  // A block of the file's own replaces this one when references are
  // restored; files of the first version have none, and keep it.
  EnsureBlock();
  RunAfterLoad(iload, [this] {
    EnsureBlock();
    if (oldShape_ >= 0) SetShape(static_cast<BrushShape>(oldShape_));
    oldShape_ = -1;
  });
  return host::IO_OK;
}

}  // namespace pw
