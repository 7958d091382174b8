#include "vector/vector_writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "host/imaging/bitmap.h"
#include "host/services/interface.h"

namespace pw {

PwVectorFormat::PwVectorFormat() = default;

PwVectorFormat::~PwVectorFormat() { DiscardFile(); }

void PwVectorFormat::BeginSequence() { frameIndex = 0; }

bool PwVectorFormat::BeginFrame(bool output, bool previewWanted, bool surfaces, bool lines) {
  outputOn = output;
  previewOn = previewWanted && preview != nullptr;
  surfacesOn = surfaces;
  linesOn = lines;
  if (outputOn && (OneFilePerFrame() || frameIndex == 0 || !FileOpen())) {
    if (!FileOpen()) {
      if (!OpenFile()) {
        host::WarningMessage("Unable to create vector output file \"%s\".\nCheck that the filename and path are valid.",
                             fileName.c_str());
        outputOn = false;
        return false;
      }
      WriteHeader();
    }
  }
  if (previewOn) {
    const int w = std::max(1, static_cast<int>(bounds[2]));
    const int h = std::max(1, static_cast<int>(bounds[3]));
    if (preview->Width() != w || preview->Height() != h) preview->Create(w, h);
    preview->Fill({backgroundColor.r, backgroundColor.g, backgroundColor.b, backgroundColor.a});
  }
  return true;
}

void PwVectorFormat::BeginObject(const PwVectorObject&) {}
void PwVectorFormat::BeginSurfaces() {}
void PwVectorFormat::DrawPolygon(const PwVectorPolygon&) {}
void PwVectorFormat::EndSurfaces() {}
void PwVectorFormat::BeginLines() {}
void PwVectorFormat::DrawSegment(const PwVectorPoint&, const PwVectorPoint&) {}
void PwVectorFormat::EndLines() {}
void PwVectorFormat::EndObject() {}

bool PwVectorFormat::EndFrame() {
  bool ok = true;
  if (outputOn && OneFilePerFrame() && FileOpen()) {
    WriteTrailer();
    if (!CloseFile()) {
      host::WarningText("Error closing vector output file.");
      ok = false;
    }
  }
  // The preview belongs to the frame that drew it.
  preview = nullptr;
  previewOn = false;
  ++frameIndex;
  return ok;
}

bool PwVectorFormat::EndSequence() {
  if (OneFilePerFrame() || !FileOpen()) return true;
  WriteTrailer();
  if (!CloseFile()) {
    host::WarningText("Error closing vector output file.");
    return false;
  }
  return true;
}

void PwVectorFormat::SetParameters(const PwVectorFormatParams& record) { params = record.Clone(); }

bool PwVectorFormat::OpenFile() {
  DiscardFile();
  if (fileName.empty()) return false;
  // A fresh name beside the target: same folder, so the rename at close
  // cannot cross file systems.
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp%d", attempt);
    std::string candidate = fileName + suffix;
    std::error_code ec;
    if (std::filesystem::exists(candidate, ec)) continue;
    std::FILE* f = std::fopen(candidate.c_str(), "wbx");
    if (!f) {
      if (errno == EEXIST) continue;
      return false;
    }
    file_ = f;
    tempName_ = std::move(candidate);
  }
  if (!file_) return false;
  out.Attach(file_);
  return true;
}

bool PwVectorFormat::CloseFile() {
  if (!file_) return true;
  bool ok = out.Flush();
  out.Detach();
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  if (ok) {
    std::error_code ec;
    std::filesystem::rename(tempName_, fileName, ec);
    if (ec) ok = false;
  }
  if (!ok) {
    std::error_code ec;
    std::filesystem::remove(tempName_, ec);
  }
  tempName_.clear();
  return ok;
}

void PwVectorFormat::DiscardFile() {
  if (!file_) return;
  out.Detach();
  std::fclose(file_);
  file_ = nullptr;
  std::error_code ec;
  std::filesystem::remove(tempName_, ec);
  tempName_.clear();
}

