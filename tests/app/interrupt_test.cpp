#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "host/io/atomic_file.h"
#include "interrupt.h"

using namespace pw::cli;

namespace {

volatile std::sig_atomic_t gOtherHandlerCalls = 0;
extern "C" void OtherHandler(int) { gOtherHandlerCalls = gOtherHandlerCalls + 1; }

TEST(InterruptGuard, FirstCtrlCIsARequestNotAnEnd) {
  InterruptGuard guard;
  ASSERT_TRUE(guard.Installed());
  EXPECT_FALSE(InterruptRequested());
  std::raise(SIGINT);
  EXPECT_TRUE(InterruptRequested());
  ClearInterrupt();
  EXPECT_FALSE(InterruptRequested());
}

TEST(InterruptGuard, AnEarlierRequestIsForgottenByANewGuard) {
  {
    InterruptGuard guard;
    std::raise(SIGINT);
  }
  InterruptGuard again;
  EXPECT_FALSE(InterruptRequested());
}

TEST(InterruptGuard, PutsThePreviousHandlerBack) {
  auto* before = std::signal(SIGINT, OtherHandler);
  gOtherHandlerCalls = 0;
  {
    InterruptGuard guard;
    std::raise(SIGINT);
    EXPECT_EQ(gOtherHandlerCalls, 0);
  }
  std::raise(SIGINT);
  EXPECT_EQ(gOtherHandlerCalls, 1);
  std::signal(SIGINT, before);
}

TEST(InterruptGuardDeathTest, SecondCtrlCEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InterruptGuard guard;
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::exit(0);  // not reached
      },
      ::testing::KilledBySignal(SIGINT), "");
}

// The second Ctrl-C leaves the terminal line blank and no scratch file of
// a picture half written, then dies of the signal.
TEST(InterruptGuardDeathTest, SecondCtrlCWipesTheBarAndTheScratchFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("pw_interrupt_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string target = (dir / "picture.png").string();
  EXPECT_EXIT(
      {
        InterruptGuard guard;
        host::AtomicFile file;
        if (!file.Open(target, nullptr)) std::exit(3);
        std::fputs("half a picture", file.File());
        SetLineToWipe(12);
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::exit(0);  // not reached
      },
      ::testing::KilledBySignal(SIGINT), "^\r {12}\r$");
  EXPECT_TRUE(std::filesystem::is_empty(dir)) << "the scratch file is removed";
  std::filesystem::remove_all(dir);
}

}  // namespace
