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

std::vector<Command> AllCommands();

}  // namespace pw::cli
