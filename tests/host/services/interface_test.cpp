#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/services/interface.h"

namespace fs = std::filesystem;
using host::Answer;
using host::QuestionPolicy;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every case starts from a known state with capturing outputs and a reader
// that fails the test instead of touching stdin, and leaves the process-wide
// state as it found it.
class InterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = host::TheInterfaceState();
    if (const char* home = std::getenv("PENWRIGHT_HOME")) savedHome_ = home;
    unsetenv("PENWRIGHT_HOME");

    host::InterfaceState& s = host::TheInterfaceState();
    s = host::InterfaceState{};
    s.title = "Penwright! 5.70 ";
    s.networkRender = false;
    s.logSink = [this](std::string_view text) { logged_.emplace_back(text); };
    s.terminalSink = [this](std::string_view title, std::string_view text) {
      shown_.push_back(std::string(title) + "|" + std::string(text));
    };
    s.answerReader = [](std::string&) {
      ADD_FAILURE() << "a question tried to read an answer";
      return false;
    };

    dir_ = fs::temp_directory_path() /
           ("pw_interface_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  void TearDown() override {
    host::TheInterfaceState() = saved_;
    if (savedHome_)
      setenv("PENWRIGHT_HOME", savedHome_->c_str(), 1);
    else
      unsetenv("PENWRIGHT_HOME");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Answers questions from a script; an exhausted script is the end of input.
  void Script(std::vector<std::string> lines) {
    script_.assign(lines.begin(), lines.end());
    host::SetAnswerReader([this](std::string& line) {
      ++reads_;
      if (script_.empty()) return false;
      line = script_.front();
      script_.pop_front();
      return true;
    });
  }

  std::vector<std::string> logged_, shown_;
  std::deque<std::string> script_;
  int reads_ = 0;
  fs::path dir_;

 private:
  host::InterfaceState saved_;
  std::optional<std::string> savedHome_;
};

TEST_F(InterfaceTest, FormatsPrintfStyle) {
  EXPECT_EQ(host::FormatMessageText("%s: Missing file \"%s\"", "Penwright! 5.70 ", "a/b.png"),
            "Penwright! 5.70 : Missing file \"a/b.png\"");
  EXPECT_EQ(host::FormatMessageText("%d of %d (%.1f%%)", 3, 4, 75.0), "3 of 4 (75.0%)");
  EXPECT_EQ(host::FormatMessageText("no values"), "no values");
}

TEST_F(InterfaceTest, TruncatesAt255WithVisibleEllipsis) {
  struct Case {
    std::size_t length;
    bool cut;
  };
  for (Case c : {Case{0, false}, Case{254, false}, Case{255, false}, Case{256, true}, Case{1000, true}}) {
    SCOPED_TRACE(c.length);
    std::string text(c.length, 'a');
    if (!text.empty()) text.back() = 'z';  // shows whether the end survived
    std::string out = host::FormatMessageText("%s", text.c_str());
    if (!c.cut) {
      EXPECT_EQ(out, text);
    } else {
      ASSERT_EQ(out.size(), 255u);
      EXPECT_EQ(out.substr(0, 252), std::string(252, 'a'));
      EXPECT_EQ(out.substr(252), "...");
    }
  }
}

TEST_F(InterfaceTest, TruncationNeverSplitsAUtf8Character) {
  // 251 ASCII bytes, then a two-byte character straddling the cut at 252.
  std::string text = std::string(251, 'a') + "\xC3\xA9" + std::string(50, 'b');
  std::string out = host::FormatMessageText("%s", text.c_str());
  EXPECT_EQ(out, std::string(251, 'a') + "...");
}

TEST_F(InterfaceTest, AlreadyFormattedTextIsLimitedToo) {
  host::WarningText(std::string(400, 'x') + "%s%n");  // no formatting of the text itself
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].size(), std::string("Penwright! 5.70 |").size() + 255);
}

