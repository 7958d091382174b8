// Reading how much memory the system has available.
#include "lines/available_memory.h"

#include <gtest/gtest.h>

namespace {

TEST(AvailableMemory, ReadsTheMemAvailableLineInKibibytes) {
  EXPECT_EQ(pw::ParseMemAvailable("MemTotal:       24568144 kB\nMemFree:        19876543 kB\n"
                                  "MemAvailable:   22712340 kB\nBuffers:          123456 kB\n"),
            std::int64_t{22712340} * 1024);
  EXPECT_EQ(pw::ParseMemAvailable("MemAvailable: 0 kB\n"), 0);
  // Missing, malformed, or only inside another name: unknown.
  EXPECT_EQ(pw::ParseMemAvailable("MemTotal: 100 kB\nMemFree: 50 kB\n"), -1);
  EXPECT_EQ(pw::ParseMemAvailable("MemAvailable: lots\n"), -1);
  EXPECT_EQ(pw::ParseMemAvailable("MemAvailable: 12 MB\n"), -1);
  EXPECT_EQ(pw::ParseMemAvailable("XMemAvailable: 12 kB\n"), -1);
  EXPECT_EQ(pw::ParseMemAvailable(""), -1);
}

TEST(AvailableMemory, ThisMachineReportsSomeMemory) { EXPECT_GT(pw::AvailablePhysicalMemory(), 0); }

}  // namespace
