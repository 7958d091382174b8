#include "surfaces/mtl_toon.h"

#include <cmath>
#include <variant>

#include "plugin/class_ids.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

constexpr std::array<const char*, kToonSubAnimCount> kSubAnimNames = {
    "Parameters",          "Shadow Gradient",      "Main Gradient",         "Highlight Gradient",
    "Shadow Color Map",    "Main Color Map",       "Highlight Color Map",   "Shadow Opacity Map",
    "Main Opacity Map",    "Highlight Opacity Map", "Overall Opacity Map",
};

bool ValidBand(int band) { return band >= 0 && band < kToonBandCount; }

bool IsToonMaterial(const host::ReferenceTarget* t) {
  return t && t->SuperClassID() == host::MATERIAL_CLASS_ID && t->ClassID() == PW_MTL_TOON_CLASS_ID;
}

bool IsGradient(const host::ReferenceTarget* t) {
  return t && t->SuperClassID() == host::REF_TARGET_CLASS_ID && t->ClassID() == PW_GRADIENT_CLASS_ID;
}

bool ValidSource(std::int32_t s) { return s >= 0 && s < kToonColorSourceCount; }

}  // namespace

PwMtlToon::PwMtlToon(bool loading) {
  if (!loading) Reset();
}

host::Class_ID PwMtlToon::ClassID() const { return PW_MTL_TOON_CLASS_ID; }

// ---- references ---------------------------------------------------------------

host::ReferenceTarget* PwMtlToon::GetReference(int i) {
  return i >= 0 && i < kToonRefCount ? refs_[static_cast<std::size_t>(i)] : nullptr;
}

void PwMtlToon::SetReference(int i, host::ReferenceTarget* target) {
  // Held as linked, whatever it is, so it is released properly; the typed
  // accessors ignore what does not belong in a slot.
  if (i >= 0 && i < kToonRefCount) refs_[static_cast<std::size_t>(i)] = target;
  if (i == kToonRefObjectMaterial) view_ = ObjectView();
}

std::string PwMtlToon::SubAnimName(int i) const {
  return i >= 0 && i < kToonSubAnimCount ? kSubAnimNames[static_cast<std::size_t>(i)] : "";
}

host::RefResult PwMtlToon::NotifyRefChanged(const host::Interval&, host::ReferenceTarget* target, host::PartID&,
                                            host::RefMessage message) {
  // The wrapped material may in turn hold this one (a multi-material with
  // a Toon slot): its news must not travel on, or it would circle forever.
  if (target && target == refs_[kToonRefObjectMaterial]) return host::REF_STOP;
  if (message == host::REFMSG_CHANGE || message == host::REFMSG_SUBANIM_STRUCTURE_CHANGED ||
      message == host::REFMSG_TARGET_DELETED)
    Invalidate();
  return host::REF_SUCCEED;
}

// ---- parameters -----------------------------------------------------------------

host::IParamBlock* PwMtlToon::ParamBlock() const { return AsLegacyBlock(refs_[kToonRefParams]); }

void PwMtlToon::BuildBlock() {
  const host::ParamVersionDesc& layout = ToonBlockLayout();
  ReplaceReference(kToonRefParams, host::CreateParameterBlock(layout.desc, layout.count, layout.version));
  ResetParams();
}

void PwMtlToon::ResetParams() {
  host::IParamBlock* pb = ParamBlock();
  if (!pb) return;
  for (int id = 0; id < kToonParamCount; ++id) pb->SetValue(pb->IdToIndex(id), 0, ToonParamResetValue(id));
}

float PwMtlToon::GetParam(int id, host::TimeValue t, host::Interval& valid) const {
  if (id == kToonBlendingShadowMain || id == kToonBlendingMainHighlight)
    return GetBlending(id - kToonBlendingShadowMain, t, valid);
  float v = 0.0f;
  if (const host::IParamBlock* pb = ParamBlock()) pb->GetValue(pb->IdToIndex(id), t, v, valid);
  return v;
}

float PwMtlToon::GetParam(int id, host::TimeValue t) const {
  host::Interval valid = host::FOREVER;
  return GetParam(id, t, valid);
}

