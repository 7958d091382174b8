// The common base of every art material (style, surface, brush, paint,
// stroke, canvas): a named reference target with one parameter block, an
// origin and a number.
//
// Origin and number together identify the materials the library makes
// itself: the defaults (origin 0, number 0..6) and the presets (origin 1,
// number 100 * group + index). User materials have origin 2 and number -1,
// which is also what a newly constructed object gets.
//
// How the library makes defaults and presets. It creates the object through
// the class registry (Create(loading = false), so the object starts with a
// new object's settings), then sets origin, number and name, adds the object
// to the library, and only then calls InitLibraryMaterial(library, origin,
// number). Defaults are made first (numbers 0..6 in order), then presets
// (group by group, numbers in order), each added before the next one is
// created. So when the hook runs, every default and every preset with a lower
// number is already in the library and can be found with
// PwObjectLibrary::Find(origin, number): the default style can point at
// defaults 0, 2, 3 and 4, and a style preset at stroke preset 101 or surface
// preset 302. A preset the user deleted, or one whose class has no factory,
// is not made again (except when an older file is completed): the hook must
// cope with Find answering -1.
//
// ResetLibraryMaterial (library_edit.h) calls the hook again after
// ResetToDefaults on a default or preset, so it gets its settings back.
#pragma once

#include <cstdint>
#include <string>

#include "host/io/chunk_io.h"
#include "host/refs/reference.h"
#include "host/core/time.h"
#include "host/core/types.h"

namespace pw {

class PwObjectLibrary;

// Where an art material comes from.
inline constexpr int PW_ORIGIN_DEFAULT = 0;
inline constexpr int PW_ORIGIN_PRESET = 1;
inline constexpr int PW_ORIGIN_USER = 2;

// Number of materials that are not defaults or presets.
inline constexpr int PW_NUMBER_NONE = -1;

// Format version of the common chunks. Version 1 files had no meaningful
// origin or number: their objects load as user materials.
inline constexpr std::uint16_t PW_OBJECT_VERSION = 2;

// Ids of the common chunks; the classes' own chunks must use other ids.
inline constexpr std::uint16_t PW_OBJECT_CHUNK_VERSION = 0;
inline constexpr std::uint16_t PW_OBJECT_CHUNK_NAME = 1;
inline constexpr std::uint16_t PW_OBJECT_CHUNK_ORIGIN = 2;
inline constexpr std::uint16_t PW_OBJECT_CHUNK_NUMBER = 3;

class PwObject : public host::ReferenceTarget {
 public:
  // Reference 0 is the parameter block (an IParamBlock2 or an older
  // IParamBlock).
  static constexpr int PARAMBLOCK_REF = 0;

  ~PwObject() override = default;

  // ---- host operations ----
  std::string GetClassName() const override { return "PwObject"; }
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override { return i == PARAMBLOCK_REF ? paramBlock_ : nullptr; }
  // The common chunks (version, name, origin, number) after the reference
  // save, then the class's extra chunks 0 .. NumExtraSaveChunks() - 1.
  // Stops at the first failure and returns it.
  host::IOResult Save(host::ISave* isave) override;
  // BeforeLoad, the reference load, then the chunks; ids other than the
  // common ones go to LoadExtraChunk. Stops at the first failing read.
  host::IOResult Load(host::ILoad* iload) override;

  host::ReferenceTarget* GetParamBlock() const { return paramBlock_; }

  // ---- the art-material operations, in slot order ----
  // 1. Kind of preview the editor draws (0: none of its own).
  virtual int GetPreviewKind() const { return 0; }
  // 2. Tells dependents the object changed.
  virtual void NotifyChanged(host::TimeValue t);
  // 3. Editor flags (0: none).
  virtual int GetEditorFlags() const { return 0; }
  // 4./5. The display name. SetName tells dependents (REFMSG_NODE_NAMECHANGE).
  virtual std::string GetName() const { return name_; }
  virtual void SetName(const std::string& name);
  // 6. Back to a new object's settings. The base step freezes every animated
  // parameter of the object's own blocks (not of other art materials it
  // refers to) when removeAnimation is set; classes override, call the base
  // first and then reset their own parameters.
  virtual void ResetToDefaults(bool removeAnimation);
  // 7.-10.
  virtual int GetOrigin() const { return origin_; }
  virtual void SetOrigin(int origin) { origin_ = origin; }
  virtual int GetNumber() const { return number_; }
  virtual void SetNumber(int number) { number_ = number; }
  // 11./12. Whether the editor can show the material on a line preview, and
  // whether it can be given to a style's drawing tools. Canvas and surface
  // answer false.
  virtual bool CanPreviewAsLine() const { return true; }
  virtual bool IsDrawingTool() const { return true; }
  // 13.-15. The class's own chunks. SaveExtraChunk(i) writes whole chunks
  // (BeginChunk/EndChunk included); LoadExtraChunk is called with the ILoad
  // positioned inside an open chunk of that id. Unknown ids answer IO_OK.
  virtual int NumExtraSaveChunks() const { return 0; }
  virtual host::IOResult SaveExtraChunk(host::ISave* /*isave*/, int /*i*/) { return host::IO_OK; }
  virtual host::IOResult LoadExtraChunk(host::ILoad* /*iload*/, std::uint16_t /*chunkId*/) { return host::IO_OK; }
  // 16. Runs first in Load.
  virtual void BeforeLoad() {}
  // 17. Whether the editor may duplicate the material.
  virtual bool CanBeDuplicated() const { return true; }
  // 18. Called by the library after the object was put into slot `index`.
  virtual void OnAddedToLibrary(PwObjectLibrary& /*library*/, int /*index*/) {}
  // 19. Whether the material may be exported to an art-material file.
  virtual bool CanBeExported() const { return true; }
  // 20. After the library that holds the object has finished loading: all
  // of the file is read, every other post-load callback registered while it
  // was read has run, missing defaults and presets are added. Objects are
  // visited in slot order.
  virtual void PostLibraryLoaded(PwObjectLibrary& /*library*/, host::TimeValue /*t*/) {}

  // ---- additions of the stand-alone build ----
  // Applies the settings of default or preset `number` (origin 0 or 1). See
  // the top of this file for when it runs. Does nothing by default.
  virtual void InitLibraryMaterial(PwObjectLibrary& /*library*/, int /*origin*/, int /*number*/) {}
  // The class's name in messages: "Style", "Brush", "Paint", "Stroke",
  // "Surface", "Canvas". By default the display name the plug-in's class
  // table gives the object's class id, else GetClassName().
  virtual std::string DisplayClassName() const;
  // True when any parameter of the object's own blocks is animated (other art
  // materials it refers to do not count).
  virtual bool IsAnimated();

 protected:
  // Only the art-material classes are instantiated, never the base.
  PwObject() = default;

  void SetReference(int i, host::ReferenceTarget* target) override {
    if (i == PARAMBLOCK_REF) paramBlock_ = target;
  }
  // For Clone overrides: copies name, origin and number into `to` and gives
  // it a clone of the parameter block through `remap`.
  void CloneBaseInto(PwObject& to, host::RemapDir& remap);

 private:
  host::ReferenceTarget* paramBlock_ = nullptr;
  std::string name_;
  int origin_ = PW_ORIGIN_USER;
  int number_ = PW_NUMBER_NONE;
};

}  // namespace pw
