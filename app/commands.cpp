#include "commands.h"

namespace pw::cli {

std::vector<Command> AllCommands() {
  std::vector<Command> all;
  all.push_back(MakeClassesCommand());
  return all;
}

}  // namespace pw::cli