bool PwMtlToon::SetParam(int id, host::TimeValue t, float value) {
  if (id == kToonBlendingShadowMain || id == kToonBlendingMainHighlight)
    return SetBlending(id - kToonBlendingShadowMain, t, value);
  host::IParamBlock* pb = ParamBlock();
  return pb && std::isfinite(value) && pb->SetValue(pb->IdToIndex(id), t, value);
}

float PwMtlToon::GetBlending(int which, host::TimeValue t, host::Interval& valid) const {
  if (which != 0 && which != 1) return 0.0f;
  const host::IParamBlock* pb = ParamBlock();
  if (!pb) return 0.0f;
  const int id = lockBlending_ || which == 0 ? kToonBlendingShadowMain : kToonBlendingMainHighlight;
  float v = 0.0f;
  pb->GetValue(pb->IdToIndex(id), t, v, valid);
  return v;
}

bool PwMtlToon::SetBlending(int which, host::TimeValue t, float value) {
  host::IParamBlock* pb = ParamBlock();
  if (!pb || (which != 0 && which != 1) || !std::isfinite(value)) return false;
  if (!lockBlending_) {
    const int id = which == 0 ? kToonBlendingShadowMain : kToonBlendingMainHighlight;
    return pb->SetValue(pb->IdToIndex(id), t, value);
  }
  // One shared value: the first entry carries it, the second mirrors it so
  // that the saved block reads the same to anyone.
  if (!pb->SetValue(pb->IdToIndex(kToonBlendingShadowMain), t, value)) return false;
  CopyBlendingToSecond();
  return true;
}

void PwMtlToon::CopyBlendingToSecond() {
  host::IParamBlock* pb = ParamBlock();
  if (!pb) return;
  const int from = pb->IdToIndex(kToonBlendingShadowMain);
  const int to = pb->IdToIndex(kToonBlendingMainHighlight);
  const host::ParamEntry* e = pb->Store().Entry(from, 0);
  const auto* track = e ? std::get_if<host::FloatTrack>(e) : nullptr;
  if (!track || to < 0) return;
  const host::FloatTrack copy = *track;  // the block changes under the reference below
  pb->RemoveAnimation(to, 0);
  if (!copy.IsAnimated()) {
    pb->SetValue(to, 0, copy.Value(0));
    return;
  }
  for (int k = 0; k < copy.NumKeys(); ++k) pb->SetKey(to, copy.GetKeyTime(k), copy.GetKeyValue(k));
}

void PwMtlToon::SetLockBlending(bool on) {
  if (lockBlending_ == on) return;
  lockBlending_ = on;
  CopyBlendingToSecond();
  Invalidate();
}

void PwMtlToon::SetSmoothBlending(bool on) {
  if (smoothBlending_ == on) return;
  smoothBlending_ = on;
  Invalidate();
}

void PwMtlToon::SetOverallOpacityMapOn(bool on) {
  if (overallOpacityMapOn_ == on) return;
  overallOpacityMapOn_ = on;
  Invalidate();
}

// ---- bands ----------------------------------------------------------------------

ToonBand PwMtlToon::GetBand(int band) const { return ValidBand(band) ? bands_[static_cast<std::size_t>(band)] : ToonBand(); }

bool PwMtlToon::SetBand(int band, const ToonBand& values) {
  if (!ValidBand(band) || !ValidSource(values.colorSource)) return false;
  bands_[static_cast<std::size_t>(band)] = values;
  Invalidate();
  return true;
}

bool PwMtlToon::SetBandOn(int band, bool on) {
  ToonBand b = GetBand(band);
  b.on = on ? 1 : 0;
  return SetBand(band, b);
}

bool PwMtlToon::SetBandColorSource(int band, int source) {
  ToonBand b = GetBand(band);
  b.colorSource = source;
  return SetBand(band, b);
}

int PwMtlToon::BandsOn() const {
  int n = 0;
  for (const ToonBand& b : bands_) n += b.on ? 1 : 0;
  return n;
}

