// The commands other than `render` (and what every command shares: help,
// messages, exit statuses), through the built program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "support/spawn_program.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;
using pw::test::SpawnWithOutputFiles;

namespace {

const std::string kExample = PW_SOURCE_DIR "/examples/scene.json";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class CliCommandsTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(Path(name)) << text;
    return Path(name);
  }

  RunResult Run(const std::vector<std::string>& args) {
    const pid_t pid = SpawnWithOutputFiles(PW_PENWRIGHT_EXE, args, Path(".out"), Path(".err"));
    RunResult r;
    EXPECT_NE(pid, -1) << "cannot start " << PW_PENWRIGHT_EXE;
    int status = 0;
    if (pid != -1 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = ReadText(dir_ / ".out");
    r.err = ReadText(dir_ / ".err");
    return r;
  }

  // A refusal: exit 2, nothing on stdout, one line on stderr that holds `says`.
  void ExpectRefused(const std::vector<std::string>& args, const std::string& says) {
    std::string joined;
    for (const std::string& a : args) joined += a + " ";
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << joined << "\n" << r.err;
    EXPECT_EQ(r.out, "") << joined;
    EXPECT_EQ(r.err.rfind("penwright: error: ", 0), 0u) << joined << "\n" << r.err;
    EXPECT_EQ(Count(r.err, "\n"), 1u) << joined << "\n" << r.err;
    EXPECT_NE(r.err.find(says), std::string::npos) << joined << "\n" << r.err;
    // The parser library's own wording never shows.
    for (const char* parser : {"The following arguments were not expected", "At Most", "required but received",
                               "File does not exist", "is required", "Run with --help", "REQUIRED"})
      EXPECT_EQ(r.err.find(parser), std::string::npos) << joined << "\n" << r.err;
  }

  pw::test::ScratchDir scratch_{"pw_cli_commands_"};
  const fs::path dir_ = scratch_.path();
};

TEST_F(CliCommandsTest, HelpTellsWhatTheOptionsDoAndHowTheProgramAnswers) {
  const RunResult top = Run({"--help"});
  ASSERT_EQ(top.exitCode, 0) << top.err;
  for (const char* line :
       {"Usage: penwright [GLOBAL OPTIONS] COMMAND [ARGUMENTS]\n", "\n  library show            Show the settings",
        "\n  help [COMMAND]  ", "\nExit status:\n  0  done\n  1  the command ran and failed",
        "\n  2  the command line or the input is wrong", "\n  -q, --quiet             Print no warnings, no progress and "
        "not the paths of\n                          the files written",
        "\n  --batch                 Run as if nobody were present", "Warnings are still printed on stderr"})
    EXPECT_NE(top.out.find(line), std::string::npos) << line << "\n" << top.out;

  // `help COMMAND` and `COMMAND --help` agree, and show the global options too.
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"render"}, {"info"}, {"classes"}, {"library"}, {"library", "show"}}) {
    std::vector<std::string> viaHelp{"help"}, viaFlag = command;
    viaHelp.insert(viaHelp.end(), command.begin(), command.end());
    viaFlag.push_back("--help");
    const RunResult a = Run(viaHelp), b = Run(viaFlag);
    EXPECT_EQ(a.exitCode, 0);
    EXPECT_EQ(a.out, b.out) << command.front();
    EXPECT_NE(a.out.find("\nGlobal options (before or after the command):\n  -h, --help"), std::string::npos);
    EXPECT_NE(a.out.find("\n  -q, --quiet"), std::string::npos);
  }
  const RunResult render = Run({"render", "--help"});
  for (const char* line : {"Usage: penwright render SCENE -o FILE [OPTIONS]\n", "\n  SCENE  ",
                           "\n  -o, --output FILE       The picture to write", "\n  --depth 8|16            Bits",
                           "\n  --set FIELD=VALUE       "})
    EXPECT_NE(render.out.find(line), std::string::npos) << line << "\n" << render.out;
  for (const char* artefact : {"8|16=8", "SCENE:FILE", "REQUIRED", "[SUBCOMMAND]", "Positionals:"})
    EXPECT_EQ(render.out.find(artefact), std::string::npos) << artefact;

  const RunResult show = Run({"library", "show", "-h"});
  EXPECT_NE(show.out.find("Usage: penwright library show NAME [SCENE] [OPTIONS]\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\n  --class CLASS "), std::string::npos) << show.out;
}

