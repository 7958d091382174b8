// Which style draws each scene object.
//
// A node is assigned a style through four user properties:
//   Penwright_PropertiesVersion = 1
//   Penwright_StyleObjLibID     = id of the library holding the style, as a
//                                 signed 32-bit integer (ids above 2^31 - 1
//                                 read back negative; both forms are accepted)
//   Penwright_StyleObjID        = the style's slot in that library
//   Penwright_StyleName         = the style's name when it was assigned (for
//                                 people reading the properties; a node that
//                                 has only this property is looked up by it)
// Scenes of an older format carry the assignment instead as application data
// on the node: the fourth little-endian 32-bit value is the style's slot in
// the scene's library.
//
// "The scene's library" below is the library GetCurrentLibrary (holder.h)
// gives for the scene the node is in.
#pragma once

#include <cstdint>
#include <vector>

#include "host/scene/node.h"
#include "library/object_library.h"
#include "plugin/class_ids.h"

namespace pw {

inline constexpr const char* PW_PROP_PROPERTIES_VERSION = "Penwright_PropertiesVersion";
inline constexpr const char* PW_PROP_STYLE_LIBRARY_ID = "Penwright_StyleObjLibID";
inline constexpr const char* PW_PROP_STYLE_SLOT = "Penwright_StyleObjID";
inline constexpr const char* PW_PROP_STYLE_NAME = "Penwright_StyleName";
inline constexpr int PW_PROPERTIES_VERSION = 1;

// Where the older form of the assignment sits among a node's application data.
inline constexpr host::Class_ID PW_STYLE_APPDATA_CLASS_ID = PW_OBJ_LIB_HOLDER_CLASS_ID;
inline constexpr host::SClass_ID PW_STYLE_APPDATA_SUPER_CLASS_ID = host::HELPER_CLASS_ID;
inline constexpr std::uint32_t PW_STYLE_APPDATA_SUB_ID = 0;
inline constexpr int PW_STYLE_APPDATA_SLOT_WORD = 3;  // 0-based: the fourth value

struct StyleAssignment {
  std::uint32_t libraryId = 0;  // 0: no assignment could be read
  int slot = -1;
  bool Valid() const { return libraryId != 0 && slot >= 0; }
  friend bool operator==(const StyleAssignment&, const StyleAssignment&) = default;
};

// True when the material is a style.
bool IsStyle(const PwObject* obj);

// The slot of the library's default style (origin 0, number 5), or -1.
int DefaultStyleSlot(const PwObjectLibrary& library);

// Writes the four properties: version 1, the library's id, the slot and the
// style's name (line breaks in it become blanks, as a property is one line).
// False, writing nothing, when the slot holds no style.
bool AssignStyle(host::INode& node, const PwObjectLibrary& library, int styleSlot);

// The assignment as the renderer reads it:
// - with the version property: the library id and slot properties (invalid
//   when either is missing or not a whole number, or the slot is negative);
// - else, with the older application data: its slot in the scene's library
//   when that slot holds a style, else invalid;
// - else the scene's library's default style.
// With no scene library only the first form can be read.
StyleAssignment ReadStyleAssignment(const host::INode& node, const PwObjectLibrary* sceneLibrary);

// The style that draws the node, never null while the scene's library has
// its default style:
// 1. the assigned style: the slot of the scene's library when the ids match,
//    else of the registered library with that id, when it holds a style;
// 2. else the scene's library's style named by Penwright_StyleName;
// 3. else the style of the older application data;
// 4. else the scene's library's default style.
PwObject* StyleOfNode(const host::INode& node, const PwObjectLibrary& sceneLibrary);

// Nodes below root (root itself excluded), children before their parent.
std::vector<host::INode*> NodesChildrenFirst(host::INode& root);

// True when the node shows geometry (its object as evaluated at time 0 is
// of the geometric-object super class).
bool IsGeometryNode(host::INode& node);

// "Assign Style To Selection": every selected node below root. Answers how
// many were assigned (0 when the slot holds no style).
int AssignStyleToSelection(host::INode& root, const PwObjectLibrary& library, int styleSlot);
// "Assign Style to All": every geometry node below root.
int AssignStyleToAll(host::INode& root, const PwObjectLibrary& library, int styleSlot);
// "Select Objects By Style": clears the selection below root, then selects
// every node whose assignment reads (library id, slot), holder nodes apart
// (they draw nothing). Answers how many are selected.
int SelectObjectsByStyle(host::INode& root, const PwObjectLibrary& library, int styleSlot);
// Every node below root whose assignment reads (library id, fromSlot) is
// assigned the style in toSlot. Answers how many moved.
int ReassignStyle(host::INode& root, const PwObjectLibrary& library, int fromSlot, int toSlot);

// Every node below root whose assignment names library `from` names library
// `to` instead (same slot). Answers how many changed.
int RenameLibraryInAssignments(host::INode& root, std::uint32_t from, std::uint32_t to);

// What the holders install as a listener of DeleteLibraryMaterial
// (library_edit.h): when a style is deleted, the nodes of every scene holding
// that library that are assigned to it move to the default style.
void MoveNodesOffDeletedStyle(PwObjectLibrary& library, int index, PwObject& material);

}  // namespace pw
