#include "core/decimal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

namespace corvane {
namespace {

// What the C library writes for the same number and width.
std::wstring Printed(std::int64_t value, int width) {
  wchar_t buffer[64];
  std::swprintf(buffer, std::size(buffer), L"%0*lld", width, static_cast<long long>(value));
  return buffer;
}

TEST(Decimal, WritesWhatPrintfWrites) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  const std::int64_t values[] = {0,          1,           -1,         7,     9,     10,       -10,
                                 99,         100,         116,        -116,  232,   1000000007, 2147483647,
                                 -2147483648LL, 4294967295LL, -1000000000000LL, kMin, kMin + 1, kMax, kMax - 1};
  for (const std::int64_t value : values) {
    for (const int width : {0, 1, 2, 3, 5, 25})
      EXPECT_EQ(Decimal(value, width), Printed(value, width)) << value << " " << width;
  }
}

TEST(Decimal, TheTextsTheProgramShows) {
  EXPECT_EQ(Decimal(2), L"2");
  EXPECT_EQ(Decimal(-2147024891), L"-2147024891");  // E_ACCESSDENIED quoted as a signed number
  EXPECT_EQ(Decimal(1, 2), L"01");
  EXPECT_EQ(Decimal(0, 2), L"00");
  EXPECT_EQ(Decimal(100, 2), L"100");
  EXPECT_EQ(Decimal(-5, 2), L"-5");   // the sign counts towards the width
  EXPECT_EQ(Decimal(-5, 3), L"-05");  // zeros go after the sign
  EXPECT_EQ(Decimal(7, -4), L"7");
}

}  // namespace
}  // namespace corvane
