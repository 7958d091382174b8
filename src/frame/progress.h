// Nested progress captions of a render run, and the cancel flag.
//
// Stages push a caption while they work and pop it when done; the host is
// shown the captions joined with the parent's percentage, e.g.
// "Illustrating (40%)  ->  Teapot01". Any answer 0 from the host's callback
// cancels the run: the flag stays set until the next frame starts, and
// stages poll it between objects and rows.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "host/render_api/rendering.h"

namespace pw {

class PwRenderProgress {
 public:
  // Deeper levels are counted so that pops still match, but not shown.
  static constexpr int kMaxLevels = 10;
  // Progress is reported at most every 10 % of a level.
  static constexpr double kDefaultStep = 0.1;

  // Sets the callback (null: every operation does nothing), empties the
  // stack silently and clears the cancel flag.
  void reset(host::RendProgressCallback* callback);
  void setCallback(host::RendProgressCallback* callback) { callback_ = callback; }
  host::RendProgressCallback* callback() const { return callback_; }

  void push(std::string_view title);
  // Reports x (0..1) of the top level, once it has moved a step past the
  // last report.
  void update(double x);
  // The top level's reporting step, in percent.
  void setStep(int percent);
  void pop();
  // Passes a progress report of someone else (a light updating) to the
  // host; an answer 0 cancels. Answers 1 without a callback.
  int ask(int done, int total);
  // Drops every level without telling the host.
  void clearLevels();

  bool cancelled() const { return cancelled_; }
  int depth() const { return depth_; }
  // The caption the host was last given for the current stack.
  std::string shownTitle() const;

 private:
  struct Level {
    std::string title;
    double fraction = 0.0;
    double step = kDefaultStep;
    double lastReported = 0.0;
  };

  // Asks the host; an answer 0 cancels.
  void report(int done);
  Level* top();

  host::RendProgressCallback* callback_ = nullptr;
  std::array<Level, kMaxLevels> levels_;
  int depth_ = 0;  // may exceed kMaxLevels; only the first kMaxLevels are kept
  bool cancelled_ = false;
};

}  // namespace pw
