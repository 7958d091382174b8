#include "scene_io/art_material_describe.h"

#include <cstdarg>
#include <cstdio>
#include <numbers>

#include "library/art_materials.h"
#include "styles/stroke.h"
#include "styles/stroke_patterns.h"
#include "styles/style.h"
#include "surfaces/brush.h"
#include "surfaces/canvas.h"
#include "surfaces/paint.h"
#include "surfaces/surface.h"

namespace pw {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buf[512];
  std::va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

std::string Rgb(const host::Color& c) { return Format("(%.3g, %.3g, %.3g)", c.r, c.g, c.b); }

// How a style names a material it refers to.
std::string Ref(const PwObjectLibrary& library, const PwObject* obj) {
  if (!obj) return "none";
  const int slot = library.IndexOf(obj);
  if (slot < 0) return "\"" + obj->GetName() + "\" (not in the library)";
  return "\"" + obj->GetName() + "\" #" + std::to_string(slot);
}

std::string Header(int slot, const PwObject& obj) {
  std::string text = obj.DisplayClassName() + " \"" + obj.GetName() + "\"\n";
  text += Format("  slot %d, %s", slot, std::string(OriginName(obj.GetOrigin())).c_str());
  if (obj.GetOrigin() != PW_ORIGIN_USER) text += Format(" %d", obj.GetNumber());
  return text + "\n";
}

void DescribeBrush(const PwBrush& b, std::string& out) {
  const int unit = static_cast<int>(b.GetUnits());
  out += Format("  shape: %s\n", b.GetShape() == BrushShape::Square ? "square" : "circle");
  out += Format("  size: %g %s", b.GetSizeInUnits(0), std::string(OutputUnitWord(unit)).c_str());
  if (b.GetUnits() != OutputUnit::Pixels && b.GetUnits() != OutputUnit::WorldUnits)
    out += Format(" (%g pixels)", b.GetSizePixels(0));
  out += "\n";
  out += Format("  scales with the output resolution: %s\n", OnOff(b.GetScaleRelative()));
}

void DescribePaint(const PwPaint& p, std::string& out) {
  static const char* const kSources[] = {"ambient", "diffuse", "specular"};
  const int source = static_cast<int>(p.GetObjectColorSource());
  out += Format("  colour: %s\n", p.GetUseObjectColor() ? "the object's" : "custom");
  out += Format("  object colour: %s\n", source >= 0 && source < 3 ? kSources[source] : "?");
  out += Format("  custom colour: %s\n", Rgb(p.GetCustomColor(0)).c_str());
  out += Format("  brightness: %g\n", p.GetBrightness(0));
}

void DescribeStroke(const PwStroke& s, std::string& out) {
  const std::int32_t mask = s.GetPattern();
  const StrokePattern* named = GetStrokePattern(FindStrokePattern(mask));
  out += Format("  pattern: 0x%08X%s\n", static_cast<unsigned>(mask),
                named ? (" (" + std::string(named->name) + ")").c_str() : "");
  out += Format("  scale: %g\n", s.GetScale(0));
  out += Format("  capping: %s\n", s.GetCapping() == 0 ? "none" : s.GetCapping() == 1 ? "brush" : "?");
}

void DescribeSurface(const PwSurface& s, std::string& out) {
  out += Format("  kind: %s\n", std::string(SurfaceKindName(static_cast<int>(s.GetKind()))).c_str());
}

void DescribeCanvas(const PwCanvas& c, std::string& out) {
  host::Interval valid = host::FOREVER;
  out += Format("  light colour: %s\n", Rgb(c.GetLightColor(0, valid)).c_str());
  out += Format("  light angle: %g degrees, elevation %g degrees\n", c.GetLightAngle(0, valid) * kDegreesPerRadian,
                c.GetLightElevation(0, valid) * kDegreesPerRadian);
  out += Format("  texture: %s, \"%s\"\n", OnOff(c.GetTextureOn()), c.GetTextureName().c_str());
}

std::string Indent(int depth) { return std::string(static_cast<std::size_t>(2 + 2 * depth), ' '); }

std::string Steps(int n) { return Format("%d step%s", n, n == 1 ? "" : "s"); }

std::string ContourText(const PwStyleLineContour& c) {
  switch (c.GetType()) {
    case LINE_CONTOUR_BY_ANGLE:
      return Format("by angle between %s and %s, %g to %g degrees, %s",
                    std::string(ContourDirAName(c.GetAngleDirA())).c_str(),
                    std::string(ContourDirBName(c.GetAngleDirB())).c_str(), c.GetAngleMin() * kDegreesPerRadian,
                    c.GetAngleMax() * kDegreesPerRadian, Steps(c.GetAngleSteps()).c_str());
    case LINE_CONTOUR_BY_POSITION:
      return Format("by position along %s, %g to %g, %s", std::string(ContourPosAxisName(c.GetPosAxis())).c_str(),
                    c.GetPosMin(), c.GetPosMax(), Steps(c.GetPosSteps()).c_str());
    case LINE_CONTOUR_BY_TEXTURE:
      return Format("by texture coordinate %s of channel %d, %g to %g, %s",
                    std::string(ContourTexAxisName(c.GetTexAxis())).c_str(), c.GetTexChannel(), c.GetTexMin(),
                    c.GetTexMax(), Steps(c.GetTexSteps()).c_str());
    default:
      // A type from a file of a later version, perhaps: such contours draw nothing.
      return Format("type %d, draws nothing", c.GetType());
  }
}

// What an item's data says, after its label.
std::string DataText(const PwObjectLibrary& library, const PwStyleTreeItem& item) {
  host::ReferenceTarget* data = item.GetData();
  if (!data) return "";
  if (auto* tools = dynamic_cast<PwStyleDrawingTools*>(data))
    return ": brush " + Ref(library, tools->GetBrush()) + ", paint " + Ref(library, tools->GetPaint()) + ", stroke " +
           Ref(library, tools->GetStroke());
  if (auto* range = dynamic_cast<PwStyleEdgeAngle*>(data))
    return Format(": %g to %g degrees", range->GetMinAngle() * kDegreesPerRadian,
                  range->GetMaxAngle() * kDegreesPerRadian);
  if (auto* contour = dynamic_cast<PwStyleLineContour*>(data)) return ": " + ContourText(*contour);
  if (auto* surface = dynamic_cast<PwSurface*>(data))
    return ": " + Ref(library, surface) + ", kind " +
           std::string(SurfaceKindName(static_cast<int>(surface->GetKind())));
  if (auto* obj = dynamic_cast<PwObject*>(data)) return ": " + Ref(library, obj);
  return "";
}

void DescribeItem(const PwObjectLibrary& library, const PwStyleTreeItem& item, int depth, std::string& out) {
  out += Indent(depth) + (item.IsOn() ? "[on]  " : "[off] ") + item.GetLabel() + DataText(library, item) + "\n";
  for (int i = 0; i < item.GetChildCount(); ++i)
    if (const PwStyleTreeItem* child = item.GetChild(i)) DescribeItem(library, *child, depth + 1, out);
}

void DescribeStyle(const PwObjectLibrary& library, const PwStyle& s, std::string& out) {
  out += Format("  force all lines visible: %s\n", OnOff(s.GetForceAllLinesVisible()));
  out += Format("  edge smoothing: %s, curvature %g, %s\n", OnOff(s.GetEdgeSmoothingOn()),
                s.GetEdgeSmoothingCurvature(0), Steps(s.GetEdgeSmoothingSteps(0)).c_str());
  std::string order;
  for (int p = 0; p < kLineKindCount; ++p)
    order += (p ? ", " : "") + std::string(IsValidLineKind(s.GetLineOrder(p)) ? LineKindLabel(s.GetLineOrder(p)) : "?");
  out += "  line order: " + order + "\n";
  out += Format("  draws a surface: %s\n", s.DrawsSurface() ? "yes" : "no");
  const PwStyleTreeItem* root = s.GetRootItem();
  if (!root) {
    out += "  (the style has no tree)\n";
    return;
  }
  out += "  tree:\n";
  for (int i = 0; i < root->GetChildCount(); ++i)
    if (const PwStyleTreeItem* child = root->GetChild(i)) DescribeItem(library, *child, 1, out);
}

}  // namespace

std::string_view OutputUnitWord(int unit) {
  static constexpr std::string_view kWords[] = {"pixels", "inches", "millimeters", "centimeters",
                                                "points", "picas",  "worldUnits"};
  return IsValidOutputUnit(unit) ? kWords[unit] : std::string_view();
}

std::string DescribeArtMaterial(const PwObjectLibrary& library, int slot) {
  const PwObject* obj = library.Get(slot);
  if (!obj) return "";
  std::string out = Header(slot, *obj);
  if (auto* brush = dynamic_cast<const PwBrush*>(obj))
    DescribeBrush(*brush, out);
  else if (auto* paint = dynamic_cast<const PwPaint*>(obj))
    DescribePaint(*paint, out);
  else if (auto* stroke = dynamic_cast<const PwStroke*>(obj))
    DescribeStroke(*stroke, out);
  else if (auto* surface = dynamic_cast<const PwSurface*>(obj))
    DescribeSurface(*surface, out);
  else if (auto* canvas = dynamic_cast<const PwCanvas*>(obj))
    DescribeCanvas(*canvas, out);
  else if (auto* style = dynamic_cast<const PwStyle*>(obj))
    DescribeStyle(library, *style, out);
  return out;
}

}  // namespace pw
