// The help of every command, made from the commands' own descriptions: it
// fits the terminal, says every option once, and shows no parser artefacts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "help_text.h"

using namespace pw::cli;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void EveryPath(const Command& c, std::vector<const Command*> path, std::vector<std::vector<const Command*>>& out) {
  path.push_back(&c);
  out.push_back(path);
  for (const Command& sub : c.subcommands) EveryPath(sub, path, out);
}

}  // namespace

TEST(HelpTextTest, WrappingKeepsEveryWordInOrderWithinTheWidth) {
  const std::string text =
      "Run as if nobody were present: questions take their default answer, and a-very-long-word-that-cannot-"
      "be-broken-anywhere stands alone. Two  spaces collapse.";
  for (std::size_t width : {10u, 20u, 33u, 80u}) {
    const std::string wrapped = WrapText(text, width, 4);
    std::string words, again;
    std::istringstream a(text), b(wrapped);
    for (std::string w; a >> w;) words += w + " ";
    for (std::string w; b >> w;) again += w + " ";
    EXPECT_EQ(again, words) << width;
    const std::vector<std::string> lines = Lines(wrapped);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::size_t indent = i == 0 ? 0 : 4;
      if (i > 0) {
        EXPECT_EQ(lines[i].substr(0, 4), "    ") << lines[i];
      }
      const bool oneWord = lines[i].find(' ', indent) == std::string::npos;
      if (!oneWord) {
        EXPECT_LE(lines[i].size() - indent, width) << width << ": " << lines[i];
      }
    }
  }
}

TEST(HelpTextTest, EveryCommandsHelpFitsAndNamesEachOptionAndTheGlobalOnes) {
  ProgramFlags flags;
  const std::vector<OptionSpec> globals = GlobalOptionSpecs(flags);
  const std::vector<Command> commands = AllCommands();
  std::vector<std::vector<const Command*>> paths;
  for (const Command& c : commands) EveryPath(c, {}, paths);
  std::vector<std::string> texts{ProgramHelp(commands, globals)};
  for (const auto& path : paths) texts.push_back(CommandHelp(path, globals));
  ASSERT_EQ(texts.size(), 9u) << "the program, 4 commands and 4 library commands";

  for (std::size_t t = 0; t < texts.size(); ++t) {
    const std::string& text = texts[t];
    SCOPED_TRACE(t == 0 ? std::string("penwright") : CommandPathName(paths[t - 1]));
    for (const std::string& line : Lines(text)) {
      // Only a single long word may pass the edge.
      const std::size_t start = line.find_first_not_of(' ');
      const bool oneWord = start == std::string::npos || line.find(' ', start) == std::string::npos;
      if (!oneWord) {
        EXPECT_LE(line.size(), 80u) << line;
      }
    }
    for (const char* artefact : {"REQUIRED", "=8", ":FILE", "Excludes", "SUBCOMMAND", "Positionals", "TEXT"})
      EXPECT_EQ(text.find(artefact), std::string::npos) << artefact << " in\n" << text;
    for (const char* global : {"-h, --help", "--version", "-y, --yes", "--no ", "--batch", "-q, --quiet", "--log FILE"})
      EXPECT_NE(text.find("\n  " + std::string(global)), std::string::npos) << global;
    EXPECT_NE(text.find("Exit status"), std::string::npos);
    if (t == 0) continue;
    // Each option of the command, once, by its names and value.
    for (const OptionSpec& spec : paths[t - 1].back()->options) {
      std::string shown;
      if (IsPositional(spec)) {
        shown = spec.typeName;
      } else {
        for (const std::string& n : OptionNames(spec)) shown += (shown.empty() ? "" : ", ") + n;
      }
      const std::size_t at = text.find("\n  " + shown + " ");
      EXPECT_NE(at, std::string::npos) << shown;
      EXPECT_EQ(text.find("\n  " + shown + " ", at + 1), std::string::npos) << shown << " twice";
    }
  }
}

TEST(HelpTextTest, CommandWordsAreFoundBeforeParsingAndMistakesNamed) {
  ProgramFlags flags;
  const std::vector<OptionSpec> globals = GlobalOptionSpecs(flags);
  const std::vector<Command> commands = AllCommands();
  struct Case {
    std::vector<std::string> args;
    std::string path;   // CommandPathName of what was found
    bool help;
    std::string error;  // a part of it
  };
  const Case cases[] = {
      {{"render", "x.json", "-o", "a.png"}, "penwright render", false, ""},
      {{"--log", "render", "info", "x.json"}, "penwright info", false, ""},  // --log takes a value
      {{"--log=l.txt", "-q", "library", "--batch", "show", "Ink"}, "penwright library show", false, ""},
      {{"library", "show", "list"}, "penwright library show", false, ""},  // a material named like a command
      {{"help"}, "penwright", true, ""},
      {{"help", "library", "import"}, "penwright library import", true, ""},
      {{"info", "--help"}, "penwright info", true, ""},
      {{"-h"}, "penwright", true, ""},
      {{"library", "-h"}, "penwright library", true, ""},
      {{"rendr", "x.json"}, "penwright", false, "unknown command 'rendr' (did you mean 'render'?)"},
      {{"help", "libary"}, "penwright", true, "unknown command 'libary' (did you mean 'library'?)"},
      {{"library", "lsit"}, "penwright library", false, "unknown command 'library lsit' (did you mean 'library list'?)"},
      {{"library"}, "penwright library", false, "'library' needs a command after it: list, show, export or import"},
      {{"frobnicate"}, "penwright", false, "unknown command 'frobnicate'; the commands are classes, info, render"},
      {{}, "penwright", false, ""},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    const CommandWords words = FindCommandWords(c.args, globals, commands);
    EXPECT_EQ(CommandPathName(words.path), c.path) << joined;
    EXPECT_EQ(words.help, c.help) << joined;
    if (c.error.empty()) {
      EXPECT_EQ(words.error, "") << joined;
    } else {
      EXPECT_NE(words.error.find(c.error), std::string::npos) << joined << ": " << words.error;
    }
  }
}
