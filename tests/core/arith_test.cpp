#include "core/arith.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(Checked, AddSubMulAtThe32BitLimits) {
  EXPECT_EQ(CheckedAdd(kMax - 1, 1), kMax);
  EXPECT_EQ(CheckedAdd(kMax, 1).error(), ArithError::Overflow);
  EXPECT_EQ(CheckedSub(kMin + 1, 1), kMin);
  EXPECT_EQ(CheckedSub(kMin, 1).error(), ArithError::Overflow);
  EXPECT_EQ(CheckedSub(0, kMin).error(), ArithError::Overflow);
  EXPECT_EQ(CheckedSub(kMax, kMin).error(), ArithError::Overflow);
  EXPECT_EQ(CheckedMul(46341, 46340), 2147441940);
  EXPECT_EQ(CheckedMul(46341, 46341).error(), ArithError::Overflow);
  EXPECT_EQ(CheckedAbs(kMin).error(), ArithError::Overflow);
  EXPECT_EQ(CheckedAbs(-5), 5);
}

TEST(Checked, ModTakesTheSignOfTheDividend) {
  EXPECT_EQ(CheckedMod(99, 10), 9);
  EXPECT_EQ(CheckedMod(-99, 10), -9);
  EXPECT_EQ(CheckedMod(99, -10), 9);
  EXPECT_EQ(CheckedMod(kMin, -1), 0);
  EXPECT_EQ(CheckedMod(5, 0).error(), ArithError::DivideByZero);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.5000001), 3);
  EXPECT_EQ(RoundHalfEven(2147483647.4), kMax);
  EXPECT_EQ(RoundHalfEven(2147483647.5).error(), ArithError::Overflow);
  EXPECT_EQ(RoundHalfEven(-2147483648.5), kMin);
  EXPECT_EQ(RoundHalfEven(std::nan("")).error(), ArithError::Invalid);
  EXPECT_EQ(RoundHalfEven(1.0 / 0.0).error(), ArithError::Invalid);
}

}  // namespace
}  // namespace corvane
