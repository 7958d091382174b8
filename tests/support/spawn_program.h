// Runs a built program as a user would, for the tests of the command line.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace pw::test {

// Starts `exe` with `args`, stdin from /dev/null and stdout and stderr
// written to the two files. The process id, or -1 when it cannot start.
pid_t SpawnWithOutputFiles(const std::string& exe, const std::vector<std::string>& args, const std::string& outPath,
                           const std::string& errPath);

}  // namespace pw::test
