#include "host/shading/mtl_std.h"

#include <algorithm>
#include <cmath>

#include "host/shading/texmap.h"

namespace host {

namespace {

enum StdMatChunk : std::uint16_t {
  STDMAT_OPACITY = 0x0100,     // f32
  STDMAT_FLAGS = 0x0101,       // u32: 1 two-sided, 2 wire, 4 faceted
  STDMAT_WIRE_SIZE = 0x0102,   // f32
  STDMAT_IOR = 0x0103,         // f32
  STDMAT_FILTER = 0x0104,      // 3 f32
  STDMAT_MAP_ON = 0x0105,      // u32 mask, bit = standard id
  STDMAT_MAP_AMOUNT = 0x0106,  // 12 f32
};

constexpr const char* kSlotNames[NUM_STD_MAPS] = {
    "Ambient Color", "Diffuse Color", "Specular Color", "Glossiness",  "Specular Level", "Self-Illumination",
    "Opacity",       "Filter Color", "Bump",           "Reflection", "Refraction",     "Displacement",
};

float Finite(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

Color Rgb(const AColor& c) { return {c.r, c.g, c.b}; }

}  // namespace

// A file may lack the shader; the material still needs one.
class StdMat::LoadFixup : public PostLoadCallback {
 public:
  explicit LoadFixup(StdMat* mtl) : mtl_(mtl) {}
  void proc(ILoad*) override {
    if (!mtl_->GetShader()) mtl_->ReplaceReference(0, new BlinnShader());
    delete this;
  }
  void Abandon() override { delete this; }