TEST_F(InterfaceTest, AttendedRunShowsWarningsOnTheTerminal) {
  host::WarningMessage("Unable to load \"%s\"", "paper.png");
  EXPECT_EQ(shown_, std::vector<std::string>{"Penwright! 5.70 |Unable to load \"paper.png\""});
  EXPECT_TRUE(logged_.empty());
}

TEST_F(InterfaceTest, NetworkRenderLogsInsteadOfShowing) {
  host::SetNetworkRender(true);
  EXPECT_TRUE(host::IsNetworkRender());
  host::WarningMessage("%s: Missing file \"%s\"", host::MessageTitle().c_str(), "wood.jpg");
  EXPECT_EQ(logged_, std::vector<std::string>{"Penwright! 5.70 : Missing file \"wood.jpg\""});
  EXPECT_TRUE(shown_.empty());
}

TEST_F(InterfaceTest, DefaultOutputsOnStderr) {
  host::InterfaceState& s = host::TheInterfaceState();
  s.logSink = nullptr;
  s.terminalSink = nullptr;
  struct Case {
    bool network, quiet;
    const char* expected;
  };
  const Case cases[] = {
      {false, false, "Penwright! 5.70: first\n  second\n"},
      {true, false, "warning: first\nwarning: second\n"},
      {false, true, ""},
      {true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "network " << c.network << " quiet " << c.quiet);
    host::SetNetworkRender(c.network);
    host::SetQuiet(c.quiet);
    ::testing::internal::CaptureStderr();
    host::WarningMessage("first\nsecond");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.expected);
  }
}

// An error ends the work: it is labelled as one and quiet mode does not hide it.
TEST_F(InterfaceTest, ErrorsAreLabelledAndShownEvenWhenQuiet) {
  host::InterfaceState& s = host::TheInterfaceState();
  s.logSink = nullptr;
  s.terminalSink = nullptr;
  const fs::path log = dir_ / "errors.log";
  ASSERT_TRUE(host::SetLogFile(log.string()));
  struct Case {
    bool network, quiet;
    const char* expected;
  };
  const Case cases[] = {
      {false, false, "Penwright! 5.70: error: not enough memory for a 10 x 20 picture\n"},
      {true, false, "error: not enough memory for a 10 x 20 picture\n"},
      {false, true, "Penwright! 5.70: error: not enough memory for a 10 x 20 picture\n"},
      {true, true, "error: not enough memory for a 10 x 20 picture\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "network " << c.network << " quiet " << c.quiet);
    host::SetNetworkRender(c.network);
    host::SetQuiet(c.quiet);
    ::testing::internal::CaptureStderr();
    host::ErrorMessage("not enough memory for a %d x %d picture", 10, 20);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.expected);
  }
  host::WarningMessage("a warning");
  const std::string logged = ReadFile(log);
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 5) << logged;
  EXPECT_EQ(logged.rfind("error: not enough memory for a 10 x 20 picture\n", 0), 0u) << logged;
  EXPECT_NE(logged.find("\nwarning: a warning\n"), std::string::npos) << logged;
}

TEST_F(InterfaceTest, LogFileRecordsEveryMessageInEitherMode) {
  fs::path log = dir_ / "render.log";
  std::string error;
  ASSERT_TRUE(host::SetLogFile(log.string(), &error)) << error;
  host::WarningMessage("one");
  host::SetNetworkRender(true);
  host::WarningMessage("two\nlines");
  EXPECT_EQ(ReadFile(log), "warning: one\nwarning: two\nwarning: lines\n");
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_EQ(logged_.size(), 1u);
}

TEST_F(InterfaceTest, UnopenableLogFileIsRefusedAndKeepsThePreviousOne) {
  fs::path good = dir_ / "good.log";
  ASSERT_TRUE(host::SetLogFile(good.string()));
  std::string error;
  EXPECT_FALSE(host::SetLogFile((dir_ / "no/such/dir/x.log").string(), &error));
  EXPECT_FALSE(error.empty());
  host::WarningMessage("still here");
  EXPECT_EQ(ReadFile(good), "warning: still here\n");
}