PwGradient* PwMtlToon::GetGradient(int band) const {
  if (!ValidBand(band)) return nullptr;
  host::ReferenceTarget* t = refs_[static_cast<std::size_t>(kToonRefShadowGradient + band)];
  return IsGradient(t) ? static_cast<PwGradient*>(t) : nullptr;
}

void PwMtlToon::EnsureGradients() {
  for (int band = 0; band < kToonBandCount; ++band) {
    PwGradient* g = GetGradient(band);
    const float grey = kToonGradientResetGrey[static_cast<std::size_t>(band)];
    if (!g) {
      g = new PwGradient();
      ReplaceReference(kToonRefShadowGradient + band, g);
    }
    g->SetSingleColour(host::Color(grey, grey, grey));
  }
}

host::Texmap* PwMtlToon::MapAt(int ref) const {
  host::ReferenceTarget* t = refs_[static_cast<std::size_t>(ref)];
  return t && t->SuperClassID() == host::TEXMAP_CLASS_ID ? static_cast<host::Texmap*>(t) : nullptr;
}

bool PwMtlToon::SetMapAt(int ref, host::Texmap* map) {
  if (ReplaceReference(ref, map) != host::REF_SUCCEED) return false;
  Invalidate();
  return true;
}

host::Texmap* PwMtlToon::GetColorMap(int band) const {
  return ValidBand(band) ? MapAt(kToonRefShadowColorMap + band) : nullptr;
}
host::Texmap* PwMtlToon::GetOpacityMap(int band) const {
  return ValidBand(band) ? MapAt(kToonRefShadowOpacityMap + band) : nullptr;
}
host::Texmap* PwMtlToon::GetOverallOpacityMap() const { return MapAt(kToonRefOverallOpacityMap); }
bool PwMtlToon::SetColorMap(int band, host::Texmap* map) {
  return ValidBand(band) && SetMapAt(kToonRefShadowColorMap + band, map);
}
bool PwMtlToon::SetOpacityMap(int band, host::Texmap* map) {
  return ValidBand(band) && SetMapAt(kToonRefShadowOpacityMap + band, map);
}
bool PwMtlToon::SetOverallOpacityMap(host::Texmap* map) { return SetMapAt(kToonRefOverallOpacityMap, map); }

host::Texmap* PwMtlToon::GetSubTexmap(int i) {
  return i >= 0 && i < NumSubTexmaps() ? MapAt(kToonRefShadowColorMap + i) : nullptr;
}

bool PwMtlToon::SetSubTexmap(int i, host::Texmap* m) {
  return i >= 0 && i < NumSubTexmaps() && SetMapAt(kToonRefShadowColorMap + i, m);
}

std::string PwMtlToon::GetSubTexmapSlotName(int i) {
  return i >= 0 && i < NumSubTexmaps() ? SubAnimName(kToonRefShadowColorMap + i) : "";
}

bool PwMtlToon::SubTexmapOn(int i) {
  if (i >= 0 && i < 3) {
    const ToonBand& b = bands_[static_cast<std::size_t>(i)];
    return b.on && b.colorMapOn && b.useOwnColorMap;
  }
  if (i >= 3 && i < 6) {
    const ToonBand& b = bands_[static_cast<std::size_t>(i - 3)];
    return b.on && b.opacityMapOn && b.useOwnOpacityMap;
  }
  return i == 6 && overallOpacityMapOn_;
}

// ---- object material --------------------------------------------------------------

host::Mtl* PwMtlToon::GetObjectMaterial() const {
  host::ReferenceTarget* t = refs_[kToonRefObjectMaterial];
  return t && t->SuperClassID() == host::MATERIAL_CLASS_ID && !IsToonMaterial(t) ? static_cast<host::Mtl*>(t)
                                                                                 : nullptr;
}

void PwMtlToon::SetObjectMaterial(host::Mtl* mtl) {
  ReplaceReference(kToonRefObjectMaterial, IsToonMaterial(mtl) ? nullptr : mtl);
  view_ = ObjectView();
}

