#include "commands.h"

#include <cstdio>

namespace pw::cli {

void PrintError(std::string_view message) {
  std::fprintf(stderr, "penwright: error: %.*s\n", static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
}

std::vector<Command> AllCommands() {
  std::vector<Command> all;
  all.push_back(MakeClassesCommand());
  all.push_back(MakeInfoCommand());
  all.push_back(MakeRenderCommand());
  all.push_back(MakeLibraryCommand());
  return all;
}

std::vector<OptionSpec> GlobalOptionSpecs(ProgramFlags& flags) {
  GlobalOptions& g = flags.globals;
  Command c;  // only to collect the specs
  c.Add("-h,--help", &flags.help, "Show this help and exit; 'penwright help COMMAND' shows a command's");
  c.Add("--version", &flags.version, "Show the product name, version and plug-in version, and exit");
  c.Add("-y,--yes", &g.yes, "Answer every question yes (for example whether to replace an existing vector file)");
  c.Add("--no", &g.no, "Answer every question no; not with --yes");
  c.Add("--batch", &g.batch,
        "Run as if nobody were present: questions take their default answer and progress comes as plain lines. "
        "Warnings are still printed on stderr, as 'warning: ' lines: -q keeps them off the terminal, --log FILE "
        "keeps them in a file");
  c.Add("-q,--quiet", &g.quiet,
        "Print no warnings, no progress and not the paths of the files written; errors are still printed, and "
        "--log FILE still receives the warnings");
  c.Add("--log", &g.logFile, "Also append every warning to FILE (checked at start: it must be writable)")
      .TypeName("FILE");
  return std::move(c.options);
}

}  // namespace pw::cli
