#include "core/progress_geometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace corvane::progress {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

std::vector<Rect> Gaps(const Rect& bar, const Rect& inner, bool horizontal, std::int32_t block, std::int32_t gap) {
  std::vector<Rect> gaps;
  ForEachGap(bar, inner, horizontal, block, gap, kEverywhere, [&](const Rect& r) { gaps.push_back(r); });
  return gaps;
}

TEST(ProgressPercent, ClampsAndDoesNotRound) {
  EXPECT_DOUBLE_EQ(*Percent(0, 100, 0), 0.0);
  EXPECT_DOUBLE_EQ(*Percent(0, 100, 150), 100.0);
  EXPECT_DOUBLE_EQ(*Percent(0, 100, -5), 0.0);
  EXPECT_DOUBLE_EQ(*Percent(0, 3, 1), 100.0 / 3.0);
  EXPECT_NE(*Percent(0, 3, 1), 33.0);
  EXPECT_DOUBLE_EQ(*Percent(0, 116, 58), 50.0);
}

TEST(ProgressPercent, InvertedRangeCountsFromMinTowardsMax) {
  EXPECT_DOUBLE_EQ(*Percent(10, 0, 5), 50.0);
  EXPECT_DOUBLE_EQ(*Percent(10, 0, 0), 100.0);
  EXPECT_DOUBLE_EQ(*Percent(10, 0, 10), 0.0);
  EXPECT_DOUBLE_EQ(*Percent(10, 0, 20), 0.0);
}

TEST(ProgressPercent, EmptyRangeAndOverflowAreErrors) {
  EXPECT_EQ(Percent(7, 7, 7).error(), ArithError::DivideByZero);
  EXPECT_EQ(Percent(7, 7, 100).error(), ArithError::DivideByZero);
  EXPECT_EQ(Percent(kMin, kMax, 0).error(), ArithError::Overflow);  // Max - Min
  EXPECT_EQ(Percent(-1, 0, kMax).error(), ArithError::Overflow);    // Value - Min
  EXPECT_EQ(Percent(1, 0, kMin).error(), ArithError::Overflow);
  // At the limits but inside 32 bits.
  EXPECT_DOUBLE_EQ(*Percent(0, kMax, kMax), 100.0);
  EXPECT_DOUBLE_EQ(*Percent(kMin, -1, kMin), 0.0);
  EXPECT_DOUBLE_EQ(*Percent(-1, kMax - 1, kMax - 1), 100.0);
}

TEST(ProgressFrame, SizeOrientationAndWrongWayRoundRectangles) {
  EXPECT_TRUE(SizeOf({0, 0, 200, 20})->horizontal);
  EXPECT_FALSE(SizeOf({0, 0, 20, 20})->horizontal);  // square is vertical
  EXPECT_FALSE(SizeOf({0, 0, 20, 100})->horizontal);
  const auto inverted = SizeOf({200, 20, 0, 0});
  EXPECT_EQ(inverted->width, 200);
  EXPECT_EQ(inverted->height, 20);
  EXPECT_EQ(Normalized({200, 20, 10, 5}), (Rect{10, 5, 200, 20}));
  EXPECT_EQ(SizeOf({kMin, 0, kMax, 1}).error(), ArithError::Overflow);
  EXPECT_EQ(SizeOf({0, kMax, 1, kMin}).error(), ArithError::Overflow);
  EXPECT_EQ(SizeOf({-1, 0, kMax - 1, 1})->width, kMax);
}

TEST(ProgressFrame, InnerRectPerBorderAndLook) {
  const Rect outer{0, 0, 200, 20};
  EXPECT_EQ(*InnerRect(outer, 1, 1, false), (Rect{1, 1, 199, 19}));
  EXPECT_EQ(*InnerRect(outer, 2, 0, false), (Rect{1, 1, 199, 19}));
  EXPECT_EQ(*InnerRect(outer, 1, 2, false), (Rect{2, 2, 198, 18}));
  EXPECT_EQ(*InnerRect(outer, 1, 2, true), (Rect{1, 1, 199, 19}));  // themed ring is one pixel
  EXPECT_EQ(*InnerRect(outer, 0, 2, false), outer);
  EXPECT_EQ(*InnerRect(outer, -4, 1, false), outer);
  // A style that draws no border still reserves the ring; so does an unknown look.
  EXPECT_EQ(*InnerRect(outer, 3, 1, false), (Rect{1, 1, 199, 19}));
  EXPECT_EQ(*InnerRect(outer, 1, 5, false), (Rect{1, 1, 199, 19}));
  EXPECT_EQ(InnerRect({kMax, 0, kMax, 0}, 1, 1, false).error(), ArithError::Overflow);
  EXPECT_EQ(InnerRect({0, 0, kMin, 0}, 1, 2, false).error(), ArithError::Overflow);
}

