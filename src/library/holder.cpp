#include "library/holder.h"

#include <algorithm>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/refs/class_desc.h"
#include "host/services/interface.h"
#include "library/library_edit.h"
#include "library/library_state.h"
#include "library/style_assignment.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"

namespace pw {

namespace {

struct HolderState {
  std::vector<PwObjLibHolder*> living;
  bool handlerRegistered = false;
  int deleteListener = 0;
};

HolderState& TheHolderState() {
  static HolderState state;
  return state;
}

// The guard comes with the first holder and goes with the last, so a
// process without art materials never pays for it.
void RegisterHandlers() {
  HolderState& s = TheHolderState();
  s.handlerRegistered = true;
  s.deleteListener = AddMaterialDeleteListener(&MoveNodesOffDeletedStyle);
}

void UnregisterHandlers() {
  HolderState& s = TheHolderState();
  s.handlerRegistered = false;
  RemoveMaterialDeleteListener(s.deleteListener);
  s.deleteListener = 0;
}

void CollectSelected(host::INode* node, std::vector<host::INode*>& out) {
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    host::INode* child = node->GetChildNode(i);
    if (!child) continue;
    if (child->Selected()) out.push_back(child);
    CollectSelected(child, out);
  }
}

// Deletes one node; its children stay in the scene under the root.
void DeleteNode(host::INode* root, host::INode* node) {
  while (node->NumberOfChildren() > 0) {
    host::INode* child = node->GetChildNode(node->NumberOfChildren() - 1);
    if (!child || !root->AttachChild(child, true)) break;
  }
  node->DeleteThis();
}

// The holder's library, with the scene's assignments brought up to its id.
PwObjectLibrary* AdoptLibrary(host::INode& root, PwObjLibHolder& holder) {
  PwObjectLibrary* lib = holder.GetLibrary();
  if (const std::uint32_t stale = holder.StaleLibraryId(); stale != 0) {
    RenameLibraryInAssignments(root, stale, lib->LibraryId());
    holder.ClearStaleLibraryId();
  }
  return lib;
}

}  // namespace

PwObjLibHolder::PwObjLibHolder() {
  HolderState& s = TheHolderState();
  s.living.push_back(this);
  if (s.living.size() == 1) RegisterHandlers();
}

PwObjLibHolder::~PwObjLibHolder() {
  HolderState& s = TheHolderState();
  std::erase(s.living, this);
  if (s.living.empty()) UnregisterHandlers();
}

PwObjLibHolder* PwObjLibHolder::Create(bool loading) {
  auto* holder = new PwObjLibHolder();
  if (!loading) holder->SetLibrary(PwObjectLibrary::Create(false));
  return holder;
}

host::Class_ID PwObjLibHolder::ClassID() const { return PW_OBJ_LIB_HOLDER_CLASS_ID; }

PwObjectLibrary* PwObjLibHolder::GetLibrary() const { return dynamic_cast<PwObjectLibrary*>(library_); }

void PwObjLibHolder::SetReference(int i, host::ReferenceTarget* target) {
  if (i == LIBRARY_REF) library_ = target;
}

host::IOResult PwObjLibHolder::Save(host::ISave* isave) {
  host::IOResult r = HelperObject::Save(isave);
  if (r != host::IO_OK) return r;
  if ((r = isave->WriteChunk(CHUNK_VERSION, FORMAT_VERSION)) != host::IO_OK) return r;
  const PwObjectLibrary* lib = GetLibrary();
  return isave->WriteChunk(CHUNK_LIBRARY_ID, lib ? lib->LibraryId() : std::uint32_t{0});
}

host::IOResult PwObjLibHolder::Load(host::ILoad* iload) {
  host::IOResult r = HelperObject::Load(iload);
  if (r != host::IO_OK) return r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    if (iload->CurChunkID() == CHUNK_LIBRARY_ID && (r = iload->ReadValue(&savedLibraryId_)) != host::IO_OK) return r;
    if ((r = iload->CloseChunk()) != host::IO_OK) return r;
  }
  return r == host::IO_ERROR ? r : host::IO_OK;
}

std::uint32_t PwObjLibHolder::StaleLibraryId() const {
  const PwObjectLibrary* lib = GetLibrary();
  return lib && savedLibraryId_ != 0 && savedLibraryId_ != lib->LibraryId() && !lib->Loading() ? savedLibraryId_ : 0;
}

int LivingHolderCount() { return static_cast<int>(TheHolderState().living.size()); }