TEST_F(InterfaceTest, PoliciesAnswerWithoutAsking) {
  struct Case {
    QuestionPolicy policy;
    bool withCancel;
    Answer defaultAnswer, expected;
  };
  const Case cases[] = {
      {QuestionPolicy::AlwaysYes, false, Answer::No, Answer::Yes},
      {QuestionPolicy::AlwaysYes, true, Answer::Cancel, Answer::Yes},
      {QuestionPolicy::AlwaysNo, false, Answer::Yes, Answer::No},
      {QuestionPolicy::AlwaysNo, true, Answer::Cancel, Answer::No},
      {QuestionPolicy::DefaultAnswer, false, Answer::Yes, Answer::Yes},
      {QuestionPolicy::DefaultAnswer, true, Answer::Cancel, Answer::Cancel},
      {QuestionPolicy::DefaultAnswer, false, Answer::Cancel, Answer::No},  // yes/no cannot cancel
  };
  for (bool network : {false, true}) {
    host::SetNetworkRender(network);
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "policy " << static_cast<int>(c.policy) << " cancel " << c.withCancel
                                        << " network " << network);
      host::SetQuestionPolicy(c.policy);
      Answer a = c.withCancel ? host::YesNoCancelQuestion(c.defaultAnswer, "Replace %s?", "frame.png")
                              : host::YesNoQuestion(c.defaultAnswer, "Replace %s?", "frame.png");
      EXPECT_EQ(a, c.expected);
    }
  }
  // Each automatic answer leaves a record naming the question.
  std::vector<std::string> all = logged_;
  for (const std::string& s : shown_) all.push_back(s);
  EXPECT_EQ(all.size(), 2 * std::size(cases));
  for (const std::string& s : all) EXPECT_NE(s.find("Replace frame.png?"), std::string::npos) << s;
}

TEST_F(InterfaceTest, AutomaticAnswerRecordSurvivesALongQuestion) {
  host::SetQuestionPolicy(QuestionPolicy::AlwaysNo);
  host::YesNoQuestion(Answer::Yes, "%s?", std::string(300, 'q').c_str());
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].rfind("Penwright! 5.70 |Answered No", 0), 0u) << shown_[0];
}

TEST_F(InterfaceTest, QuietModeStillShowsAQuestionItWaitsOn) {
  host::TheInterfaceState().terminalSink = nullptr;
  host::SetQuiet(true);
  Script({"y"});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(host::YesNoQuestion(Answer::No, "Overwrite?"), Answer::Yes);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Penwright! 5.70: Overwrite? [y/N]\n");
}

TEST_F(InterfaceTest, UnattendedQuestionTakesTheDefaultWithoutReading) {
  host::SetNetworkRender(true);
  EXPECT_EQ(host::YesNoQuestion(Answer::No, "Overwrite?"), Answer::No);
  EXPECT_EQ(host::YesNoCancelQuestion(Answer::Cancel, "Overwrite?"), Answer::Cancel);
  EXPECT_EQ(logged_.size(), 2u);
}

TEST_F(InterfaceTest, TerminalAnswers) {
  struct Case {
    bool withCancel;
    Answer defaultAnswer;
    std::vector<std::string> typed;
    Answer expected;
    int reads;
  };
  const Case cases[] = {
      {false, Answer::Yes, {""}, Answer::Yes, 1},
      {false, Answer::No, {"  "}, Answer::No, 1},
      {false, Answer::No, {"y"}, Answer::Yes, 1},
      {false, Answer::Yes, {" NO "}, Answer::No, 1},
      {true, Answer::Yes, {"Cancel"}, Answer::Cancel, 1},
      {false, Answer::No, {"c", "yes"}, Answer::Yes, 2},  // cancel is no answer to a yes/no question
      {true, Answer::No, {"maybe", "n"}, Answer::No, 2},
      {false, Answer::Yes, {}, Answer::Yes, 1},        // end of input: the default
      {true, Answer::Yes, {}, Answer::Cancel, 1},      // end of input cancels when it can
      {false, Answer::Yes, {"?", "?", "?", "?", "?", "?", "?"}, Answer::Yes, 5},  // gives up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "typed " << ::testing::PrintToString(c.typed));
    Script(c.typed);
    reads_ = 0;
    Answer a = c.withCancel ? host::YesNoCancelQuestion(c.defaultAnswer, "Keep going?")
                            : host::YesNoQuestion(c.defaultAnswer, "Keep going?");
    EXPECT_EQ(a, c.expected);
    EXPECT_EQ(reads_, c.reads);
  }
  EXPECT_TRUE(logged_.empty());
}

