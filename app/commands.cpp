#include "commands.h"

namespace pw::cli {

std::vector<Command> AllCommands() {
  std::vector<Command> all;
  all.push_back(MakeClassesCommand());
  all.push_back(MakeInfoCommand());
  all.push_back(MakeRenderCommand());
  all.push_back(MakeLibraryCommand());
  return all;
}

}  // namespace pw::cli
