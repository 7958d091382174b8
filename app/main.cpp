// The `penwright` command: global flags, the subcommands of commands.cpp, and
// the translation of their descriptions into the command-line parser. This
// is the only file that includes CLI11. The parser only collects the text of
// each option: help, the checks of the values and every message are our own
// (help_text.h, command_line.h), so that they read as docs/cli.md does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "help_text.h"
#include "host/services/interface.h"
#include "plugin/entry.h"
#include "plugin/names.h"
#include "program/program_classes.h"
#include "program/stages.h"
#include "program/startup.h"

namespace pw::cli {
namespace {

// One option as the parser holds it; the address stays put while parsing.
struct BoundOption {
  const OptionSpec* spec = nullptr;
  CLI::Option* option = nullptr;
  std::vector<std::string> values;
  std::string single;  // a positional argument takes one value
  bool on = false;     // a flag: the last of --flag, --flag=true, --flag=false
};

using BoundOptions = std::vector<std::unique_ptr<BoundOption>>;

void BindOptions(CLI::App& app, const std::vector<OptionSpec>& specs, BoundOptions& out) {
  for (const OptionSpec& spec : specs) {
    auto bound = std::make_unique<BoundOption>();
    bound->spec = &spec;
    if (std::holds_alternative<bool*>(spec.target)) {
      bound->option = app.add_flag(spec.names, bound->on);
    } else if (IsPositional(spec)) {
      bound->option = app.add_option(spec.names, bound->single);
    } else {
      // One value per appearance, so that an option never swallows the
      // positional arguments after it, and one given twice can be told.
      bound->option = app.add_option(spec.names, bound->values)->allow_extra_args(false);
    }
    out.push_back(std::move(bound));
  }
}

std::vector<ReceivedOption> Received(const BoundOptions& bound) {
  std::vector<ReceivedOption> out;
  for (const auto& b : bound) {
    ReceivedOption r;
    r.spec = b->spec;
    r.count = b->option->count();
    if (std::holds_alternative<bool*>(b->spec->target))
      r.values = {b->on ? "true" : "false"};
    else
      r.values = IsPositional(*b->spec) ? std::vector<std::string>{b->single} : b->values;
    if (r.count == 0) r.values.clear();
    out.push_back(std::move(r));
  }
  return out;
}

// The parser's own complaints, in our words. Only an option without its
// value and a flag given a value other than true or false are expected
// here: everything else is let through and checked afterwards.
std::string ParseErrorText(const CLI::ParseError& e, const std::vector<const Command*>& path,
                           const std::vector<OptionSpec>& globals) {
  const std::string what = e.what();
  // "--output: 1 required TEXT missing", "Could not convert: --verbose = maybe".
  constexpr std::string_view kConvert = "Could not convert: ";
  const bool conversion = what.rfind(kConvert, 0) == 0 && what.find(" = ") != std::string::npos;
  const std::string name =
      conversion ? what.substr(kConvert.size(), what.find(" = ") - kConvert.size()) : what.substr(0, what.find(':'));
  auto find = [&](const std::vector<OptionSpec>& specs) -> const OptionSpec* {
    for (const OptionSpec& spec : specs)
      for (const std::string& n : OptionNames(spec))
        if (n == name) return &spec;
    return nullptr;
  };
  const OptionSpec* spec = path.empty() ? nullptr : find(path.back()->options);
  if (!spec) spec = find(globals);
  if (spec && dynamic_cast<const CLI::ArgumentMismatch*>(&e))
    return OptionLabel(*spec) + " needs a value" + (spec->typeName.empty() ? "" : " (" + spec->typeName + ")");
  if (spec && conversion)
    return OptionLabel(*spec) + ": '" + what.substr(what.find(" = ") + 3) +
           "' is not true or false (the option alone means true)";
  return "the command line cannot be read (" + what + ")";
}

void PrintVersion() {
  std::printf("%s\n", LibDescription());
  std::printf("version %d.%02d (plug-in version 0x%08X)\n", VERSION_MAJOR, VERSION_MINOR,
              static_cast<unsigned>(LibVersion()));
}

// Hands the global flags to the host services. False (after saying why) when
// they cannot be honoured.
bool ApplyGlobals(const GlobalOptions& g) {
  if (g.yes && g.no) {
    PrintError("--yes and --no cannot be used together");
    return false;
  }
  host::SetMessageTitle(DisplayName());
  host::SetQuiet(g.quiet);
  if (g.batch) host::SetNetworkRender(true);
  if (g.yes) host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  if (g.no) host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  std::string error;
  if (!g.logFile.empty() && !host::SetLogFile(g.logFile, &error)) {
    PrintError("--log: cannot open log file '" + g.logFile + "': " + error);
    return false;
  }
  return true;
}

int PrintHelp(const std::vector<const Command*>& path, const std::vector<Command>& commands,
              const std::vector<OptionSpec>& globals) {
  const std::string text = path.empty() ? ProgramHelp(commands, globals) : CommandHelp(path, globals);
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

int Run(int argc, char** argv) {
  ProgramFlags flags;
  const std::vector<OptionSpec> globals = GlobalOptionSpecs(flags);
  const std::vector<Command> commands = AllCommands();
  const std::vector<std::string> args(argv + 1, argv + argc);

  const CommandWords words = FindCommandWords(args, globals, commands);
  if (!words.error.empty()) {
    PrintError(words.error);
    return ExitUsage;
  }
  if (words.help) return PrintHelp(words.path, commands, globals);

  // The parser for the global options and the one command named.
  CLI::App app{"", "penwright"};
  app.set_help_flag();
  app.allow_extras();
  BoundOptions globalOptions;
  BindOptions(app, globals, globalOptions);
  BoundOptions commandOptions;
  CLI::App* parent = &app;
  for (const Command* c : words.path) {
    CLI::App* sub = parent->add_subcommand(c->name);
    sub->set_help_flag();
    sub->allow_extras();
    sub->fallthrough();  // global flags may follow the command
    parent = sub;
  }
  if (!words.path.empty()) BindOptions(*parent, words.path.back()->options, commandOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    PrintError(ParseErrorText(e, words.path, globals));
    return ExitUsage;
  }
  const std::vector<std::string> extra = app.remaining(true);
  if (!extra.empty()) {
    PrintError(UnexpectedArgument(extra.front(), words.path, globals));
    return ExitUsage;
  }
  std::string error;
  if (!StoreOptions(Received(globalOptions), {}, &error)) {
    PrintError(error);
    return ExitUsage;
  }
  if (flags.version) {
    PrintVersion();
    return ExitOk;
  }
  if (words.path.empty()) {
    PrintError("no command given; the commands are classes, info, render and library (see 'penwright --help')");
    return ExitUsage;
  }
  if (!StoreOptions(Received(commandOptions), words.path, &error)) {
    PrintError(error);
    return ExitUsage;
  }
  if (!ApplyGlobals(flags.globals)) return ExitUsage;
  if (!RegisterProgramClasses()) {
    PrintError("the program's classes could not be set up");
    return ExitFailed;
  }
  PlugInRenderStages();
  StartUpPlugin();
  return words.path.back()->run(flags.globals);
}

}  // namespace
}  // namespace pw::cli

int main(int argc, char** argv) {
  try {
    return pw::cli::Run(argc, argv);
  } catch (const std::exception& e) {
    // Commands report through exit codes; reaching here is a bug, but the user
    // still deserves one clear line rather than an abort.
    std::fprintf(stderr, "penwright: error: internal error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "penwright: error: internal error\n");
  }
  return pw::cli::ExitFailed;
}
