#include "surfaces/canvas.h"

#include <cmath>
#include <filesystem>
#include <optional>
#include <system_error>

#include "frame/progress.h"
#include "host/imaging/image_io.h"
#include "host/services/interface.h"
#include "plugin/class_ids.h"
#include "surfaces/canvas_shade.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

const host::ParamBlockDescID kLayout[] = {
    {host::TYPE_RGBA, nullptr, true, kCanvasLightColor},
    {host::TYPE_ANGLE, nullptr, true, kCanvasLightAngle},
    {host::TYPE_ANGLE, nullptr, true, kCanvasLightElevation},
};

constexpr const char* kApplyCaption = "Applying Canvas Texture";

// A path as the missing-file report lists it: absolute, so the same file
// named two ways is listed once.
std::string FullPath(const std::filesystem::path& p) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(p, ec);
  return (ec ? p : full).lexically_normal().string();
}

}  // namespace

const host::ParamVersionDesc& CanvasBlockLayout() {
  static const host::ParamVersionDesc desc{kLayout, 3, kCanvasBlockVersion};
  return desc;
}

PwCanvas::PwCanvas(bool loading) {
  if (!loading) BuildBlock();
}

host::Class_ID PwCanvas::ClassID() const { return PW_CANVAS_CLASS_ID; }

host::IParamBlock* PwCanvas::ParamBlock() const { return AsLegacyBlock(GetParamBlock()); }

void PwCanvas::BuildBlock() {
  const host::ParamVersionDesc& layout = CanvasBlockLayout();
  ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock(layout.desc, layout.count, layout.version));
  ApplyNewCanvasSettings(0);
}

void PwCanvas::ApplyNewCanvasSettings(host::TimeValue t) {
  if (host::IParamBlock* pb = ParamBlock()) {
    pb->SetValue(kCanvasLightColor, t, host::Color::White());
    pb->SetValue(kCanvasLightAngle, t, kCanvasDefaultLightAngle);
    pb->SetValue(kCanvasLightElevation, t, kCanvasDefaultLightElevation);
  }
  textureOn_ = true;
  textureName_.clear();
  nameIsFile_ = true;
  field_.Clear();
}

host::Color PwCanvas::GetLightColor(host::TimeValue t, host::Interval& valid) const {
  host::Color c;
  if (const host::IParamBlock* pb = ParamBlock()) pb->GetValue(kCanvasLightColor, t, c, valid);
  return c;
}

float PwCanvas::GetLightAngle(host::TimeValue t, host::Interval& valid) const {
  float v = 0.0f;
  if (const host::IParamBlock* pb = ParamBlock()) pb->GetValue(kCanvasLightAngle, t, v, valid);
  return v;
}

float PwCanvas::GetLightElevation(host::TimeValue t, host::Interval& valid) const {
  float v = 0.0f;
  if (const host::IParamBlock* pb = ParamBlock()) pb->GetValue(kCanvasLightElevation, t, v, valid);
  return v;
}

bool PwCanvas::SetLightColor(host::TimeValue t, const host::Color& c) {
  host::IParamBlock* pb = ParamBlock();
  return pb && pb->SetValue(kCanvasLightColor, t, c);
}

bool PwCanvas::SetLightAngle(host::TimeValue t, float radians) {
  host::IParamBlock* pb = ParamBlock();
  return pb && std::isfinite(radians) && pb->SetValue(kCanvasLightAngle, t, radians);
}

bool PwCanvas::SetLightElevation(host::TimeValue t, float radians) {
  host::IParamBlock* pb = ParamBlock();
  return pb && std::isfinite(radians) && pb->SetValue(kCanvasLightElevation, t, radians);
}

void PwCanvas::SetTextureOn(bool on) {
  if (textureOn_ == on) return;
  textureOn_ = on;
  NotifyChanged(0);
}

void PwCanvas::SetTextureName(const std::string& name) {
  if (textureName_ == name) return;
  textureName_ = name;
  field_.Clear();
  loadReported_ = false;
  NotifyChanged(0);
}

void PwCanvas::SetNameIsFile(bool on) {
  if (nameIsFile_ == on) return;
  nameIsFile_ = on;
  field_.Clear();
  loadReported_ = false;
  NotifyChanged(0);
}

std::vector<std::string> PwCanvas::AuxFiles() const {
  if (!nameIsFile_ || textureName_.empty()) return {};
  return {textureName_};
}

void PwCanvas::EnumAuxFiles(std::vector<std::string>& files, bool missingOnly) {
  if (!nameIsFile_ || textureName_.empty()) return;
  const std::optional<std::filesystem::path> found = host::ResolveMapPath(textureName_);
  if (!missingOnly) {
    files.push_back(FullPath(found ? *found : std::filesystem::path(textureName_)));
  } else if (textureOn_ && !found && field_.Empty()) {
    files.push_back(FullPath(textureName_));
  }
}