TEST_F(CliCommandsTest, CommandLineMistakesAreNamedInOurOwnWords) {
  const std::string out = Path("out.png");
  ExpectRefused({"rendr", kExample}, "unknown command 'rendr' (did you mean 'render'?)");
  ExpectRefused({"help", "rendr"}, "unknown command 'rendr' (did you mean 'render'?)");
  ExpectRefused({"library", "lsit"}, "unknown command 'library lsit' (did you mean 'library list'?)");
  ExpectRefused({"library"}, "'library' needs a command after it: list, show, export or import");
  ExpectRefused({"-q"}, "no command given");
  ExpectRefused({"render", kExample, "-o", out, "-o", Path("b.png")},
                "-o/--output is given 2 times ('" + out + "', '" + Path("b.png") + "'); give it once");
  ExpectRefused({"render", kExample, "-o"}, "-o/--output needs a value (FILE)");
  ExpectRefused({"render", kExample}, "'render' needs -o/--output FILE (see 'penwright help render')");
  ExpectRefused({"render", "-o", out}, "'render' needs a SCENE");
  ExpectRefused({"render", kExample, "-o", out, "--widht", "80"},
                "unknown option '--widht' for 'render' (did you mean '--width'?)");
  ExpectRefused({"info", kExample, kExample}, "unexpected argument '" + kExample + "' for 'info'");
  ExpectRefused({"--yes", "--no", "classes"}, "--yes and --no cannot be used together");
  ExpectRefused({"info", kExample, "--verbose=maybe"}, "--verbose: 'maybe' is not true or false");
  Write("a.iam", "");
  ExpectRefused({"library", "import", Path("a.iam"), "--into", kExample, "-o", Path("b.pws"), "--on-clash", "keep"},
                "--on-clash: 'keep' is not one of skip, copy, replace, replace-all");
  EXPECT_FALSE(fs::exists(out));
}

// One wording and one status for a file that is not there, whichever command reads it.
TEST_F(CliCommandsTest, InputThatCannotBeReadExitsTwoInEveryCommand) {
  const std::string missing = Path("nosuch.json");
  const std::string says = "penwright: error: cannot read '" + missing + "': No such file or directory\n";
  const std::vector<std::vector<std::string>> commands{
      {"info", missing},
      {"render", missing, "-o", Path("x.png")},
      {"library", "list", missing},
      {"library", "show", "Default", missing},
      {"library", "export", missing, "-o", Path("x.iam")},
      {"library", "import", Path("nosuch.iam"), "--into", kExample, "-o", Path("x.pws")},
  };
  for (const auto& args : commands) {
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << args[0] << " " << args[1] << "\n" << r.err;
    const std::string expected =
        args[1] == "import" ? "penwright: error: cannot read '" + Path("nosuch.iam") + "': No such file or directory\n"
                            : says;
    EXPECT_EQ(r.err, expected) << args[0] << " " << args[1];
  }
  // A scene that is there but broken: the same status from each command that reads it.
  const std::string bad = Write("bad.json", "{\"nodes\": [");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"info", bad}, {"render", bad, "-o", Path("x.png")}, {"library", "list", bad}, {"library", "show", "Ink", bad}}) {
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << args[0] << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("penwright: error: " + bad + ": line 1, column 12: ", 0), 0u) << r.err;
  }
  EXPECT_EQ(Run({"library", "list", "--art-materials", missing}).exitCode, 2);
  EXPECT_FALSE(fs::exists(Path("x.png")));
}

TEST_F(CliCommandsTest, OutOfRangeSettingsAreRefusedWithTheirRange) {
  for (const char* value : {"-1", "0", "0.05", "1.5", "1000"}) {
    const std::string setting = std::string("linesMemoryLimit=") + value;
    ExpectRefused({"info", kExample, "--set", setting},
                  "--set linesMemoryLimit: '" + std::string(value) + "' is out of range (0.1 to 1, ");
    ExpectRefused({"render", kExample, "--frame", "0", "--set", setting, "-o", Path("x.png")},
                  "--set linesMemoryLimit: '" + std::string(value) + "' is out of range (0.1 to 1, ");
  }
  const std::string scene = Write("limit.json", R"({"render": {"linesMemoryLimit": 1000}})");
  ExpectRefused({"info", scene}, scene + ": render.linesMemoryLimit: '1000' is out of range (0.1 to 1, ");
  // The name is said once, by the place that holds it.
  const std::string quality = Write("quality.json", R"({"render": {"linesAntialiasingQuality": "ultra"}})");
  ExpectRefused({"info", quality}, quality + ": render.linesAntialiasingQuality: 'ultra' is not one of none, low, ");
  EXPECT_EQ(Count(Run({"info", quality}).err, "linesAntialiasingQuality"), 1u);
  EXPECT_FALSE(fs::exists(Path("x.png")));

  // The ends of the range are settings like any other.
  for (const char* value : {"0.1", "1"}) {
    const RunResult r = Run({"info", kExample, "--set", std::string("linesMemoryLimit=") + value});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(std::string("\n  linesMemoryLimit = ") + value + "\n"), std::string::npos) << r.out;
  }
}

