// The object that keeps a scene's art-material library in the scene: a
// helper whose only reference is the library, shown by a hidden node named
// "Penwright! Art Materials" among the root's children. Saving the scene
// saves the library through it; loading the scene brings both back.
//
// While any holder exists the plug-in's guard against deleting the holder
// node by accident is in place (DeleteSelectedNodes), and deleting a style
// moves the nodes assigned to it to the default style (style_assignment.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/scene/node.h"
#include "host/scene/object_base.h"
#include "library/object_library.h"

namespace pw {

inline constexpr const char* PW_HOLDER_NODE_NAME = "Penwright! Art Materials";

class PwObjLibHolder : public host::HelperObject {
 public:
  static constexpr int LIBRARY_REF = 0;
  // The holder's own chunks: a 16-bit format version, then the id its
  // library had when saved (what the scene's node assignments name).
  static constexpr std::uint16_t CHUNK_VERSION = 100;
  static constexpr std::uint16_t CHUNK_LIBRARY_ID = 101;
  static constexpr std::uint16_t FORMAT_VERSION = 1;

  // What the class descriptor creates. A fresh holder (loading false) makes
  // a fresh library with its defaults and presets, which becomes the
  // current library; a loading holder gets its library from the file.
  static PwObjLibHolder* Create(bool loading);

  ~PwObjLibHolder() override;

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "PwObjLibHolder"; }
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override { return i == LIBRARY_REF ? library_ : nullptr; }

  // The library, or null (a damaged file put something else in the slot, or
  // nothing).
  PwObjectLibrary* GetLibrary() const;
  void SetLibrary(PwObjectLibrary* library) { ReplaceReference(LIBRARY_REF, library); }

  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;

  // The library id the scene's assignments were written with, when it
  // differs from the library's id now: a scene read while a copy of it was
  // open gets its library renumbered, and its nodes must follow (done by
  // GetCurrentLibrary). 0 when nothing is to be done.
  std::uint32_t StaleLibraryId() const;
  void ClearStaleLibraryId() { savedLibraryId_ = 0; }

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  PwObjLibHolder();
  host::ReferenceTarget* library_ = nullptr;
  std::uint32_t savedLibraryId_ = 0;  // as read from the file
};

// Holders alive in the process.
int LivingHolderCount();
// True while the guard against deleting the holder node is registered: from
// the moment the first holder is made until the last one is gone.
bool HolderDeleteHandlerRegistered();

// The tops of the node trees (scene roots) in which a holder node holds
// this library, each once.
std::vector<host::INode*> SceneRootsHoldingLibrary(const PwObjectLibrary& library);

// The holder object a node shows, or null.
PwObjLibHolder* HolderOfNode(const host::INode* node);

// The holder node of the current library: the first child of `root` whose
// object is a holder holding the current library; null when there is none.
host::INode* FindHolderNode(host::INode* root);

// Makes a holder through the class registry (and so a new library, which
// becomes current) with a node for it under `root`: hidden, not renderable,
// named PW_HOLDER_NODE_NAME. Null when root is null or nothing can be made.
host::INode* CreateHolderNode(host::INode* root);

// The library of the scene under `root`, made on demand.
// - The holder node of the current library, when the scene has one.
// - Else a library the scene holds already becomes current: one process may
//   hold several scenes (a render and a file being read, a test and its
//   copy), and the scene asked about must never be given another scene's
//   library, whose nodes and styles it would not save.
// - Else a new holder node is made (CreateHolderNode).
// Assignments naming the scene's library by a stale id are brought up to
// date on the way (PwObjLibHolder::StaleLibraryId).
// Null only when root is null or the holder class cannot be made.
PwObjectLibrary* GetCurrentLibrary(host::INode* root);

// The host's "delete the selection" for the scene under `root`: every
// selected node below root is deleted (its children move to the root,
// keeping their place in the world). While the guard is registered and the
// current library's holder node is among them, the user is asked first
// ("Deleting the Penwright! object will delete all the art materials. No
// undo.\nDo you want to delete it?", No when nobody can answer); on no the
// holder node stays and only the others go. Answers how many nodes were
// deleted.
int DeleteSelectedNodes(host::INode* root);

// Plugs the holder's factory into the plug-in's class table and registers
// its descriptor with the host's class registry. Safe to call more than
// once; false when the class table lacks the class.
bool RegisterLibraryHolderClass();

}  // namespace pw
