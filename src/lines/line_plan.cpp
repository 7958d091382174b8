#include "lines/line_plan.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "host/shading/mtl.h"
#include "styles/stroke.h"
#include "styles/style.h"
#include "surfaces/brush.h"
#include "surfaces/surface.h"
#include "surfaces/mtl_toon.h"

namespace pw {

namespace {

constexpr int kDefaultPriorityBase = 10000;

// Where `tag` ("p=") or its capital form ("P=") starts in name, or npos.
std::size_t FindTag(const std::string& name, const char* lower, const char* upper) {
  const std::size_t a = name.find(lower);
  const std::size_t b = name.find(upper);
  return std::min(a, b);
}

// An integer as atoi reads it: optional sign, then digits; none gives 0.
const char* ReadInt(const char* p, long* value, bool* any) {
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long v = 0;
  *any = false;
  while (std::isdigit(static_cast<unsigned char>(*p))) {
    if (v < 100000000) v = v * 10 + (*p - '0');
    *any = true;
    ++p;
  }
  *value = negative ? -v : v;
  return p;
}

PieceDraw DrawOf(const PwStyleDrawingTools* tools, host::TimeValue t, double resolutionScale) {
  PieceDraw d;
  if (!tools) return d;
  const auto* brush = dynamic_cast<const PwBrush*>(tools->GetBrush());
  const auto* paint = dynamic_cast<const PwPaint*>(tools->GetPaint());
  const auto* stroke = dynamic_cast<const PwStroke*>(tools->GetStroke());
  if (!brush) return d;
  d.width = brush->LineWidth(t, resolutionScale);
  d.worldUnits = brush->GetUnits() == OutputUnit::WorldUnits;
  d.brushShape = static_cast<std::int32_t>(brush->GetShape(t));
  if (stroke) {
    d.pattern = stroke->GetPattern();
    d.patternScale = stroke->GetScale(t);
    d.capping = stroke->GetCapping();
  } else {
    d.pattern = -1;
    d.patternScale = 1.0f;
    d.capping = 1;
  }
  if (paint) {
    d.objectColor = paint->GetUseObjectColor();
    d.source = paint->GetObjectColorSource();
    d.color = paint->GetCustomColor16(t);
    d.brightness = paint->GetBrightness(t);
  }
  d.on = d.width > 0.0;
  return d;
}

KindDraw KindDrawOf(const PwStyle& style, int kind, int sub, host::TimeValue t, double resolutionScale) {
  // The style answers which tools draw each visibility, force-all-visible
  // included: the hidden parts then use the visible tools.
  const LinePieceTools tools = style.GetLinePieceTools(kind, sub);
  return {DrawOf(tools.visible, t, resolutionScale), DrawOf(tools.hidden, t, resolutionScale)};
}

}  // namespace

double ResolutionScale(double width, double height) { return std::hypot(width, height) / 800.0; }

bool ParsePriorityTag(const std::string& name, int* priority) {
  const std::size_t at = FindTag(name, "p=", "P=");
  if (at == std::string::npos) return false;
  long v = 0;
  bool any = false;
  ReadInt(name.c_str() + at + 2, &v, &any);
  *priority = static_cast<int>(v);
  return true;
}

bool ParseExcludedTag(const std::string& name) {
  return name.find("e=y") != std::string::npos || name.find("E=Y") != std::string::npos;
}

bool ParseColorTag(const std::string& name, Color16* color) {
  const std::size_t at = FindTag(name, "c=", "C=");
  if (at == std::string::npos) return false;
  const char* p = name.c_str() + at + 2;
  long rgb[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    bool any = false;
    p = ReadInt(p, &rgb[i], &any);
    if (!any || rgb[i] < 0 || rgb[i] > 255) return false;
    if (i < 2) {
      while (*p == ' ') ++p;
      if (*p != ',') return false;
      ++p;
    }
  }
  *color = {static_cast<std::uint16_t>(rgb[0] * 257), static_cast<std::uint16_t>(rgb[1] * 257),
            static_cast<std::uint16_t>(rgb[2] * 257), 65535};
  return true;
}

void ReadMaterialTags(host::Mtl* mtl, MaterialTags& tags) {
  const int n = mtl ? std::max(0, mtl->NumSubMtls()) : 0;
  tags.count = n;
  tags.priority.assign(static_cast<std::size_t>(n), 0);
  tags.excluded.assign(static_cast<std::size_t>(n), 0);
  tags.hasColor.assign(static_cast<std::size_t>(n), 0);
  tags.color.assign(static_cast<std::size_t>(n), Color16{});
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    tags.priority[k] = i + kDefaultPriorityBase;
    const std::string name = mtl->GetSubMtlSlotName(i);
    if (name.empty()) continue;
    int p = 0;
    if (ParsePriorityTag(name, &p)) tags.priority[k] = p;
    tags.excluded[k] = ParseExcludedTag(name) ? 1 : 0;
    Color16 c;
    if (ParseColorTag(name, &c)) {
      tags.hasColor[k] = 1;
      tags.color[k] = c;
    }
  }
  const int slots = std::max(1, n);
  tags.colors.assign(static_cast<std::size_t>(slots) * 2, MaterialColors{});
  if (!mtl) return;
  for (int i = 0; i < slots; ++i) {
    for (int back = 0; back < 2; ++back) {
      MaterialColors& c = tags.colors[static_cast<std::size_t>(i * 2 + back)];
      c.ambient = mtl->GetAmbient(i, back != 0);
      c.diffuse = mtl->GetDiffuse(i, back != 0);
      c.specular = mtl->GetSpecular(i, back != 0);
    }
  }
}

