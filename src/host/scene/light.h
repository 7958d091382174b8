// Lights: omni (type 0), spot (1) and directional (2). Spots and
// directional lights shine along their local -Z axis; a node with a target
// turns them towards it.
#pragma once

#include <memory>
#include <string>

#include "host/anim/controller.h"
#include "host/scene/object_base.h"
#include "host/render_api/render_interfaces.h"

namespace host {

class LightObject : public Object {
 public:
  SClass_ID SuperClassID() const override { return LIGHT_CLASS_ID; }
  // Fills ls for time t (its tm stays the identity: the node places the
  // light) and narrows valid. False when no state can be given.
  virtual bool EvalLightState(TimeValue t, Interval& valid, LightState* ls) = 0;
  // The light's descriptor for a render run, for the light's node.
  virtual std::unique_ptr<ObjLightDesc> CreateLightDesc(INode* node, bool forceShadowBuffer = false) = 0;
  virtual bool GetUseLight() = 0;  // on/off
  virtual void SetUseLight(bool on) = 0;
};

class GenLight : public LightObject {
 public:
  explicit GenLight(int type = OMNI_LGT);

  Class_ID ClassID() const override { return GEN_LIGHT_CLASS_ID; }
  std::string GetClassName() const override;

  int Type() const { return type_; }
  // OMNI_LGT, SPOT_LGT or DIRECT_LGT; false (unchanged) for anything else.
  bool SetType(int type);
  bool GetUseLight() override { return on_; }
  void SetUseLight(bool on) override;

  // Keyed values.
  void SetRGBColor(TimeValue t, const Color& c) { color_.SetValue(t, c); }
  Color GetRGBColor(TimeValue t) const { return color_.Value(t); }
  void SetIntensity(TimeValue t, float v) { intensity_.SetValue(t, v); }
  float GetIntensity(TimeValue t) const { return intensity_.Value(t); }
  // Full cone angles in degrees. Read back, the falloff lies in 0.1..179.5
  // and the hotspot within 0..falloff.
  void SetHotspot(TimeValue t, float degrees) { hotsize_.SetValue(t, degrees); }
  float GetHotspot(TimeValue t) const;
  void SetFallsize(TimeValue t, float degrees) { fallsize_.SetValue(t, degrees); }
  float GetFallsize(TimeValue t) const;
  // Width / height of a rectangular beam, read back within 0.001..1000.
  void SetAspect(TimeValue t, float aspect) { aspect_.SetValue(t, aspect); }
  float GetAspect(TimeValue t) const;
  void SetSpotShape(int shape) { shape_ = shape == RECT_LIGHT ? RECT_LIGHT : CIRCLE_LIGHT; }
  void SetOvershoot(bool on) { overshoot_ = on; }
  void SetShadow(bool on) { shadow_ = on; }
  void SetAffectDiffuse(bool on) { affectDiffuse_ = on; }
  void SetAffectSpecular(bool on) { affectSpecular_ = on; }
  void SetAmbientOnly(bool on) { ambientOnly_ = on; }

  bool EvalLightState(TimeValue t, Interval& valid, LightState* ls) override;
  std::unique_ptr<ObjLightDesc> CreateLightDesc(INode* node, bool forceShadowBuffer = false) override;

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 private:
  int type_;
  bool on_ = true;
  int shape_ = CIRCLE_LIGHT;
  bool overshoot_ = false;
  bool shadow_ = false;
  bool affectDiffuse_ = true;
  bool affectSpecular_ = true;
  bool ambientOnly_ = false;
  ColorTrack color_{Color(1.0f, 1.0f, 1.0f)};
  FloatTrack intensity_{1.0f};
  FloatTrack hotsize_{43.0f};
  FloatTrack fallsize_{45.0f};
  FloatTrack aspect_{1.0f};
};

// The descriptor of a GenLight: colour × multiplier × global light level,
// no attenuation and no shadows. A spot lights the points within its
// falloff cone (circular or rectangular by its aspect), fully inside the
// hotspot and fading smoothly between the two; a directional light lights
// everything along its axis; an omni light lights everything.
class GenLightDesc : public ObjLightDesc {
 public:
  GenLightDesc(INode* node, GenLight* light) : ObjLightDesc(node), light_(light) {}

  int Update(TimeValue t, const RendContext& rc, RenderGlobalContext* rgc, bool shadows,
             bool shadowGeomChanged) override;
  int UpdateViewDepParams(const Matrix3& worldToCam) override;
  bool Illuminate(ShadeContext& sc, const Point3& normal, Color& color, Point3& dir, float& dotNL,
                  float& diffuseCoef) override;

  // The share of a spot's light reaching a light-space point (0..1).
  static float SpotFactor(const LightState& ls, const Point3& lightSpacePoint);

 private:
  GenLight* light_;     // not owned; the object that made the descriptor
  Point3 lightDirCam_;  // camera space, from a point towards a directional light
};

}  // namespace host
