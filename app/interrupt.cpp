#include "interrupt.h"

#include <csignal>

#include <signal.h>
#include <unistd.h>

#include "host/io/atomic_file.h"

namespace pw::cli {

namespace {

// The process-wide part: a signal handler has nowhere else to write.
volatile std::sig_atomic_t gInterrupted = 0;
volatile std::sig_atomic_t gLineWidth = 0;
struct sigaction gPrevious;

// Blanks the terminal line the bar is on. Only write(2) here: nothing else
// may be called from a signal handler.
void WipeLine(int width) {
  static constexpr char kSpaces[] = "                                                                ";
  constexpr int kChunk = static_cast<int>(sizeof kSpaces) - 1;
  ssize_t ignored = ::write(STDERR_FILENO, "\r", 1);
  for (int left = width; left > 0; left -= kChunk) ignored = ::write(STDERR_FILENO, kSpaces, left < kChunk ? left : kChunk);
  ignored = ::write(STDERR_FILENO, "\r", 1);
  (void)ignored;
}

extern "C" void OnInterrupt(int signal) {
  if (!gInterrupted) {
    gInterrupted = 1;
    return;
  }
  // The second Ctrl-C: the user will not wait. Leave the terminal line and
  // the folder as they were before the run, then die of the signal as if no
  // handler had been there, so that a calling shell sees the interruption.
  if (gLineWidth > 0) WipeLine(gLineWidth);
  host::RemovePendingTempFile();
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  sigaction(signal, &plain, nullptr);
  ::raise(signal);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  gInterrupted = 0;
  gLineWidth = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // SA_RESTART keeps a write or read in progress from failing with EINTR
  // because of the first one. The signal stays blocked while its handler
  // runs (no SA_NODEFER), so the raise in the second one takes effect only
  // once that handler has returned.
  action.sa_flags = SA_RESTART;
  installed_ = sigaction(SIGINT, &action, &gPrevious) == 0;
}

InterruptGuard::~InterruptGuard() {
  if (installed_) sigaction(SIGINT, &gPrevious, nullptr);
  gLineWidth = 0;
}

bool InterruptRequested() { return gInterrupted != 0; }

void ClearInterrupt() { gInterrupted = 0; }

void SetLineToWipe(int columns) { gLineWidth = columns > 0 ? columns : 0; }

}  // namespace pw::cli