bool PwCanvas::LoadTexture(std::string* error) {
  if (!textureOn_ || textureName_.empty() || !field_.Empty()) return true;
  if (!nameIsFile_) {
    // Named image devices belong to a host with capture hardware; the
    // stand-alone program reads files only.
    if (error) *error = "canvas texture \"" + textureName_ + "\" names an image device, which cannot be read here";
    return false;
  }
  const std::optional<std::filesystem::path> found = host::ResolveMapPath(textureName_);
  if (!found) {
    if (error) *error = textureName_ + ": file not found";
    return false;
  }
  host::Bitmap image;
  std::string why;
  if (!host::ReadImage(found->string(), image, &why)) {
    if (error) *error = why;
    return false;
  }
  if (!BuildCanvasSlopeField(image, field_)) {
    if (error) *error = textureName_ + ": not enough memory for the canvas relief";
    return false;
  }
  return true;
}

void PwCanvas::UnloadTexture() {
  field_.Clear();
  loadReported_ = false;
}

bool PwCanvas::SetTextureImage(const host::Bitmap& image) { return BuildCanvasSlopeField(image, field_); }

bool PwCanvas::LoadAuxFiles(host::TimeValue) {
  std::string error;
  if (LoadTexture(&error)) return true;
  const bool missing = nameIsFile_ && !host::ResolveMapPath(textureName_);
  if (!missing && !loadReported_) {
    loadReported_ = true;
    host::WarningMessage("Unable to load texture image \"%s\" for canvas \"%s\"\n%s", textureName_.c_str(),
                         GetName().c_str(), error.c_str());
  }
  return false;
}

void PwCanvas::Apply(host::Bitmap& image, host::TimeValue t, PwRenderProgress& progress) const {
  if (!field_.Usable()) return;
  progress.push(kApplyCaption);
  host::Interval valid = host::FOREVER;
  const CanvasLight light = MakeCanvasLight(GetLightColor(t, valid), GetLightAngle(t, valid), GetLightElevation(t, valid));
  ShadeWithCanvas(field_, light, image, &progress);
  progress.pop();
}

void PwCanvas::ResetToDefaults(bool removeAnimation) {
  PwObject::ResetToDefaults(removeAnimation);
  if (!ParamBlock()) {
    BuildBlock();
  } else {
    ApplyNewCanvasSettings(0);
  }
  NotifyChanged(0);
}

host::ReferenceTarget* PwCanvas::Clone(host::RemapDir& remap) {
  auto* copy = new PwCanvas(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  copy->textureOn_ = textureOn_;
  copy->textureName_ = textureName_;
  copy->nameIsFile_ = nameIsFile_;
  copy->field_ = field_;
  copy->loadReported_ = loadReported_;
  return copy;
}

host::IOResult PwCanvas::SaveExtraChunk(host::ISave* isave, int i) {
  switch (i) {
    case 0:
      return isave->WriteChunk(kCanvasChunkVersion, kCanvasVersion);
    case 1: {
      isave->BeginChunk(kCanvasChunkSwitches);
      host::IOResult r = isave->WriteValue(static_cast<std::int32_t>(textureOn_ ? 1 : 0));
      if (r == host::IO_OK) r = isave->WriteValue(static_cast<std::int32_t>(nameIsFile_ ? 1 : 0));
      isave->EndChunk();
      return r;
    }
    case 2:
      return isave->WriteStringChunk(kCanvasChunkTexture, textureName_);
    default:
      return host::IO_OK;
  }
}

void PwCanvas::BeforeLoad() { UnloadTexture(); }

host::IOResult PwCanvas::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  switch (chunkId) {
    case kCanvasChunkSwitches: {
      std::int32_t on = 0, isFile = 0;
      if (iload->ReadValue(&on) != host::IO_OK || iload->ReadValue(&isFile) != host::IO_OK) return host::IO_ERROR;
      textureOn_ = on != 0;
      nameIsFile_ = isFile != 0;
      return host::IO_OK;
    }
    case kCanvasChunkTexture:
      return iload->ReadCStringChunk(&textureName_);
    default:
      return host::IO_OK;
  }
}

host::IOResult PwCanvas::Load(host::ILoad* iload) {
  host::IOResult r = PwObject::Load(iload);
  if (r != host::IO_OK) return r;
  RepairLegacyBlockAfterLoad(iload, CanvasBlockLayout(), this, PARAMBLOCK_REF, [this] {
    const bool on = textureOn_, isFile = nameIsFile_;
    const std::string name = textureName_;
    BuildBlock();
    textureOn_ = on;
    nameIsFile_ = isFile;
    textureName_ = name;
  });
  return host::IO_OK;
}

}  // namespace pw