void PlanStyle(const PwStyle& style, host::TimeValue t, double resolutionScale, LinePlan& plan) {
  const LineKindOrder order = style.GetLineKindOrder();
  plan.order = order.kinds;
  plan.orderCount = order.count;
  for (int k = 0; k < kLineKindCount; ++k) {
    plan.kinds[static_cast<std::size_t>(k)] =
        LineKindHasSubItems(k) ? KindDraw{} : KindDrawOf(style, k, -1, t, resolutionScale);
  }
  const int subs = std::max(0, style.GetSubItemCount(LINE_KIND_EDGE_IDS));
  plan.edgeIdSubOn.assign(static_cast<std::size_t>(subs), 0);
  plan.edgeIdSubs.assign(static_cast<std::size_t>(subs), KindDraw{});
  for (int s = 0; s < subs; ++s) {
    const PwStyleTreeItem* item = style.GetLineKindItem(LINE_KIND_EDGE_IDS, s);
    plan.edgeIdSubOn[static_cast<std::size_t>(s)] = item && item->IsOn() ? 1 : 0;
    plan.edgeIdSubs[static_cast<std::size_t>(s)] = KindDrawOf(style, LINE_KIND_EDGE_IDS, s, t, resolutionScale);
  }
  const int contours = std::max(0, style.GetSubItemCount(LINE_KIND_CONTOURS));
  plan.contourSubOn.assign(static_cast<std::size_t>(contours), 0);
  plan.contourSubs.assign(static_cast<std::size_t>(contours), KindDraw{});
  plan.contours.assign(static_cast<std::size_t>(contours), ContourSettings{});
  for (int s = 0; s < contours; ++s) {
    const auto k = static_cast<std::size_t>(s);
    const PwStyleTreeItem* item = style.GetLineKindItem(LINE_KIND_CONTOURS, s);
    plan.contourSubOn[k] = item && item->IsOn() ? 1 : 0;
    if (!plan.contourSubOn[k]) continue;
    plan.contourSubs[k] = KindDrawOf(style, LINE_KIND_CONTOURS, s, t, resolutionScale);
    plan.contours[k] = ResolveContourSettings(style.GetLineContour(s), t);
  }
  plan.angle = style.GetEdgeAngleRange(t);
  plan.smoothingOn = style.GetEdgeSmoothingOn();
  plan.smoothingCurvature = std::clamp(style.GetEdgeSmoothingCurvature(t), 0.0f, 1.0f);
  plan.smoothingSteps = std::max(1, style.GetEdgeSmoothingSteps(t));
  plan.onlyVisibleWanted = style.OnlyVisibleLinesWanted();
  plan.drawsSurface = style.DrawsSurface();
  plan.resolutionScale = resolutionScale;
}

void PlanObject(const PwStyle& style, host::Mtl* material, const PwRenderInstance& instance,
                const PwFrameContext& frame, LinePlan& plan) {
  // The surface's material decides whether back faces are drawn: the Toon
  // material for a Toon surface, else the object's own.
  plan.surfaceTwoSided = false;
  if (plan.drawsSurface) {
    host::Mtl* used = material;
    if (const auto* surface = dynamic_cast<const PwSurface*>(style.GetSurface());
        surface && surface->GetKind() == SurfaceKind::Toon)
      used = surface->GetToonMaterial();
    plan.surfaceTwoSided = used && (used->Requirements(-1) & host::MTLREQ_2SIDE) != 0;
  }
  plan.twoSided = frame.settings.force2Side || plan.surfaceTwoSided;
  const float v = instance.node ? instance.node->GetVisibility(frame.time) : 1.0f;
  plan.nodeVisibility = std::clamp(std::isnan(v) ? 1.0f : v, 0.0f, 1.0f);
  ReadMaterialTags(material, plan.tags);
}

}  // namespace pw
