#include "host/services/interface.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <system_error>

namespace host {
namespace fs = std::filesystem;

namespace {

constexpr const char ELLIPSIS[] = "...";
constexpr int MAX_TEXT = MESSAGE_BUFFER_SIZE - 1;
// A user typing nonsense is asked again, but a broken reader must not loop forever.
constexpr int MAX_ASK_ATTEMPTS = 5;

// Writes `text` line by line, each line after `firstPrefix` (the first) or
// `nextPrefix` (the others).
void WriteLines(std::FILE* out, std::string_view firstPrefix, std::string_view nextPrefix, std::string_view text) {
  std::string_view prefix = firstPrefix;
  for (;;) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    std::fprintf(out, "%.*s%.*s\n", static_cast<int>(prefix.size()), prefix.data(), static_cast<int>(line.size()),
                 line.data());
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
    prefix = nextPrefix;
  }
  std::fflush(out);
}

// The title without the blank the display name ends with.
std::string_view TrimmedTitle(std::string_view title) {
  while (!title.empty() && std::isspace(static_cast<unsigned char>(title.back()))) title.remove_suffix(1);
  return title;
}

// What a line of a message starts with when nobody reads it at once.
const char* Label(bool isError) { return isError ? "error: " : "warning: "; }

void AppendToLogFile(InterfaceState& s, std::string_view text, bool isError) {
  if (s.logFile.empty()) return;
  std::FILE* f = std::fopen(s.logFile.c_str(), "a");
  bool ok = f != nullptr;
  if (f) {
    WriteLines(f, Label(isError), Label(isError), text);
    ok = std::ferror(f) == 0;
    ok = std::fclose(f) == 0 && ok;
  }
  if (!ok && !s.logFileFailed) {
    s.logFileFailed = true;
    std::fprintf(stderr, "cannot write log file '%s': %s\n", s.logFile.c_str(), std::strerror(errno));
  }
}

// The single way out for every message. A question's prompt is shown even
// in quiet mode: hiding it would leave the user waiting on an invisible
// question; so is an error, which ends the work the user waits for.
void Deliver(std::string_view text, bool evenIfQuiet = false, bool isError = false) {
  InterfaceState& s = TheInterfaceState();
  AppendToLogFile(s, text, isError);
  if (IsNetworkRender()) {
    if (s.logSink)
      s.logSink(text);
    else if (!s.quiet || evenIfQuiet)
      WriteLines(stderr, Label(isError), Label(isError), text);
    return;
  }
  const std::string shown = isError ? Label(true) + std::string(text) : std::string(text);
  text = shown;
  if (s.terminalSink) {
    s.terminalSink(s.title, text);
  } else if (!s.quiet || evenIfQuiet) {
    std::string first(TrimmedTitle(s.title));
    first += first.empty() ? "" : ": ";
    WriteLines(stderr, first, "  ", text);
  }
}

bool StdinLineReader(std::string& line) { return static_cast<bool>(std::getline(std::cin, line)); }

const char* AnswerWord(Answer a) {
  switch (a) {
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
    case Answer::Cancel: return "Cancel";
  }
  return "?";
}

std::optional<Answer> ParseAnswer(std::string_view typed, bool allowCancel, Answer defaultAnswer) {
  while (!typed.empty() && std::isspace(static_cast<unsigned char>(typed.front()))) typed.remove_prefix(1);
  while (!typed.empty() && std::isspace(static_cast<unsigned char>(typed.back()))) typed.remove_suffix(1);
  if (typed.empty()) return defaultAnswer;
  std::string word;
  for (char c : typed) word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "y" || word == "yes") return Answer::Yes;
  if (word == "n" || word == "no") return Answer::No;
  if (allowCancel && (word == "c" || word == "cancel")) return Answer::Cancel;
  return std::nullopt;
}

Answer Ask(bool allowCancel, Answer defaultAnswer, const std::string& question) {
  InterfaceState& s = TheInterfaceState();
  if (!allowCancel && defaultAnswer == Answer::Cancel) defaultAnswer = Answer::No;

  auto answerWithoutAsking = [&](Answer a, const char* why) {
    // The answer leads, so cutting a long question to the message size never hides it.
    WarningText(std::string("Answered ") + AnswerWord(a) + " (" + why + "): " + question);
    return a;
  };
  switch (s.policy) {
    case QuestionPolicy::AlwaysYes: return answerWithoutAsking(Answer::Yes, "as configured");
    case QuestionPolicy::AlwaysNo: return answerWithoutAsking(Answer::No, "as configured");
    case QuestionPolicy::DefaultAnswer: return answerWithoutAsking(defaultAnswer, "the default");
    case QuestionPolicy::Ask: break;
  }
  LineReader reader = s.answerReader;
  if (!reader && isatty(STDIN_FILENO)) reader = StdinLineReader;
  if (IsNetworkRender() || !reader) return answerWithoutAsking(defaultAnswer, "no one to ask, the default");

  std::string choices = allowCancel ? "y/n/c" : "y/n";
  const char defaultKey = static_cast<char>(std::tolower(static_cast<unsigned char>(AnswerWord(defaultAnswer)[0])));
  for (char& c : choices)
    if (c == defaultKey) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (int attempt = 0; attempt < MAX_ASK_ATTEMPTS; ++attempt) {
    Deliver(question + " [" + choices + "]", true);
    std::string line;
    if (!reader(line)) return allowCancel ? Answer::Cancel : defaultAnswer;
    if (std::optional<Answer> a = ParseAnswer(line, allowCancel, defaultAnswer)) return *a;
  }
  return answerWithoutAsking(defaultAnswer, "no valid answer, the default");
}