TEST(ProgressFrame, HorizontalBarAndClassicBlocks) {
  const Rect inner{1, 1, 199, 19};
  EXPECT_EQ(*BarRect(inner, 0.5, true, 0), (Rect{1, 1, 100, 19}));
  const auto step = *SnapStep(kClassicBlock, kClassicGap);
  EXPECT_EQ(step, 10);
  const Rect bar = *BarRect(inner, 0.5, true, step);
  EXPECT_EQ(bar, (Rect{1, 1, 91, 19}));  // 99 mod 10 = 9 removed
  const auto gaps = Gaps(bar, inner, true, kClassicBlock, kClassicGap);
  ASSERT_EQ(gaps.size(), 9u);
  for (std::size_t i = 0; i < gaps.size(); ++i) {
    const std::int32_t x = 9 + static_cast<std::int32_t>(i) * 10;
    EXPECT_EQ(gaps[i], (Rect{x, 1, x + 2, 19})) << i;
  }
  // Full and empty.
  EXPECT_EQ(*BarRect(inner, 1.0, true, 0), inner);
  EXPECT_EQ(BarRect(inner, 0.0, true, 0)->right, 1);
  EXPECT_EQ(BarRect(inner, 0.02, true, step)->right, 1);  // 4 px snaps away entirely
}

TEST(ProgressFrame, HalfPixelRoundsToEven) {
  EXPECT_EQ(BarRect({0, 0, 5, 2}, 0.5, true, 0)->right, 2);   // 2.5 -> 2
  EXPECT_EQ(BarRect({0, 0, 7, 2}, 0.5, true, 0)->right, 4);   // 3.5 -> 4
  EXPECT_EQ(BarRect({0, 0, 2, 5}, 0.5, false, 0)->top, 2);    // 2.5 -> 2
}

TEST(ProgressFrame, VerticalBarGrowsFromTheBottom) {
  const Rect inner{0, 0, 20, 100};
  EXPECT_EQ(*BarRect(inner, 0.25, false, 0), (Rect{0, 75, 20, 100}));
  // Snapped: 25 px is cut to 20, and the topmost block is 10 px tall.
  const Rect bar = *BarRect(inner, 0.25, false, 10);
  EXPECT_EQ(bar, (Rect{0, 80, 20, 100}));
  const auto gaps = Gaps(bar, inner, false, kClassicBlock, kClassicGap);
  ASSERT_EQ(gaps.size(), 2u);
  EXPECT_EQ(gaps[0], (Rect{0, 100, 20, 102}));  // below the bar, clipped away when drawn
  EXPECT_EQ(gaps[1], (Rect{0, 90, 20, 92}));
  // A bar shorter than a step snaps to nothing and leaves the top at the bottom.
  EXPECT_EQ(BarRect(inner, 0.05, false, 10)->top, 100);
  // 9 px: only the gap below the bar, none above the lowest block.
  EXPECT_EQ(Gaps({0, 91, 20, 100}, inner, false, 8, 2), (std::vector<Rect>{{0, 100, 20, 102}}));
}

TEST(ProgressFrame, ThemedSnapStepIsChunkPlusTwoSpaces) {
  // The themed block already holds chunk + space; the step adds the space once more.
  const auto step = *ThemedSnapStep(8, 2);
  EXPECT_EQ(step, 12);
  EXPECT_EQ(*ThemedSnapStep(1, 0), 1);  // Wine's light style: every pixel
  EXPECT_EQ(*ThemedSnapStep(0, 0), 0);  // no snap
  EXPECT_EQ(ThemedSnapStep(kMax, 1).error(), ArithError::Overflow);
  EXPECT_EQ(ThemedSnapStep(kMax - 1, 1).error(), ArithError::Overflow);  // the block fits, the step does not
  const Rect inner{1, 1, 199, 19};
  const Rect bar = *BarRect(inner, 0.5, true, step);
  EXPECT_EQ(bar.right - bar.left, 96);  // 99 cut down to a multiple of 12
  EXPECT_EQ(SnapStep(kMax, 1).error(), ArithError::Overflow);
}

