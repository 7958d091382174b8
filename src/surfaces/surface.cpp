#include "surfaces/surface.h"

#include <array>

#include "host/params/paramblock.h"
#include "host/params/paramblock_legacy.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

constexpr std::array<std::string_view, kSurfaceKindCount> kKindNames = {"None", "Matte", "MAX Material", "Toon"};

constexpr std::array<std::string_view, kSurfaceKindCount> kKindDescriptions = {
    "The surface isn't rendered.",
    "The surface is rendered using the background color.",
    "The surface is rendered using the MAX Material assigned to the object.",
    "This shader produces a more stylistic shading of the surface. Among the styles you can simulate are flat, "
    "cartoon, comic, and cel animation.",
};

constexpr std::array<SurfacePreset, kSurfacePresetCount> kPresets = {{
    {SurfaceKind::Matte, -1, false},                                         // Matte
    {SurfaceKind::MaxMaterial, -1, false},                                   // Max Material
    {SurfaceKind::Toon, static_cast<int>(ToonPreset::Flat), false},          // Flat
    {SurfaceKind::Toon, static_cast<int>(ToonPreset::Cartoon), false},       // Cartoon
    {SurfaceKind::Toon, static_cast<int>(ToonPreset::Comic), false},         // Comic
    {SurfaceKind::Toon, static_cast<int>(ToonPreset::Cel), false},           // Cel
    {SurfaceKind::Toon, static_cast<int>(ToonPreset::Flat), true},           // Flat (Smooth Shaded)
}};

bool ValidKind(int kind) { return kind >= 0 && kind < kSurfaceKindCount; }

// Finds an animated parameter block below a reference target.
class AnimatedBlockProc : public host::RefEnumProc {
 public:
  int proc(host::ReferenceMaker* maker) override {
    if (auto* pb2 = dynamic_cast<host::IParamBlock2*>(maker)) {
      for (int i = 0; i < pb2->NumParams() && !found; ++i) found = pb2->IsAnimated(pb2->IndexToId(i));
    } else if (auto* pb = dynamic_cast<host::IParamBlock*>(maker)) {
      for (int i = 0; i < pb->NumParams() && !found; ++i) found = pb->IsAnimated(i);
    }
    return found ? host::REF_ENUM_HALT : host::REF_ENUM_CONTINUE;
  }
  bool found = false;
};

}  // namespace

std::string_view SurfaceKindName(int kind) {
  return ValidKind(kind) ? kKindNames[static_cast<std::size_t>(kind)] : std::string_view();
}

std::string_view SurfaceKindDescription(int kind) {
  return ValidKind(kind) ? kKindDescriptions[static_cast<std::size_t>(kind)] : std::string_view();
}

bool GetSurfacePreset(int index, SurfacePreset& out) {
  if (index < 0 || index >= kSurfacePresetCount) return false;
  out = kPresets[static_cast<std::size_t>(index)];
  return true;
}

PwSurface::PwSurface(bool loading) {
  if (!loading) EnsureToon();
}

host::Class_ID PwSurface::ClassID() const { return PW_SURFACE_CLASS_ID; }

PwMtlToon* PwSurface::GetToonMaterial() const {
  host::ReferenceTarget* t = GetParamBlock();
  return t && t->SuperClassID() == host::MATERIAL_CLASS_ID && t->ClassID() == PW_MTL_TOON_CLASS_ID
             ? static_cast<PwMtlToon*>(t)
             : nullptr;
}

PwMtlToon* PwSurface::EnsureToon() {
  if (PwMtlToon* toon = GetToonMaterial()) return toon;
  auto* toon = new PwMtlToon(false);
  ReplaceReference(TOON_REF, toon);
  return toon;
}

bool PwSurface::SetKind(int kind) {
  if (!ValidKind(kind)) return false;
  if (static_cast<int>(kind_) != kind) {
    kind_ = static_cast<SurfaceKind>(kind);
    NotifyChanged(0);
  }
  return true;
}

host::Mtl* PwSurface::GetSurfaceMaterial(host::Mtl* objectMaterial) {
  PwMtlToon* toon = GetToonMaterial();
  if (kind_ != SurfaceKind::Toon || !toon) return objectMaterial;
  toon->SetObjectMaterial(objectMaterial);
  return toon;
}

std::string PwSurface::SubAnimName(int i) const {
  const PwMtlToon* toon = i == TOON_REF ? GetToonMaterial() : nullptr;
  return toon ? toon->GetName() : "";
}

void PwSurface::ResetToDefaults(bool removeAnimation) {
  // Let go of the scene's material first, so the base step only freezes
  // what the surface owns.
  if (PwMtlToon* toon = GetToonMaterial()) toon->SetObjectMaterial(nullptr);
  PwObject::ResetToDefaults(removeAnimation);
  kind_ = SurfaceKind::Toon;
  EnsureToon()->Reset();
  NotifyChanged(0);
}

bool PwSurface::IsAnimated() {
  PwMtlToon* toon = GetToonMaterial();
  if (!toon) return false;
  AnimatedBlockProc proc;
  for (int ref = 0; ref < kToonSubAnimCount && !proc.found; ++ref)
    if (host::ReferenceTarget* t = toon->GetReference(ref)) t->EnumRefHierarchy(proc);
  return proc.found;
}

void PwSurface::InitLibraryMaterial(PwObjectLibrary&, int origin, int number) {
  SurfacePreset preset;
  if (origin != PW_ORIGIN_PRESET || PresetGroup(number) != PW_PRESET_GROUP_SURFACE ||
      !GetSurfacePreset(PresetIndex(number), preset))
    return;  // the default surface is a new one
  SetKind(static_cast<int>(preset.kind));
  PwMtlToon* toon = EnsureToon();
  if (preset.toonPreset >= 0) toon->ApplyToonPreset(preset.toonPreset);
  if (preset.smoothShaded) toon->SetParam(kToonLightsIntensityShading, 0, 1.0f);
}

host::ReferenceTarget* PwSurface::Clone(host::RemapDir& remap) {
  auto* copy = new PwSurface(true);
  remap.AddEntry(this, copy);
  CloneBaseInto(*copy, remap);
  copy->kind_ = kind_;
  return copy;
}

host::IOResult PwSurface::SaveExtraChunk(host::ISave* isave, int i) {
  if (i == 0) return isave->WriteChunk(kSurfaceChunkVersion, kSurfaceVersion);
  if (i == 1) return isave->WriteChunk(kSurfaceChunkKind, static_cast<std::int32_t>(kind_));
  return host::IO_OK;
}

host::IOResult PwSurface::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  if (chunkId != kSurfaceChunkKind) return host::IO_OK;
  std::int32_t kind = 0;
  if (iload->ReadValue(&kind) != host::IO_OK) return host::IO_ERROR;
  if (!ValidKind(kind)) {
    iload->SetError("surface: kind " + std::to_string(kind) + " is not one of 0..3");
    return host::IO_ERROR;
  }
  kind_ = static_cast<SurfaceKind>(kind);
  return host::IO_OK;
}

host::IOResult PwSurface::Load(host::ILoad* iload) {
  host::IOResult r = PwObject::Load(iload);
  if (r != host::IO_OK) return r;
  // A surface always has its Toon material, even from a file that lost it.
  RunAfterLoad(iload, [this] { EnsureToon(); });
  return host::IO_OK;
}

}  // namespace pw
