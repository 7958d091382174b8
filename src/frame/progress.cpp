#include "frame/progress.h"

#include <algorithm>
#include <cstdio>

namespace pw {

namespace {

// Reports are due once x has moved a whole step; without this slack a step
// of 0.1 would skip 0.3 because 0.3 - 0.2 is a hair below 0.1 in binary.
constexpr double kStepSlack = 1e-9;

int percent(double fraction) { return static_cast<int>(fraction * 100.0); }

}  // namespace

void PwRenderProgress::reset(host::RendProgressCallback* callback) {
  callback_ = callback;
  clearLevels();
  cancelled_ = false;
}

void PwRenderProgress::clearLevels() { depth_ = 0; }

PwRenderProgress::Level* PwRenderProgress::top() {
  if (depth_ <= 0 || depth_ > kMaxLevels) return nullptr;
  return &levels_[static_cast<std::size_t>(depth_ - 1)];
}

std::string PwRenderProgress::shownTitle() const {
  const int shown = std::min(depth_, kMaxLevels);
  if (shown == 0) return "";
  std::string text = levels_[0].title;
  for (int i = 1; i < shown; ++i) {
    const Level& parent = levels_[static_cast<std::size_t>(i - 1)];
    text += " (" + std::to_string(percent(parent.fraction)) + "%)  ->  " + levels_[static_cast<std::size_t>(i)].title;
  }
  return text;
}

void PwRenderProgress::report(int done) {
  if (callback_ && callback_->Progress(done, 100) == 0) cancelled_ = true;
}

int PwRenderProgress::ask(int done, int total) {
  if (!callback_) return 1;
  const int answer = callback_->Progress(done, total);
  if (answer == 0) cancelled_ = true;
  return answer;
}

void PwRenderProgress::push(std::string_view title) {
  ++depth_;
  Level* level = top();
  if (!level) return;
  *level = Level{std::string(title)};
  if (!callback_) return;
  callback_->SetTitle(shownTitle().c_str());
  report(0);
}

void PwRenderProgress::update(double x) {
  Level* level = top();
  if (!level || x - level->lastReported < level->step - kStepSlack) return;
  level->fraction = x;
  level->lastReported = x;
  report(percent(x));
}

void PwRenderProgress::setStep(int stepPercent) {
  if (Level* level = top()) level->step = stepPercent / 100.0;
}

void PwRenderProgress::pop() {
  if (depth_ == 0) return;
  const bool shown = top() != nullptr;
  if (shown) report(100);
  --depth_;
  if (!shown || !callback_) return;
  if (depth_ == 0) {
    callback_->SetTitle("");
    report(0);
    return;
  }
  callback_->SetTitle(shownTitle().c_str());
  report(percent(top()->fraction));
}

}  // namespace pw
