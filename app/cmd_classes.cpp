// `penwright classes`: the plug-in's classes with their persistent ids, the
// numbers scene files refer to them by.
#include <cstdio>
#include <string>

#include "commands.h"
#include "plugin/entry.h"

namespace pw::cli {

namespace {

int RunClasses(const GlobalOptions&) {
  std::printf("%2s  %-6s  %-21s  %-20s  %s\n", "#", "super", "class id", "internal name", "class name");
  for (int i = 0; i < LibNumberClasses(); ++i) {
    const host::ClassDesc* desc = LibClassDesc(i);
    if (!desc) {
      PrintError("class " + std::to_string(i) + " has no descriptor");
      return ExitFailed;
    }
    host::Class_ID id = desc->ClassID();
    std::printf("%2d  0x%04X  0x%08X,0x%08X  %-20s  %s\n", i, static_cast<unsigned>(desc->SuperClassID()),
                static_cast<unsigned>(id.PartA()), static_cast<unsigned>(id.PartB()), desc->InternalName().c_str(),
                desc->ClassName().c_str());
  }
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

}  // namespace

Command MakeClassesCommand() {
  Command c;
  c.name = "classes";
  c.description = "List the plug-in's classes with their super class and class ids";
  c.run = RunClasses;
  return c;
}

}  // namespace pw::cli
