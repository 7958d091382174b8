// How `penwright render` shows the renderer's progress on stderr.
//
// The renderer reports nested captions ("Illustrating (40%)  ->  Box") and a
// percentage of the innermost one. On a terminal they become one line that
// is redrawn in place; into a pipe or a log file, one line per stage as it
// starts, never the same line twice in a row; with --quiet, nothing. In
// every style the reporter answers the renderer's progress calls with
// "cancel" once the user asked to stop.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "host/render_api/rendering.h"

namespace pw::cli {

enum class ProgressStyle { Bar, Lines, Silent };

ProgressStyle ChooseProgressStyle(bool quiet, bool toTerminal);

// The outermost caption of a nested one: "Illustrating (40%)  ->  Box"
// gives "Illustrating"; a caption without nesting is returned as it is.
std::string_view StageOfTitle(std::string_view title);

// Columns the UTF-8 text takes, counting one per character.
int DisplayWidth(std::string_view text);
// The text cut to at most `width` columns, ending in "..." when cut; a cut
// never splits a UTF-8 character.
std::string FitToWidth(std::string_view text, int width);

// "[2/10] " for frame index 1 of 10, "" for a single frame.
std::string FrameCounterText(int frameIndex, int frameCount);

// The bar line for a terminal `columns` wide: frame counter, caption, bar and
// percentage, never wider than columns - 1 (a line filling the last column
// wraps on many terminals). The caption gives way first, then the bar.
std::string FormatBarLine(std::string_view title, int percent, int frameIndex, int frameCount, int columns);

// Percent done, 0..100, for the renderer's done/total pair (nonsense totals give 0).
int PercentOf(int done, int total);

class CliProgress : public host::RendProgressCallback {
 public:
  using Writer = std::function<void(std::string_view text)>;
  using CancelQuery = std::function<bool()>;

  CliProgress(ProgressStyle style, Writer write, CancelQuery cancelRequested, int columns = 80);

  // Which frame of how many is being rendered (index from 0).
  void SetFrame(int index, int count);

  void SetTitle(const char* title) override;
  // Answers 0 (cancel) once cancelRequested says so.
  int Progress(int done, int total) override;

  // Wipes the bar off the terminal line, so that whatever is printed next
  // starts on a clean line. The next report draws it again.
  void Clear();

  // Whether a Progress call answered "cancel".
  bool CancelAnswered() const { return cancelAnswered_; }

 private:
  void Draw();

  ProgressStyle style_;
  Writer write_;
  CancelQuery cancelRequested_;
  int columns_;
  int frameIndex_ = 0;
  int frameCount_ = 1;
  std::string title_;
  int percent_ = 0;
  std::string shownLine_;   // what the terminal line holds now (Bar)
  int shownWidth_ = 0;
  std::string lastStageLine_;  // the last line printed (Lines)
  bool cancelAnswered_ = false;
};

// The width of the terminal behind the file descriptor; `fallback` when it
// is no terminal or does not say.
int TerminalColumns(int fd, int fallback = 80);

}  // namespace pw::cli
