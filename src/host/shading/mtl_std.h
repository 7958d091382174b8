// The Standard material: a shader (Blinn unless another is plugged in) for
// the colours and highlights, plus opacity, two-sidedness and twelve map
// slots addressed by standard map id (ID_AM ... ID_DP), each with an on/off
// switch and an amount.
//
// The colours, glossiness and specular level belong to the shader, so a
// shader that is plugged in shows the same colours (it takes them over with
// CopyStdParams). Colour queries answer at the time of the last Update.
#pragma once

#include <array>
#include <string>

#include "host/shading/mtl.h"
#include "host/shading/mtl_shader.h"
#include "host/core/scene_class_ids.h"

namespace host {

class StdMat : public Mtl {
 public:
  // With a Blinn shader; withShader false leaves the slot empty (for loading).
  explicit StdMat(bool withShader = true);

  Class_ID ClassID() const override { return STD_MAT_CLASS_ID; }
  std::string GetClassName() const override { return "Standard"; }

  // ---- Shader ----------------------------------------------------------------
  Shader* GetShader() const;
  // Plugs in a shader, which first takes over the current shader's standard
  // parameters. False (nothing changed) for null.
  bool SetShader(Shader* shader);

  // ---- Colours and values ----------------------------------------------------
  Color GetAmbient(int mtlNum = 0, bool backFace = false) override;
  Color GetDiffuse(int mtlNum = 0, bool backFace = false) override;
  Color GetSpecular(int mtlNum = 0, bool backFace = false) override;
  float GetShininess(int mtlNum = 0, bool backFace = false) override;  // the shader's glossiness
  float GetShinStr(int mtlNum = 0, bool backFace = false) override;    // its specular level
  float GetXParency(int mtlNum = 0, bool backFace = false) override;   // 1 - opacity
  float WireSize(int mtlNum = 0, bool backFace = false) override;
  void SetAmbient(const Color& c, TimeValue t) override;
  void SetDiffuse(const Color& c, TimeValue t) override;
  void SetSpecular(const Color& c, TimeValue t) override;
  void SetShininess(float v, TimeValue t) override;
  void SetShinStr(float v, TimeValue t);

  float GetOpacity(TimeValue /*t*/) const { return opacity_; }
  void SetOpacity(float v, TimeValue t);  // clamped to 0..1
  bool GetTwoSided() const { return twoSided_; }
  void SetTwoSided(bool on);
  void SetWire(bool on);
  void SetFaceted(bool on);
  // The ambient channel takes the diffuse map (the shader's lock).
  bool GetLockADTex() const;
  void SetLockADTex(bool on);

  // ---- Maps (slot = standard map id) -------------------------------------------
  int NumSubTexmaps() override { return NUM_STD_MAPS; }
  Texmap* GetSubTexmap(int id) override;
  bool SetSubTexmap(int id, Texmap* map) override;
  std::string GetSubTexmapSlotName(int id) override;
  // A slot is on when it holds a map and its switch is on.
  bool SubTexmapOn(int id) override;
  bool MapEnabled(int id) const;
  void EnableMap(int id, bool on);
  float GetTexmapAmt(int id, TimeValue t) const;
  void SetTexmapAmt(int id, float amount, TimeValue t);

  // ---- Rendering ---------------------------------------------------------------
  void Update(TimeValue t, Interval& valid) override;
  void Reset() override;
  std::uint32_t Requirements(int subMtlNum) override;
  void MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) override;
  void LoadMapFiles(TimeValue t) override;
  // With maps on: colour maps are laid over their channels (premultiplied
  // colour over the channel, then mixed in by the amount), mono maps move
  // their channel towards the map's value by the amount, the bump map tilts
  // the normal (restored afterwards), the reflection and refraction maps add
  // to the result. Then the shader lights the point.
  void Shade(ShadeContext& sc) override;

  // ---- Reference target ----------------------------------------------------------
  int NumRefs() override { return 1 + NUM_STD_MAPS; }
  ReferenceTarget* GetReference(int i) override;
  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 protected:
  void SetReference(int i, ReferenceTarget* target) override;

 private:
  class LoadFixup;
  void Changed() { NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE); }
  static bool ValidId(int id) { return id >= 0 && id < NUM_STD_MAPS; }
  // The map feeding standard id `id`, honouring the ambient-diffuse map lock.
  Texmap* MapFor(int id, float* amount);

  ReferenceTarget* shader_ = nullptr;
  std::array<ReferenceTarget*, NUM_STD_MAPS> maps_{};
  // The same as typed, found once when linked: shading asks for them per pixel.
  Shader* shaderTyped_ = nullptr;
  std::array<Texmap*, NUM_STD_MAPS> mapsTyped_{};
  std::array<bool, NUM_STD_MAPS> mapOn_{};
  std::array<float, NUM_STD_MAPS> mapAmount_{};
  float opacity_ = 1.0f;
  bool twoSided_ = false;
  bool wire_ = false;
  bool faceted_ = false;
  float wireSize_ = 1.0f;
  Color filter_{0.5f, 0.5f, 0.5f};
  float ior_ = 1.5f;
  TimeValue curTime_ = 0;
};

}  // namespace host
