#include <gtest/gtest.h>

#include <csignal>

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

}  // namespace