bool HolderDeleteHandlerRegistered() { return TheHolderState().handlerRegistered; }

std::vector<host::INode*> SceneRootsHoldingLibrary(const PwObjectLibrary& library) {
  std::vector<host::INode*> roots;
  for (PwObjLibHolder* holder : TheHolderState().living) {
    if (holder->GetLibrary() != &library) continue;
    for (host::ReferenceMaker* user : holder->Dependents()) {
      auto* node = dynamic_cast<host::INode*>(user);
      if (!node || node->GetObjectRef() != holder) continue;
      host::INode* top = node;
      while (top->GetParentNode()) top = top->GetParentNode();
      if (top != node && std::find(roots.begin(), roots.end(), top) == roots.end()) roots.push_back(top);
    }
  }
  return roots;
}

PwObjLibHolder* HolderOfNode(const host::INode* node) {
  return node ? dynamic_cast<PwObjLibHolder*>(node->GetObjectRef()) : nullptr;
}

host::INode* FindHolderNode(host::INode* root) {
  PwObjectLibrary* current = CurrentLibrary();
  if (!root || !current) return nullptr;
  for (int i = 0; i < root->NumberOfChildren(); ++i) {
    host::INode* child = root->GetChildNode(i);
    if (PwObjLibHolder* holder = HolderOfNode(child); holder && holder->GetLibrary() == current) return child;
  }
  return nullptr;
}

host::INode* CreateHolderNode(host::INode* root) {
  if (!root) return nullptr;
  host::ReferenceTarget* made =
      host::ClassRegistry::Global().Create(host::HELPER_CLASS_ID, PW_OBJ_LIB_HOLDER_CLASS_ID, false);
  auto* holder = dynamic_cast<PwObjLibHolder*>(made);
  if (!holder) {
    if (made) made->DeleteThis();
    // The holder is this module's own class: a program that never plugged
    // its factory in still gets one.
    holder = PwObjLibHolder::Create(false);
  }
  auto* node = new host::INode(PW_HOLDER_NODE_NAME);
  node->SetObjectRef(holder);
  // Nobody should see, render or pick the holder by chance.
  node->Hide(true);
  node->SetRenderable(false);
  if (!root->AttachChild(node)) {
    node->DeleteThis();
    return nullptr;
  }
  return node;
}

PwObjectLibrary* GetCurrentLibrary(host::INode* root) {
  if (!root) return nullptr;
  if (host::INode* node = FindHolderNode(root)) return AdoptLibrary(*root, *HolderOfNode(node));
  for (int i = 0; i < root->NumberOfChildren(); ++i) {
    PwObjLibHolder* holder = HolderOfNode(root->GetChildNode(i));
    PwObjectLibrary* lib = holder ? holder->GetLibrary() : nullptr;
    if (!lib || lib->IsTemporary() || lib->Loading()) continue;
    SetCurrentLibraryId(lib->LibraryId());
    PostLibraryMessage(PW_MSG_LIBRARY_CURRENT, lib->LibraryId());
    return AdoptLibrary(*root, *holder);
  }
  host::INode* node = CreateHolderNode(root);
  return node ? HolderOfNode(node)->GetLibrary() : nullptr;
}

int DeleteSelectedNodes(host::INode* root) {
  if (!root) return 0;
  std::vector<host::INode*> selected;
  CollectSelected(root, selected);
  host::INode* holderNode = HolderDeleteHandlerRegistered() ? FindHolderNode(root) : nullptr;
  const bool holderSelected = holderNode && holderNode->Selected();
  int deleted = 0;
  if (holderSelected) {
    if (host::YesNoQuestion(host::Answer::No,
                            "Deleting the Penwright! object will delete all the art materials. No undo.\n"
                            "Do you want to delete it?") == host::Answer::Yes) {
      DeleteNode(root, holderNode);
      ++deleted;
    }
    std::erase(selected, holderNode);
  }
  for (host::INode* node : selected) {
    DeleteNode(root, node);
    ++deleted;
  }
  return deleted;
}

bool RegisterLibraryHolderClass() {
  if (!SetClassFactory(PW_OBJ_LIB_HOLDER_CLASS_ID,
                       [](bool loading) -> host::ReferenceTarget* { return PwObjLibHolder::Create(loading); }))
    return false;
  host::ClassRegistry::Global().Register(FindPluginClass(PW_OBJ_LIB_HOLDER_CLASS_ID));
  return true;
}

}  // namespace pw
