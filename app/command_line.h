// The command line as `penwright` reads it, apart from the parser library:
// which command the words name, and the checks that turn the text each
// option received into the values the command reads. Every message is our
// own, in the words of docs/cli.md.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "command.h"

namespace pw::cli {

struct CommandWords {
  std::vector<const Command*> path;  // the command named, outermost first; empty: none
  bool help = false;                 // -h/--help anywhere, or `penwright help [COMMAND]`
  std::string error;                 // an unknown command word, or a command that needs another after it
};

// Finds the command words in `args` (argv without the program): the first
// word that is neither an option nor the value of a global option names the
// command, and a command made of subcommands takes the next such word.
// `penwright help COMMAND...` asks for that command's help.
CommandWords FindCommandWords(const std::vector<std::string>& args, const std::vector<OptionSpec>& globals,
                              const std::vector<Command>& commands);

// What the parser collected for one option.
struct ReceivedOption {
  const OptionSpec* spec = nullptr;
  std::size_t count = 0;            // times it appeared
  std::vector<std::string> values;  // for options that take values, in order; a flag's "true" or "false"
};

// Checks the received values against their specs (required, given once,
// numbers and their ranges, choices, readable files) and stores them in
// the specs' targets and `given` flags. False with one line in *error; the
// targets may then be partly set. `path` is the command they belong to.
bool StoreOptions(const std::vector<ReceivedOption>& options, const std::vector<const Command*>& path,
                  std::string* error);

// The message for an argument the command does not take: an unknown option
// (with the nearest option names of the command and the global ones) or one
// argument too many.
std::string UnexpectedArgument(const std::string& arg, const std::vector<const Command*>& path,
                               const std::vector<OptionSpec>& globals);

// "penwright render", for messages and help hints.
std::string CommandPathName(const std::vector<const Command*>& path);

}  // namespace pw::cli
