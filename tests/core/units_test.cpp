#include "core/units.h"

#include <gtest/gtest.h>

#include <limits>

namespace corvane {
namespace {

TEST(TwipsToPixels, MainWindowLayoutAt96Dpi) {
  // Left, top, width, height of the window's controls and its client area.
  const int cases[][2] = {{120, 8},   {90, 6},     {6285, 419}, {180, 12},  {30, 2},    {720, 48},  {255, 17},
                          {270, 18},  {1410, 94},  {390, 26},   {2865, 191}, {570, 38},  {4320, 288}, {330, 22},
                          {2145, 143}, {495, 33},  {60, 4},     {2430, 162}, {240, 16},  {2460, 164}, {2340, 156},
                          {300, 20},  {4125, 275}, {705, 47},   {1080, 72},  {6375, 425}, {1365, 91},  {6540, 436},
                          {2730, 182}};
  for (const auto& [twips, pixels] : cases) EXPECT_EQ(TwipsToPixels(twips, 96).value(), pixels) << twips;
}

TEST(TwipsToPixels, OtherDensitiesRoundHalvesToEven) {
  EXPECT_EQ(TwipsToPixels(6285, 144).value(), 628);  // 628.5
  EXPECT_EQ(TwipsToPixels(6295, 144).value(), 630);  // 629.5
  EXPECT_EQ(TwipsToPixels(4125, 144).value(), 412);  // 412.5
  EXPECT_EQ(TwipsToPixels(120, 144).value(), 12);
  EXPECT_EQ(TwipsToPixels(-15, 96).value(), -1);
  EXPECT_EQ(TwipsToPixels(6540, 120).value(), 545);
}

TEST(TwipsToPixels, BadDensityAndHugeLengthsFail) {
  EXPECT_EQ(TwipsToPixels(100, 0).error(), ArithError::Invalid);
  EXPECT_EQ(TwipsToPixels(100, -96).error(), ArithError::Invalid);
  EXPECT_EQ(TwipsToPixels(std::numeric_limits<std::int32_t>::max(), 2000).error(), ArithError::Overflow);
  // 64-bit product: no wrap before the division.
  EXPECT_EQ(TwipsToPixels(std::numeric_limits<std::int32_t>::max(), 96).value(), 143165576);  // 143165576.47
}

TEST(HimetricToPixels, PictureSizeAt96Dpi) {
  EXPECT_EQ(HimetricToPixels(1000, 96).value(), 38);  // 37.795...
  EXPECT_EQ(HimetricToPixels(500, 96).value(), 19);   // 18.897...
  EXPECT_EQ(HimetricToPixels(423, 96).value(), 16);   // a 16-pixel picture as OLE stores it
  EXPECT_EQ(HimetricToPixels(0, 96).value(), 0);
}

TEST(HimetricToPixels, HalvesGoToTheEvenNeighbour) {
  // 254 pixels per inch: one pixel per 10 HIMETRIC, so these are exact halves.
  EXPECT_EQ(HimetricToPixels(25, 254).value(), 2);
  EXPECT_EQ(HimetricToPixels(35, 254).value(), 4);
  EXPECT_EQ(HimetricToPixels(45, 254).value(), 4);
  EXPECT_EQ(HimetricToPixels(-25, 254).value(), -2);
  EXPECT_EQ(HimetricToPixels(26, 254).value(), 3);
}

TEST(HimetricToPixels, FailsOnBadInput) {
  EXPECT_EQ(HimetricToPixels(1000, 0).error(), ArithError::Invalid);
  EXPECT_EQ(HimetricToPixels(std::numeric_limits<double>::quiet_NaN(), 96).error(), ArithError::Invalid);
  EXPECT_EQ(HimetricToPixels(1e12, 96).error(), ArithError::Overflow);
}

TEST(TwipsPerPixel, FromDensity) {
  EXPECT_EQ(TwipsPerPixel(96), 15);
  EXPECT_EQ(TwipsPerPixel(120), 12);
  EXPECT_EQ(TwipsPerPixel(144), 10);
  EXPECT_EQ(TwipsPerPixel(0), 0);
}

}  // namespace
}  // namespace corvane