TEST(ProgressFrame, ExtremeRectanglesGiveErrorsNotUndefinedBehaviour) {
  // The bar's length does not fit 32 bits: an error, not a wrapped edge.
  EXPECT_EQ(BarRect({kMin, 0, kMax, 10}, 1.0, true, 10).error(), ArithError::Overflow);
  EXPECT_EQ(BarRect({kMin, 0, kMax, 10}, 0.5, true, 0)->right, 0);  // -0.5 rounds to even
  EXPECT_EQ(BarRect({kMin, kMin, 0, kMax}, 0.5, false, 10)->top, 7);  // length -kMax, excess -7
  EXPECT_EQ(BarRect({kMin, 0, -1, 10}, 1.0, true, -1)->right, -1);
  // Nothing diverges or overflows for gaps along a whole 32-bit bar with a huge step.
  EXPECT_EQ(Gaps({kMax - 20, 0, kMax, 5}, {kMax - 20, 0, kMax, 5}, true, 8, 2).size(), 2u);
  EXPECT_TRUE(Gaps({0, 0, 100, 5}, {0, 0, 100, 5}, true, 0, 0).empty());
  EXPECT_TRUE(Gaps({0, 0, 100, 5}, {0, 0, 100, 5}, true, -8, 2).empty());
}

TEST(ProgressFrame, GapsOutsideTheVisibleAreaAreSkipped) {
  const Rect huge{0, 0, kMax, 10};
  std::vector<Rect> gaps;
  ForEachGap(huge, huge, true, 8, 2, Rect{1000, 0, 1030, 10}, [&](const Rect& r) { gaps.push_back(r); });
  EXPECT_EQ(gaps, (std::vector<Rect>{{1008, 0, 1010, 10}, {1018, 0, 1020, 10}, {1028, 0, 1030, 10}}));
  gaps.clear();
  ForEachGap(huge, huge, true, 8, 2, Rect{999, 0, 1000, 10}, [&](const Rect& r) { gaps.push_back(r); });
  EXPECT_EQ(gaps, (std::vector<Rect>{{998, 0, 1000, 10}}));
  // Vertical: the same gaps as unlimited, within the window.
  const Rect tall{0, kMin, 10, kMax};
  std::vector<Rect> all, limited;
  ForEachGap(Rect{0, 0, 10, 100}, tall, false, 8, 2, kEverywhere, [&](const Rect& r) { all.push_back(r); });
  ForEachGap(Rect{0, 0, 10, 100}, tall, false, 8, 2, Rect{0, 41, 10, 70}, [&](const Rect& r) { limited.push_back(r); });
  EXPECT_EQ(limited, (std::vector<Rect>(all.begin() + 4, all.begin() + 7)));
  EXPECT_EQ(limited.front().top, 60);
  EXPECT_EQ(limited.back().top, 40);
  gaps.clear();
  ForEachGap(tall, tall, false, 8, 2, Rect{0, -5, 10, 5}, [&](const Rect& r) { gaps.push_back(r); });
  // Cut every 10 px upwards from 2147483647: the one gap that reaches into -5..5 starts at -3.
  EXPECT_EQ(gaps, (std::vector<Rect>{{0, -3, 10, -1}}));
}

TEST(ProgressTiles, PlanCoversTheAreaRowByRow) {
  std::vector<Tile> tiles;
  ASSERT_TRUE(ForEachTile(0, 0, 40, 20, 16, 8, 0, 0, [&](const Tile& t) { tiles.push_back(t); }));
  // Three rows (8, 8, 4) of three tiles (16, 16, 8).
  ASSERT_EQ(tiles.size(), 9u);
  EXPECT_EQ(tiles[0], (Tile{0, 0, 16, 8, 0, 0}));
  EXPECT_EQ(tiles[2], (Tile{32, 0, 8, 8, 0, 0}));
  EXPECT_EQ(tiles[3], (Tile{0, 8, 16, 8, 0, 0}));
  EXPECT_EQ(tiles[8], (Tile{32, 16, 8, 4, 0, 0}));
}

TEST(ProgressTiles, PhaseStartsInsideTheSource) {
  std::vector<Tile> tiles;
  ASSERT_TRUE(ForEachTile(0, 0, 20, 10, 16, 8, 5, 3, [&](const Tile& t) { tiles.push_back(t); }));
  ASSERT_EQ(tiles.size(), 4u);
  EXPECT_EQ(tiles[0], (Tile{0, 0, 11, 5, 5, 3}));
  EXPECT_EQ(tiles[1], (Tile{11, 0, 9, 5, 0, 3}));
  EXPECT_EQ(tiles[2], (Tile{0, 5, 11, 5, 5, 0}));  // every row restarts at the first column
  EXPECT_EQ(tiles[3], (Tile{11, 5, 9, 5, 0, 0}));
}

