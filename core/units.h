#pragma once
// Conversions between the window's layout units and screen pixels.
// Twips: 1/1440 inch. HIMETRIC: 1/100 millimetre, 2540 to the inch.
#include <cstdint>
#include <expected>

#include "core/arith.h"

namespace corvane {

inline constexpr std::int32_t kTwipsPerInch = 1440;
inline constexpr std::int32_t kHimetricPerInch = 2540;

// A length in twips as whole pixels at `pixelsPerInch`, the nearest integer with halves to even.
std::expected<std::int32_t, ArithError> TwipsToPixels(std::int32_t twips, std::int32_t pixelsPerInch);

// A length in HIMETRIC as whole pixels at `pixelsPerInch`, the nearest integer with halves to even.
// Widths and heights use the same factor.
std::expected<std::int32_t, ArithError> HimetricToPixels(double himetric, std::int32_t pixelsPerInch);

// Twips per pixel as the screen reports it (15 at 96 dpi); 0 when the density is not positive.
std::int32_t TwipsPerPixel(std::int32_t pixelsPerInch);

}  // namespace corvane
