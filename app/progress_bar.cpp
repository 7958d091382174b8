#include "progress_bar.h"

#include <algorithm>
#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

#include "interrupt.h"

namespace pw::cli {

namespace {

// How the renderer joins nested captions and shows a parent's percentage.
constexpr std::string_view kNestSeparator = "  ->  ";
constexpr int kBarCells = 20;
// Below this many columns for the caption the bar is dropped: a caption cut
// to a few letters tells the user less than the caption with a percentage.
constexpr int kMinCaptionColumns = 12;
constexpr std::string_view kEllipsis = "...";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// " (40%)" at the end of text, as the renderer appends a parent's percentage.
std::string_view WithoutPercentSuffix(std::string_view text) {
  if (text.size() < 4 || !text.ends_with("%)")) return text;
  std::size_t open = text.rfind(" (");
  if (open == std::string_view::npos) return text;
  std::string_view digits = text.substr(open + 2, text.size() - open - 4);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return text;
  return text.substr(0, open);
}

}  // namespace

ProgressStyle ChooseProgressStyle(bool quiet, bool toTerminal) {
  if (quiet) return ProgressStyle::Silent;
  return toTerminal ? ProgressStyle::Bar : ProgressStyle::Lines;
}

std::string_view StageOfTitle(std::string_view title) {
  const std::size_t sep = title.find(kNestSeparator);
  if (sep == std::string_view::npos) return title;
  return WithoutPercentSuffix(title.substr(0, sep));
}

int DisplayWidth(std::string_view text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

std::string FitToWidth(std::string_view text, int width) {
  if (width <= 0) return {};
  if (DisplayWidth(text) <= width) return std::string(text);
  const int ellipsis = static_cast<int>(kEllipsis.size());
  if (width <= ellipsis) return std::string(kEllipsis.substr(0, static_cast<std::size_t>(width)));
  // Keep width - 3 characters: walk to the first byte of character number keep.
  const int keep = width - ellipsis;
  std::size_t end = 0;
  for (int chars = 0; end < text.size(); ++end) {
    if (!IsContinuationByte(text[end]) && chars++ == keep) break;
  }
  return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

std::string FrameCounterText(int frameIndex, int frameCount) {
  if (frameCount <= 1) return {};
  return "[" + std::to_string(frameIndex + 1) + "/" + std::to_string(frameCount) + "] ";
}

int PercentOf(int done, int total) {
  if (total <= 0 || done <= 0) return 0;
  if (done >= total) return 100;
  return static_cast<int>(static_cast<long long>(done) * 100 / total);
}

std::string FormatBarLine(std::string_view title, int percent, int frameIndex, int frameCount, int columns) {
  percent = std::clamp(percent, 0, 100);
  const std::string counter = FrameCounterText(frameIndex, frameCount);
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", percent);

  const int filled = percent * kBarCells / 100;
  std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(kBarCells - filled), '-') + "] " + number;
  const int usable = columns - 1;
  int room = usable - DisplayWidth(counter) - DisplayWidth(bar) - 1;
  if (room < kMinCaptionColumns) {
    bar = number;
    room = usable - DisplayWidth(counter) - DisplayWidth(bar) - 1;
  }
  std::string line = counter + bar;
  if (!title.empty() && room > 0) line += " " + FitToWidth(title, room);
  return FitToWidth(line, usable);
}

CliProgress::CliProgress(ProgressStyle style, Writer write, CancelQuery cancelRequested, int columns)
    : style_(style), write_(std::move(write)), cancelRequested_(std::move(cancelRequested)), columns_(columns) {}

void CliProgress::SetFrame(int index, int count) {
  frameIndex_ = index;
  frameCount_ = count;
}

void CliProgress::SetTitle(const char* title) {
  title_ = title ? title : "";
  percent_ = 0;
  switch (style_) {
    case ProgressStyle::Silent:
      return;
    case ProgressStyle::Bar:
      // An empty caption means the renderer's stack of stages emptied: the
      // frame is between two stages. The last line stays up until the next
      // stage draws over it; wiping it would only make the line flicker.
      if (!title_.empty()) Draw();
      return;
    case ProgressStyle::Lines: {
      const std::string_view stage = StageOfTitle(title_);
      if (stage.empty()) return;
      std::string line = FrameCounterText(frameIndex_, frameCount_) + std::string(stage);
      if (line == lastStageLine_) return;
      lastStageLine_ = line;
      write_(line + "\n");
      return;
    }
  }
}

int CliProgress::Progress(int done, int total) {
  if (style_ == ProgressStyle::Bar && !title_.empty()) {
    percent_ = PercentOf(done, total);
    Draw();
  }
  if (cancelRequested_ && cancelRequested_()) {
    cancelAnswered_ = true;
    return 0;
  }
  return 1;
}

void CliProgress::Draw() {
  std::string line = FormatBarLine(title_, percent_, frameIndex_, frameCount_, columns_);
  if (line == shownLine_) return;
  const int width = DisplayWidth(line);
  // Overwrite what a longer earlier line left behind.
  std::string text = "\r" + line;
  if (shownWidth_ > width) text.append(static_cast<std::size_t>(shownWidth_ - width), ' ');
  write_(text);
  shownLine_ = std::move(line);
  shownWidth_ = std::max(width, shownWidth_);
  SetLineToWipe(shownWidth_);
}

void CliProgress::Clear() {
  if (style_ != ProgressStyle::Bar || shownWidth_ == 0) return;
  write_("\r" + std::string(static_cast<std::size_t>(shownWidth_), ' ') + "\r");
  shownLine_.clear();
  shownWidth_ = 0;
  SetLineToWipe(0);
}

int TerminalColumns(int fd, int fallback) {
  winsize size{};
  if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return fallback;
}

}  // namespace pw::cli
