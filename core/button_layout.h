#pragma once
// Where the themed button's caption and picture go, in the button window's pixels.
#include <cstdint>
#include <expected>

#include "core/arith.h"
#include "core/geometry.h"

namespace corvane::button {

using corvane::Point;
using corvane::Rect;

// The caption's rectangle. `measuredBottom` is the bottom that measuring the word-wrapped caption
// gave (content top + caption height). With a picture the caption sits at the bottom of the
// content; without one it starts near the middle.
std::expected<Rect, ArithError> CaptionRect(const Rect& content, std::int32_t measuredBottom, bool hasPicture);

// The top-left corner that centres a picture of width x height in `content`.
std::expected<Point, ArithError> CenterPicture(const Rect& content, std::int32_t width, std::int32_t height);

}  // namespace corvane::button
