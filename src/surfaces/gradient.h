// A colour ramp over 0..1 made of keys (PwGradientColor), each held in one
// of up to 100 reference slots. The Toon material owns three.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/core/color.h"
#include "host/refs/reference.h"
#include "surfaces/gradient_color.h"
#include "surfaces/gradient_keys.h"

namespace pw {

// Chunks of a gradient's own data.
inline constexpr std::uint16_t kGradientChunkVersion = 100;   // u16
inline constexpr std::uint16_t kGradientChunkRefCount = 101;  // i32: reference slots in use
inline constexpr std::uint16_t kGradientVersion = 1;

class PwGradient : public host::ReferenceTarget {
 public:
  static constexpr int kMaxKeys = 100;

  // A fresh gradient has one key, white at 0.5; one made for loading has
  // none until the file links them.
  explicit PwGradient(bool loading = false);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Gradient"; }

  // Puts the key into the first empty slot and answers the slot, or -1 when
  // all 100 are in use or key is null; a key refused that nothing else
  // refers to is deleted, so the call always takes care of it.
  int AddKey(PwGradientColor* key);
  // Deletes the key in `slot`; false when the slot is out of range or empty.
  bool RemoveKey(int slot);
  // Keeps only the first existing key (making one when there is none), at
  // position 0.5 in `color`.
  void SetSingleColour(const host::Color& color);

  // Keys that exist; the key in a reference slot (null when empty).
  int KeyCount() const;
  PwGradientColor* KeyInSlot(int slot) const;
  // The key of the sorted table's entry `index` as of the last Update, or null.
  PwGradientColor* KeyAt(int index) const;

  // Rebuilds the sorted key table when the cached validity does not hold t,
  // then narrows valid to it.
  void Update(host::TimeValue t, host::Interval& valid);
  const std::vector<GradientKey>& KeyTable() const { return table_; }
  // The colour at position x (0..1) from the table of the last Update.
  host::Color Evaluate(float x) const { return EvaluateGradient(table_, x); }
  const host::Interval& Validity() const { return validity_; }

  // Slots up to the highest one used, or the saved count while loading.
  int NumRefs() override;
  host::ReferenceTarget* GetReference(int i) override;
  std::string SubAnimName(int i) const;
  host::RefResult NotifyRefChanged(const host::Interval& changeInt, host::ReferenceTarget* target,
                                   host::PartID& partID, host::RefMessage message) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  int UsedSlots() const;  // highest used slot + 1
  void Invalidate() { validity_.SetEmpty(); }

  // As linked: a damaged file may put something other than a key here, which
  // is held (so it is released properly) but never used as a key.
  std::array<host::ReferenceTarget*, kMaxKeys> keys_{};
  int reserved_ = 0;  // slots NumRefs must offer while a key is being put in
  bool loading_ = false;
  int savedCount_ = 0;
  std::vector<GradientKey> table_;
  host::Interval validity_;
};

}  // namespace pw
