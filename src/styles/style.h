// The style art material: what is drawn of every object it is assigned to.
//
// A style decides whether a surface is drawn and with which surface art
// material, which kinds of lines are drawn and in which order, and which
// drawing tools (brush, paint, stroke) draw the visible and the hidden parts
// of each kind. It keeps the decision as a tree of fixed shape, navigated by
// child index, never by label:
//
//   root
//   +- 0 "Surface"           data: the surface; on: the surface is drawn
//   +- 1 "Lines"             on: lines are drawn; priorities: the drawing order
//      +- k (one per LineKind, labelled LineKindLabel(k))
//         +- 0 "Where Visible"   data: drawing tools
//         +- 1 "Where Hidden"    data: drawing tools
//
// The "Angle" item also holds the face-angle range as data. The "Edge IDs"
// and "Contours" items hold N >= 1 numbered sub-items ("ID #1", "Contour #1",
// ...) in place of the two "Where" children, each sub-item with its own two
// "Where" children; contour sub-items hold their contour settings as data.
//
// The tree's items, tools objects, angle range and contour settings belong to
// the style. The surface, brushes, paints and strokes belong to the library
// and are shared by every style that names them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "host/params/paramblock.h"
#include "library/pw_object.h"
#include "styles/line_kind.h"
#include "styles/style_drawing_tools.h"
#include "styles/style_edge_angle.h"
#include "styles/style_line_contour.h"
#include "styles/style_tree_item.h"

namespace pw {

class PwObjectLibrary;
struct StyleLegacyRecord;

// Parameter ids of the block "StyleParameters".
enum StyleParam : host::ParamID {
  STYLE_TREE = 0,
  STYLE_FORCE_ALL_LINES_VISIBLE = 1,
  STYLE_EDGE_SMOOTHING_ON = 2,
  STYLE_EDGE_SMOOTHING_CURVATURE = 3,
  STYLE_EDGE_SMOOTHING_STEPS = 4,
};

// The style's own chunk and the format it writes.
inline constexpr std::uint16_t PW_STYLE_CHUNK_VERSION = 100;
inline constexpr std::uint16_t PW_STYLE_CHUNK_LEGACY_TREE = 103;  // format 3 only
inline constexpr std::uint16_t PW_STYLE_VERSION = 4;

// Children of the root, and of every kind item or sub-item.
inline constexpr int STYLE_ROOT_SURFACE = 0;
inline constexpr int STYLE_ROOT_LINES = 1;
inline constexpr int STYLE_WHERE_VISIBLE = 0;
inline constexpr int STYLE_WHERE_HIDDEN = 1;

// Sub-items of Edge IDs and Contours in a new tree, and the most a style
// holds (one per edge ID the edge ID modifier can give).
inline constexpr int kStyleNewSubItemCount = 5;
inline constexpr int kStyleMaxSubItems = 9999;

// The tools one piece of a line is drawn with; null parts are not drawn.
struct LinePieceTools {
  PwStyleDrawingTools* visible = nullptr;
  PwStyleDrawingTools* hidden = nullptr;
};

// The kinds to draw, in drawing order, each once.
struct LineKindOrder {
  std::array<int, kLineKindCount> kinds{};
  int count = 0;
};

class PwStyle : public PwObject {
 public:
  // A fresh style (loading false) gets the default tree, with the tools of
  // the current library when there is one; a loading style waits for its file.
  explicit PwStyle(bool loading = false);
  ~PwStyle() override;

  // ---- host operations ----
  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Style"; }
  // 1, or the 44 references of a format-3 file while it awaits conversion.
  int NumRefs() override;
  host::ReferenceTarget* GetReference(int i) override;
  // A new style with a copy of the tree (items, switches, labels, order,
  // angle and contour settings) that refers to the same surface, brushes,
  // paints and strokes as this one.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;
  // What editors call reference i: "Parameters" for the block, else "".
  std::string SubAnimName(int i) const { return i == PARAMBLOCK_REF ? "Parameters" : ""; }

