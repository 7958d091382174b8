// Multi/sub-object material: one sub-material per material id. A face with
// material id m uses slot m modulo the number of slots; each slot has a
// name (importers put the source material's name there, and the renderer
// reads its material tags from the slot names).
#pragma once

#include <string>
#include <vector>

#include "host/shading/mtl.h"
#include "host/core/scene_class_ids.h"

namespace host {

class MultiMtl : public Mtl {
 public:
  explicit MultiMtl(int numSlots = 0);

  Class_ID ClassID() const override { return MULTI_MTL_CLASS_ID; }
  std::string GetClassName() const override { return "Multi/Sub-Object"; }

  // ---- Slots -------------------------------------------------------------------
  int NumSubMtls() override { return static_cast<int>(slots_.size()); }
  Mtl* GetSubMtl(int i) override;
  bool SetSubMtl(int i, Mtl* m) override;
  std::string GetSubMtlSlotName(int i) override;
  // Grows with empty unnamed slots or shrinks (releasing the dropped
  // materials). False for a negative count or more than 65536 slots.
  bool SetNumSubMtls(int n);
  // Appends a slot; answers its index, or -1 when the material is full.
  int AddSubMtl(Mtl* m, std::string name);
  // The sub-material used by material id mtlNum (null for an empty slot or
  // a material without slots).
  Mtl* SubMtlFor(int mtlNum);

  // ---- Colours: those of the sub-material for mtlNum ------------------------------
  // An empty slot answers mid grey, opaque, without highlight.
  Color GetAmbient(int mtlNum = 0, bool backFace = false) override;
  Color GetDiffuse(int mtlNum = 0, bool backFace = false) override;
  Color GetSpecular(int mtlNum = 0, bool backFace = false) override;
  float GetShininess(int mtlNum = 0, bool backFace = false) override;
  float GetShinStr(int mtlNum = 0, bool backFace = false) override;
  float GetXParency(int mtlNum = 0, bool backFace = false) override;
  float WireSize(int mtlNum = 0, bool backFace = false) override;
  // The setters set every sub-material's.
  void SetAmbient(const Color& c, TimeValue t) override;
  void SetDiffuse(const Color& c, TimeValue t) override;
  void SetSpecular(const Color& c, TimeValue t) override;
  void SetShininess(float v, TimeValue t) override;

  // ---- Rendering -----------------------------------------------------------------
  void Update(TimeValue t, Interval& valid) override;
  // subMtlNum -1: what any slot requires; else what the slot it selects does.
  std::uint32_t Requirements(int subMtlNum) override;
  void MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) override;
  void Shade(ShadeContext& sc) override;

  // ---- Reference target ---------------------------------------------------------------
  int NumRefs() override { return NumSubMtls(); }
  ReferenceTarget* GetReference(int i) override;
  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

  static constexpr int kMaxSlots = 65536;  // material ids are 16 bits

 protected:
  void SetReference(int i, ReferenceTarget* target) override;

 private:
  struct Slot {
    ReferenceTarget* mtl = nullptr;
    std::string name;
  };
  std::vector<Slot> slots_;
};

}  // namespace host
