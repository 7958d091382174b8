// The writers' own number formatting against printf, the reference it must
// equal byte for byte: boundary values, exact ties, every kind of random
// double and float, and whole writer lines through the buffered output.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "vector/vector_number.h"
#include "vector/vector_out.h"

using namespace pw;

namespace {

std::string Reference(double v) {
  char text[kFixed6Room];
  std::snprintf(text, sizeof text, "%f", v);
  return text;
}

std::string Ours(double v) {
  char text[kFixed6Room];
  return std::string(text, FormatFixed6(v, text));
}

// Prints the failing value exactly (hex float) so it can be pasted into a test.
::testing::AssertionResult SameAsPrintf(double v) {
  const std::string want = Reference(v), got = Ours(v);
  if (want == got) return ::testing::AssertionSuccess();
  char hex[64];
  std::snprintf(hex, sizeof hex, "%a", v);
  return ::testing::AssertionFailure() << "value " << hex << ": printf \"" << want << "\", ours \"" << got << "\"";
}

// What the writers write through PwVectorOut, read back from a memory file.
class Captured {
 public:
  Captured() : file_(open_memstream(&data_, &size_)) { out.Attach(file_); }
  ~Captured() {
    if (file_) std::fclose(file_);
    std::free(data_);
  }
  std::string Text() {
    EXPECT_TRUE(out.Flush());
    return std::string(data_, size_);
  }
  PwVectorOut out;

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace

TEST(VectorNumber, BoundaryValuesMatchPrintf) {
  const double tie = 1.0 / 128.0;  // odd multiples of 2^-7 are exact halves of the sixth decimal
  const std::vector<double> values = {
      0.0, -0.0, 1.0, -1.0, 0.5, 1e-6, 5e-7, 4.9999999e-7, 5.0000001e-7, -5e-7, -4e-7, -1e-300,
      tie, 3 * tie, 5 * tie, -3 * tie, 1 + tie, 1 + 3 * tie, 1023 + 127 * tie, 0.9999995, 0.9999994999,
      9.9999995, 999999.9999995, 0.1, 0.7 * 3, 22.4, -21.0, 1079.5, 1920.0,
      std::ldexp(1.0, 43) - 1, std::nextafter(std::ldexp(1.0, 43), 0.0), std::ldexp(1.0, 43), 1e15, -1e17, 1e22,
      DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, std::numeric_limits<double>::denorm_min(), FLT_MAX, FLT_MIN,
      std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
  };
  for (double v : values) {
    EXPECT_TRUE(SameAsPrintf(v));
    // Either side of a value is where a rounding slip shows.
    EXPECT_TRUE(SameAsPrintf(std::nextafter(v, 1e300)));
    EXPECT_TRUE(SameAsPrintf(std::nextafter(v, -1e300)));
  }
  // Every exact tie of the sixth decimal up to a few thousand, both signs.
  for (int k = 1; k < 1 << 20; k += 2) {
    ASSERT_TRUE(SameAsPrintf(k * tie));
    ASSERT_TRUE(SameAsPrintf(-k * tie));
  }
}

TEST(VectorNumber, RandomDoublesAndFloatsMatchPrintf) {
  std::mt19937_64 rng(20261209);
  // Any bit pattern at all (mostly huge or tiny magnitudes, some NaNs).
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(SameAsPrintf(std::bit_cast<double>(rng())));
  // Every float the writers hand over, as a random bit pattern widened.
  for (int i = 0; i < 500000; ++i)
    ASSERT_TRUE(SameAsPrintf(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(rng())))));
  // Magnitudes spread evenly over the scales that matter: 2^-30 .. 2^50.
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> scale(-30, 50);
  for (int i = 0; i < 500000; ++i) ASSERT_TRUE(SameAsPrintf(std::ldexp(unit(rng), scale(rng))));
  // Pixel coordinates as the writers compute them: a float difference.
  std::uniform_real_distribution<float> pixel(-100.0f, 4000.0f);
  for (int i = 0; i < 500000; ++i) {
    const float h = 1080.0f, y = pixel(rng);
    ASSERT_TRUE(SameAsPrintf(h - y));
  }
}

