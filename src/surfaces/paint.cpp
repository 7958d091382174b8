#include "surfaces/paint.h"

#include <array>
#include <cmath>

#include "plugin/class_ids.h"
#include "library/library_materials.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

const host::ParamBlockDescID kLayout[] = {
    {host::TYPE_RGBA, nullptr, true, kPaintCustomColor},
    {host::TYPE_PCNT_FRAC, nullptr, true, kPaintBrightness},
};

constexpr float kDarkened = 0.75f;
constexpr float kLightened = 1.25f;

constexpr std::array<host::Color, 13> kCustomPresetColors = {
    host::Color(0, 0, 1),          // Blue
    host::Color(0.35f, 0, 0),      // Brown
    host::Color(0, 1, 1),          // Cyan
    host::Color(0, 1, 0),          // Green (Light)
    host::Color(0, 0.5f, 0),       // Green (Dark)
    host::Color(0.3f, 0.3f, 0.3f), // Gray (Dark)
    host::Color(0.6f, 0.6f, 0.6f), // Gray (Light)
    host::Color(1, 0.5f, 0),       // Orange
    host::Color(1, 0, 1),          // Pink
    host::Color(0.5f, 0, 1),       // Purple
    host::Color(1, 0, 0),          // Red
    host::Color(1, 1, 1),          // White
    host::Color(1, 1, 0),          // Yellow
};

std::uint16_t ScaleChannel(std::uint16_t v, float brightness) {
  const float x = static_cast<float>(v) * brightness;
  if (!(x > 0.0f)) return 0;
  if (x >= 65535.0f) return 65535;
  return static_cast<std::uint16_t>(x);
}

}  // namespace

const host::ParamVersionDesc& PaintBlockLayout() {
  static const host::ParamVersionDesc desc{kLayout, 2, kPaintBlockVersion};
  return desc;
}

Color16 ToColor16(const host::Color& c) {
  return Color16{host::ToWord16(c.r), host::ToWord16(c.g), host::ToWord16(c.b), 65535};
}

Color16 ApplyBrightness(const Color16& c, float brightness) {
  if (brightness == 1.0f) return c;
  return Color16{ScaleChannel(c.r, brightness), ScaleChannel(c.g, brightness), ScaleChannel(c.b, brightness), c.a};
}

host::Color ApplyBrightness(const host::Color& c, float brightness) {
  return host::Clamped(c * brightness);
}

bool GetPaintPreset(int index, PaintPreset& out) {
  if (index < 0 || index >= kPaintPresetCount) return false;
  if (index < 9) {
    // Three object colours, each plain, darkened and lightened.
    constexpr std::array<float, 3> kBrightness = {1.0f, kDarkened, kLightened};
    out = PaintPreset{true, static_cast<ObjectColorSource>(index / 3),
                      kBrightness[static_cast<std::size_t>(index % 3)], host::Color::Black()};
  } else {
    out = PaintPreset{false, ObjectColorSource::Diffuse, 1.0f,
                      kCustomPresetColors[static_cast<std::size_t>(index - 9)]};
  }
  return true;
}

PwPaint::PwPaint(bool loading) {
  if (!loading) BuildBlock();
}

host::Class_ID PwPaint::ClassID() const { return PW_PAINT_CLASS_ID; }

host::IParamBlock* PwPaint::ParamBlock() const { return AsLegacyBlock(GetParamBlock()); }

void PwPaint::BuildBlock() {
  const host::ParamVersionDesc& layout = PaintBlockLayout();
  ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock(layout.desc, layout.count, layout.version));
  ApplyNewPaintSettings(0);
}

void PwPaint::ApplyNewPaintSettings(host::TimeValue t) {
  if (host::IParamBlock* pb = ParamBlock()) {
    pb->SetValue(kPaintCustomColor, t, host::Color::Black());
    pb->SetValue(kPaintBrightness, t, 1.0f);
  }
  useObjectColor_ = true;
  source_ = ObjectColorSource::Diffuse;
}

host::Color PwPaint::GetCustomColor(host::TimeValue t, host::Interval& valid) const {
  host::Color c;
  if (const host::IParamBlock* pb = ParamBlock()) pb->GetValue(kPaintCustomColor, t, c, valid);
  return c;
}

host::Color PwPaint::GetCustomColor(host::TimeValue t) const {
  host::Interval valid = host::FOREVER;
  return GetCustomColor(t, valid);
}

Color16 PwPaint::GetCustomColor16(host::TimeValue t) const { return ToColor16(GetCustomColor(t)); }

bool PwPaint::SetCustomColor(host::TimeValue t, const host::Color& c) {
  host::IParamBlock* pb = ParamBlock();
  return pb && pb->SetValue(kPaintCustomColor, t, c);
}

