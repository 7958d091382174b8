#include "command_line.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "help_text.h"
#include "scene_io/closest_names.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

bool IsOptionWord(const std::string& arg) { return arg.size() > 1 && arg.front() == '-'; }

const OptionSpec* FindOption(const std::vector<OptionSpec>& specs, const std::string& name) {
  for (const OptionSpec& spec : specs)
    if (!IsPositional(spec))
      for (const std::string& n : OptionNames(spec))
        if (n == name) return &spec;
  return nullptr;
}

bool TakesValue(const OptionSpec& spec) { return !std::holds_alternative<bool*>(spec.target); }

// "library show": the command's words.
std::string Words(const std::vector<const Command*>& path) {
  std::string out;
  for (const Command* c : path) out += (out.empty() ? "" : " ") + c->name;
  return out;
}

std::string HelpHint(const std::vector<const Command*>& path) {
  return "see 'penwright help" + (path.empty() ? std::string() : " " + Words(path)) + "'";
}

const Command* FindCommand(const std::vector<Command>& list, const std::string& name) {
  for (const Command& c : list)
    if (c.name == name) return &c;
  return nullptr;
}

std::string UnknownCommand(const std::string& word, const std::vector<const Command*>& path,
                           const std::vector<Command>& list) {
  std::vector<std::string> names;
  for (const Command& c : list) names.push_back(c.name);
  if (path.empty()) names.push_back("help");
  const std::string prefix = path.empty() ? std::string() : Words(path) + " ";
  const std::vector<std::string> near = ClosestNames(word, names, 1);
  std::string out = "unknown command " + Quoted(prefix + word);
  if (!near.empty()) return out + " (did you mean " + Quoted(prefix + near.front()) + "?)";
  std::string all;
  for (std::size_t i = 0; i < names.size(); ++i) all += (i ? ", " : "") + names[i];
  return out + "; the commands are " + all + " (" + HelpHint(path) + ")";
}

std::string SubcommandList(const Command& c) {
  std::string out;
  for (std::size_t i = 0; i < c.subcommands.size(); ++i)
    out += (i == 0 ? "" : i + 1 == c.subcommands.size() ? " or " : ", ") + c.subcommands[i].name;
  return out;
}

// A whole number or a decimal for an option's int or double target.
bool StoreNumber(const OptionSpec& spec, const std::string& text, std::string* error) {
  const std::string label = OptionLabel(spec);
  double value = 0.0;
  if (int* const* target = std::get_if<int*>(&spec.target)) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
      return Fail(error, label + ": " + Quoted(text) + " is not a whole number");
    value = v;
    **target = v;
  } else if (double* const* dtarget = std::get_if<double*>(&spec.target)) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value))
      return Fail(error, label + ": " + Quoted(text) + " is not a number");
    **dtarget = value;
  }
  if (spec.min && spec.max && (value < *spec.min || value > *spec.max)) {
    char range[96];
    std::snprintf(range, sizeof range, "%g to %g", *spec.min, *spec.max);
    return Fail(error, label + ": " + text + " is out of range (" + range + ")");
  }
  return true;
}

// The file must open for reading; said as the scene loaders say it.
bool CheckReadable(const OptionSpec& spec, const std::string& path, std::string* error) {
  const std::string lead = IsPositional(spec) ? "" : OptionLabel(spec) + ": ";
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return Fail(error, lead + "cannot read " + Quoted(path) + ": it is a folder");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return Fail(error, lead + "cannot read " + Quoted(path) + ": " + std::strerror(errno));
  std::fclose(f);
  return true;
}

