#include "core/progress_geometry.h"

#include <algorithm>

namespace corvane::progress {

std::expected<double, ArithError> Fraction(std::int32_t lMin, std::int32_t lMax, std::int32_t lValue) {
  const auto d = CheckedSub(lValue, lMin);
  if (!d) return std::unexpected(d.error());
  const auto r = CheckedSub(lMax, lMin);
  if (!r) return std::unexpected(r.error());
  // Both fit 32 bits, so the division can only fail on an empty range (x/0 and 0/0).
  if (*r == 0) return std::unexpected(ArithError::DivideByZero);
  double f = static_cast<double>(*d) / static_cast<double>(*r);
  if (f > 1) f = 1;
  if (f < 0) f = 0;
  return f;
}

std::expected<double, ArithError> Percent(std::int32_t lMin, std::int32_t lMax, std::int32_t lValue) {
  const auto f = Fraction(lMin, lMax, lValue);
  if (!f) return std::unexpected(f.error());
  return *f * 100;
}

Rect Normalized(const Rect& r) {
  return Rect{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
              std::max(r.top, r.bottom)};
}

std::expected<FrameSize, ArithError> SizeOf(const Rect& r) {
  const Rect n = Normalized(r);
  const auto w = CheckedSub(n.right, n.left);
  if (!w) return std::unexpected(w.error());
  const auto h = CheckedSub(n.bottom, n.top);
  if (!h) return std::unexpected(h.error());
  return FrameSize{*w, *h, *w > *h};
}

Rect AtOrigin(const Rect&, const FrameSize& size) { return Rect{0, 0, size.width, size.height}; }

std::expected<Rect, ArithError> InnerRect(const Rect& outer, std::int32_t borderStyle, std::int32_t appearance,
                                          bool themed) {
  if (borderStyle <= 0) return outer;
  const std::int32_t ring = themed ? 1 : (appearance == kAppearance3D ? 2 : 1);
  const auto l = CheckedAdd(outer.left, ring), t = CheckedAdd(outer.top, ring);
  const auto r = CheckedSub(outer.right, ring), b = CheckedSub(outer.bottom, ring);
  if (!l || !t || !r || !b) return std::unexpected(ArithError::Overflow);
  return Rect{*l, *t, *r, *b};
}

std::expected<std::int32_t, ArithError> SnapStep(std::int32_t block, std::int32_t gap) {
  return CheckedAdd(block, gap);
}

std::expected<std::int32_t, ArithError> ThemedSnapStep(std::int32_t chunk, std::int32_t space) {
  const auto block = CheckedAdd(chunk, space);
  if (!block) return block;
  return SnapStep(*block, space);
}

std::expected<Rect, ArithError> BarRect(const Rect& inner, double f, bool horizontal, std::int32_t step) {
  Rect bar = inner;
  if (horizontal) {
    const double span = static_cast<double>(inner.right) - static_cast<double>(inner.left);
    const auto right = RoundHalfEven(static_cast<double>(inner.left) + f * span);
    if (!right) return std::unexpected(right.error());
    bar.right = *right;
    if (step != 0) {
      const auto length = CheckedSub(bar.right, bar.left);
      if (!length) return std::unexpected(length.error());
      const auto excess = CheckedMod(*length, step);
      if (!excess) return std::unexpected(excess.error());
      const auto snapped = CheckedSub(bar.right, *excess);
      if (!snapped) return std::unexpected(snapped.error());
      bar.right = std::max(*snapped, inner.left);
    }
  } else {
    const double span = static_cast<double>(inner.bottom) - static_cast<double>(inner.top);
    const auto top = RoundHalfEven(static_cast<double>(inner.top) + (1 - f) * span);
    if (!top) return std::unexpected(top.error());
    bar.top = *top;
    if (step != 0) {
      // The dividend is negative or zero, so the top moves down by the excess.
      const auto length = CheckedSub(bar.top, bar.bottom);
      if (!length) return std::unexpected(length.error());
      const auto excess = CheckedMod(*length, step);
      if (!excess) return std::unexpected(excess.error());
      const auto snapped = CheckedSub(bar.top, *excess);
      if (!snapped) return std::unexpected(snapped.error());
      bar.top = std::min(*snapped, inner.bottom);
    }
  }
  return bar;
}

BorderPlan PlanBorder(std::int32_t appearance, const Rect& r, bool raised) {
  BorderPlan plan;
  const std::int32_t L = r.left, T = r.top;
  // Pixel positions one in from the right and bottom; a rectangle at the 32-bit limits wraps
  // nothing, it just draws off its own edge.
  const auto dec = [](std::int32_t v, std::int32_t by) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{v} - by, INT32_MIN));
  };
  const std::int32_t R1 = dec(r.right, 1), B1 = dec(r.bottom, 1), B2 = dec(r.bottom, 2), L1 = dec(L, 1);
  const std::int32_t T1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{T} + 1, INT32_MAX));
  switch (appearance) {
    case kAppearanceFlat:
      plan.kind = BorderPlan::Kind::Strokes;
      plan.strokes[0] = Stroke{Pen::Black, {L, T}, {{{R1, T}, {R1, B1}, {L, B1}, {L, T}}}, 4};
      plan.strokeCount = 1;
      break;
    case kAppearanceThin3D:
      plan.kind = BorderPlan::Kind::Strokes;
      plan.strokeCount = 2;
      if (!raised) {
        plan.strokes[0] = Stroke{Pen::Shadow, {L, B1}, {{{L, T}, {r.right, T}}}, 2};
        plan.strokes[1] = Stroke{Pen::Highlight, {R1, T1}, {{{R1, B1}, {L, B1}}}, 2};
      } else {
        plan.strokes[0] = Stroke{Pen::Highlight, {L, B2}, {{{L, T}, {R1, T}}}, 2};
        plan.strokes[1] = Stroke{Pen::Shadow, {R1, T}, {{{R1, B1}, {L1, B1}}}, 2};
      }
      break;
    case kAppearance3D:
      plan.kind = BorderPlan::Kind::Edge;
      plan.raisedEdge = raised;
      break;
    default:
      break;
  }
  return plan;
}

}  // namespace corvane::progress