TEST_F(InterfaceTest, PromptShowsChoicesWithTheDefaultInCapitals) {
  Script({"y"});
  host::YesNoCancelQuestion(Answer::No, "Save %s?", "lib.iam");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0], "Penwright! 5.70 |Save lib.iam? [y/N/c]");
}

TEST_F(InterfaceTest, InstallDirFromEnvironmentWithSubfolders) {
  fs::create_directories(dir_ / "Maps");
  fs::create_directories(dir_ / "Help");
  setenv("PENWRIGHT_HOME", (dir_.string() + "/").c_str(), 1);  // trailing separator is dropped
  EXPECT_EQ(host::InstallDir(), dir_);
  EXPECT_EQ(host::MapsDir(), dir_ / "Maps");
  EXPECT_EQ(host::HelpDir(), dir_ / "Help");
  EXPECT_TRUE(shown_.empty());

  // Looked up once: removing the folder later does not change the answer.
  fs::remove_all(dir_ / "Maps");
  EXPECT_EQ(host::MapsDir(), dir_ / "Maps");
  host::ResetInstallDirs();
  EXPECT_EQ(host::MapsDir(), std::nullopt);
}

TEST_F(InterfaceTest, RelativeEnvironmentPathBecomesAbsolute) {
  fs::path cwd = fs::current_path();
  fs::current_path(dir_.parent_path());
  setenv("PENWRIGHT_HOME", dir_.filename().c_str(), 1);
  std::optional<fs::path> dir = host::InstallDir();
  fs::current_path(cwd);
  ASSERT_TRUE(dir);
  EXPECT_TRUE(dir->is_absolute());
  EXPECT_TRUE(fs::equivalent(*dir, dir_));
}

TEST_F(InterfaceTest, MissingFoldersAreReportedOnce) {
  fs::create_directories(dir_ / "Maps");
  setenv("PENWRIGHT_HOME", dir_.c_str(), 1);
  EXPECT_TRUE(host::MapsDir());
  EXPECT_EQ(host::HelpDir(), std::nullopt);
  EXPECT_EQ(host::HelpDir(), std::nullopt);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_NE(shown_[0].find((dir_ / "Help").string()), std::string::npos) << shown_[0];
}

TEST_F(InterfaceTest, MissingInstallFolderMakesEverythingUnavailable) {
  setenv("PENWRIGHT_HOME", (dir_ / "nowhere").c_str(), 1);
  host::SetNetworkRender(true);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(host::InstallDir(), std::nullopt);
    EXPECT_EQ(host::MapsDir(), std::nullopt);
    EXPECT_EQ(host::HelpDir(), std::nullopt);
  }
  ASSERT_EQ(logged_.size(), 1u) << "only the root cause is reported";
  EXPECT_NE(logged_[0].find("PENWRIGHT_HOME"), std::string::npos);
}

TEST_F(InterfaceTest, InstallDirDefaultsToTheExecutablesFolder) {
  fs::create_directories(dir_ / "bin" / "Maps");
  host::TheInterfaceState().executable = dir_ / "bin" / "penwright";
  EXPECT_EQ(host::InstallDir(), dir_ / "bin");
  EXPECT_EQ(host::MapsDir(), dir_ / "bin" / "Maps");

  // An empty PENWRIGHT_HOME counts as unset.
  host::ResetInstallDirs();
  setenv("PENWRIGHT_HOME", "", 1);
  EXPECT_EQ(host::InstallDir(), dir_ / "bin");
}

}  // namespace
