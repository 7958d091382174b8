#include "host/scene/light.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "host/scene/node.h"

namespace host {

namespace {

enum LightChunk : std::uint16_t {
  LIGHT_TYPE = 0x0100,   // i32
  LIGHT_FLAGS = 0x0101,  // u32: 1 on, 2 overshoot, 4 shadow, 8 diffuse, 16 specular, 32 ambient only
  LIGHT_SHAPE = 0x0102,  // i32
  LIGHT_COLOR = 0x0110,  // the tracks, each a container
  LIGHT_INTENSITY = 0x0111,
  LIGHT_HOTSPOT = 0x0112,
  LIGHT_FALLSIZE = 0x0113,
  LIGHT_ASPECT = 0x0114,
};

constexpr float kMinFallsize = 0.1f;
constexpr float kMaxFallsize = 179.5f;
constexpr float kMinAspect = 0.001f;
constexpr float kMaxAspect = 1000.0f;

float ClampFinite(float v, float lo, float hi, float fallback) {
  return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback;
}

float Radians(float degrees) { return degrees * std::numbers::pi_v<float> / 180.0f; }

}  // namespace

// ---- GenLight --------------------------------------------------------------------

GenLight::GenLight(int type) : type_(type >= OMNI_LGT && type <= DIRECT_LGT ? type : OMNI_LGT) {}

std::string GenLight::GetClassName() const {
  switch (type_) {
    case SPOT_LGT: return "Spot Light";
    case DIRECT_LGT: return "Directional Light";
    default: return "Omni Light";
  }
}

bool GenLight::SetType(int type) {
  if (type < OMNI_LGT || type > DIRECT_LGT) return false;
  type_ = type;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return true;
}

void GenLight::SetUseLight(bool on) {
  on_ = on;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

float GenLight::GetFallsize(TimeValue t) const {
  return ClampFinite(fallsize_.Value(t), kMinFallsize, kMaxFallsize, 45.0f);
}

float GenLight::GetHotspot(TimeValue t) const {
  const float fall = GetFallsize(t);
  return ClampFinite(hotsize_.Value(t), 0.0f, fall, fall);
}

float GenLight::GetAspect(TimeValue t) const { return ClampFinite(aspect_.Value(t), kMinAspect, kMaxAspect, 1.0f); }

bool GenLight::EvalLightState(TimeValue t, Interval& valid, LightState* ls) {
  if (!ls) return false;
  *ls = LightState();
  ls->type = type_;
  ls->color = color_.Value(t, &valid);
  ls->intens = intensity_.Value(t, &valid);
  hotsize_.Value(t, &valid);
  fallsize_.Value(t, &valid);
  aspect_.Value(t, &valid);
  ls->hotsize = GetHotspot(t);
  ls->fallsize = GetFallsize(t);
  ls->aspect = GetAspect(t);
  ls->shape = shape_;
  ls->overshoot = overshoot_;
  ls->shadow = shadow_;
  ls->on = on_;
  ls->affectDiffuse = affectDiffuse_;
  ls->affectSpecular = affectSpecular_;
  ls->ambientOnly = ambientOnly_;
  return true;
}

std::unique_ptr<ObjLightDesc> GenLight::CreateLightDesc(INode* node, bool) {
  return std::make_unique<GenLightDesc>(node, this);
}

ReferenceTarget* GenLight::Clone(RemapDir&) {
  auto* copy = new GenLight(type_);
  copy->on_ = on_;
  copy->shape_ = shape_;
  copy->overshoot_ = overshoot_;
  copy->shadow_ = shadow_;
  copy->affectDiffuse_ = affectDiffuse_;
  copy->affectSpecular_ = affectSpecular_;
  copy->ambientOnly_ = ambientOnly_;
  copy->color_ = color_;
  copy->intensity_ = intensity_;
  copy->hotsize_ = hotsize_;
  copy->fallsize_ = fallsize_;
  copy->aspect_ = aspect_;
  return copy;
}

IOResult GenLight::Save(ISave* isave) {
  isave->WriteChunk(LIGHT_TYPE, static_cast<std::int32_t>(type_));
  const std::uint32_t flags = (on_ ? 1u : 0u) | (overshoot_ ? 2u : 0u) | (shadow_ ? 4u : 0u) |
                              (affectDiffuse_ ? 8u : 0u) | (affectSpecular_ ? 16u : 0u) | (ambientOnly_ ? 32u : 0u);
  isave->WriteChunk(LIGHT_FLAGS, flags);
  isave->WriteChunk(LIGHT_SHAPE, static_cast<std::int32_t>(shape_));
  isave->BeginChunk(LIGHT_COLOR);
  IOResult r = color_.Save(*isave);
  isave->EndChunk();
  const std::pair<std::uint16_t, FloatTrack*> tracks[] = {
      {LIGHT_INTENSITY, &intensity_}, {LIGHT_HOTSPOT, &hotsize_}, {LIGHT_FALLSIZE, &fallsize_}, {LIGHT_ASPECT, &aspect_}};
  for (auto [id, track] : tracks) {
    if (r != IO_OK) return r;
    isave->BeginChunk(id);
    r = track->Save(*isave);
    isave->EndChunk();
  }
  return r;
}

IOResult GenLight::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    FloatTrack* track = nullptr;
    switch (iload->CurChunkID()) {
      case LIGHT_TYPE: {
        std::int32_t type = 0;
        if (iload->ReadValue(&type) != IO_OK) return IO_ERROR;
        if (type < OMNI_LGT || type > DIRECT_LGT) {
          iload->SetError("light: unknown light type " + std::to_string(type));
          return IO_ERROR;
        }
        type_ = type;
        break;
      }
      case LIGHT_FLAGS: {
        std::uint32_t flags = 0;
        if (iload->ReadValue(&flags) != IO_OK) return IO_ERROR;
        on_ = flags & 1u;
        overshoot_ = flags & 2u;
        shadow_ = flags & 4u;
        affectDiffuse_ = flags & 8u;
        affectSpecular_ = flags & 16u;
        ambientOnly_ = flags & 32u;
        break;
      }
      case LIGHT_SHAPE: {
        std::int32_t shape = 0;
        if (iload->ReadValue(&shape) != IO_OK) return IO_ERROR;
        SetSpotShape(shape);
        break;
      }
      case LIGHT_COLOR:
        if (color_.Load(*iload) != IO_OK) return IO_ERROR;
        break;
      case LIGHT_INTENSITY: track = &intensity_; break;
      case LIGHT_HOTSPOT: track = &hotsize_; break;
      case LIGHT_FALLSIZE: track = &fallsize_; break;
      case LIGHT_ASPECT: track = &aspect_; break;
      default: break;
    }
    if (track && track->Load(*iload) != IO_OK) return IO_ERROR;
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

// ---- GenLightDesc -------------------------------------------------------------------

namespace {

// The descriptor's transforms and light state from its node at t.
void UpdateFromNode(ObjLightDesc& desc, TimeValue t) {
  INode* inode = desc.inode;
  if (!inode) return;
  // Lights shine by their orientation alone; a scaled node must not stretch them.
  Matrix3 tm = inode->GetObjTMAfterWSM(t);
  for (int i = 0; i < 3; ++i) tm.SetRow(i, Normalize(tm.GetRow(i)));
  desc.lightToWorld = tm;
  desc.worldToLight = Inverse(tm);
  if (auto* light = dynamic_cast<LightObject*>(inode->EvalWorldState(t).obj)) {
    Interval valid = FOREVER;
    light->EvalLightState(t, valid, &desc.ls);
  }
  desc.ls.tm = desc.lightToWorld;
  desc.affectDiffuse = desc.ls.affectDiffuse;
  desc.affectSpecular = desc.ls.affectSpecular;
  desc.ambientOnly = desc.ls.ambientOnly;
}

}  // namespace

int GenLightDesc::Update(TimeValue t, const RendContext& rc, RenderGlobalContext* rgc, bool shadows,
                         bool shadowGeomChanged) {
  ObjLightDesc::Update(t, rc, rgc, shadows, shadowGeomChanged);
  UpdateFromNode(*this, t);
  // Without a node (or with one whose object is no light) the light that
  // made the descriptor still says how it shines.
  if ((!inode || !dynamic_cast<LightObject*>(inode->EvalWorldState(t).obj)) && light_) {
    Interval valid = FOREVER;
    light_->EvalLightState(t, valid, &ls);
    ls.tm = lightToWorld;
    affectDiffuse = ls.affectDiffuse;
    affectSpecular = ls.affectSpecular;
    ambientOnly = ls.ambientOnly;
  }
  return 1;
}

int GenLightDesc::UpdateViewDepParams(const Matrix3& worldToCam) {
  ObjLightDesc::UpdateViewDepParams(worldToCam);
  lightDirCam_ = Normalize(VectorTransform(lightToCam, Point3::ZAxis()));
  return 1;
}

float GenLightDesc::SpotFactor(const LightState& ls, const Point3& p) {
  if (ls.overshoot) return 1.0f;
  const float depth = -p.z;
  if (!(depth > 0.0f)) return 0.0f;
  const float tanFall = std::tan(Radians(std::clamp(ls.fallsize, kMinFallsize, kMaxFallsize) / 2.0f));
  const float tanHot = std::tan(Radians(std::clamp(ls.hotsize, 0.0f, ls.fallsize) / 2.0f));
  // How far out the point lies, as a fraction of the falloff (1 at its edge).
  float r;
  if (ls.shape == RECT_LIGHT) {
    const float sa = std::sqrt(std::clamp(ls.aspect, kMinAspect, kMaxAspect));
    r = std::max(std::fabs(p.x) / (depth * tanFall * sa), std::fabs(p.y) * sa / (depth * tanFall));
  } else {
    r = std::sqrt(p.x * p.x + p.y * p.y) / (depth * tanFall);
  }
  const float hot = tanHot / tanFall;
  if (r >= 1.0f) return 0.0f;
  if (r <= hot) return 1.0f;
  const float s = (1.0f - r) / (1.0f - hot);
  return s * s * (3.0f - 2.0f * s);
}

bool GenLightDesc::Illuminate(ShadeContext& sc, const Point3& normal, Color& color, Point3& dir, float& dotNL,
                              float& diffuseCoef) {
  if (!ls.on) return false;
  const Color lit = ls.color * ls.intens * globalLightLevel;
  if (ls.ambientOnly) {
    color = lit;
    dir = normal;
    dotNL = diffuseCoef = 1.0f;
    return true;
  }
  const Point3 p = sc.P();
  float share = 1.0f;
  if (ls.type == DIRECT_LGT) {
    dir = lightDirCam_;
  } else {
    dir = Normalize(lightPos - p);
    if (ls.type == SPOT_LGT) share = SpotFactor(ls, p * camToLight);
  }
  if (!(share > 0.0f) || dir == Point3()) return false;
  color = lit * share;
  dotNL = diffuseCoef = DotProd(normal, dir);
  return dotNL > 0.0f;
}

}  // namespace host
