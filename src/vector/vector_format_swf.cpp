#include "vector/vector_format_swf.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>

#include "frame/progress.h"
#include "host/services/interface.h"

extern char** environ;

namespace pw {

namespace {

const PwVectorFormatParamsSWF kDefaults;

std::uint8_t High(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }

swf::Rgba FillRgba(PwVectorColor c) { return {High(c.r), High(c.g), High(c.b), High(c.a)}; }

// Line colours arrive premultiplied by their alpha; the player wants them straight.
swf::Rgba StrokeRgba(PwVectorColor c) {
  if (c.a == 0xFFFF || c.a == 0) return FillRgba(c);
  auto straight = [a = c.a](std::uint16_t v) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(0xFFFFu, std::uint32_t{v} * 0xFFFFu / a));
  };
  return FillRgba({straight(c.r), straight(c.g), straight(c.b), c.a});
}

}  // namespace

const PwVectorFormatParamsSWF& PwVectorFormatSWF::Options() const {
  const auto* p = dynamic_cast<const PwVectorFormatParamsSWF*>(params.get());
  return p ? *p : kDefaults;
}

void PwVectorFormatSWF::BeginSequence() {
  PwVectorFormat::BeginSequence();
  movieOpen_ = false;
  idsReported_ = false;
  surfaces_ = nullptr;
}

bool PwVectorFormatSWF::BeginFrame(bool output, bool previewWanted, bool surfaces, bool lines) {
  const bool wasOpen = FileOpen();
  const bool ok = PwVectorFormat::BeginFrame(output, previewWanted, surfaces, lines);
  if (outputOn && FileOpen() && !wasOpen) {
    // The stage is the first frame's drawing area; the frame rate the scene's.
    movie_.Begin(bounds[0], bounds[1], bounds[2], bounds[3], frameInfo.framesPerSecond,
                 swf::Rgba{High(backgroundColor.r), High(backgroundColor.g), High(backgroundColor.b), 255});
    movieOpen_ = true;
  }
  if (movieOpen_ && outputOn) movie_.BeginFrame();
  return ok;
}

void PwVectorFormatSWF::BeginObject(const PwVectorObject& object) { surfaces_ = object.surfaces; }

void PwVectorFormatSWF::BeginSurfaces() {
  PwVectorSurfaceSource* source = surfaces_;
  surfaces_ = nullptr;  // one object's surfaces are drawn once
  const bool toMovie = movieOpen_ && outputOn;
  if (!source || !WantsSurfaces() || !(toMovie || previewOn)) return;
  PwRenderProgress* progress = frameInfo.progress;
  if (progress) progress->push("Vectorizing...");
  polygons_.clear();
  if (!source->BuildPolygons(polygons_)) {
    if (progress) progress->pop();
    return;
  }
  // Farthest first; faces of equal depth keep their mesh order, so the
  // same scene always gives the same file.
  std::stable_sort(polygons_.begin(), polygons_.end(),
                   [](const PwVectorPolygonRecord& a, const PwVectorPolygonRecord& b) { return a.depth < b.depth; });
  const std::size_t n = polygons_.size();
  for (std::size_t i = 0; i < n; ++i) {
    const PwVectorPolygonRecord& r = polygons_[i];
    const int count = std::clamp(r.count, 0, PwVectorPolygonRecord::kMaxPoints);
    if (toMovie) {
      points_.clear();
      for (int k = 0; k < count; ++k) points_.push_back({r.points[k].x, r.points[k].y});
      movie_.AddPolygon(FillRgba(r.color), points_);
    }
    PreviewFillPolygon(PwVectorPolygon{std::span<const PwVectorPoint>(r.points, static_cast<std::size_t>(count))},
                       r.color);
    if (progress && (i & 1023) == 1023) progress->update(static_cast<double>(i + 1) / static_cast<double>(n));
  }
  if (toMovie) movie_.EndSurfaces();
  polygons_.clear();
  if (progress) progress->pop();
}

void PwVectorFormatSWF::EndObject() {
  surfaces_ = nullptr;
  polygons_.clear();
}

void PwVectorFormatSWF::DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1) {
  PreviewDrawLine(p0, p1, lineWidth, dashPattern, strokeColor);
  if (!movieOpen_ || !outputOn || dashPattern == 0 || strokeColor.a == 0) return;
  const double dx = static_cast<double>(p1.x) - p0.x, dy = static_cast<double>(p1.y) - p0.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  const swf::Rgba colour = StrokeRgba(strokeColor);
  if (dashPattern == -1 || length == 0.0) {
    movie_.AddLine({p0.x, p0.y}, {p1.x, p1.y}, lineWidth, colour);
    return;
  }
  // The same layout as the raster lines: one cell of the mask is the dash
  // cell long, and the pattern starts afresh on every segment.
  dashes_.clear();
  LayoutDashes(dashPattern, length, dashCell, 1.0f, dashes_);
  for (const DashInterval& d : dashes_) {
    const swf::Point a{static_cast<float>(p0.x + dx * d.start), static_cast<float>(p0.y + dy * d.start)};
    const swf::Point b{static_cast<float>(p0.x + dx * d.end), static_cast<float>(p0.y + dy * d.end)};
    movie_.AddLine(a, b, lineWidth, colour);
  }
}

void PwVectorFormatSWF::EndLines() {
  if (movieOpen_ && outputOn) movie_.EndLines();
}

bool PwVectorFormatSWF::EndFrame() {
  if (movieOpen_ && outputOn) {
    movie_.EndFrame();
    if (movie_.OutOfShapeIds() && !idsReported_) {
      host::WarningText(kSwfOutOfShapeIds);
      idsReported_ = true;
    }
  }
  return PwVectorFormat::EndFrame();
}

bool PwVectorFormatSWF::WriteTrailer() {
  if (!movieOpen_) return true;
  bytes_.clear();
  movie_.Write(bytes_);
  out.Put(std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()));
  std::vector<std::uint8_t>().swap(bytes_);
  return true;
}

bool PwVectorFormatSWF::EndSequence() {
  const bool hadFile = FileOpen();
  const bool ok = PwVectorFormat::EndSequence();
  movieOpen_ = false;
  if (ok && hadFile && Options().openInPlayer) {
    std::string error;
    if (!OpenFileInPlayer(fileName, &error)) host::WarningMessage("Unable to open file in player.\n%s", error.c_str());
  }
  return ok;
}

bool OpenFileInPlayer(const std::string& file, std::string* error) {
  // The opener's complaints go to a scratch file, read back if it fails.
  std::FILE* messages = std::tmpfile();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (messages) posix_spawn_file_actions_adddup2(&actions, fileno(messages), STDERR_FILENO);
  char opener[] = "xdg-open";
  std::string path = file;
  char* argv[] = {opener, path.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, opener, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    if (error) *error = std::string("xdg-open: ") + std::strerror(spawned);
    if (messages) std::fclose(messages);
    return false;
  }
  constexpr auto kWait = std::chrono::seconds(5);
  const auto until = std::chrono::steady_clock::now() + kWait;
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  bool ok = true;
  if (done == pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
    ok = false;
    std::string text;
    if (messages) {
      std::rewind(messages);
      char buf[512];
      const std::size_t n = std::fread(buf, 1, sizeof buf, messages);
      text.assign(buf, n);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    }
    if (text.empty()) {
      text = WIFEXITED(status) ? "xdg-open exited with status " + std::to_string(WEXITSTATUS(status))
                               : std::string("xdg-open was stopped by a signal");
    }
    if (error) *error = text;
  }
  if (messages) std::fclose(messages);
  return ok;
}

}  // namespace pw
