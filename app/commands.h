// Every subcommand of `penwright`. Adding one: write its Make function in a
// file of its own and list it in commands.cpp.
#pragma once

#include <vector>

#include "command.h"

namespace pw::cli {

Command MakeClassesCommand();
Command MakeInfoCommand();
Command MakeRenderCommand();
Command MakeLibraryCommand();
// `library export` and `library import`, subcommands of MakeLibraryCommand's.
Command MakeLibraryExportCommand();
Command MakeLibraryImportCommand();

std::vector<Command> AllCommands();

// What the options before or after any command set.
struct ProgramFlags {
  GlobalOptions globals;
  bool help = false;
  bool version = false;
};

// The global options, bound to `flags`, in the order help lists them.
std::vector<OptionSpec> GlobalOptionSpecs(ProgramFlags& flags);

}  // namespace pw::cli