std::optional<fs::path> ExistingDir(const fs::path& p) {
  std::error_code ec;
  if (fs::is_directory(p, ec)) return p;
  return std::nullopt;
}

// A folder path without a trailing separator.
fs::path Tidy(fs::path p) {
  p = p.lexically_normal();
  if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
  return p;
}

DirLookup LookUpInstallDir(const InterfaceState& s) {
  DirLookup r{true, std::nullopt, false};
  std::error_code ec;
  const char* home = std::getenv("PENWRIGHT_HOME");
  if (home && *home) {
    r.named = true;
    fs::path p = Tidy(fs::absolute(home, ec));
    if (ec) p = home;
    if (!(r.dir = ExistingDir(p)))
      WarningMessage("The installation folder \"%s\" named by PENWRIGHT_HOME does not exist.", p.c_str());
    return r;
  }
  fs::path exe = s.executable ? *s.executable : fs::read_symlink("/proc/self/exe", ec);
  if (exe.empty() || ec) {
    WarningMessage("Unable to find the installation folder: %s.\nSet PENWRIGHT_HOME to the folder holding Maps and Help.",
                   ec ? ec.message().c_str() : "the program's location is unknown");
    return r;
  }
  fs::path dir = Tidy(fs::absolute(exe, ec).parent_path());
  if (!(r.dir = ExistingDir(dir))) WarningMessage("The installation folder \"%s\" does not exist.", dir.c_str());
  return r;
}

DirLookup LookUpSubdir(const char* name) {
  DirLookup r{true, std::nullopt, false};
  std::optional<fs::path> install = InstallDir();
  if (!install) return r;  // already reported
  fs::path dir = *install / name;
  if (!(r.dir = ExistingDir(dir)) && TheInterfaceState().installDir.named)
    WarningMessage("The %s folder \"%s\" is missing.\nReinstall Penwright or set PENWRIGHT_HOME to its installation folder.",
                   name, dir.c_str());
  return r;
}

}  // namespace

InterfaceState& TheInterfaceState() {
  static InterfaceState state;
  return state;
}

void SetMessageTitle(std::string title) { TheInterfaceState().title = std::move(title); }
const std::string& MessageTitle() { return TheInterfaceState().title; }

bool IsNetworkRender() {
  const InterfaceState& s = TheInterfaceState();
  if (s.networkRender) return *s.networkRender;
  return !isatty(STDERR_FILENO);
}

void SetNetworkRender(bool on) { TheInterfaceState().networkRender = on; }
void SetQuiet(bool on) { TheInterfaceState().quiet = on; }
void SetQuestionPolicy(QuestionPolicy policy) { TheInterfaceState().policy = policy; }
void SetLogSink(MessageSink sink) { TheInterfaceState().logSink = std::move(sink); }
void SetTerminalSink(TerminalSink sink) { TheInterfaceState().terminalSink = std::move(sink); }
void SetAnswerReader(LineReader reader) { TheInterfaceState().answerReader = std::move(reader); }

bool SetLogFile(const std::string& path, std::string* error) {
  InterfaceState& s = TheInterfaceState();
  if (!path.empty()) {
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
      if (error) *error = std::strerror(errno);
      return false;
    }
    std::fclose(f);
  }
  s.logFile = path;
  s.logFileFailed = false;
  return true;
}

std::string FormatMessageTextV(const char* format, std::va_list args) {
  char buf[MESSAGE_BUFFER_SIZE];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  if (n < 0) return format;  // an encoding error: the bare format is better than nothing
  if (n <= MAX_TEXT) return std::string(buf, static_cast<std::size_t>(n));
  // Cut so the ellipsis fits, moving back off continuation bytes of a UTF-8 character.
  std::size_t cut = MAX_TEXT - (sizeof ELLIPSIS - 1);
  while (cut > 0 && (static_cast<unsigned char>(buf[cut]) & 0xC0) == 0x80) --cut;
  return std::string(buf, cut) + ELLIPSIS;
}

std::string FormatMessageText(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = FormatMessageTextV(format, args);
  va_end(args);
  return text;
}

void WarningMessage(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = FormatMessageTextV(format, args);
  va_end(args);
  Deliver(text);
}

void WarningText(std::string_view text) {
  std::string copy(text);  // the formatter needs a terminated string
  Deliver(FormatMessageText("%s", copy.c_str()));
}

void ErrorMessage(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = FormatMessageTextV(format, args);
  va_end(args);
  Deliver(text, true, true);
}

Answer YesNoQuestion(Answer defaultAnswer, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string question = FormatMessageTextV(format, args);
  va_end(args);
  return Ask(false, defaultAnswer, question);
}

Answer YesNoCancelQuestion(Answer defaultAnswer, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string question = FormatMessageTextV(format, args);
  va_end(args);
  return Ask(true, defaultAnswer, question);
}

std::optional<fs::path> InstallDir() {
  InterfaceState& s = TheInterfaceState();
  if (!s.installDir.resolved) s.installDir = LookUpInstallDir(s);
  return s.installDir.dir;
}

std::optional<fs::path> MapsDir() {
  InterfaceState& s = TheInterfaceState();
  if (!s.mapsDir.resolved) s.mapsDir = LookUpSubdir("Maps");
  return s.mapsDir.dir;
}

std::optional<fs::path> HelpDir() {
  InterfaceState& s = TheInterfaceState();
  if (!s.helpDir.resolved) s.helpDir = LookUpSubdir("Help");
  return s.helpDir.dir;
}

void ResetInstallDirs() {
  InterfaceState& s = TheInterfaceState();
  s.installDir = s.mapsDir = s.helpDir = DirLookup{};
}

}  // namespace host
