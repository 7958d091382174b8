// Nested progress captions, the reporting step and the cancel flag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/progress.h"

namespace {

// Every call, as text: "T:<title>" or "P:<done>".
class Log : public host::RendProgressCallback {
 public:
  std::vector<std::string> calls;
  std::vector<int> answers;  // answers for the next Progress calls (then 1)

  void SetTitle(const char* title) override { calls.push_back(std::string("T:") + title); }
  int Progress(int done, int total) override {
    EXPECT_EQ(total, 100);
    calls.push_back("P:" + std::to_string(done));
    if (answers.empty()) return 1;
    const int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
};

using Calls = std::vector<std::string>;

TEST(RenderProgress, NestedTitlesCarryTheParentsPercent) {
  Log log;
  pw::PwRenderProgress p;
  p.reset(&log);
  p.push("Illustrating");
  p.update(0.42);
  p.push("Teapot");
  p.push("Fold");
  EXPECT_EQ(p.shownTitle(), "Illustrating (42%)  ->  Teapot (0%)  ->  Fold");
  p.pop();
  p.pop();
  p.pop();
  const Calls expected{"T:Illustrating", "P:0",  "P:42",
                       "T:Illustrating (42%)  ->  Teapot", "P:0",
                       "T:Illustrating (42%)  ->  Teapot (0%)  ->  Fold", "P:0",
                       "P:100", "T:Illustrating (42%)  ->  Teapot", "P:0",
                       "P:100", "T:Illustrating", "P:42",
                       "P:100", "T:", "P:0"};
  EXPECT_EQ(log.calls, expected);
  EXPECT_EQ(p.depth(), 0);
  EXPECT_FALSE(p.cancelled());
}

TEST(RenderProgress, ReportsOncePerStep) {
  struct Case {
    int stepPercent;  // 0: the default
    int reports;
  };
  for (const Case& c : {Case{0, 10}, Case{25, 4}, Case{1, 100}, Case{50, 2}}) {
    Log log;
    pw::PwRenderProgress p;
    p.reset(&log);
    p.push("Scene");
    if (c.stepPercent) p.setStep(c.stepPercent);
    log.calls.clear();
    for (int i = 1; i <= 100; ++i) p.update(i / 100.0);
    EXPECT_EQ(static_cast<int>(log.calls.size()), c.reports) << "step " << c.stepPercent;
  }
}

TEST(RenderProgress, CancelStaysUntilReset) {
  Log log;
  pw::PwRenderProgress p;
  p.reset(&log);
  log.answers = {1, 0};
  p.push("A");  // answered 1
  p.push("B");  // answered 0: cancel
  EXPECT_TRUE(p.cancelled());
  p.pop();  // answered 1 now: the cancel must not be forgotten
  p.push("C");
  EXPECT_TRUE(p.cancelled());
  p.reset(&log);
  EXPECT_FALSE(p.cancelled());
  EXPECT_EQ(p.depth(), 0);
}

TEST(RenderProgress, AnyCallCanCancel) {
  enum Op { kUpdate, kPop, kAsk };
  for (Op op : {kUpdate, kPop, kAsk}) {
    Log log;
    pw::PwRenderProgress p;
    p.reset(&log);
    p.push("Scene");
    log.answers = {0};
    if (op == kUpdate) p.update(0.5);
    if (op == kPop) p.pop();
    if (op == kAsk) {
      EXPECT_EQ(p.ask(3, 100), 0);
    }
    EXPECT_TRUE(p.cancelled()) << op;
  }
}

TEST(RenderProgress, StackShowsAtMostTenLevels) {
  Log log;
  pw::PwRenderProgress p;
  p.reset(&log);
  for (int i = 0; i < 12; ++i) p.push("L" + std::to_string(i));
  EXPECT_EQ(p.depth(), 12);
  std::string ten = "L0";
  for (int i = 1; i < 10; ++i) ten += " (0%)  ->  L" + std::to_string(i);
  EXPECT_EQ(p.shownTitle(), ten);
  EXPECT_EQ(log.calls[log.calls.size() - 2], "T:" + ten) << "levels beyond ten are not shown";
  for (int i = 0; i < 12; ++i) p.pop();
  EXPECT_EQ(p.depth(), 0);
  EXPECT_EQ(log.calls[log.calls.size() - 2], "T:");
}

TEST(RenderProgress, WithoutCallbackNothingIsReported) {
  pw::PwRenderProgress p;
  p.reset(nullptr);
  p.push("A");
  p.update(0.5);
  EXPECT_EQ(p.ask(1, 2), 1);
  p.pop();
  p.pop();  // one too many: ignored
  EXPECT_FALSE(p.cancelled());
  EXPECT_EQ(p.depth(), 0);
}

}  // namespace
