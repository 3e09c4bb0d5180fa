#include "core/button_layout.h"

namespace corvane::button {
namespace {

// (a - b) / 2 + c, the nearest integer with halves to even; an overflow anywhere fails it.
std::expected<std::int32_t, ArithError> HalfGapPlus(std::int32_t a, std::int32_t b, std::int32_t c) {
  const auto gap = CheckedSub(a, b);
  if (!gap) return std::unexpected(gap.error());
  return RoundHalfEven(static_cast<double>(*gap) / 2.0 + static_cast<double>(c));
}

}  // namespace

std::expected<Rect, ArithError> CaptionRect(const Rect& content, std::int32_t measuredBottom, bool hasPicture) {
  Rect text{content.left, 0, content.right, 0};
  if (hasPicture) {
    const auto gap = CheckedSub(content.bottom, measuredBottom);
    if (!gap) return std::unexpected(gap.error());
    const auto top = CheckedAdd(*gap, 1);
    if (!top) return std::unexpected(top.error());
    text.top = *top;
    text.bottom = content.bottom;
  } else {
    const auto top = HalfGapPlus(content.bottom, measuredBottom, 2);
    if (!top) return std::unexpected(top.error());
    const auto bottom = CheckedAdd(*top, measuredBottom);
    if (!bottom) return std::unexpected(bottom.error());
    text.top = *top;
    text.bottom = *bottom;
  }
  return text;
}

std::expected<Point, ArithError> CenterPicture(const Rect& content, std::int32_t width, std::int32_t height) {
  const auto across = CheckedSub(content.right, content.left);
  if (!across) return std::unexpected(across.error());
  const auto down = CheckedSub(content.bottom, content.top);
  if (!down) return std::unexpected(down.error());
  const auto x = HalfGapPlus(*across, width, content.left);
  if (!x) return std::unexpected(x.error());
  const auto y = HalfGapPlus(*down, height, content.top);
  if (!y) return std::unexpected(y.error());
  return Point{*x, *y};
}

}  // namespace corvane::button