 private:
  StdMat* mtl_;
};

StdMat::StdMat(bool withShader) {
  mapOn_.fill(true);
  mapAmount_.fill(1.0f);
  if (withShader) ReplaceReference(0, new BlinnShader());
}

void StdMat::Reset() {
  mapOn_.fill(true);
  mapAmount_.fill(1.0f);
  for (int id = 0; id < NUM_STD_MAPS; ++id) ReplaceReference(1 + id, nullptr);
  opacity_ = 1.0f;
  twoSided_ = wire_ = faceted_ = false;
  wireSize_ = 1.0f;
  filter_ = Color(0.5f, 0.5f, 0.5f);
  ior_ = 1.5f;
  ReplaceReference(0, new BlinnShader());
  Changed();
}

// ---- Shader ---------------------------------------------------------------------

Shader* StdMat::GetShader() const { return shaderTyped_; }

bool StdMat::SetShader(Shader* shader) {
  if (!shader) return false;
  if (Shader* old = GetShader(); old && old != shader) shader->CopyStdParams(old);
  ReplaceReference(0, shader);
  Changed();
  return true;
}

// ---- Colours ----------------------------------------------------------------------

Color StdMat::GetAmbient(int, bool) {
  Shader* s = GetShader();
  return s ? s->GetAmbientClr(curTime_) : Color();
}
Color StdMat::GetDiffuse(int, bool) {
  Shader* s = GetShader();
  return s ? s->GetDiffuseClr(curTime_) : Color();
}
Color StdMat::GetSpecular(int, bool) {
  Shader* s = GetShader();
  return s ? s->GetSpecularClr(curTime_) : Color();
}
float StdMat::GetShininess(int, bool) {
  Shader* s = GetShader();
  return s ? s->GetGlossiness(curTime_) : 0.0f;
}
float StdMat::GetShinStr(int, bool) {
  Shader* s = GetShader();
  return s ? s->GetSpecularLevel(curTime_) : 0.0f;
}
float StdMat::GetXParency(int, bool) { return 1.0f - opacity_; }
float StdMat::WireSize(int, bool) { return wireSize_; }

void StdMat::SetAmbient(const Color& c, TimeValue t) {
  if (Shader* s = GetShader()) s->SetAmbientClr(c, t);
}
void StdMat::SetDiffuse(const Color& c, TimeValue t) {
  if (Shader* s = GetShader()) s->SetDiffuseClr(c, t);
}
void StdMat::SetSpecular(const Color& c, TimeValue t) {
  if (Shader* s = GetShader()) s->SetSpecularClr(c, t);
}
void StdMat::SetShininess(float v, TimeValue t) {
  if (Shader* s = GetShader()) s->SetGlossiness(v, t);
}
void StdMat::SetShinStr(float v, TimeValue t) {
  if (Shader* s = GetShader()) s->SetSpecularLevel(v, t);
}

void StdMat::SetOpacity(float v, TimeValue) {
  opacity_ = std::clamp(Finite(v, 1.0f), 0.0f, 1.0f);
  Changed();
}
void StdMat::SetTwoSided(bool on) {
  twoSided_ = on;
  Changed();
}
void StdMat::SetWire(bool on) {
  wire_ = on;
  Changed();
}
void StdMat::SetFaceted(bool on) {
  faceted_ = on;
  Changed();
}
bool StdMat::GetLockADTex() const {
  Shader* s = GetShader();
  return s && s->GetLockADTex();
}
void StdMat::SetLockADTex(bool on) {
  if (Shader* s = GetShader()) s->SetLockADTex(on);
}

// ---- Maps --------------------------------------------------------------------------

Texmap* StdMat::GetSubTexmap(int id) { return ValidId(id) ? mapsTyped_[id] : nullptr; }

bool StdMat::SetSubTexmap(int id, Texmap* map) {
  if (!ValidId(id)) return false;
  ReplaceReference(1 + id, map);
  Changed();
  return true;
}

std::string StdMat::GetSubTexmapSlotName(int id) { return ValidId(id) ? kSlotNames[id] : ""; }

bool StdMat::SubTexmapOn(int id) { return ValidId(id) && mapOn_[id] && GetSubTexmap(id); }

bool StdMat::MapEnabled(int id) const { return ValidId(id) && mapOn_[id]; }

void StdMat::EnableMap(int id, bool on) {
  if (!ValidId(id)) return;
  mapOn_[id] = on;
  Changed();
}

float StdMat::GetTexmapAmt(int id, TimeValue) const { return ValidId(id) ? mapAmount_[id] : 0.0f; }

void StdMat::SetTexmapAmt(int id, float amount, TimeValue) {
  if (!ValidId(id)) return;
  mapAmount_[id] = Finite(amount, 1.0f);
  Changed();
}

Texmap* StdMat::MapFor(int id, float* amount) {
  const int slot = id == ID_AM && GetLockADTex() ? ID_DI : id;
  if (!SubTexmapOn(slot)) return nullptr;
  *amount = mapAmount_[slot];
  return *amount != 0.0f ? GetSubTexmap(slot) : nullptr;
}

// ---- Rendering -------------------------------------------------------------------------

void StdMat::Update(TimeValue t, Interval& valid) {
  curTime_ = t;
  if (Shader* s = GetShader()) s->Update(t, valid);
  for (int id = 0; id < NUM_STD_MAPS; ++id)
    if (Texmap* map = GetSubTexmap(id)) map->Update(t, valid);
}

std::uint32_t StdMat::Requirements(int subMtlNum) {
  std::uint32_t req = MtlBase::Requirements(subMtlNum);
  if (Shader* s = GetShader()) req |= s->GetRequirements(subMtlNum);
  if (twoSided_) req |= MTLREQ_2SIDE;
  if (wire_) req |= MTLREQ_WIRE;
  if (faceted_) req |= MTLREQ_FACETED;
  if (opacity_ < 1.0f || SubTexmapOn(ID_OP) || SubTexmapOn(ID_RR)) req |= MTLREQ_TRANSP;
  if (SubTexmapOn(ID_BU)) req |= MTLREQ_BUMPUV;
  if (SubTexmapOn(ID_RL)) req |= MTLREQ_VIEW_DEP;
  return req;
}

void StdMat::MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) {
  MtlBase::MappingsRequired(subMtlNum, mapreq, bumpreq);
  Texmap* bump = SubTexmapOn(ID_BU) ? GetSubTexmap(ID_BU) : nullptr;
  if (bump && bump->GetUVWSource() == UVWSRC_EXPLICIT) {
    const int ch = bump->GetMapChannel();
    if (ch >= bumpreq.GetSize()) bumpreq.SetSize(ch + 1, true);
    bumpreq.Set(ch);
  }
}

void StdMat::LoadMapFiles(TimeValue t) {
  for (int id = 0; id < NUM_STD_MAPS; ++id)
    if (Texmap* map = GetSubTexmap(id)) map->LoadMapFiles(t);
}

void StdMat::Shade(ShadeContext& sc) {
  Shader* shader = GetShader();
  if (!shader) {
    Mtl::Shade(sc);
    return;
  }
  IllumParams ip;
  ip.pMtl = this;
  ip.finalOpac = opacity_;
  shader->GetIllumParams(sc, ip);
  // Opacity and filter colour are the material's own, whatever the shader holds.
  const int opacityChannel = shader->StdIDToChannel(ID_OP);
  if (opacityChannel >= 0) ip.channels[opacityChannel] = Color(opacity_, opacity_, opacity_);
  if (const int ch = shader->StdIDToChannel(ID_FI); ch >= 0) ip.channels[ch] = filter_;

  const Point3 normal = sc.Normal();
  if (sc.doMaps) {
    float amount = 0.0f;
    for (int id = ID_AM; id <= ID_FI; ++id) {
      const int ch = shader->StdIDToChannel(id);
      Texmap* map = ch >= 0 && ch < STD2_NMAX_TEXMAPS ? MapFor(id, &amount) : nullptr;
      if (!map) continue;
      Color& channel = ip.channels[ch];
      if (shader->ChannelType(ch) == MONO_CHANNEL) {
        const float v = channel.r + (map->EvalMono(sc) - channel.r) * amount;
        channel = Color(v, v, v);
      } else {
        const AColor c = map->EvalColor(sc);
        const Color over = channel * (1.0f - c.a) + Rgb(c);
        channel = channel + (over - channel) * amount;
      }
    }
    if (Texmap* bump = MapFor(ID_BU, &amount))
      sc.SetNormal(Normalize(normal + bump->EvalNormalPerturb(sc) * amount));
    if (Texmap* refl = MapFor(ID_RL, &amount)) {
      Color c = Rgb(refl->EvalColor(sc)) * amount;
      shader->ShadeReflection(sc, ip, c);
    }
    if (Texmap* refr = MapFor(ID_RR, &amount)) {
      Color c = Rgb(refr->EvalColor(sc));
      shader->ShadeTransmission(sc, ip, c, amount);
    }
  }
  if (opacityChannel >= 0) ip.finalOpac = std::clamp(Finite(ip.channels[opacityChannel].r, 1.0f), 0.0f, 1.0f);
  shader->Illum(sc, ip);
  sc.SetNormal(normal);
  sc.out.c = ip.finalC;
  const float xp = 1.0f - ip.finalOpac;
  sc.out.t = Color(xp, xp, xp);
  sc.out.ior = ior_;
}

// ---- References and persistence --------------------------------------------------------

ReferenceTarget* StdMat::GetReference(int i) {
  if (i == 0) return shader_;
  return i >= 1 && i <= NUM_STD_MAPS ? maps_[i - 1] : nullptr;
}

void StdMat::SetReference(int i, ReferenceTarget* target) {
  if (i == 0) {
    shader_ = target;
    shaderTyped_ = dynamic_cast<Shader*>(target);
  } else if (i >= 1 && i <= NUM_STD_MAPS) {
    maps_[i - 1] = target;
    mapsTyped_[i - 1] = dynamic_cast<Texmap*>(target);
  }
}

ReferenceTarget* StdMat::Clone(RemapDir& remap) {
  auto* copy = new StdMat(false);
  copy->CopyMtlBase(*this);
  copy->ReplaceReference(0, remap.CloneRef(shader_));
  for (int id = 0; id < NUM_STD_MAPS; ++id) copy->ReplaceReference(1 + id, remap.CloneRef(maps_[id]));
  copy->mapOn_ = mapOn_;
  copy->mapAmount_ = mapAmount_;
  copy->opacity_ = opacity_;
  copy->twoSided_ = twoSided_;
  copy->wire_ = wire_;
  copy->faceted_ = faceted_;
  copy->wireSize_ = wireSize_;
  copy->filter_ = filter_;
  copy->ior_ = ior_;
  copy->curTime_ = curTime_;
  return copy;
}

IOResult StdMat::Save(ISave* isave) {
  SaveHeader(isave);
  isave->WriteChunk(STDMAT_OPACITY, opacity_);
  const std::uint32_t flags = (twoSided_ ? 1u : 0u) | (wire_ ? 2u : 0u) | (faceted_ ? 4u : 0u);
  isave->WriteChunk(STDMAT_FLAGS, flags);
  isave->WriteChunk(STDMAT_WIRE_SIZE, wireSize_);
  isave->WriteChunk(STDMAT_IOR, ior_);
  const float filter[3] = {filter_.r, filter_.g, filter_.b};
  isave->WriteChunk(STDMAT_FILTER, filter);
  std::uint32_t on = 0;
  for (int id = 0; id < NUM_STD_MAPS; ++id) on |= mapOn_[id] ? 1u << id : 0u;
  isave->WriteChunk(STDMAT_MAP_ON, on);
  isave->WriteChunk(STDMAT_MAP_AMOUNT, mapAmount_);
  return IO_OK;
}

IOResult StdMat::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    IOResult res = IO_OK;
    switch (iload->CurChunkID()) {
      case MTL_HDR_CHUNK:
        res = LoadHeader(iload);
        break;
      case STDMAT_OPACITY:
        res = iload->ReadValue(&opacity_);
        opacity_ = std::clamp(Finite(opacity_, 1.0f), 0.0f, 1.0f);
        break;
      case STDMAT_FLAGS: {
        std::uint32_t flags = 0;
        res = iload->ReadValue(&flags);
        twoSided_ = flags & 1u;
        wire_ = flags & 2u;
        faceted_ = flags & 4u;
        break;
      }
      case STDMAT_WIRE_SIZE:
        res = iload->ReadValue(&wireSize_);
        wireSize_ = std::max(0.0f, Finite(wireSize_, 1.0f));
        break;
      case STDMAT_IOR:
        res = iload->ReadValue(&ior_);
        ior_ = Finite(ior_, 1.5f);
        break;
      case STDMAT_FILTER: {
        float f[3] = {};
        res = iload->ReadValue(&f);
        filter_ = Color(Finite(f[0], 0.5f), Finite(f[1], 0.5f), Finite(f[2], 0.5f));
        break;
      }
      case STDMAT_MAP_ON: {
        std::uint32_t on = 0;
        res = iload->ReadValue(&on);
        for (int id = 0; id < NUM_STD_MAPS; ++id) mapOn_[id] = (on >> id) & 1u;
        break;
      }
      case STDMAT_MAP_AMOUNT:
        res = iload->ReadValue(&mapAmount_);
        for (float& a : mapAmount_) a = Finite(a, 1.0f);
        break;
      default:
        break;
    }
    if (res != IO_OK || iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  iload->RegisterPostLoadCallback(new LoadFixup(this));
  return IO_OK;
}

}  // namespace host
