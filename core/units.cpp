#include "core/units.h"

namespace corvane {

std::expected<std::int32_t, ArithError> TwipsToPixels(std::int32_t twips, std::int32_t pixelsPerInch) {
  if (pixelsPerInch <= 0) return std::unexpected(ArithError::Invalid);
  // In 64 bits the product is exact; the quotient is rounded once.
  const double exact = static_cast<double>(static_cast<std::int64_t>(twips) * pixelsPerInch) / kTwipsPerInch;
  return RoundHalfEven(exact);
}

std::expected<std::int32_t, ArithError> HimetricToPixels(double himetric, std::int32_t pixelsPerInch) {
  if (pixelsPerInch <= 0) return std::unexpected(ArithError::Invalid);
  // Multiply first: length * ppi / 2540 keeps exact halves exact (25 at 254 ppi is 2.5, not 2.4999...).
  return RoundHalfEven(himetric * pixelsPerInch / kHimetricPerInch);
}

std::int32_t TwipsPerPixel(std::int32_t pixelsPerInch) {
  return pixelsPerInch > 0 ? kTwipsPerInch / pixelsPerInch : 0;
}

}  // namespace corvane
