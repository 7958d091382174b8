// Ctrl-C during a render: the first one asks the render to stop at its next
// progress report (so no half-made picture is written), the second one ends
// the program at once for a user who does not want to wait: it blanks the
// progress line and removes the scratch file of a picture being written
// first, then dies of SIGINT.
//
// The signal handler only stores into a std::sig_atomic_t; everything else
// happens on the render's own thread when it polls InterruptRequested().
#pragma once

namespace pw::cli {

// Installs the SIGINT handler while alive and puts the previous one back
// when destroyed. Clears any earlier request on construction.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // False when the handler could not be installed (Ctrl-C then ends the
  // program the ordinary way).
  bool Installed() const { return installed_; }

 private:
  bool installed_ = false;
};

// True once SIGINT arrived under an InterruptGuard.
bool InterruptRequested();
// Forgets a request (a later run in the same process starts afresh).
void ClearInterrupt();
// How many columns of the terminal line the progress bar covers now (0:
// none), for the second Ctrl-C to blank them.
void SetLineToWipe(int columns);

}  // namespace pw::cli