// The drawing files need a full stop whatever the process's locale, on the
// fast path and on printf's (huge values) alike.
TEST(VectorNumber, ADecimalCommaLocaleChangesNothing) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  bool comma = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
    if (std::setlocale(LC_NUMERIC, name)) {
      comma = true;
      break;
    }
  if (!comma) GTEST_SKIP() << "no German locale on this machine (scripts/install-deps makes one)";
  const std::string fast = Ours(-1.5), huge = Ours(1e20), tiny = Ours(-0.0);
  std::setlocale(LC_NUMERIC, before.c_str());
  EXPECT_EQ(fast, "-1.500000");
  EXPECT_EQ(huge, "100000000000000000000.000000");
  EXPECT_EQ(tiny, "-0.000000");
}

TEST(VectorNumber, IntegersMatchPrintf) {
  std::mt19937 rng(7);
  std::vector<int> values = {0, 1, -1, 9, 10, -10, 255, 65535, std::numeric_limits<int>::max(),
                             std::numeric_limits<int>::min()};
  for (int i = 0; i < 100000; ++i) values.push_back(static_cast<int>(rng()));
  for (int v : values) {
    char want[32], got[16];
    std::snprintf(want, sizeof want, "%d", v);
    EXPECT_EQ(std::string(got, FormatDecimal(v, got)), want);
    std::snprintf(want, sizeof want, "%X", static_cast<unsigned>(v));
    EXPECT_EQ(std::string(got, FormatHexUpper(static_cast<unsigned>(v), got)), want);
  }
}

// Every format string the writers use, with random arguments, written over
// many buffer flushes: the file is exactly what printf gives piece by piece.
TEST(VectorNumber, WriterLinesThroughTheBufferMatchPrintf) {
  Captured c;
  std::string want;
  char piece[2048];
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> coord(-50.0f, 2000.0f);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::string layer = "Box__1_";
  const std::string longName(900, 'L');  // longer than any stack buffer
#define PW_SAME(...)                                       \
  do {                                                     \
    c.out.Printf(__VA_ARGS__);                             \
    std::snprintf(piece, sizeof piece, __VA_ARGS__);       \
    want += piece;                                         \
  } while (0)
  for (int i = 0; i < 60000; ++i) {
    // Each argument is drawn once, as both calls must see the same values.
    const float x = coord(rng), y = coord(rng), h = 1080.0f;
    const double cyan = unit(rng), magenta = unit(rng), yellow = unit(rng), black = unit(rng);
    const auto mask = static_cast<unsigned>(rng());
    const auto aci = static_cast<int>(rng() % 256);
    PW_SAME("\r%f %f m", x, h - y);
    PW_SAME("\r%f %f %f %f %s", cyan, magenta, yellow, black, "k");
    PW_SAME("\n0\nVERTEX\n8\n%s\n10\n%.6f\n20\n%.6f\n30\n%.6f", layer.c_str(), x, h - y, 0.0);
    PW_SAME("\n6\n%X\n62\n%d", mask, aci);
    if (i % 1000 == 0) {
      PW_SAME("\r%%%%BoundingBox: %d %d %d %d", 0, 0, 1920, 1080);
      PW_SAME("\r%%AI3_Cropmarks: %f %f %f %f", 0.0, 0.0, 1920.0, 1080.0);
      PW_SAME("\n0\nLAYER\n2\n%s\n70\n0", longName.c_str());
      PW_SAME("%s %d.%02d %s", "Penwright!", 5, 70, "");  // not ours: printf's path
      c.out.Put('!');
      want += '!';
    }
  }
#undef PW_SAME
  const std::string got = c.Text();
  ASSERT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
  EXPECT_EQ(c.out.Size(), want.size());
}
