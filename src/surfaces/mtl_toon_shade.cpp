// The Toon material's shading: Update resolves the block into the band
// ramp and plain per-band values once; Shade then bands each point.
#include <algorithm>
#include <cmath>

#include "plugin/class_ids.h"
#include "surfaces/mtl_toon.h"

namespace pw {

namespace {

using host::AColor;
using host::Color;

float Clamp01(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }
Color Clamp01(const Color& c) { return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}; }
Color Rgb(const AColor& c) { return {c.r, c.g, c.b}; }

// An interval with nothing in it, for a band that is off.
constexpr float kEmptyStart = 1e30f;
constexpr float kEmptyEnd = -1e30f;

// The Standard map each object-material colour source lays over its base,
// or -1 for the sources that read no map (indexed by source).
constexpr int kSourceMap[kToonColorSourceCount] = {
    -1, -1, -1,                       // gradients
    -1, -1, -1,                       // solid colours
    host::ID_AM, host::ID_DI, host::ID_SP,  // colours with their maps
    host::ID_SH, host::ID_SS, host::ID_SI, host::ID_OP, host::ID_FI, host::ID_BU, host::ID_RL, host::ID_RR,
    -1,                               // the material shaded
};

// The Standard map a band's colour map falls back to: Shadow ambient, Main
// diffuse, Highlight specular.
constexpr int kBandObjectMap[kToonBandCount] = {host::ID_AM, host::ID_DI, host::ID_SP};

}  // namespace

// ---- Update -----------------------------------------------------------------------------

void PwMtlToon::Update(host::TimeValue t, host::Interval& valid) {
  host::Mtl* object = GetObjectMaterial();
  if (!object) return;  // unusable: shades black, nothing to bring up to date
  object->Update(t, valid);
  view_ = ObjectView();  // the object material may have changed its sub-materials
  if (!validity_.InInterval(t)) {
    validity_ = host::FOREVER;
    for (int band = 0; band < kToonBandCount; ++band) {
      const ToonBand& b = bands_[static_cast<std::size_t>(band)];
      if (!b.on) continue;
      if (b.colorMapOn && b.useOwnColorMap)
        if (host::Texmap* m = GetColorMap(band)) m->Update(t, validity_);
      if (b.opacityMapOn && b.useOwnOpacityMap)
        if (host::Texmap* m = GetOpacityMap(band)) m->Update(t, validity_);
      if (PwGradient* g = GetGradient(band)) g->Update(t, validity_);
    }
    if (overallOpacityMapOn_)
      if (host::Texmap* m = GetOverallOpacityMap()) m->Update(t, validity_);
    Resolve(t);
  }
  valid &= validity_;
}

void PwMtlToon::Resolve(host::TimeValue t) {
  std::array<float, kToonBandCount> size{};
  std::array<bool, kToonBandCount> on{};
  for (int band = 0; band < kToonBandCount; ++band) {
    const auto i = static_cast<std::size_t>(band);
    on[i] = bands_[i].on != 0;
    size[i] = Clamp01(GetParam(ToonBandParam(band, kToonBandSize), t, validity_));
    BandResolved& r = resolved_[i];
    r.opacity = GetParam(ToonBandParam(band, kToonBandOpacity), t, validity_);
    r.brightness = GetParam(ToonBandParam(band, kToonBandBrightness), t, validity_);
    r.colorMapAmount = GetParam(ToonBandParam(band, kToonBandColorMapAmount), t, validity_);
    r.opacityMapAmount = GetParam(ToonBandParam(band, kToonBandOpacityMapAmount), t, validity_);
  }
  NormalizeBandSizes(size.data(), on.data(), kToonBandCount, -1);
  const float blendLow = Clamp01(GetBlending(0, t, validity_));
  const float blendHigh = Clamp01(GetBlending(1, t, validity_));
  ramp_.Build(size[0], size[1], size[2], blendLow, blendHigh, smoothBlending_ ? kBandSmoothstep : kBandLinear);

  const float s = size[0], m = size[1], h = size[2];
  const std::array<std::array<float, 2>, kToonBandCount> intervals = {{
      {0.0f, s},
      {s, Clamp01(s + m)},
      {Clamp01(s + m), Clamp01(s + m + h)},
  }};
  for (std::size_t i = 0; i < kToonBandCount; ++i) {
    BandResolved& r = resolved_[i];
    r.start = on[i] ? intervals[i][0] : kEmptyStart;
    r.end = on[i] ? intervals[i][1] : kEmptyEnd;
    r.invWidth = r.end > r.start ? 1.0f / (r.end - r.start) : 0.0f;
  }
  tinting_ = Clamp01(GetParam(kToonLightsColorTinting, t, validity_));
  shading_ = Clamp01(GetParam(kToonLightsIntensityShading, t, validity_));
  overallOpacity_ = GetParam(kToonOverallOpacity, t, validity_);
  overallOpacityMapAmount_ = GetParam(kToonOverallOpacityMapAmount, t, validity_);
}

