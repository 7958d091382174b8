#include "library/style_assignment.h"

#include <charconv>
#include <limits>
#include <string>

#include "library/holder.h"
#include "library/library_materials.h"
#include "library/library_state.h"

namespace pw {

namespace {

// A library id as a property holds it: the signed 32-bit form written by
// AssignStyle, or the unsigned form another tool may have written.
bool ParseLibraryId(std::string text, std::uint32_t& out) {
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return false;
  text = text.substr(first, last - first + 1);
  if (text.front() == '+') text.erase(0, 1);
  long long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return false;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::uint32_t>::max())
    return false;
  out = static_cast<std::uint32_t>(value);
  return true;
}

// The slot the older application data names, or -1.
int AppDataSlot(const host::INode& node) {
  const host::AppDataChunk* chunk =
      node.GetAppDataChunk(PW_STYLE_APPDATA_CLASS_ID, PW_STYLE_APPDATA_SUPER_CLASS_ID, PW_STYLE_APPDATA_SUB_ID);
  constexpr std::size_t offset = PW_STYLE_APPDATA_SLOT_WORD * sizeof(std::int32_t);
  if (!chunk || chunk->data.size() < offset + sizeof(std::int32_t)) return -1;
  const std::uint8_t* p = chunk->data.data() + offset;
  const auto value =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
  return value;
}

// The assignment of the four properties; invalid when they are incomplete.
StyleAssignment PropertyAssignment(const host::INode& node) {
  StyleAssignment a;
  std::string idText;
  int slot = -1;
  if (!node.GetUserPropString(PW_PROP_STYLE_LIBRARY_ID, idText) || !node.GetUserPropInt(PW_PROP_STYLE_SLOT, slot) ||
      slot < 0)
    return {};
  if (!ParseLibraryId(idText, a.libraryId)) return {};
  a.slot = slot;
  return a;
}

const PwObjectLibrary* LibraryWithId(std::uint32_t id, const PwObjectLibrary& sceneLibrary) {
  if (id == sceneLibrary.LibraryId()) return &sceneLibrary;
  return FindLibraryById(id);
}

PwObject* StyleIn(const PwObjectLibrary* library, int slot) {
  PwObject* obj = library ? library->Get(slot) : nullptr;
  return IsStyle(obj) ? obj : nullptr;
}

void WalkChildrenFirst(host::INode& node, std::vector<host::INode*>& out) {
  for (int i = 0; i < node.NumberOfChildren(); ++i) {
    if (host::INode* child = node.GetChildNode(i)) {
      WalkChildrenFirst(*child, out);
      out.push_back(child);
    }
  }
}

}  // namespace

bool IsStyle(const PwObject* obj) { return obj && obj->ClassID() == PW_STYLE_CLASS_ID; }

int DefaultStyleSlot(const PwObjectLibrary& library) {
  const int slot = library.Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_STYLE);
  return IsStyle(library.Get(slot)) ? slot : -1;
}

bool AssignStyle(host::INode& node, const PwObjectLibrary& library, int styleSlot) {
  const PwObject* style = library.Get(styleSlot);
  if (!IsStyle(style)) return false;
  std::string name = style->GetName();
  for (char& c : name)
    if (c == '\r' || c == '\n') c = ' ';
  node.SetUserPropInt(PW_PROP_PROPERTIES_VERSION, PW_PROPERTIES_VERSION);
  node.SetUserPropInt(PW_PROP_STYLE_LIBRARY_ID, static_cast<std::int32_t>(library.LibraryId()));
  node.SetUserPropInt(PW_PROP_STYLE_SLOT, styleSlot);
  node.SetUserPropString(PW_PROP_STYLE_NAME, name);
  return true;
}

StyleAssignment ReadStyleAssignment(const host::INode& node, const PwObjectLibrary* sceneLibrary) {
  if (node.UserPropExists(PW_PROP_PROPERTIES_VERSION)) return PropertyAssignment(node);
  if (!sceneLibrary) return {};
  if (node.GetAppDataChunk(PW_STYLE_APPDATA_CLASS_ID, PW_STYLE_APPDATA_SUPER_CLASS_ID, PW_STYLE_APPDATA_SUB_ID)) {
    const int slot = AppDataSlot(node);
    if (!StyleIn(sceneLibrary, slot)) return {};
    return {sceneLibrary->LibraryId(), slot};
  }
  const int slot = DefaultStyleSlot(*sceneLibrary);
  if (slot < 0) return {};
  return {sceneLibrary->LibraryId(), slot};
}

