// How a `penwright` subcommand describes itself.
//
// A subcommand is one function returning a Command: its name, its options
// (bound to variables the command owns) and what it runs. main.cpp turns the
// descriptions into the command-line parser, so only main.cpp pays for the
// parser's header; the checks of the values and the help text (help_text.h)
// are made from the descriptions too, so that no wording of the parser
// library reaches the user.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pw::cli {

enum ExitCode : int {
  ExitOk = 0,
  ExitFailed = 1,  // the command ran and failed: a render failed or was cancelled, a file could not be written
  ExitUsage = 2,   // the command line or its input is wrong (a bad option, a file that cannot be read)
};

// The one way a command reports what stops it: "penwright: error: MESSAGE"
// on stderr, one line.
void PrintError(std::string_view message);

// Options every subcommand accepts; main applies them before a command runs.
struct GlobalOptions {
  bool yes = false;    // answer every question yes
  bool no = false;     // answer every question no
  bool batch = false;  // nobody is present: log warnings, take default answers
  bool quiet = false;
  std::string logFile;
};

using OptionTarget = std::variant<bool*, int*, double*, std::string*, std::vector<std::string>*>;

struct OptionSpec {
  std::string names;  // "-o,--output"; a name without dashes is positional
  std::string description;
  OptionTarget target;  // a vector target is repeatable, one value each time
  bool required = false;
  bool existingFile = false;  // the file must be readable (said as the loaders say it)
  std::vector<std::string> choices;
  std::optional<double> min, max;
  std::string typeName;  // shown in help, e.g. "FILE"
  bool* given = nullptr; // set when the option appears on the command line

  OptionSpec& Required() { required = true; return *this; }
  OptionSpec& ExistingFile() { existingFile = true; return *this; }
  OptionSpec& Choices(std::vector<std::string> values) { choices = std::move(values); return *this; }
  OptionSpec& Range(double lo, double hi) { min = lo; max = hi; return *this; }
  OptionSpec& TypeName(std::string name) { typeName = std::move(name); return *this; }
  OptionSpec& Given(bool* flag) { given = flag; return *this; }
};

struct Command {
  std::string name;
  std::string description;
  std::string footer;  // more help, shown after the options (examples, notes)
  std::vector<OptionSpec> options;
  std::vector<Command> subcommands;  // e.g. "library list"
  // Runs the command; the answer is the exit code. A command with
  // subcommands and no run function needs one of them.
  std::function<int(const GlobalOptions&)> run;

  // The returned reference is valid until the next Add.
  OptionSpec& Add(std::string optionNames, OptionTarget target, std::string help) {
    OptionSpec spec;
    spec.names = std::move(optionNames);
    spec.description = std::move(help);
    spec.target = target;
    options.push_back(std::move(spec));
    return options.back();
  }
};

}  // namespace pw::cli
