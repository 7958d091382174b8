// User-interaction services: the warning reporter, yes/no questions and the
// installation directory.
//
// A message either reaches a person (printed on the terminal under the
// product's title) or, when nobody is there to read it, goes to the log. A run
// counts as unattended (a "network render") when stderr is not a terminal, or
// when the command line says so. Questions never wait for an answer that
// cannot come: unattended runs and runs with an answer policy answer at once.
#pragma once

#include <cstdarg>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// Messages are formatted into a buffer of this size: at most 255 characters.
inline constexpr int MESSAGE_BUFFER_SIZE = 256;

enum class Answer { Yes, No, Cancel };

// How questions are answered.
enum class QuestionPolicy {
  Ask,            // ask on the terminal when someone is there, else take the question's default
  AlwaysYes,
  AlwaysNo,
  DefaultAnswer,  // the default answer the question offers, without asking
};

// Receives the text of one message (it may hold several lines).
using MessageSink = std::function<void(std::string_view text)>;
// Shows a message to the person at the terminal.
using TerminalSink = std::function<void(std::string_view title, std::string_view text)>;
// Reads one line typed in answer to a question; false at the end of input.
using LineReader = std::function<bool(std::string& line)>;

struct DirLookup {
  bool resolved = false;
  std::optional<std::filesystem::path> dir;  // empty: unavailable
  bool named = false;  // the folder was named by PENWRIGHT_HOME (not found next to the program)
};

// Everything the services keep for the process. Copyable, so a test can save
// and restore it around a case.
struct InterfaceState {
  std::string title = "Penwright";
  std::optional<bool> networkRender;  // unset: decided by whether stderr is a terminal
  bool quiet = false;                 // nothing printed on stderr by the default outputs
  QuestionPolicy policy = QuestionPolicy::Ask;
  std::string logFile;                // every message is appended here too, when set
  bool logFileFailed = false;         // a write failure was reported already
  MessageSink logSink;                // unattended output; null: "warning: " lines on stderr
  TerminalSink terminalSink;          // attended output; null: "<title>: text" on stderr
  LineReader answerReader;            // null: stdin, when stdin is a terminal
  std::optional<std::filesystem::path> executable;  // unset: the running program
  DirLookup installDir, mapsDir, helpDir;
};

InterfaceState& TheInterfaceState();

// The title of messages and questions: the product's display name.
void SetMessageTitle(std::string title);
const std::string& MessageTitle();

bool IsNetworkRender();
void SetNetworkRender(bool on);

void SetQuiet(bool on);
void SetQuestionPolicy(QuestionPolicy policy);
void SetLogSink(MessageSink sink);
void SetTerminalSink(TerminalSink sink);
void SetAnswerReader(LineReader reader);

// Appends every later message to `path` (empty: no log file). Checks at once
// that the file can be opened for appending; on failure keeps the previous
// setting, fills `error` and answers false.
bool SetLogFile(const std::string& path, std::string* error = nullptr);

// printf-style formatting into the message buffer. Text that does not fit is
// cut to 255 characters, the last three of which become "..." so a reader
// can tell; a cut never splits a UTF-8 character.
std::string FormatMessageText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatMessageTextV(const char* format, std::va_list args);

// The warning reporter: formats the message and shows it to the user or logs it.
void WarningMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for text that is already formatted (still limited to 255 characters).
void WarningText(std::string_view text);

// A failure that ends the work under way (a frame that cannot be rendered),
// reported like a warning but labelled "error: " where warnings say
// "warning: ", and shown even in quiet mode.
void ErrorMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Questions. `defaultAnswer` is taken when no one can be asked or the policy
// says so, and when the user just presses Enter. A yes/no question whose
// default is Cancel defaults to No.
Answer YesNoQuestion(Answer defaultAnswer, const char* format, ...) __attribute__((format(printf, 2, 3)));
Answer YesNoCancelQuestion(Answer defaultAnswer, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The installation directory: $PENWRIGHT_HOME when set, else the folder of
// the executable; and its "Maps" and "Help" subfolders. Looked up once per
// process; a folder that does not exist is unavailable, and reported once
// when PENWRIGHT_HOME named the installation (a program run from its build
// folder has no Maps or Help beside it, and that is no fault).
std::optional<std::filesystem::path> InstallDir();
std::optional<std::filesystem::path> MapsDir();
std::optional<std::filesystem::path> HelpDir();
// Forgets the looked-up directories (after PENWRIGHT_HOME or the executable changed).
void ResetInstallDirs();

}  // namespace host