host::Color PwMtlToon::GetAmbient(int mtlNum, bool backFace) {
  host::Mtl* m = GetObjectMaterial();
  return m ? m->GetAmbient(mtlNum, backFace) : host::Color::Black();
}
host::Color PwMtlToon::GetDiffuse(int mtlNum, bool backFace) {
  host::Mtl* m = GetObjectMaterial();
  return m ? m->GetDiffuse(mtlNum, backFace) : host::Color::Black();
}
host::Color PwMtlToon::GetSpecular(int mtlNum, bool backFace) {
  host::Mtl* m = GetObjectMaterial();
  return m ? m->GetSpecular(mtlNum, backFace) : host::Color::Black();
}
float PwMtlToon::GetShininess(int mtlNum, bool backFace) {
  host::Mtl* m = GetObjectMaterial();
  return m ? m->GetShininess(mtlNum, backFace) : 0.0f;
}
float PwMtlToon::GetShinStr(int mtlNum, bool backFace) {
  host::Mtl* m = GetObjectMaterial();
  return m ? m->GetShinStr(mtlNum, backFace) : 0.0f;
}
float PwMtlToon::GetXParency(int mtlNum, bool backFace) {
  host::Mtl* m = GetObjectMaterial();
  return m ? m->GetXParency(mtlNum, backFace) : 0.0f;
}

std::uint32_t PwMtlToon::Requirements(int subMtlNum) {
  std::uint32_t req = host::Mtl::Requirements(subMtlNum);
  if (host::Mtl* m = GetObjectMaterial()) req |= m->Requirements(subMtlNum);
  return req;
}

void PwMtlToon::MappingsRequired(int subMtlNum, host::BitArray& mapreq, host::BitArray& bumpreq) {
  host::Mtl::MappingsRequired(subMtlNum, mapreq, bumpreq);
  if (host::Mtl* m = GetObjectMaterial()) m->MappingsRequired(subMtlNum, mapreq, bumpreq);
}

// ---- lifecycle ----------------------------------------------------------------------

void PwMtlToon::Reset() {
  SetName("Toon");
  SetObjectMaterial(nullptr);
  gbufferId_ = 0;
  furtherSwitch_ = 0;
  overallOpacityMapOn_ = false;
  smoothBlending_ = true;
  bands_.fill(ToonBand());
  for (int ref = kToonRefShadowColorMap; ref <= kToonRefOverallOpacityMap; ++ref) DeleteReference(ref);
  EnsureGradients();
  lockBlending_ = true;
  if (ParamBlock()) {
    ResetParams();
  } else {
    BuildBlock();
  }
  Invalidate();
}

bool PwMtlToon::ApplyToonPreset(int preset) {
  ToonPresetValues v;
  if (!GetToonPreset(preset, v)) return false;
  Reset();
  for (int band = 0; band < kToonBandCount; ++band) {
    const auto b = static_cast<std::size_t>(band);
    ToonBand values = bands_[b];
    values.on = v.on[b] ? 1 : 0;
    if (v.on[b]) values.colorSource = v.colorSource;
    SetBand(band, values);
    SetParam(ToonBandParam(band, kToonBandSize), 0, v.size[b]);
    SetParam(ToonBandParam(band, kToonBandBrightness), 0, v.brightness[b]);
  }
  // The lock is on after Reset, so the second width follows the first;
  // presets give both the same value.
  SetBlending(0, 0, v.blendingShadowMain);
  return true;
}

host::Interval PwMtlToon::Validity(host::TimeValue t) {
  host::Interval valid = host::FOREVER;
  Update(t, valid);
  return valid;
}

host::ReferenceTarget* PwMtlToon::Clone(host::RemapDir& remap) {
  auto* copy = new PwMtlToon(true);
  remap.AddEntry(this, copy);
  copy->CopyMtlBase(*this);
  for (int ref = 0; ref < kToonSubAnimCount; ++ref)
    copy->ReplaceReference(ref, remap.CloneRef(refs_[static_cast<std::size_t>(ref)]));
  copy->ReplaceReference(kToonRefObjectMaterial, refs_[kToonRefObjectMaterial]);
  copy->bands_ = bands_;
  copy->furtherSwitch_ = furtherSwitch_;
  copy->overallOpacityMapOn_ = overallOpacityMapOn_;
  copy->smoothBlending_ = smoothBlending_;
  copy->lockBlending_ = lockBlending_;
  copy->gbufferId_ = gbufferId_;
  return copy;
}

