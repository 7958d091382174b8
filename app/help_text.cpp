#include "help_text.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace pw::cli {

namespace {

constexpr std::size_t kWidth = 80;
// The column descriptions start at; a longer option name gets a line of its own.
constexpr std::size_t kNameColumn = 26;

// The statuses of docs/cli.md, "Exit status".
constexpr std::pair<const char*, const char*> kExitStatus[] = {
    {"0", "done"},
    {"1", "the command ran and failed: a render failed or was cancelled, a file could not be written"},
    {"2", "the command line or the input is wrong: an unknown option, a bad value, a file that cannot be read; "
          "nothing was rendered or written"},
};

bool IsFlag(const OptionSpec& spec) { return std::holds_alternative<bool*>(spec.target); }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// "SCENE", or the name in capitals.
std::string PositionalName(const OptionSpec& spec) {
  return spec.typeName.empty() ? Upper(spec.names) : spec.typeName;
}

// "-o, --output FILE".
std::string HelpName(const OptionSpec& spec) {
  if (IsPositional(spec)) return PositionalName(spec);
  std::string out;
  for (const std::string& n : OptionNames(spec)) out += (out.empty() ? "" : ", ") + n;
  if (!IsFlag(spec)) out += " " + (spec.typeName.empty() ? std::string("VALUE") : spec.typeName);
  return out;
}

std::string Entry(const std::string& name, const std::string& description) {
  std::string out = "  " + name;
  if (out.size() + 2 > kNameColumn) {
    out += "\n" + std::string(kNameColumn, ' ');
  } else {
    out += std::string(kNameColumn - out.size(), ' ');
  }
  return out + WrapText(description, kWidth - kNameColumn, kNameColumn) + "\n";
}

std::string OptionEntries(const std::vector<OptionSpec>& specs, bool positional) {
  std::string out;
  for (const OptionSpec& spec : specs)
    if (IsPositional(spec) == positional) {
      std::string description = spec.description;
      if (std::holds_alternative<std::vector<std::string>*>(spec.target) && !positional &&
          description.find("repeat") == std::string::npos)
        description += " (repeatable)";
      if (spec.required && !positional) description += " (required)";
      out += Entry(HelpName(spec), description);
    }
  return out;
}

std::string PathName(const std::vector<const Command*>& path) {
  std::string out = "penwright";
  for (const Command* c : path) out += " " + c->name;
  return out;
}

std::string Usage(const std::vector<const Command*>& path) {
  const Command& c = *path.back();
  std::string out = "Usage: " + PathName(path);
  if (!c.subcommands.empty()) {
    std::string names;
    for (const Command& sub : c.subcommands) names += (names.empty() ? "" : "|") + sub.name;
    return out + " " + (c.run ? "[" + names + "]" : names) + " ...\n";
  }
  bool hasOptional = false;
  for (const OptionSpec& spec : c.options) {
    if (IsPositional(spec)) {
      out += " " + (spec.required ? PositionalName(spec) : "[" + PositionalName(spec) + "]");
    } else if (spec.required) {
      out += " " + OptionNames(spec).front() + (IsFlag(spec) ? "" : " " + spec.typeName);
    } else {
      hasOptional = true;
    }
  }
  return out + (hasOptional ? " [OPTIONS]" : "") + "\n";
}

// Every command that runs, by its whole name ("library show"), with its description.
void ListCommands(const Command& c, const std::string& prefix, std::string& out) {
  const std::string name = prefix.empty() ? c.name : prefix + " " + c.name;
  if (c.run || c.subcommands.empty()) out += Entry(name, c.description);
  for (const Command& sub : c.subcommands) ListCommands(sub, name, out);
}

std::string GlobalSection(const std::vector<OptionSpec>& globals) {
  return "\nGlobal options (before or after the command):\n" + OptionEntries(globals, false);
}

}  // namespace

bool IsPositional(const OptionSpec& spec) { return !spec.names.empty() && spec.names.front() != '-'; }

std::vector<std::string> OptionNames(const OptionSpec& spec) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= spec.names.size()) {
    const std::size_t comma = std::min(spec.names.find(',', start), spec.names.size());
    if (comma > start) names.push_back(spec.names.substr(start, comma - start));
    start = comma + 1;
  }
  return names;
}

std::string OptionLabel(const OptionSpec& spec) {
  if (IsPositional(spec)) return PositionalName(spec);
  std::string out;
  for (const std::string& n : OptionNames(spec)) out += (out.empty() ? "" : "/") + n;
  return out;
}

std::string WrapText(const std::string& text, std::size_t width, std::size_t indent) {
  std::string out;
  std::size_t column = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\n') {
      out += "\n" + std::string(indent, ' ');
      column = 0;
      ++i;
      continue;
    }
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != '\n') ++end;
    const std::size_t length = end - i;
    if (column > 0 && column + 1 + length > width) {
      out += "\n" + std::string(indent, ' ');
      column = 0;
    } else if (column > 0) {
      out += ' ';
      ++column;
    }
    out.append(text, i, length);
    column += length;
    i = end;
  }
  return out;
}

std::string ProgramHelp(const std::vector<Command>& commands, const std::vector<OptionSpec>& globals) {
  std::string out =
      "Usage: penwright [GLOBAL OPTIONS] COMMAND [ARGUMENTS]\n\n"
      "Penwright draws 3D scenes as cel-shaded pictures with illustrator's lines (PNG, TGA) or as drawings "
      "(AI, DXF, SWF).\n";
  out = WrapText(out, kWidth, 0);
  out += "\nCommands:\n";
  for (const Command& c : commands) ListCommands(c, "", out);
  out += Entry("help [COMMAND]", "Show the help of a command (of the program without one)");
  out += GlobalSection(globals);
  out += "\nExit status:\n";
  for (const auto& [code, meaning] : kExitStatus)
    out += std::string("  ") + code + "  " + WrapText(meaning, kWidth - 5, 5) + "\n";
  out += "\n" + WrapText("'penwright help COMMAND' or 'penwright COMMAND --help' shows a command's arguments and "
                         "options; docs/cli.md tells the whole story.",
                         kWidth, 0) +
         "\n";
  return out;
}

std::string CommandHelp(const std::vector<const Command*>& path, const std::vector<OptionSpec>& globals) {
  const Command& c = *path.back();
  std::string out = Usage(path);
  out += "\n" + WrapText(c.description, kWidth, 0) + "\n";
  const std::string positionals = OptionEntries(c.options, true);
  if (!positionals.empty()) out += "\nArguments:\n" + positionals;
  const std::string options = OptionEntries(c.options, false);
  if (!options.empty()) out += "\nOptions:\n" + options;
  if (!c.subcommands.empty()) {
    out += "\nCommands:\n";
    for (const Command& sub : c.subcommands) out += Entry(sub.name, sub.description);
  }
  if (!c.footer.empty()) out += "\n" + WrapText(c.footer, kWidth, 0) + "\n";
  out += GlobalSection(globals);
  out += "\n" + WrapText("Exit status: 0 done, 1 the command failed, 2 a bad command line or input ('penwright "
                         "--help' tells more).",
                         kWidth, 0) +
         "\n";
  return out;
}

}  // namespace pw::cli