// ---- Shade --------------------------------------------------------------------------------

const PwMtlToon::ObjectView& PwMtlToon::ViewFor(int mtlNum) {
  if (view_.mtl && view_.mtlNum == mtlNum) return view_;
  view_ = ObjectView();
  view_.mtlNum = mtlNum;
  host::Mtl* object = GetObjectMaterial();
  host::Mtl* m = object;
  if (object && object->NumSubMtls() > 0) {
    const int n = object->NumSubMtls();
    const int slot = mtlNum > 0 ? mtlNum % n : 0;
    if (host::Mtl* sub = object->GetSubMtl(slot)) m = sub;
  }
  view_.mtl = m;
  if (m && m->ClassID() == host::STD_MAT_CLASS_ID) view_.standard = static_cast<host::StdMat*>(m);
  return view_;
}

host::Texmap* PwMtlToon::ObjectMap(const ObjectView& view, int stdId) const {
  if (view.standard) {
    const int slot = stdId == host::ID_AM && view.standard->GetLockADTex() ? host::ID_DI : stdId;
    return view.standard->SubTexmapOn(slot) ? view.standard->GetSubTexmap(slot) : nullptr;
  }
  // Any other material: its first map.
  return view.mtl && view.mtl->NumSubTexmaps() > 0 && view.mtl->SubTexmapOn(0) ? view.mtl->GetSubTexmap(0) : nullptr;
}

Color PwMtlToon::SourceColour(host::ShadeContext& sc, int source, float position, const ObjectView& view) {
  using S = ToonColorSource;
  if (source >= static_cast<int>(S::ShadowGradient) && source <= static_cast<int>(S::HighlightGradient)) {
    const PwGradient* g = GetGradient(source);
    return g ? g->Evaluate(position) : Color();
  }
  host::Mtl* m = view.mtl;
  if (!m) return Color();
  if (source == static_cast<int>(S::ObjectMaterialShaded)) {
    // The object material as a whole: it picks its own sub-material.
    GetObjectMaterial()->Shade(sc);
    return sc.out.c;
  }
  const int mtlNum = sc.mtlNum;
  Color base;
  switch (static_cast<S>(source)) {
    case S::ObjectAmbientSolid:
    case S::ObjectAmbient: base = m->GetAmbient(mtlNum, sc.backFace); break;
    case S::ObjectSpecularSolid:
    case S::ObjectSpecular: base = m->GetSpecular(mtlNum, sc.backFace); break;
    default: base = m->GetDiffuse(mtlNum, sc.backFace); break;
  }
  const int mapId = source >= 0 && source < kToonColorSourceCount ? kSourceMap[source] : -1;
  if (mapId < 0 || !sc.doMaps || !view.standard) return base;
  host::StdMat* sm = view.standard;
  const int slot = mapId == host::ID_AM && sm->GetLockADTex() ? host::ID_DI : mapId;
  const float amount = sm->GetTexmapAmt(slot, 0);
  if (!sm->SubTexmapOn(slot) || !(amount > 0.0f)) return base;
  const AColor c = sm->GetSubTexmap(slot)->EvalColor(sc) * amount;
  return base * (1.0f - c.a) + Rgb(c);
}

Color PwMtlToon::BandColour(host::ShadeContext& sc, int band, float position, const ObjectView& view) {
  const auto i = static_cast<std::size_t>(band);
  const ToonBand& b = bands_[i];
  const BandResolved& r = resolved_[i];
  Color colour = SourceColour(sc, b.colorSource, position, view);
  if (b.colorMapOn && sc.doMaps) {
    host::Texmap* map = b.useOwnColorMap ? GetColorMap(band) : ObjectMap(view, kBandObjectMap[i]);
    if (map) {
      const float a = r.colorMapAmount;
      const AColor c = map->EvalColor(sc);
      colour = colour * (1.0f - c.a * a) + Rgb(c) * a;
    }
  }
  if (r.brightness != 1.0f) {
    colour *= r.brightness;
    colour = Color(std::min(colour.r, 1.0f), std::min(colour.g, 1.0f), std::min(colour.b, 1.0f));
  }
  return colour;
}

