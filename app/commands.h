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

}  // namespace pw::cli