void PwVectorFormat::ResetAttributes() {
  strokeColor = lastStrokeColor = PwVectorColor{0, 0, 0, 0xFFFF};
  fillColor = lastFillColor = PwVectorColor{0, 0, 0, 0xFFFF};
  lineWidth = lastLineWidth = 0.0f;
  dashPattern = lastDashPattern = -1;
  dashCell = 1.0f;
}

// ---- Preview drawing ----------------------------------------------------------

namespace {

host::BMM_Color_64 ToPixel(PwVectorColor c) { return {c.r, c.g, c.b, 0xFFFF}; }

void FillSpan(host::Bitmap& bm, int y, float xa, float xb, host::BMM_Color_64 c) {
  if (y < 0 || y >= bm.Height()) return;
  if (xa > xb) std::swap(xa, xb);
  const int x0 = std::max(0, static_cast<int>(std::ceil(xa - 0.5f)));
  const int x1 = std::min(bm.Width() - 1, static_cast<int>(std::ceil(xb - 0.5f)) - 1);
  auto row = bm.Row(y);
  for (int x = x0; x <= x1; ++x) row[static_cast<std::size_t>(x)] = c;
}

// Even-odd scanline fill sampled at pixel centres.
void FillPolygon(host::Bitmap& bm, std::span<const PwVectorPoint> pts, host::BMM_Color_64 c) {
  if (pts.size() < 3) return;
  float ymin = pts[0].y, ymax = pts[0].y;
  for (const auto& p : pts) {
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  const int y0 = std::max(0, static_cast<int>(std::ceil(ymin - 0.5f)));
  const int y1 = std::min(bm.Height() - 1, static_cast<int>(std::ceil(ymax - 0.5f)) - 1);
  float xs[64];
  for (int y = y0; y <= y1; ++y) {
    const float sy = static_cast<float>(y) + 0.5f;
    int n = 0;
    for (std::size_t i = 0; i < pts.size() && n < 64; ++i) {
      const PwVectorPoint& a = pts[i];
      const PwVectorPoint& b = pts[(i + 1) % pts.size()];
      if ((a.y <= sy) == (b.y <= sy)) continue;
      xs[n++] = a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x);
    }
    std::sort(xs, xs + n);
    for (int i = 0; i + 1 < n; i += 2) FillSpan(bm, y, xs[i], xs[i + 1], c);
  }
}

}  // namespace

void PwVectorFormat::PreviewFillPolygon(const PwVectorPolygon& polygon, PwVectorColor color) {
  if (!previewOn || !preview) return;
  FillPolygon(*preview, polygon.points, ToPixel(color));
}

void PwVectorFormat::PreviewDrawLine(const PwVectorPoint& p0, const PwVectorPoint& p1, float width,
                                     std::int32_t pattern, PwVectorColor color) {
  if (!previewOn || !preview || pattern == 0) return;
  const float dx = p1.x - p0.x, dy = p1.y - p0.y;
  const float len = std::sqrt(dx * dx + dy * dy);
  if (!(len > 0.0f)) return;
  const float half = std::max(0.5f, width * 0.5f);
  const float nx = -dy / len * half, ny = dx / len * half;
  const float cell = dashCell > 0.0f ? dashCell : 1.0f;
  // One quad per run of set bits along the segment, the mask repeating every 32 cells.
  auto quad = [&](float t0, float t1) {
    const PwVectorPoint a{p0.x + dx * t0, p0.y + dy * t0, 0}, b{p0.x + dx * t1, p0.y + dy * t1, 0};
    const PwVectorPoint q[4] = {{a.x + nx, a.y + ny, 0}, {b.x + nx, b.y + ny, 0}, {b.x - nx, b.y - ny, 0},
                                {a.x - nx, a.y - ny, 0}};
    FillPolygon(*preview, q, ToPixel(color));
  };
  if (pattern == -1) {
    quad(0.0f, 1.0f);
    return;
  }
  const auto mask = static_cast<std::uint32_t>(pattern);
  int cellIndex = 0;
  for (float s = 0.0f; s < len && cellIndex < 1 << 20; s += cell, ++cellIndex) {
    if (mask >> (cellIndex & 31) & 1u) quad(s / len, std::min(len, s + cell) / len);
  }
}

}  // namespace pw
