#pragma once
// The progress bar's frame geometry: where things go, apart from how they are painted.
// Everything is 32-bit signed and checked; no input leads to undefined behaviour.
#include <array>
#include <cstdint>
#include <expected>

#include "core/arith.h"
#include "core/geometry.h"

namespace corvane::progress {

using corvane::Point;
using corvane::Rect;

// Border kinds and looks, as the control stores them (any other value is kept as it is).
inline constexpr std::int32_t kBorderNone = 0, kBorderSunken = 1, kBorderRaised = 2;
inline constexpr std::int32_t kAppearanceFlat = 0, kAppearanceThin3D = 1, kAppearance3D = 2;
inline constexpr std::int32_t kPictureStretch = 0, kPictureTile = 1;

// Classic blocks: 8 pixels, then a 2-pixel gap.
inline constexpr std::int32_t kClassicBlock = 8, kClassicGap = 2;

// Where Value lies between Min and Max, clamped to 0..1. An inverted range counts from Min
// towards Max. Fails on a 32-bit overflow of a difference and on an empty range.
std::expected<double, ArithError> Fraction(std::int32_t lMin, std::int32_t lMax, std::int32_t lValue);

// The same as 0..100, not rounded.
std::expected<double, ArithError> Percent(std::int32_t lMin, std::int32_t lMax, std::int32_t lValue);

struct FrameSize {
  std::int32_t width = 0, height = 0;
  bool horizontal = false;  // a square control is vertical
};

// The given rectangle with left <= right and top <= bottom, so that a rectangle given the
// wrong way round paints the same area as the right way round.
Rect Normalized(const Rect& r);

// Width and height of a normalized rectangle; fails when a side does not fit 32 bits.
std::expected<FrameSize, ArithError> SizeOf(const Rect& r);

// The rectangle moved so that it starts at (0, 0), for a frame composed off screen.
Rect AtOrigin(const Rect& r, const FrameSize& size);

// The outer rectangle less the border ring. Every BorderStyle above 0 reserves the ring, even
// those that draw nothing; the themed look keeps a one-pixel ring whatever the Appearance.
std::expected<Rect, ArithError> InnerRect(const Rect& outer, std::int32_t borderStyle, std::int32_t appearance,
                                          bool themed);

// The distance from one block's start to the next (block + gap); 0 means the bar is not snapped.
std::expected<std::int32_t, ArithError> SnapStep(std::int32_t block, std::int32_t gap);

// The visual style's snap step from its chunk and space sizes: its block is chunk + space, and
// the step adds the space once more (chunk + 2 x space). A chunk and space of 0 mean no snap.
std::expected<std::int32_t, ArithError> ThemedSnapStep(std::int32_t chunk, std::int32_t space);

// The part of `inner` that shows progress f (0..1). Horizontal bars grow from the left, vertical
// ones from the bottom; the edge is rounded half to even. With a step above 0 the bar's length
// is cut down to a whole number of steps.
std::expected<Rect, ArithError> BarRect(const Rect& inner, double f, bool horizontal, std::int32_t step);

// Calls gap(Rect) for each gap between classic blocks that reaches into `visible`, in drawing
// order. Horizontally a gap follows every block from the bar's left edge; vertically gaps are
// cut every step upwards from the bottom but only where a whole block still fits above, so the
// topmost block is block + gap tall. Gaps span the inner rectangle across; the caller clips
// them to the bar. Gaps outside `visible` are skipped, not walked, so a bar far larger than
// the device costs no more than one that fits.
template <class F>
void ForEachGap(const Rect& bar, const Rect& inner, bool horizontal, std::int32_t block, std::int32_t gap,
                const Rect& visible, F&& f) {
  const std::int64_t step = std::int64_t{block} + gap;
  if (step <= 0) return;  // a step that never advances would loop forever
  if (horizontal) {
    std::int64_t x = std::int64_t{bar.left} + block;
    if (const std::int64_t behind = std::int64_t{visible.left} - gap - x; behind >= 0) x += (behind / step + 1) * step;
    for (; x <= bar.right && x < visible.right; x += step) {
      const std::int64_t right = x + gap;
      if (right > INT32_MAX) break;
      f(Rect{static_cast<std::int32_t>(x), inner.top, static_cast<std::int32_t>(right), inner.bottom});
    }
  } else {
    std::int64_t y = bar.bottom;
    if (const std::int64_t below = y - visible.bottom; below >= 0) y -= (below / step + 1) * step;
    for (; y >= std::int64_t{bar.top} + block && y + gap > visible.top; y -= step) {
      const std::int64_t bottom = y + gap;
      if (bottom > INT32_MAX) continue;
      f(Rect{inner.left, static_cast<std::int32_t>(y), inner.right, static_cast<std::int32_t>(bottom)});
    }
  }
}

// Everything: for callers that do not limit the gaps.
inline constexpr Rect kEverywhere{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};

// One tile of a tiled picture: copy (srcX, srcY, width, height) of the source to (x, y).
struct Tile {
  std::int32_t x = 0, y = 0, width = 0, height = 0, srcX = 0, srcY = 0;
  friend bool operator==(const Tile&, const Tile&) = default;
};

// Fills (x, y, width, height) with copies of an sw x sh source, starting `phase` into it.
// Fails with a division error for a source of width or height 0, before any tile.
template <class F>
std::expected<void, ArithError> ForEachTile(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                            std::int32_t sw, std::int32_t sh, std::int32_t px, std::int32_t py,
                                            F&& f) {
  const auto ox = CheckedAdd(x, px), oy = CheckedAdd(y, py);
  if (!ox) return std::unexpected(ox.error());
  if (!oy) return std::unexpected(oy.error());
  const auto sx0 = CheckedMod(*ox, sw), sy0 = CheckedMod(*oy, sh);
  if (!sx0) return std::unexpected(sx0.error());
  if (!sy0) return std::unexpected(sy0.error());
  // A negative source size or phase gives no sensible tile; only positive steps advance.
  if (sw < 0 || sh < 0 || height <= 0 || width <= 0) return {};
  const std::int64_t right = std::int64_t{x} + width, bottom = std::int64_t{y} + height;
  std::int64_t srcY = *sy0 < 0 ? *sy0 + sh : *sy0;
  std::int64_t rowHeight = sh - srcY;
  for (std::int64_t top = y; top < bottom; top += rowHeight, srcY = 0, rowHeight = sh) {
    const std::int64_t h = top + rowHeight > bottom ? bottom - top : rowHeight;
    std::int64_t srcX = *sx0 < 0 ? *sx0 + sw : *sx0;
    std::int64_t tileWidth = sw - srcX;
    for (std::int64_t left = x; left < right; left += tileWidth, srcX = 0, tileWidth = sw) {
      const std::int64_t w = left + tileWidth > right ? right - left : tileWidth;
      f(Tile{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), static_cast<std::int32_t>(w),
             static_cast<std::int32_t>(h), static_cast<std::int32_t>(srcX), static_cast<std::int32_t>(srcY)});
    }
  }
  return {};
}

// How a border is drawn: pen strokes (a move, then lines each ending one pixel short of their
// end point), or one soft 3-D edge.
enum class Pen { Black, Shadow, Highlight };

struct Stroke {
  Pen pen = Pen::Black;
  Point from;
  std::array<Point, 4> to{};
  int lines = 0;
};

struct BorderPlan {
  enum class Kind { None, Strokes, Edge } kind = Kind::None;
  std::array<Stroke, 2> strokes{};
  int strokeCount = 0;
  bool raisedEdge = false;  // for Kind::Edge: raised or sunken soft edge
};

// The border of look `appearance` on `r`. Only looks 0, 1 and 2 draw anything.
BorderPlan PlanBorder(std::int32_t appearance, const Rect& r, bool raised);

}  // namespace corvane::progress
