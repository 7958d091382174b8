// Everything line generation asks of a style, its art materials, the
// object's material and the settings, resolved once per object at the frame
// time into plain values: the edge and segment loops then read fields,
// never the style tree, parameter blocks or animation tracks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame_context.h"
#include "lines/contour_lines.h"
#include "host/core/time.h"
#include "styles/line_kind.h"
#include "styles/style_edge_angle.h"
#include "surfaces/paint.h"

namespace host {
class Mtl;
}

namespace pw {

class PwStyle;
class PwStyleDrawingTools;

// How one visibility (visible or hidden parts) of one kind is drawn.
struct PieceDraw {
  bool on = false;  // the "Where" item is on and has a brush of non-zero size
  std::int32_t brushShape = 0;
  std::int32_t capping = 0;
  std::int32_t pattern = -1;
  float patternScale = 1.0f;
  // Pixels, resolution scale applied; in world units for a world-unit brush
  // (emission multiplies by the projection scale and divides by depth).
  double width = 0.0;
  bool worldUnits = false;
  // Colour: the paint's own, or one of the object's material colours.
  bool objectColor = false;
  ObjectColorSource source = ObjectColorSource::Diffuse;
  Color16 color{0, 0, 0, 65535};  // the paint's own colour at the frame time
  float brightness = 1.0f;
};

struct KindDraw {
  PieceDraw visible;
  PieceDraw hidden;
  bool anyOn() const { return visible.on || hidden.on; }
};

// The sub-material tables of the object's material slot names.
struct MaterialTags {
  int count = 0;                         // sub-materials (0: none)
  std::vector<int> priority;             // "p=" values, default index + 10000; empty without sub-materials
  std::vector<std::uint8_t> excluded;    // "e=y"
  std::vector<std::uint8_t> hasColor;    // "c=R,G,B"
  std::vector<Color16> color;
  // Material colours per table index and side (index * 2 + back), for paints
  // that take the object's colour.
  std::vector<MaterialColors> colors;

  int Index(int materialId) const { return count > 0 && materialId > 0 ? materialId % count : 0; }
};

// Reads the tags of the slot names of `mtl` (null: no material).
void ReadMaterialTags(host::Mtl* mtl, MaterialTags& tags);

// The parts of a slot name that tag its lines; false/none when absent.
bool ParsePriorityTag(const std::string& name, int* priority);
bool ParseExcludedTag(const std::string& name);
bool ParseColorTag(const std::string& name, Color16* color);

struct LinePlan {
  // Kinds to run, in the style's order; only kinds whose item is on.
  std::array<int, kLineKindCount> order{};
  int orderCount = 0;
  std::array<KindDraw, kLineKindCount> kinds{};
  // Edge IDs: per sub-item, whether it is on and how it is drawn.
  std::vector<std::uint8_t> edgeIdSubOn;
  std::vector<KindDraw> edgeIdSubs;
  // Contours: per sub-item, whether it is on, how it is drawn and its
  // settings at the frame time.
  std::vector<std::uint8_t> contourSubOn;
  std::vector<KindDraw> contourSubs;
  std::vector<ContourSettings> contours;
  EdgeAngleRange angle;
  bool smoothingOn = false;
  float smoothingCurvature = 0.5f;
  int smoothingSteps = 6;
  bool onlyVisibleWanted = false;
  bool drawsSurface = false;
  bool surfaceTwoSided = false;  // the material the surface uses wants both sides

  // Per object.
  bool twoSided = false;
  float nodeVisibility = 1.0f;
  double resolutionScale = 1.0;
  MaterialTags tags;

  const KindDraw& Draw(int kind, int sub) const {
    if (kind == LINE_KIND_EDGE_IDS && sub >= 0 && sub < static_cast<int>(edgeIdSubs.size()))
      return edgeIdSubs[static_cast<std::size_t>(sub)];
    if (kind == LINE_KIND_CONTOURS && sub >= 0 && sub < static_cast<int>(contourSubs.size()))
      return contourSubs[static_cast<std::size_t>(sub)];
    return kinds[static_cast<std::size_t>(kind)];
  }
};

// The style's part of the plan at t: order, switches, drawing tools, angle
// range, smoothing. resolutionScale is hypot(width, height) / 800 of the
// output.
void PlanStyle(const PwStyle& style, host::TimeValue t, double resolutionScale, LinePlan& plan);

// The object's part: material tags and colours, two-sided flag, node
// visibility. `material` is the instance's material (or its stand-in).
void PlanObject(const PwStyle& style, host::Mtl* material, const PwRenderInstance& instance,
                const PwFrameContext& frame, LinePlan& plan);

// hypot(width, height) / 800.
double ResolutionScale(double width, double height);

}  // namespace pw