float PwMtlToon::BandOpacity(host::ShadeContext& sc, int band, const ObjectView& view) {
  const auto i = static_cast<std::size_t>(band);
  const ToonBand& b = bands_[i];
  float opacity = resolved_[i].opacity;
  if (b.opacityMapOn && sc.doMaps) {
    host::Texmap* map = b.useOwnOpacityMap ? GetOpacityMap(band) : ObjectMap(view, host::ID_OP);
    if (map) opacity += (map->EvalMono(sc) - opacity) * resolved_[i].opacityMapAmount;
  }
  return Clamp01(opacity);
}

float PwMtlToon::OverallOpacity(host::ShadeContext& sc) {
  float opacity = overallOpacity_;
  if (overallOpacityMapOn_ && sc.doMaps)
    if (host::Texmap* map = GetOverallOpacityMap())
      opacity += (map->EvalMono(sc) - opacity) * overallOpacityMapAmount_;
  return Clamp01(opacity);
}

void PwMtlToon::Shade(host::ShadeContext& sc) {
  if (IsUnusable() || sc.InMtlEditor()) {
    sc.out.Reset();
    sc.out.c = Color();
    sc.out.t = Color();
    sc.out.ior = 1.0f;
    sc.out.gbufId = 0;
    return;
  }
  if (gbufferId_ != 0) sc.SetGBufferID(gbufferId_);

  // Light arriving: its diffuse share, and the colour of the lights.
  const host::Point3 n = sc.Normal();
  float d = 0.0f;
  Color lights;
  for (int i = 0; i < sc.nLights; ++i) {
    host::LightDesc* light = sc.Light(i);
    Color c;
    host::Point3 dir;
    float dotNL = 0.0f, k = 0.0f;
    if (!light || !light->Illuminate(sc, n, c, dir, dotNL, k)) continue;
    d += k;
    lights += c;
  }
  d = std::min(d, 1.0f);

  const BandWeights w = ramp_.Lookup(d);
  const ObjectView view = ViewFor(sc.mtlNum);  // a copy: a shaded source may re-aim the cache
  std::array<Color, kToonBandCount> colour{};
  std::array<float, kToonBandCount> opacity{};
  bool haveOverall = false;
  float overall = 1.0f;
  for (int band = 0; band < kToonBandCount; ++band) {
    const auto i = static_cast<std::size_t>(band);
    if (!bands_[i].on || w[i] == 0.0f) continue;
    if (!haveOverall) {
      overall = OverallOpacity(sc);
      haveOverall = true;
    }
    const BandResolved& r = resolved_[i];
    opacity[i] = BandOpacity(sc, band, view) * overall;
    const float position = (std::clamp(d, r.start, r.end) - r.start) * r.invWidth;
    colour[i] = BandColour(sc, band, position, view);
  }

  Color c;
  float alpha = 0.0f;
  const int pure = w == BandWeights{1.0f, 0.0f, 0.0f}   ? 0
                   : w == BandWeights{0.0f, 1.0f, 0.0f} ? 1
                   : w == BandWeights{0.0f, 0.0f, 1.0f} ? 2
                                                        : -1;
  if (pure >= 0) {
    c = colour[static_cast<std::size_t>(pure)];
    alpha = opacity[static_cast<std::size_t>(pure)];
  } else {
    for (std::size_t i = 0; i < kToonBandCount; ++i) {
      c += colour[i] * w[i];
      alpha += opacity[i] * w[i];
    }
    c = Clamp01(c);
    alpha = Clamp01(alpha);
  }
  c *= alpha;
  if (tinting_ != 0.0f) c += (c * lights - c) * tinting_;
  if (shading_ != 0.0f) c += (c * d - c) * shading_;
  sc.out.c = c;
  sc.out.t = Color(1.0f - alpha, 1.0f - alpha, 1.0f - alpha);
  sc.out.ior = 1.0f;
}

}  // namespace pw
