#include "vector/vector_format_ai.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "vector/vector_number.h"

namespace pw {

namespace {

const PwVectorFormatParamsAI kDefaults;

// Spacing of the gaps relative to the width: thin lines need relatively
// longer gaps for the dashes to stay apart.
double GapFactor(double w) {
  if (w <= 0.5) return 0.5;
  if (w <= 0.75) return 0.75;
  if (w <= 0.9) return 0.8;
  if (w <= 1.0) return 0.9;
  if (w <= 4.0) return 0.3;
  if (w <= 9.0) return 0.2;
  return 0.1;
}

std::string BuildDashArray(std::uint32_t mask, double w) {
  int j = 0;
  while (!(mask >> j & 1u)) ++j;
  const double s = GapFactor(w);
  std::string text = "\r[";
  char number[kFixed6Room];
  int run = 0;
  bool bit = true;
  for (int i = 0; i < 32; ++i) {
    const bool b = (mask >> ((j + i) & 31) & 1u) != 0;
    if (b != bit) {
      text.append(number, FormatFixed6(w + s * w * (run - 1), number));
      text += ' ';
      run = 0;
      bit = b;
    }
    ++run;
  }
  text.append(number, FormatFixed6(w + s * w * (run - 1), number));
  text += "]0 d";
  return text;
}

}  // namespace

PwCMYK ConvertColorAI(PwAIColorMode mode, PwVectorColor color) {
  const double r = color.r / 65535.0, g = color.g / 65535.0, b = color.b / 65535.0;
  PwCMYK out;
  switch (mode) {
    case PwAIColorMode::Print: {
      out.c = 1.0 - r;
      out.m = 1.0 - g;
      out.y = 1.0 - b;
      out.k = std::min({out.c, out.m, out.y});
      if (out.k != 1.0) {
        out.c = (out.c - out.k) / (1.0 - out.k);
        out.m = (out.m - out.k) / (1.0 - out.k);
        out.y = (out.y - out.k) / (1.0 - out.k);
      } else {
        out.c = out.m = out.y = 0.0;
      }
      break;
    }
    case PwAIColorMode::BlackAndWhite:
      out.k = (color.r == 0xFFFF && color.g == 0xFFFF && color.b == 0xFFFF) ? 0.0 : 1.0;
      break;
    case PwAIColorMode::Grayscale: out.k = 1.0 - (0.3 * r + 0.59 * g + 0.11 * b); break;
  }
  return out;
}

const std::string& DashArrayAI(std::int32_t mask, float width) {
  static const std::string kNone;
  if (mask == 0) return kNone;
  static std::mutex lock;
  static std::map<std::pair<std::int32_t, float>, std::string> cache;
  std::lock_guard<std::mutex> hold(lock);
  auto [it, fresh] = cache.try_emplace({mask, width});
  if (fresh) it->second = BuildDashArray(static_cast<std::uint32_t>(mask), width);
  return it->second;
}

const PwVectorFormatParamsAI& PwVectorFormatAI::Options() const {
  const auto* p = dynamic_cast<const PwVectorFormatParamsAI*>(params.get());
  return p ? *p : kDefaults;
}

void PwVectorFormatAI::SetParameters(const PwVectorFormatParams& record) {
  PwVectorFormat::SetParameters(record);
  mode_ = Options().ColorMode();
}

void PwVectorFormatAI::BeginSequence() {
  PwVectorFormat::BeginSequence();
  mode_ = Options().ColorMode();
  backgroundColor = PwVectorColor{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
}

void PwVectorFormatAI::PutColor(const char* op, PwVectorColor color) {
  const PwCMYK k = ConvertColorAI(mode_, color);
  out.Printf("\r%f %f %f %f %s", k.c, k.m, k.y, k.k, op);
}

bool PwVectorFormatAI::WriteHeader() {
  const PwVectorFormatParamsAI& o = Options();
  out.Put("%!PS-Adobe-3.0");
  char title[128];
  std::snprintf(title, sizeof title, "%s %d.%02d %s", "Penwright!", 5, 70, "");
  out.Printf("\r%%%%Creator: (%s Renderer)", title);
  const std::string base = std::filesystem::path(fileName).filename().string();
  out.Printf("\r%%%%Title: (%s)", base.c_str());
  const bool bw = (o.lines && o.paths) || mode_ == PwAIColorMode::BlackAndWhite;
  out.Printf("\r%%%%ColorUsage: %s", bw ? "Black&White" : "Color");
  out.Put("\r%%DocumentProcSets: Adobe_Illustrator_1.1 0 0");
  out.Printf("\r%%%%BoundingBox: %d %d %d %d", static_cast<int>(bounds[0]), static_cast<int>(bounds[1]),
             static_cast<int>(bounds[2]), static_cast<int>(bounds[3]));
  out.Printf("\r%%%%HiResBoundingBox: %f %f %f %f", bounds[0], bounds[1], bounds[2], bounds[3]);
  out.Printf("\r%%AI3_Cropmarks: %f %f %f %f", bounds[0], bounds[1], bounds[2], bounds[3]);
  out.Put(
      "\r%%DocumentPreview: None\r%%EndComments\r%%EndProlog\r%%BeginSetup\rAdobe_Illustrator_1.1 "
      "begin\rn\r%%EndSetup");
  out.Put("\r0 i 0 J 0 j 1 w 4 M []0 d");
  if (o.lines) {
    if (o.paths) {
      out.Put("\r[]0 d 0.0 0.0 0.0 1.0 K 1.0 w");
    } else {
      if (o.lineStyles) out.Put("\r[]0 d");
      PutColor("K", strokeColor);
      out.Printf("\r%f w", lineWidth);
    }
  }
  if (o.surface) PutColor("k", fillColor);
  return !out.Failed();
}

bool PwVectorFormatAI::WriteTrailer() {
  out.Put("\r%%Trailer\r%%EOF");
  return !out.Failed();
}

bool PwVectorFormatAI::GroupObjects() const {
  const PwVectorFormatParamsAI& o = Options();
  return o.lines && o.surface && o.groupTogether;
}

void PwVectorFormatAI::BeginObject(const PwVectorObject&) {
  if (outputOn && GroupObjects()) out.Put("\ru");
}
void PwVectorFormatAI::EndObject() {
  if (outputOn && GroupObjects()) out.Put("\rU");
}
void PwVectorFormatAI::BeginSurfaces() {
  if (outputOn && Options().surface && Options().groupSurface) out.Put("\ru");
}
void PwVectorFormatAI::EndSurfaces() {
  if (outputOn && Options().surface && Options().groupSurface) out.Put("\rU");
}
void PwVectorFormatAI::BeginLines() {
  if (outputOn && Options().lines && Options().groupLines) out.Put("\ru");
}
void PwVectorFormatAI::EndLines() {
  if (outputOn && Options().lines && Options().groupLines) out.Put("\rU");
}

void PwVectorFormatAI::DrawPolygon(const PwVectorPolygon& polygon) {
  if (polygon.points.empty()) return;
  const PwVectorFormatParamsAI& o = Options();
  const float h = bounds[3];
  if (outputOn) {
    if (!(fillColor == lastFillColor)) PutColor("k", fillColor);
    if (o.overfill) {
      // The outline in the fill's own colour closes the hairline gaps
      // between neighbouring polygons; the stroke state follows so that
      // later segments restate what they need.
      if (!(strokeColor == fillColor)) {
        strokeColor = lastStrokeColor = fillColor;
        PutColor("K", strokeColor);
      }
      if (dashPattern != -1) {
        dashPattern = lastDashPattern = -1;
        out.Put("\r[]0 d");
      }
      if (lineWidth != 0.5f) {
        lineWidth = lastLineWidth = 0.5f;
        out.Put("\r0.5 w");
      }
    }
    const PwVectorPoint& p0 = polygon.points[0];
    out.Printf("\r%f %f m", p0.x, h - p0.y);
    for (std::size_t i = 1; i < polygon.points.size(); ++i)
      out.Printf("\r%f %f L", polygon.points[i].x, h - polygon.points[i].y);
    out.Printf("\r%f %f L", p0.x, h - p0.y);
    out.Printf("\r%s", o.overfill ? "b" : "f");
  }
  PreviewFillPolygon(polygon, fillColor);
}

void PwVectorFormatAI::DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1) {
  const PwVectorFormatParamsAI& o = Options();
  const float h = bounds[3];
  if (o.paths) {
    if (outputOn) out.Printf("\r%f %f m %f %f L N", p0.x, h - p0.y, p1.x, h - p1.y);
    PreviewDrawLine(p0, p1, 1.0f, -1, strokeColor);
    return;
  }
  // A mask without set bits draws nothing, in the file as on screen.
  if (dashPattern == 0) return;
  if (outputOn) {
    if (o.lineWidths && lineWidth != lastLineWidth) out.Printf("\r%f w", lineWidth);
    // The gaps scale with the width, so a new width restates a dashed pattern.
    const bool dashChanged =
        dashPattern != lastDashPattern || (dashPattern != -1 && lineWidth != lastLineWidth);
    if (o.lineStyles && dashChanged) {
      if (dashPattern == -1)
        out.Put("\r[]0 d");
      else
        out.Put(DashArrayAI(dashPattern, lineWidth));
    }
    if (!(strokeColor == lastStrokeColor)) PutColor("K", strokeColor);
    out.Printf("\r%f %f m\r%f %f L\rS", p0.x, h - p0.y, p1.x, h - p1.y);
  }
  PreviewDrawLine(p0, p1, o.lineWidths ? lineWidth : 1.0f, o.lineStyles ? dashPattern : -1, strokeColor);
}

}  // namespace pw