TEST(ProgressTiles, EmptySourceFailsAndEmptyAreaDrawsNothing) {
  int calls = 0;
  EXPECT_EQ(ForEachTile(0, 0, 10, 10, 0, 8, 0, 0, [&](const Tile&) { ++calls; }).error(), ArithError::DivideByZero);
  EXPECT_EQ(ForEachTile(0, 0, 10, 10, 8, 0, 0, 0, [&](const Tile&) { ++calls; }).error(), ArithError::DivideByZero);
  EXPECT_TRUE(ForEachTile(0, 0, 10, 0, 8, 8, 0, 0, [&](const Tile&) { ++calls; }));
  EXPECT_TRUE(ForEachTile(0, 0, 0, 10, 8, 8, 0, 0, [&](const Tile&) { ++calls; }));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(ForEachTile(kMax, 0, 10, 10, 8, 8, 1, 0, [&](const Tile&) { ++calls; }).error(), ArithError::Overflow);
}

TEST(ProgressBorder, FlatIsOneBlackRingWhateverTheStyle) {
  for (bool raised : {false, true}) {
    const BorderPlan p = PlanBorder(0, {0, 0, 10, 6}, raised);
    ASSERT_EQ(p.kind, BorderPlan::Kind::Strokes);
    ASSERT_EQ(p.strokeCount, 1);
    EXPECT_EQ(p.strokes[0].pen, Pen::Black);
    EXPECT_EQ(p.strokes[0].from, (Point{0, 0}));
    ASSERT_EQ(p.strokes[0].lines, 4);
    EXPECT_EQ(p.strokes[0].to, (std::array<Point, 4>{{{9, 0}, {9, 5}, {0, 5}, {0, 0}}}));
  }
}

TEST(ProgressBorder, Thin3DLineEndpoints) {
  const Rect r{2, 3, 12, 9};  // L 2, T 3, R 12, B 9
  const BorderPlan sunken = PlanBorder(1, r, false);
  ASSERT_EQ(sunken.strokeCount, 2);
  EXPECT_EQ(sunken.strokes[0].pen, Pen::Shadow);
  EXPECT_EQ(sunken.strokes[0].from, (Point{2, 8}));
  EXPECT_EQ(sunken.strokes[0].to[0], (Point{2, 3}));
  EXPECT_EQ(sunken.strokes[0].to[1], (Point{12, 3}));
  EXPECT_EQ(sunken.strokes[1].pen, Pen::Highlight);
  EXPECT_EQ(sunken.strokes[1].from, (Point{11, 4}));
  EXPECT_EQ(sunken.strokes[1].to[0], (Point{11, 8}));
  EXPECT_EQ(sunken.strokes[1].to[1], (Point{2, 8}));

  const BorderPlan raised = PlanBorder(1, r, true);
  ASSERT_EQ(raised.strokeCount, 2);
  EXPECT_EQ(raised.strokes[0].pen, Pen::Highlight);
  EXPECT_EQ(raised.strokes[0].from, (Point{2, 7}));
  EXPECT_EQ(raised.strokes[0].to[0], (Point{2, 3}));
  EXPECT_EQ(raised.strokes[0].to[1], (Point{11, 3}));
  EXPECT_EQ(raised.strokes[1].pen, Pen::Shadow);
  EXPECT_EQ(raised.strokes[1].from, (Point{11, 3}));
  EXPECT_EQ(raised.strokes[1].to[0], (Point{11, 8}));
  EXPECT_EQ(raised.strokes[1].to[1], (Point{1, 8}));
}

TEST(ProgressBorder, SoftEdgeAndUnknownLooks) {
  EXPECT_EQ(PlanBorder(2, {0, 0, 5, 5}, false).kind, BorderPlan::Kind::Edge);
  EXPECT_FALSE(PlanBorder(2, {0, 0, 5, 5}, false).raisedEdge);
  EXPECT_TRUE(PlanBorder(2, {0, 0, 5, 5}, true).raisedEdge);
  EXPECT_EQ(PlanBorder(5, {0, 0, 5, 5}, false).kind, BorderPlan::Kind::None);
  EXPECT_EQ(PlanBorder(-1, {0, 0, 5, 5}, true).kind, BorderPlan::Kind::None);
  // At the limits the endpoints saturate instead of wrapping.
  const BorderPlan edge = PlanBorder(1, {kMin, kMin, kMin, kMin}, true);
  EXPECT_EQ(edge.strokes[1].to[1], (Point{kMin, kMin}));
}

}  // namespace
}  // namespace corvane::progress