bool StoreOne(const ReceivedOption& r, const std::vector<const Command*>& path, std::string* error) {
  const OptionSpec& spec = *r.spec;
  const std::string label = OptionLabel(spec);
  if (r.count == 0) {
    if (!spec.required) return true;
    return Fail(error, "'" + Words(path) + "' needs " + (IsPositional(spec) ? "a " + label : label + " " + spec.typeName) +
                           " (" + HelpHint(path) + ")");
  }
  if (spec.given) *spec.given = true;
  if (bool* const* flag = std::get_if<bool*>(&spec.target)) {
    **flag = r.values.empty() || r.values.front() != "false";
    return true;
  }
  std::vector<std::string>* const* list = std::get_if<std::vector<std::string>*>(&spec.target);
  if (!list && r.values.size() > 1) {
    std::string all;
    for (std::size_t i = 0; i < r.values.size(); ++i) all += (i ? ", " : "") + Quoted(r.values[i]);
    return Fail(error, label + " is given " + std::to_string(r.values.size()) + " times (" + all +
                           "); give it once");
  }
  for (const std::string& v : r.values) {
    if (!spec.choices.empty() && std::find(spec.choices.begin(), spec.choices.end(), v) == spec.choices.end()) {
      std::string all;
      for (std::size_t i = 0; i < spec.choices.size(); ++i) all += (i ? ", " : "") + spec.choices[i];
      return Fail(error, label + ": " + Quoted(v) + " is not one of " + all);
    }
    if (spec.existingFile && !CheckReadable(spec, v, error)) return false;
  }
  if (list) {
    **list = r.values;
    return true;
  }
  const std::string& value = r.values.empty() ? std::string() : r.values.front();
  if (std::string* const* text = std::get_if<std::string*>(&spec.target)) {
    **text = value;
    return true;
  }
  return StoreNumber(spec, value, error);
}

}  // namespace

std::string CommandPathName(const std::vector<const Command*>& path) {
  return path.empty() ? std::string("penwright") : "penwright " + Words(path);
}

CommandWords FindCommandWords(const std::vector<std::string>& args, const std::vector<OptionSpec>& globals,
                              const std::vector<Command>& commands) {
  CommandWords words;
  bool helpCommand = false;  // `penwright help ...`: the words after it name the command
  bool leaf = false;         // the command needs no further word
  const std::vector<Command>* level = &commands;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") break;
    if (IsOptionWord(arg)) {
      const std::string name = arg.substr(0, arg.find('='));
      const OptionSpec* global = FindOption(globals, name);
      if (name == "-h" || name == "--help") words.help = true;
      // The value of a global option is no command word.
      if (global && TakesValue(*global) && name.size() == arg.size()) ++i;
      continue;
    }
    if (leaf) continue;  // an argument of the command
    if (words.path.empty() && !helpCommand && arg == "help") {
      helpCommand = words.help = true;
      continue;
    }
    const Command* c = FindCommand(*level, arg);
    if (!c) {
      words.error = UnknownCommand(arg, words.path, *level);
      return words;
    }
    words.path.push_back(c);
    level = &c->subcommands;
    leaf = c->subcommands.empty();
  }
  if (!words.path.empty() && !words.help && !words.path.back()->run && !words.path.back()->subcommands.empty()) {
    const Command& c = *words.path.back();
    words.error = "'" + Words(words.path) + "' needs a command after it: " + SubcommandList(c) +
                  " (" + HelpHint(words.path) + ")";
  }
  return words;
}

bool StoreOptions(const std::vector<ReceivedOption>& options, const std::vector<const Command*>& path,
                  std::string* error) {
  for (const ReceivedOption& r : options)
    if (!StoreOne(r, path, error)) return false;
  return true;
}

std::string UnexpectedArgument(const std::string& arg, const std::vector<const Command*>& path,
                               const std::vector<OptionSpec>& globals) {
  const std::string where = path.empty() ? std::string("penwright") : "'" + Words(path) + "'";
  if (!IsOptionWord(arg)) return "unexpected argument " + Quoted(arg) + " for " + where + " (" + HelpHint(path) + ")";
  const std::string name = arg.substr(0, arg.find('='));
  std::vector<std::string> names;
  if (!path.empty())
    for (const OptionSpec& spec : path.back()->options)
      if (!IsPositional(spec))
        for (const std::string& n : OptionNames(spec)) names.push_back(n);
  for (const OptionSpec& spec : globals)
    for (const std::string& n : OptionNames(spec)) names.push_back(n);
  const std::vector<std::string> near = ClosestNames(name, names, 2);
  std::string out = "unknown option " + Quoted(name) + " for " + where;
  if (!near.empty()) out += " (did you mean " + QuotedAlternatives(near) + "?)";
  return out + "; " + HelpHint(path);
}

}  // namespace pw::cli