  // ---- art-material operations ----
  std::string DisplayClassName() const override { return "Style"; }
  void ResetToDefaults(bool removeAnimation) override;
  int NumExtraSaveChunks() const override { return 4; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;
  // Converts styles of older files to the tree (see style_legacy.cpp).
  void PostLibraryLoaded(PwObjectLibrary& library, host::TimeValue t) override;
  // The default tree, then the settings of the style presets.
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;

  // Builds the default tree: Fold, Crease and Surface Intersection on,
  // visible parts only, every tool and the surface the library's defaults
  // (none without a library). Resets the style's own parameters; with
  // removeAnimation their keys go too, else animated ones keep their keys.
  virtual void BuildDefaultTree(PwObjectLibrary* library, bool removeAnimation);

  // ---- the tree ----
  host::IParamBlock2* Block() const;
  PwStyleTreeItem* GetRootItem() const;
  PwStyleTreeItem* GetSurfaceItem() const;
  PwStyleTreeItem* GetLinesItem() const;

  bool IsSurfaceOn() const;
  void SetSurfaceOn(bool on);
  PwObject* GetSurface() const;
  void SetSurface(PwObject* surface);
  bool AreLinesOn() const;
  void SetLinesOn(bool on);

  // The kind drawn at position 0..9; -1 for a position out of range.
  int GetLineOrder(int position) const;
  // Stores kind at position; false for a position out of range.
  bool SetLineOrder(int kind, int position);
  // The kinds line generation draws, in order: every kind whose item is on,
  // once, at its first position. Kinds an inconsistent order leaves out
  // (two positions naming one kind) follow in kind order, so reordering
  // never changes which kinds are drawn.
  LineKindOrder GetLineKindOrder() const;

  // Child `kind` of "Lines", or its sub-item `sub` when sub is not -1; null
  // when either is out of range.
  PwStyleTreeItem* GetLineKindItem(int kind, int sub = -1) const;
  bool IsLineKindOn(int kind) const;
  // Sub-items of Edge IDs and Contours; 0 for every other kind.
  int GetSubItemCount(int kind) const;
  // Gives Edge IDs or Contours `count` sub-items (at least 1, at most
  // kStyleMaxSubItems), resetting their order; new ones are off except a
  // first one, and draw visible parts with the current library's defaults.
  // Answers the count now held; other kinds are left alone (answer 0).
  int SetSubItemCount(int kind, int count);

  bool GetForceAllLinesVisible() const;
  void SetForceAllLinesVisible(bool on);
  bool GetEdgeSmoothingOn() const;
  void SetEdgeSmoothingOn(bool on);
  float GetEdgeSmoothingCurvature(host::TimeValue t = 0) const;
  void SetEdgeSmoothingCurvature(float v, host::TimeValue t = 0);
  bool IsEdgeSmoothingCurvatureAnimated() const;
  int GetEdgeSmoothingSteps(host::TimeValue t = 0) const;
  void SetEdgeSmoothingSteps(int v, host::TimeValue t = 0);
  bool IsEdgeSmoothingStepsAnimated() const;

  // ---- what the renderer asks ----
  // The surface is on and its kind is not None.
  bool DrawsSurface() const;
  // No line part that is on draws hidden parts (so the object's own surface
  // never needs to be tested for hiding its lines).
  bool OnlyVisibleLinesWanted() const;
  // The tools of the visible and hidden parts of a line of `kind` (sub-item
  // `sub`, or -1): "Where Visible" when on draws the visible parts and, with
  // force-all-lines-visible, the hidden parts too; otherwise "Where Hidden"
  // when on draws the hidden parts.
  LinePieceTools GetLinePieceTools(int kind, int sub = -1) const;
  // The Angle item's range object, and its clamped range at t (the default
  // range without one).
  PwStyleEdgeAngle* GetEdgeAngle() const;
  EdgeAngleRange GetEdgeAngleRange(host::TimeValue t = 0) const;
  // The settings of contour sub-item `sub`, or null.
  PwStyleLineContour* GetLineContour(int sub) const;
  // The Edge IDs sub-item an edge ID belongs to: the ID modulo the sub-item
  // count, never negative; -1 without sub-items.
  int EdgeIdSubItem(int edgeId) const;
  // Whether that sub-item is on.
  bool IsEdgeIdDrawn(int edgeId) const;

  // The record of a format-3 style still awaiting conversion (tests, tools).
  const StyleLegacyRecord* LegacyRecord() const { return legacy_.get(); }

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  friend struct StyleLegacyConverter;
  bool InLegacyLayout() const;
  // Replaces the style's block by a fresh one at its defaults.
  void MakeFreshBlock();
  // One sub-item of Edge IDs or Contours, numbered from index + 1.
  PwStyleTreeItem* NewSubItem(int kind, int index, PwObjectLibrary* library) const;

  std::unique_ptr<StyleLegacyRecord> legacy_;
};

// The descriptor of the style's block.
const host::ParamBlockDesc2& StyleBlockDesc();

}  // namespace pw
