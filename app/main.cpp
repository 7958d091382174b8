// The `penwright` command: global flags, the subcommands of commands.cpp, and
// the translation of their descriptions into the command-line parser. This
// is the only file that includes CLI11.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "commands.h"
#include "host/services/interface.h"
#include "plugin/entry.h"
#include "plugin/names.h"
#include "program/program_classes.h"
#include "program/stages.h"
#include "program/startup.h"

namespace pw::cli {
namespace {

constexpr const char* PROGRAM = "penwright";

// One parser node per Command, kept to find what was asked for after parsing.
struct BoundCommand {
  const Command* command = nullptr;
  CLI::App* app = nullptr;
  std::vector<std::pair<CLI::Option*, bool*>> givenFlags;
  std::vector<BoundCommand> children;
};

CLI::Option* AddOption(CLI::App& app, const OptionSpec& spec) {
  CLI::Option* opt = std::visit(
      [&](auto* target) -> CLI::Option* {
        if constexpr (std::is_same_v<decltype(target), bool*>) {
          return app.add_flag(spec.names, *target, spec.description);
        } else if constexpr (std::is_same_v<decltype(target), std::vector<std::string>*>) {
          // One value per appearance, so a repeatable option never swallows
          // the positional arguments that follow it.
          return app.add_option(spec.names, *target, spec.description)->allow_extra_args(false);
        } else {
          return app.add_option(spec.names, *target, spec.description)->capture_default_str();
        }
      },
      spec.target);
  if (spec.required) opt->required();
  if (spec.existingFile) opt->check(CLI::ExistingFile);
  if (!spec.choices.empty()) opt->check(CLI::IsMember(spec.choices));
  if (spec.min && spec.max) opt->check(CLI::Range(*spec.min, *spec.max));
  if (!spec.typeName.empty()) opt->type_name(spec.typeName);
  return opt;
}

BoundCommand Bind(CLI::App& parent, const Command& command) {
  BoundCommand bound;
  bound.command = &command;
  bound.app = parent.add_subcommand(command.name, command.description);
  bound.app->fallthrough();  // global flags may follow the subcommand
  for (const OptionSpec& spec : command.options) {
    CLI::Option* opt = AddOption(*bound.app, spec);
    if (spec.given) bound.givenFlags.emplace_back(opt, spec.given);
  }
  for (const Command& sub : command.subcommands) bound.children.push_back(Bind(*bound.app, sub));
  if (!command.subcommands.empty()) bound.app->require_subcommand(command.run ? 0 : 1, 1);
  return bound;
}

// The deepest parsed command along the chain, after recording which options appeared.
const BoundCommand* Selected(const BoundCommand& bound) {
  if (!bound.app->parsed()) return nullptr;
  for (const auto& [opt, flag] : bound.givenFlags) *flag = opt->count() > 0;
  for (const BoundCommand& child : bound.children)
    if (const BoundCommand* s = Selected(child)) return s;
  return &bound;
}

void PrintVersion() {
  std::printf("%s\n", LibDescription());
  std::printf("version %d.%02d (plug-in version 0x%08X)\n", VERSION_MAJOR, VERSION_MINOR,
              static_cast<unsigned>(LibVersion()));
}

// Hands the global flags to the host services. False (after saying why) when
// they cannot be honoured.
bool ApplyGlobals(const GlobalOptions& g) {
  host::SetMessageTitle(DisplayName());
  host::SetQuiet(g.quiet);
  if (g.batch) host::SetNetworkRender(true);
  if (g.yes) host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  if (g.no) host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  std::string error;
  if (!g.logFile.empty() && !host::SetLogFile(g.logFile, &error)) {
    std::fprintf(stderr, "%s: cannot open log file '%s': %s\n", PROGRAM, g.logFile.c_str(), error.c_str());
    return false;
  }
  return true;
}

int Run(int argc, char** argv) {
  CLI::App app{std::string(RendererName()) + ": cel-shaded pictures and illustrator's lines from 3D scenes", PROGRAM};
  app.require_subcommand(0, 1);

  GlobalOptions globals;
  bool version = false;
  app.add_flag("--version", version, "Show the version and exit");
  CLI::Option* yes = app.add_flag("-y,--yes", globals.yes, "Answer every question yes");
  CLI::Option* no = app.add_flag("--no", globals.no, "Answer every question no");
  yes->excludes(no);
  app.add_flag("--batch", globals.batch,
               "Run as if nobody were present: warnings go to the log, questions take their default answer");
  app.add_flag("-q,--quiet", globals.quiet, "Print no warnings on the terminal");
  app.add_option("--log", globals.logFile, "Also append warnings to FILE")->type_name("FILE");

  const std::vector<Command> commands = AllCommands();
  std::vector<BoundCommand> bound;
  for (const Command& command : commands) bound.push_back(Bind(app, command));

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s (see '%s --help')\n", PROGRAM, e.what(), PROGRAM);
    return ExitUsage;
  }

  if (version) {
    PrintVersion();
    return ExitOk;
  }
  const BoundCommand* selected = nullptr;
  for (const BoundCommand& b : bound)
    if ((selected = Selected(b))) break;
  if (!selected) {
    std::fprintf(stderr, "%s: no command given (see '%s --help')\n", PROGRAM, PROGRAM);
    return ExitUsage;
  }
  if (!ApplyGlobals(globals)) return ExitUsage;
  if (!RegisterProgramClasses()) {
    std::fprintf(stderr, "%s: the program's classes could not be set up\n", PROGRAM);
    return ExitFailed;
  }
  PlugInRenderStages();
  StartUpPlugin();
  return selected->command->run(globals);
}

}  // namespace
}  // namespace pw::cli

int main(int argc, char** argv) {
  try {
    return pw::cli::Run(argc, argv);
  } catch (const std::exception& e) {
    // Commands report through exit codes; reaching here is a bug, but the user
    // still deserves one clear line rather than an abort.
    std::fprintf(stderr, "penwright: internal error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "penwright: internal error\n");
  }
  return pw::cli::ExitFailed;
}