float PwPaint::GetBrightness(host::TimeValue t, host::Interval& valid) const {
  float b = 1.0f;
  if (const host::IParamBlock* pb = ParamBlock()) pb->GetValue(kPaintBrightness, t, b, valid);
  return b;
}

float PwPaint::GetBrightness(host::TimeValue t) const {
  host::Interval valid = host::FOREVER;
  return GetBrightness(t, valid);
}

bool PwPaint::SetBrightness(host::TimeValue t, float brightness) {
  host::IParamBlock* pb = ParamBlock();
  return pb && std::isfinite(brightness) && pb->SetValue(kPaintBrightness, t, brightness);
}

void PwPaint::SetUseObjectColor(bool on) {
  if (useObjectColor_ == on) return;
  useObjectColor_ = on;
  NotifyChanged(0);
}

bool PwPaint::SetObjectColorSource(int source) {
  if (source < 0 || source > 2) return false;
  if (static_cast<int>(source_) != source) {
    source_ = static_cast<ObjectColorSource>(source);
    NotifyChanged(0);
  }
  return true;
}

Color16 PwPaint::ApplyBrightness16(const Color16& c, host::TimeValue t) const {
  return ApplyBrightness(c, GetBrightness(t));
}

host::Color PwPaint::ApplyBrightnessColor(const host::Color& c, host::TimeValue t) const {
  return ApplyBrightness(c, GetBrightness(t));
}

Color16 PwPaint::LineColor(host::TimeValue t, const MaterialColors& material) const {
  Color16 c;
  if (!useObjectColor_) {
    c = GetCustomColor16(t);
  } else {
    switch (source_) {
      case ObjectColorSource::Ambient: c = ToColor16(material.ambient); break;
      case ObjectColorSource::Specular: c = ToColor16(material.specular); break;
      case ObjectColorSource::Diffuse:
      default: c = ToColor16(material.diffuse); break;
    }
  }
  return ApplyBrightness16(c, t);
}

void PwPaint::ResetToDefaults(bool removeAnimation) {
  PwObject::ResetToDefaults(removeAnimation);
  if (!ParamBlock()) {
    BuildBlock();
  } else {
    ApplyNewPaintSettings(0);
  }
  NotifyChanged(0);
}

void PwPaint::InitLibraryMaterial(PwObjectLibrary&, int origin, int number) {
  if (origin == PW_ORIGIN_DEFAULT) {
    // Default 0 paints its custom colour; default 1 is a new paint.
    if (number == PW_DEFAULT_PAINT_CUSTOM) SetUseObjectColor(false);
    return;
  }
  PaintPreset preset;
  if (origin != PW_ORIGIN_PRESET || PresetGroup(number) != PW_PRESET_GROUP_PAINT ||
      !GetPaintPreset(PresetIndex(number), preset))
    return;
  SetUseObjectColor(preset.useObjectColor);
  SetObjectColorSource(static_cast<int>(preset.source));
  SetBrightness(0, preset.brightness);
  SetCustomColor(0, preset.custom);
}

host::ReferenceTarget* PwPaint::Clone(host::RemapDir& remap) {
  auto* copy = new PwPaint(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  copy->useObjectColor_ = useObjectColor_;
  copy->source_ = source_;
  return copy;
}

host::IOResult PwPaint::SaveExtraChunk(host::ISave* isave, int i) {
  if (i == 0) return isave->WriteChunk(kPaintChunkVersion, kPaintVersion);
  if (i != 1) return host::IO_OK;
  isave->BeginChunk(kPaintChunkFields);
  host::IOResult r = isave->WriteValue(static_cast<std::int32_t>(useObjectColor_ ? 1 : 0));
  if (r == host::IO_OK) r = isave->WriteValue(static_cast<std::int32_t>(source_));
  isave->EndChunk();
  return r;
}

host::IOResult PwPaint::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  if (chunkId != kPaintChunkFields) return host::IO_OK;
  std::int32_t use = 0, source = 0;
  if (iload->ReadValue(&use) != host::IO_OK || iload->ReadValue(&source) != host::IO_OK) return host::IO_ERROR;
  if (source < 0 || source > 2) {
    iload->SetError("paint: object colour source " + std::to_string(source) + " is not 0, 1 or 2");
    return host::IO_ERROR;
  }
  useObjectColor_ = use != 0;
  source_ = static_cast<ObjectColorSource>(source);
  return host::IO_OK;
}

host::IOResult PwPaint::Load(host::ILoad* iload) {
  host::IOResult r = PwObject::Load(iload);
  if (r != host::IO_OK) return r;
  RepairLegacyBlockAfterLoad(iload, PaintBlockLayout(), this, PARAMBLOCK_REF, [this] {
    const bool use = useObjectColor_;
    const ObjectColorSource source = source_;
    BuildBlock();
    useObjectColor_ = use;
    source_ = source;
  });
  return host::IO_OK;
}

}  // namespace pw