TEST_F(CliCommandsTest, InfoShowsTheSettingsARenderWouldUseAndInternalsOnRequest) {
  const std::string scene = Write("s.json", R"({"render": {"linesOn": true, "linesMemoryLimit": 0.7}})");
  const RunResult plain = Run({"info", scene});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_NE(plain.out.find("\n  linesOn = true\n"), std::string::npos);
  EXPECT_NE(plain.out.find("\n  linesMemoryLimit = 0.7\n"), std::string::npos);
  EXPECT_EQ(plain.out.find("PwObjLibHolder"), std::string::npos) << "the library's holder node is internal";
  EXPECT_EQ(plain.out.find("alternateRendererClass"), std::string::npos);
  EXPECT_EQ(plain.out.find("vectorFormatOptions.version ="), std::string::npos);

  // --set comes after the scene's own settings, in order, as for render.
  const RunResult set = Run({"info", scene, "--set", "linesOn=off", "--set", "linesMemoryLimit=0.2", "--set",
                             "linesMemoryLimit=0.3"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_NE(set.out.find("\n  linesOn = false\n"), std::string::npos);
  EXPECT_NE(set.out.find("\n  linesMemoryLimit = 0.3\n"), std::string::npos);
  ExpectRefused({"info", scene, "--set", "linesOm=off"}, "--set linesOm: unknown render setting (did you mean 'linesOn'?)");
  ExpectRefused({"info", scene, "--set", "linesOn"}, "--set: 'linesOn' is not FIELD=VALUE");

  EXPECT_EQ(Run({"info", scene, "--verbose=no"}).out, plain.out);
  const RunResult verbose = Run({"info", scene, "--verbose"});
  ASSERT_EQ(verbose.exitCode, 0) << verbose.err;
  EXPECT_NE(verbose.out.find(": PwObjLibHolder, hidden, not renderable\n"), std::string::npos) << verbose.out;
  EXPECT_NE(verbose.out.find("\n  alternateRendererClass = 0x"), std::string::npos);
  // Nothing else differs: the verbose text is the plain one with the internals added.
  std::string stripped;
  std::istringstream lines(verbose.out);
  for (std::string line; std::getline(lines, line);)
    if (line.find("PwObjLibHolder") == std::string::npos && line.find("alternateRendererClass") == std::string::npos &&
        line.find("vectorFormatOptions.version =") == std::string::npos)
      stripped += line + "\n";
  EXPECT_EQ(stripped, plain.out);
}

TEST_F(CliCommandsTest, LibraryShowPointsToTheMaterialMeant) {
  ExpectRefused({"library", "show", "#999"}, "no slot #999: the library's materials are in slots #0 to #64");
  ExpectRefused({"library", "show", "#5", "--class", "brush"}, "slot #5 holds Style 'Default', not a brush");
  ExpectRefused({"library", "show", "Hiden-line"},
                "no art material is named 'Hiden-line'; did you mean 'Hidden-line' (Style #58)? ('penwright library "
                "list' lists the 65 there are)");
  ExpectRefused({"library", "show", "Default"},
                "'Default' names 7 art materials (Paint #0, Paint #1, Brush #2, Stroke #3, Surface #4, Style #5, "
                "Canvas #6); choose one with --class");
  ExpectRefused({"library", "show", "Default", "--class", "Paint"},
                "'Default' names 2 paints (Paint #0, Paint #1); choose one by slot, quoted for the shell (for example "
                "'#0')");
  ExpectRefused({"library", "show", "Cel", "--class", "brushs"}, "--class: 'brushs' is not a class of art material");
  ExpectRefused({"library", "show", "Cel", "--class", "brush"}, "no brush is named 'Cel'; 'Cel' is Surface #55, Style #61\n");
  // Not all the names: a handful near the one typed, or none.
  const RunResult far = Run({"library", "show", "xyzzy"});
  EXPECT_EQ(far.err, "penwright: error: no art material is named 'xyzzy' ('penwright library list' lists the 65 there "
                     "are)\n");

  // --class in any letter case, singular or plural.
  for (const char* word : {"surface", "SURFACE", "Surfaces"}) {
    const RunResult r = Run({"library", "show", "Cel", "--class", word});
    EXPECT_EQ(r.exitCode, 0) << word << ": " << r.err;
    EXPECT_EQ(r.out.rfind("Surface \"Cel\"\n", 0), 0u) << r.out;
  }
}

TEST_F(CliCommandsTest, LibraryListFiltersByClass) {
  const RunResult all = Run({"library", "list"});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  const RunResult styles = Run({"library", "list", "--class", "Style"});
  ASSERT_EQ(styles.exitCode, 0) << styles.err;
  // The filtered list is the full one's Style rows, with their count.
  std::string expected;
  std::size_t count = 0;
  std::istringstream lines(all.out);
  std::string line;
  std::getline(lines, line);
  expected = line + "\n";
  const std::regex styleRow("^ *[0-9]+  Style .*");
  while (std::getline(lines, line))
    if (std::regex_match(line, styleRow)) {
      expected += line + "\n";
      ++count;
    }
  ASSERT_GT(count, 1u);
  EXPECT_EQ(styles.out, expected + std::to_string(count) + " styles\n");
  ExpectRefused({"library", "list", "--class", "pen"}, "--class: 'pen' is not a class of art material; the classes are "
                                                       "brush, paint, stroke, surface, style, canvas");
}

}  // namespace