PwObject* StyleOfNode(const host::INode& node, const PwObjectLibrary& sceneLibrary) {
  if (node.UserPropExists(PW_PROP_PROPERTIES_VERSION)) {
    const StyleAssignment a = PropertyAssignment(node);
    if (a.Valid())
      if (PwObject* style = StyleIn(LibraryWithId(a.libraryId, sceneLibrary), a.slot)) return style;
  }
  if (std::string name; node.GetUserPropString(PW_PROP_STYLE_NAME, name))
    if (PwObject* style = StyleIn(&sceneLibrary, sceneLibrary.Find(PW_STYLE_CLASS_ID, name))) return style;
  if (PwObject* style = StyleIn(&sceneLibrary, AppDataSlot(node))) return style;
  return StyleIn(&sceneLibrary, DefaultStyleSlot(sceneLibrary));
}

std::vector<host::INode*> NodesChildrenFirst(host::INode& root) {
  std::vector<host::INode*> nodes;
  WalkChildrenFirst(root, nodes);
  return nodes;
}

bool IsGeometryNode(host::INode& node) {
  const host::ObjectState os = node.EvalWorldState(0);
  return os.obj && os.obj->SuperClassID() == host::GEOMOBJECT_CLASS_ID;
}

int AssignStyleToSelection(host::INode& root, const PwObjectLibrary& library, int styleSlot) {
  if (!IsStyle(library.Get(styleSlot))) return 0;
  int assigned = 0;
  for (host::INode* node : NodesChildrenFirst(root))
    if (node->Selected() && AssignStyle(*node, library, styleSlot)) ++assigned;
  return assigned;
}

int AssignStyleToAll(host::INode& root, const PwObjectLibrary& library, int styleSlot) {
  if (!IsStyle(library.Get(styleSlot))) return 0;
  int assigned = 0;
  for (host::INode* node : NodesChildrenFirst(root))
    if (IsGeometryNode(*node) && AssignStyle(*node, library, styleSlot)) ++assigned;
  return assigned;
}

int SelectObjectsByStyle(host::INode& root, const PwObjectLibrary& library, int styleSlot) {
  const StyleAssignment wanted{library.LibraryId(), styleSlot};
  const std::vector<host::INode*> nodes = NodesChildrenFirst(root);
  for (host::INode* node : nodes) node->Select(false);
  int selected = 0;
  for (host::INode* node : nodes) {
    if (!HolderOfNode(node) && ReadStyleAssignment(*node, &library) == wanted) {
      node->Select(true);
      ++selected;
    }
  }
  return selected;
}

int ReassignStyle(host::INode& root, const PwObjectLibrary& library, int fromSlot, int toSlot) {
  if (!IsStyle(library.Get(toSlot))) return 0;
  const StyleAssignment from{library.LibraryId(), fromSlot};
  int moved = 0;
  for (host::INode* node : NodesChildrenFirst(root))
    if (ReadStyleAssignment(*node, &library) == from && AssignStyle(*node, library, toSlot)) ++moved;
  return moved;
}

int RenameLibraryInAssignments(host::INode& root, std::uint32_t from, std::uint32_t to) {
  int changed = 0;
  for (host::INode* node : NodesChildrenFirst(root)) {
    if (!node->UserPropExists(PW_PROP_PROPERTIES_VERSION)) continue;
    const StyleAssignment a = PropertyAssignment(*node);
    if (!a.Valid() || a.libraryId != from) continue;
    node->SetUserPropInt(PW_PROP_STYLE_LIBRARY_ID, static_cast<std::int32_t>(to));
    ++changed;
  }
  return changed;
}

void MoveNodesOffDeletedStyle(PwObjectLibrary& library, int index, PwObject& material) {
  if (!IsStyle(&material)) return;
  const int defaultSlot = DefaultStyleSlot(library);
  if (defaultSlot < 0 || defaultSlot == index) return;
  for (host::INode* root : SceneRootsHoldingLibrary(library)) ReassignStyle(*root, library, index, defaultSlot);
}

}  // namespace pw
