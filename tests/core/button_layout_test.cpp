#include "core/button_layout.h"

#include <gtest/gtest.h>

#include <limits>

namespace corvane::button {
namespace {

constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();

TEST(CaptionRect, WithoutPictureStartsNearTheMiddle) {
  // Content 3..140 x 3..30, caption 13 high: measured bottom 16.
  EXPECT_EQ(CaptionRect({3, 3, 140, 30}, 16, false).value(), (Rect{3, 9, 140, 25}));  // (30-16)/2+2 = 9
  // Halves go to even: (29-16)/2+2 = 8.5 -> 8; (31-16)/2+2 = 9.5 -> 10.
  EXPECT_EQ(CaptionRect({3, 3, 140, 29}, 16, false).value().top, 8);
  EXPECT_EQ(CaptionRect({3, 3, 140, 31}, 16, false).value().top, 10);
  EXPECT_EQ(CaptionRect({3, 3, 140, 31}, 16, false).value().bottom, 26);
}

TEST(CaptionRect, WithPictureSitsAtTheBottom) {
  EXPECT_EQ(CaptionRect({4, 4, 60, 50}, 17, true).value(), (Rect{4, 34, 60, 50}));  // 50-17+1
}

TEST(CaptionRect, OverflowFails) {
  EXPECT_EQ(CaptionRect({0, 0, 10, kMin}, 1, true).error(), ArithError::Overflow);
  EXPECT_EQ(CaptionRect({0, 0, 10, kMax}, -1, true).error(), ArithError::Overflow);
  EXPECT_EQ(CaptionRect({0, 0, 10, kMin}, kMax, false).error(), ArithError::Overflow);
  EXPECT_EQ(CaptionRect({0, 0, 10, kMax}, kMax, false).error(), ArithError::Overflow);  // top + B
}

TEST(CenterPicture, CentresWithHalvesToEven) {
  // (137-16)/2+3 = 63.5 -> 64; (27-16)/2+3 = 8.5 -> 8.
  EXPECT_EQ(CenterPicture({3, 3, 140, 30}, 16, 16).value(), (Point{64, 8}));
}

TEST(CenterPicture, ExactAndOddGaps) {
  // (20-10)/2+0 = 5; (21-10)/2+0 = 5.5 -> 6; (23-10)/2 = 6.5 -> 6.
  EXPECT_EQ(CenterPicture({0, 0, 20, 20}, 10, 10).value(), (Point{5, 5}));
  EXPECT_EQ(CenterPicture({0, 0, 21, 23}, 10, 10).value(), (Point{6, 6}));
  EXPECT_EQ(CenterPicture({10, 20, 31, 43}, 10, 10).value(), (Point{16, 26}));
  // A picture larger than the content starts before it.
  EXPECT_EQ(CenterPicture({4, 4, 14, 14}, 20, 20).value(), (Point{-1, -1}));
}

TEST(CenterPicture, OverflowFails) {
  EXPECT_EQ(CenterPicture({kMin, 0, kMax, 10}, 1, 1).error(), ArithError::Overflow);
  EXPECT_EQ(CenterPicture({0, kMin, 10, kMax}, 1, 1).error(), ArithError::Overflow);
  EXPECT_EQ(CenterPicture({0, 0, 10, 10}, kMin, 1).error(), ArithError::Overflow);
}

}  // namespace
}  // namespace corvane::button
