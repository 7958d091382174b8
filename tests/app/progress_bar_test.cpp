#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "progress_bar.h"

using namespace pw::cli;

namespace {

TEST(StageOfTitle, TheOutermostCaption) {
  struct Case {
    const char* title;
    const char* stage;
  };
  const Case cases[] = {
      {"Preparing Scene", "Preparing Scene"},
      {"Illustrating (40%)  ->  Box", "Illustrating"},
      {"Illustrating (100%)  ->  Box (3%)  ->  Lines", "Illustrating"},
      {"Illustrating (0%)  ->  A  ->  B", "Illustrating"},
      // Parentheses that are no percentage belong to the caption.
      {"Stage (draft)  ->  x", "Stage (draft)"},
      {"Stage (4x%)  ->  x", "Stage (4x%)"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StageOfTitle(c.title), c.stage) << c.title;
}

TEST(FitToWidth, CutsWholeCharactersAndSaysSo) {
  struct Case {
    const char* text;
    int width;
    const char* want;
  };
  const Case cases[] = {
      {"abcdef", 6, "abcdef"}, {"abcdef", 5, "ab..."}, {"abcdef", 3, "..."}, {"abcdef", 2, ".."},
      {"abcdef", 0, ""},       {"", 4, ""},
      // Two-byte and three-byte characters count one column each and are never split.
      {"h\xC3\xA9llo w\xC3\xB6rld", 11, "h\xC3\xA9llo w\xC3\xB6rld"},
      {"h\xC3\xA9llo w\xC3\xB6rld", 6, "h\xC3\xA9l..."},
      {"\xE2\x86\x92\xE2\x86\x92\xE2\x86\x92\xE2\x86\x92\xE2\x86\x92", 4, "\xE2\x86\x92..."},
  };
  for (const Case& c : cases) {
    const std::string got = FitToWidth(c.text, c.width);
    EXPECT_EQ(got, c.want) << c.text << " in " << c.width;
    EXPECT_LE(DisplayWidth(got), std::max(c.width, 0));
  }
}

TEST(PercentOf, ClampsAndToleratesNonsense) {
  struct Case {
    int done, total, want;
  };
  const Case cases[] = {{0, 100, 0},  {50, 100, 50}, {100, 100, 100}, {150, 100, 100}, {1, 3, 33},
                        {5, 0, 0},    {-1, 100, 0},  {7, -3, 0},      {2147483647, 2147483647, 100},
                        {1073741824, 2147483647, 50}};
  for (const Case& c : cases) EXPECT_EQ(PercentOf(c.done, c.total), c.want) << c.done << "/" << c.total;
}

TEST(FormatBarLine, NeverWiderThanTheTerminal) {
  const std::string longTitle = "Illustrating (40%)  ->  A node with a very long name indeed, longer than any line";
  for (int columns : {1, 5, 10, 20, 31, 40, 80, 200}) {
    for (const std::string& title : {std::string(), std::string("Preparing View"), longTitle}) {
      for (int frames : {1, 120}) {
        const std::string line = FormatBarLine(title, 37, 9, frames, columns);
        EXPECT_LE(DisplayWidth(line), std::max(columns - 1, 0)) << columns << " columns: " << line;
      }
    }
  }
}

TEST(FormatBarLine, ShowsCounterBarPercentAndCaption) {
  EXPECT_EQ(FormatBarLine("Preparing Scene", 50, 0, 1, 80), "[##########----------]  50% Preparing Scene");
  EXPECT_EQ(FormatBarLine("Preparing Scene", 100, 2, 10, 80), "[3/10] [####################] 100% Preparing Scene");
  EXPECT_EQ(FormatBarLine("x", 250, 0, 1, 80), "[####################] 100% x") << "percent held to 100";
  // A narrow terminal keeps the caption and the number and drops the bar.
  EXPECT_EQ(FormatBarLine("Preparing Scene", 7, 0, 1, 26), "  7% Preparing Scene");
  const std::string cut = FormatBarLine("Preparing Scene", 7, 0, 1, 16);
  EXPECT_EQ(cut.rfind("  7% ", 0), 0u) << cut;
  EXPECT_EQ(cut.substr(cut.size() - 3), "...") << cut;
}

// Records what the reporter writes, call by call.
struct Recorder {
  std::vector<std::string> writes;
  bool cancel = false;
  CliProgress Make(ProgressStyle style, int columns = 60) {
    return CliProgress(
        style, [this](std::string_view text) { writes.emplace_back(text); }, [this] { return cancel; }, columns);
  }
  std::string All() const {
    std::string all;
    for (const std::string& w : writes) all += w;
    return all;
  }
};

TEST(CliProgressLines, OneLinePerStageWithoutRepeats) {
  Recorder rec;
  CliProgress p = rec.Make(ProgressStyle::Lines);
  const char* titles[] = {"Preparing View", "Preparing View", "", "Loading Auxillary Files", "Preparing Scene",
                          "Illustrating",   "Illustrating (0%)  ->  Box", "Illustrating (50%)  ->  Ball",
                          "Illustrating",   "Preparing image and channels", ""};
  for (const char* t : titles) {
    p.SetTitle(t);
    EXPECT_EQ(p.Progress(10, 100), 1);
  }
  EXPECT_EQ(rec.All(),
            "Preparing View\nLoading Auxillary Files\nPreparing Scene\nIllustrating\nPreparing image and channels\n");
}

TEST(CliProgressLines, FrameCounterTellsFramesApart) {
  Recorder rec;
  CliProgress p = rec.Make(ProgressStyle::Lines);
  for (int f = 0; f < 2; ++f) {
    p.SetFrame(f, 2);
    p.SetTitle("Preparing View");
    p.SetTitle("Preparing View");
  }
  EXPECT_EQ(rec.All(), "[1/2] Preparing View\n[2/2] Preparing View\n");
}

TEST(CliProgressBar, RedrawsInPlaceOnlyWhenTheLineChanges) {
  Recorder rec;
  CliProgress p = rec.Make(ProgressStyle::Bar);
  p.SetTitle("Illustrating (10%)  ->  Box");
  p.Progress(0, 100);  // same line as the title's own drawing
  p.Progress(0, 100);
  p.Progress(50, 100);
  ASSERT_EQ(rec.writes.size(), 2u);
  for (const std::string& w : rec.writes) {
    EXPECT_EQ(w.front(), '\r');
    EXPECT_EQ(w.find('\n'), std::string::npos) << "a bar never scrolls the terminal";
  }
  EXPECT_NE(rec.writes[1].find(" 50% Illustrating (10%)  ->  Box"), std::string::npos) << rec.writes[1];
}

TEST(CliProgressBar, AShorterLineBlanksWhatTheLongerOneLeft) {
  Recorder rec;
  CliProgress p = rec.Make(ProgressStyle::Bar);
  p.SetTitle("Illustrating (10%)  ->  A long node name");
  const std::size_t longWidth = rec.writes.back().size() - 1;
  p.SetTitle("Done");
  EXPECT_EQ(rec.writes.back().size() - 1, longWidth) << "padded to cover the previous text";
  EXPECT_EQ(rec.writes.back().back(), ' ');
}

TEST(CliProgressBar, ClearWipesTheLineOnce) {
  Recorder rec;
  CliProgress p = rec.Make(ProgressStyle::Bar);
  p.Clear();
  EXPECT_TRUE(rec.writes.empty()) << "nothing drawn, nothing to wipe";
  p.SetTitle("Preparing View");
  const std::size_t shown = rec.writes.back().size() - 1;
  p.Clear();
  EXPECT_EQ(rec.writes.back(), "\r" + std::string(shown, ' ') + "\r");
  const std::size_t count = rec.writes.size();
  p.Clear();
  EXPECT_EQ(rec.writes.size(), count);
  // Between stages (an empty caption) the last line stays up and progress
  // draws nothing; the next stage draws over it.
  p.SetTitle("Preparing View");
  const std::size_t before = rec.writes.size();
  p.SetTitle("");
  p.Progress(40, 100);
  EXPECT_EQ(rec.writes.size(), before);
  p.SetTitle("Preparing Scene");
  EXPECT_EQ(rec.writes.size(), before + 1);
}

TEST(CliProgress, CancelIsAnsweredInEveryStyle) {
  for (ProgressStyle style : {ProgressStyle::Bar, ProgressStyle::Lines, ProgressStyle::Silent}) {
    Recorder rec;
    CliProgress p = rec.Make(style);
    p.SetTitle("Preparing Scene");
    EXPECT_EQ(p.Progress(10, 100), 1);
    EXPECT_FALSE(p.CancelAnswered());
    rec.cancel = true;
    EXPECT_EQ(p.Progress(20, 100), 0);
    EXPECT_TRUE(p.CancelAnswered());
    if (style == ProgressStyle::Silent) {
      EXPECT_TRUE(rec.writes.empty());
    }
  }
}

}  // namespace
