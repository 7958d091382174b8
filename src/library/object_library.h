// The scene's art-material library: a sparse table of references to the art
// materials, with the defaults and presets every library holds.
//
// A material's slot index is its identity within the library: slots are never
// compacted, so indices stored elsewhere (node style assignments) stay valid
// across saves. Empty slots are filled again by later additions.
//
// Libraries are created through the class descriptor (RegisterLibraryClasses
// plugs PwObjectLibrary::Create into it) and destroyed with DeleteThis; every
// existing library is listed in the process state (library_state.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/refs/reference.h"
#include "host/core/types.h"
#include "library/pw_object.h"

namespace pw {

class PwObjectLibrary : public host::ReferenceTarget {
 public:
  static constexpr int GROW_STEP = 10;
  static constexpr std::uint32_t FLAG_TEMPORARY = 1u << 0;
  // Format version 3 libraries hold every default and preset; older ones are
  // completed when they load.
  static constexpr std::uint16_t FORMAT_VERSION = 3;
  static constexpr std::uint16_t CHUNK_VERSION = 100;
  static constexpr std::uint16_t CHUNK_SLOT_COUNT = 102;
  static constexpr std::uint16_t CHUNK_LIBRARY_ID = 103;
  // More slots than any real library holds: a count above it is damage.
  static constexpr int MAX_SLOTS = 1 << 20;

  // What the class descriptor creates. A fresh library (not loading) gets an
  // id, becomes current (unless a file is being merged, which makes it
  // temporary) and is filled with the defaults and presets; a loading one
  // waits for its file.
  static PwObjectLibrary* Create(bool loading);

  ~PwObjectLibrary() override;

  // ---- host operations ----
  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "PwObjectLibrary"; }
  // The number of slots; while loading, the number of slots the file holds.
  int NumRefs() override;
  host::ReferenceTarget* GetReference(int i) override;
  host::RefResult NotifyRefChanged(const host::Interval& changeInt, host::ReferenceTarget* target,
                                   host::PartID& partID, host::RefMessage message) override;
  // Chunks 100 (format version), 102 (slot count: highest used index + 1)
  // and 103 (library id), after the reference save.
  host::IOResult Save(host::ISave* isave) override;
  // Reads the chunks and registers the post-load callback that finishes the
  // library once the whole file is read (see object_library_io.cpp).
  host::IOResult Load(host::ILoad* iload) override;

  // ---- the table ----
  // Stores obj in the first empty slot (growing the table by GROW_STEP when
  // full) and answers the slot; -1 for null or when no slot can be had. An
  // object already in the library keeps its slot.
  int Add(PwObject* obj);
  // Puts obj into slot `index`, releasing what the slot held (which deletes
  // itself when nothing else uses it). False for an index outside the table
  // or an object that already sits in another slot.
  bool ReplaceObject(int index, PwObject* obj);
  // Empties slot `index`. With deleteObject the object is deleted (everything
  // referring to it loses it); otherwise only the library lets go. False
  // when the slot is empty or outside the table.
  bool Remove(int index, bool deleteObject);
  int IndexOf(const host::ReferenceTarget* obj) const;
  // First slot holding a material with this origin and number, or -1.
  int Find(int origin, int number) const;
  // First slot holding a material of this class with exactly this name, or -1.
  int Find(host::Class_ID classId, const std::string& name) const;
  // The slots holding a material with this name, in slot order: the first,
  // then the one after `previous`; -1 at the end.
  int FindFirstByName(const std::string& name) const { return FindNextByName(name, -1); }
  int FindNextByName(const std::string& name, int previous) const;
  // The material in slot index, or null (empty or outside the table).
  PwObject* Get(int index) const;
  // "<class name>: <name>" of the material in slot index; "" for an empty slot.
  std::string SubAnimName(int index) const;

  // Adds every missing default (numbers 0..6) and then every missing preset
  // (group by group, numbers in order); see pw_object.h for the order in
  // which each one is made. Classes without a factory are skipped.
  // Answers how many were added.
  int AddMissingLibraryMaterials();
  // The same for the defaults alone.
  int AddMissingDefaults();

  // ---- state ----
  int Used() const { return used_; }
  int Capacity() const { return static_cast<int>(objects_.size()); }
  // Highest used index + 1: what a save stores.
  int SlotCount() const;
  std::uint32_t Flags() const { return flags_; }
  bool IsTemporary() const { return (flags_ & FLAG_TEMPORARY) != 0; }
  void SetTemporary(bool on) { flags_ = on ? (flags_ | FLAG_TEMPORARY) : (flags_ & ~FLAG_TEMPORARY); }
  std::uint32_t LibraryId() const { return id_; }
  void SetLibraryId(std::uint32_t id) { id_ = id; }
  bool Loading() const { return loading_; }
  int SavedCount() const { return savedCount_; }
  int LoadedVersion() const { return loadedVersion_; }
  // True when this library is registered, not temporary and carries the current id.
  bool IsCurrent() const;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  friend class PwLibraryPostLoad;
  PwObjectLibrary();
  bool IsRegistered() const;
  // Makes one default or preset; false when its class cannot be created.
  bool MakeLibraryMaterial(int origin, int number, host::Class_ID classId, const char* name);
  // The post-load steps, once the whole file is read.
  void FinishLoading();
  void AbandonLoading();

  std::vector<host::ReferenceTarget*> objects_;  // art materials; anything else a damaged file put there is ignored
  int used_ = 0;
  std::uint32_t flags_ = 0;
  std::uint32_t id_ = 0;
  bool loading_ = false;
  bool callbackPending_ = false;
  int savedCount_ = 0;
  int loadedVersion_ = -1;
};

// Plugs the library into the plug-in's class table and registers its
// descriptor with the host's class registry. Safe to call more than once.
bool RegisterLibraryClasses();

}  // namespace pw
