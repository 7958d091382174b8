#include "interrupt.h"

#include <csignal>

#include <signal.h>

namespace pw::cli {

namespace {

// The process-wide part: a signal handler has nowhere else to write.
volatile std::sig_atomic_t gInterrupted = 0;
struct sigaction gPrevious;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

InterruptGuard::InterruptGuard() {
  gInterrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the handler fires once; the next Ctrl-C takes the default
  // action and ends the program straight away. SA_RESTART keeps a write or
  // read in progress from failing with EINTR because of the first one.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  installed_ = sigaction(SIGINT, &action, &gPrevious) == 0;
}

InterruptGuard::~InterruptGuard() {
  if (installed_) sigaction(SIGINT, &gPrevious, nullptr);
}

bool InterruptRequested() { return gInterrupted != 0; }

void ClearInterrupt() { gInterrupted = 0; }

}  // namespace pw::cli
