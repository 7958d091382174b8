// The help `penwright --help`, `penwright help COMMAND` and `penwright
// COMMAND --help` print, made from the commands' own descriptions, and the
// names options go by in messages.
#pragma once

#include <string>
#include <vector>

#include "command.h"

namespace pw::cli {

// A spec without a leading dash is a positional argument.
bool IsPositional(const OptionSpec& spec);
// Every name of the option: {"-o", "--output"}.
std::vector<std::string> OptionNames(const OptionSpec& spec);
// How messages name an option: "-o/--output", "--set", or "SCENE" for a
// positional argument.
std::string OptionLabel(const OptionSpec& spec);

// `text` broken into lines of at most `width` columns (a longer word stands
// alone), every line but the first after `indent` spaces.
std::string WrapText(const std::string& text, std::size_t width, std::size_t indent);

// The program's help: usage, its commands, the global options, the exit status.
std::string ProgramHelp(const std::vector<Command>& commands, const std::vector<OptionSpec>& globals);

// The help of the last command of `path` (`library`, then `show`): usage,
// description, arguments, options, subcommands, then the global options.
std::string CommandHelp(const std::vector<const Command*>& path, const std::vector<OptionSpec>& globals);

}  // namespace pw::cli