// ---- persistence ----------------------------------------------------------------------

host::IOResult PwMtlToon::Save(host::ISave* isave) {
  host::IOResult r = SaveHeader(isave);
  auto put = [&](std::uint16_t id, std::int32_t v) {
    if (r == host::IO_OK) r = isave->WriteChunk(id, v);
  };
  if (r == host::IO_OK) r = isave->WriteChunk(kToonChunkVersion, kToonVersion);
  put(kToonChunkFurtherSwitch, furtherSwitch_);
  put(kToonChunkOverallMapOn, overallOpacityMapOn_ ? 1 : 0);
  put(kToonChunkLockBlending, lockBlending_ ? 1 : 0);
  put(kToonChunkSmoothBlending, smoothBlending_ ? 1 : 0);
  if (r != host::IO_OK) return r;
  isave->BeginChunk(kToonChunkBands);
  for (const ToonBand& b : bands_) {
    for (std::int32_t v : {b.on, b.colorMapOn, b.useOwnColorMap, b.opacityMapOn, b.useOwnOpacityMap, b.colorSource})
      if (r == host::IO_OK) r = isave->WriteValue(v);
  }
  isave->EndChunk();
  return r;
}

host::IOResult PwMtlToon::LoadBands(host::ILoad* iload) {
  std::array<ToonBand, kToonBandCount> loaded{};
  for (ToonBand& b : loaded) {
    for (std::int32_t* v : {&b.on, &b.colorMapOn, &b.useOwnColorMap, &b.opacityMapOn, &b.useOwnOpacityMap, &b.colorSource})
      if (iload->ReadValue(v) != host::IO_OK) return host::IO_ERROR;
    if (!ValidSource(b.colorSource)) {
      iload->SetError("Toon material: colour source " + std::to_string(b.colorSource) + " is not one of 0..17");
      return host::IO_ERROR;
    }
  }
  bands_ = loaded;
  return host::IO_OK;
}

host::IOResult PwMtlToon::Load(host::ILoad* iload) {
  host::IOResult r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    std::int32_t v = 0;
    switch (iload->CurChunkID()) {
      case host::MTL_HDR_CHUNK: r = LoadHeader(iload); break;
      case kToonChunkFurtherSwitch:
        if ((r = iload->ReadValue(&v)) == host::IO_OK) furtherSwitch_ = v;
        break;
      case kToonChunkOverallMapOn:
        if ((r = iload->ReadValue(&v)) == host::IO_OK) overallOpacityMapOn_ = v != 0;
        break;
      case kToonChunkLockBlending:
        if ((r = iload->ReadValue(&v)) == host::IO_OK) lockBlending_ = v != 0;
        break;
      case kToonChunkSmoothBlending:
        if ((r = iload->ReadValue(&v)) == host::IO_OK) smoothBlending_ = v != 0;
        break;
      case kToonChunkBands: r = LoadBands(iload); break;
      default: r = host::IO_OK; break;
    }
    if (r != host::IO_OK) return host::IO_ERROR;
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
  if (r == host::IO_ERROR) return r;
  Invalidate();
  RepairLegacyBlockAfterLoad(iload, ToonBlockLayout(), this, kToonRefParams, [this] { BuildBlock(); });
  RunAfterLoad(iload, [this] {
    // A file missing a gradient gets a fresh one in its reset colour; the
    // gradients it did hold stay as they were.
    for (int band = 0; band < kToonBandCount; ++band) {
      if (GetGradient(band)) continue;
      const float grey = kToonGradientResetGrey[static_cast<std::size_t>(band)];
      auto* g = new PwGradient(false);
      g->SetSingleColour(host::Color(grey, grey, grey));
      ReplaceReference(kToonRefShadowGradient + band, g);
    }
    Invalidate();
  });
  return host::IO_OK;
}

}  // namespace pw
