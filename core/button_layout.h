#pragma once
// Where the themed button's caption and picture go, in the button window's pixels.
#include <cstdint>
#include <expected>

#include "core/arith.h"

namespace corvane::button {

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  std::int32_t x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// The caption's rectangle. `measuredBottom` is the bottom that measuring the word-wrapped caption
// gave (content top + caption height). With a picture the caption sits at the bottom of the
// content; without one it starts near the middle.
std::expected<Rect, ArithError> CaptionRect(const Rect& content, std::int32_t measuredBottom, bool hasPicture);

// The top-left corner that centres a picture of width x height in `content`.
std::expected<Point, ArithError> CenterPicture(const Rect& content, std::int32_t width, std::int32_t height);

}  // namespace corvane::button
