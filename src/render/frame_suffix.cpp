#include "render/frame_suffix.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace pw {

std::int64_t FrameNumber(host::TimeValue t, int ticksPerFrame, int fileNumberBase) {
  if (ticksPerFrame < 1) ticksPerFrame = 1;
  return std::int64_t{t / ticksPerFrame} + fileNumberBase;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::string> AppendFrameNumber(std::string_view path, std::int64_t frame, int width,
                                             bool stripDigits) {
  if (width < 1 || width > kMaxFrameDigits) return std::nullopt;

  // Folder (with its separator, so a root or relative path stays what it was),
  // then name and extension; the extension starts at the file's last dot.
  const std::size_t slash = path.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
  const std::string_view file = path.substr(folder.size());
  if (file.empty()) return std::nullopt;
  const std::size_t dot = file.rfind('.');
  std::string_view name = dot == std::string_view::npos ? file : file.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view() : file.substr(dot);

  if (stripDigits) {
    std::size_t keep = name.size();
    while (keep > 0 && IsDigit(name[keep - 1])) --keep;
    if (keep == 0 && !name.empty()) return std::nullopt;
    name = name.substr(0, keep);
  }

  // Precision pads with zeros and, unlike a zero-padded width, leaves room for
  // the sign of a negative frame.
  char number[kMaxFrameDigits + 8];
  std::snprintf(number, sizeof number, "%.*" PRId64, width, frame);

  std::string out;
  out.reserve(path.size() + sizeof number);
  out.append(folder).append(name).append(number).append(extension);
  return out;
}

bool HasFrameField(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return file.find('#') != std::string_view::npos;
}

std::optional<std::string> FrameFileName(std::string_view path, std::int64_t frame, bool sequence) {
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  if (nameStart >= path.size()) return std::nullopt;
  if (!HasFrameField(path)) {
    if (!sequence) return std::string(path);
    return AppendFrameNumber(path, frame, kFrameDigits);
  }
  std::string out(path.substr(0, nameStart));
  out.reserve(path.size() + kMaxFrameDigits);
  char number[kMaxFrameDigits + 8];
  for (std::size_t i = nameStart; i < path.size();) {
    if (path[i] != '#') {
      out.push_back(path[i++]);
      continue;
    }
    std::size_t run = 0;
    while (i + run < path.size() && path[i + run] == '#') ++run;
    const int width = static_cast<int>(std::min<std::size_t>(run, kMaxFrameDigits));
    std::snprintf(number, sizeof number, "%.*" PRId64, width, frame);
    out.append(number);
    i += run;
  }
  return out;
}

}  // namespace pw
