#pragma once
// Checked signed 32-bit arithmetic and rounding, shared by every unit that must not overflow
// silently: the progress bar's range and geometry, the themed button's sizes.
#include <cmath>
#include <cstdint>
#include <expected>
#include <limits>

namespace corvane {

enum class ArithError {
  Overflow,      // a 32-bit result that does not fit
  DivideByZero,  // includes 0 / 0
  Invalid,       // not-a-number or infinite input
};

inline std::expected<std::int32_t, ArithError> CheckedAdd(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_add_overflow(a, b, &r)) return std::unexpected(ArithError::Overflow);
  return r;
}

inline std::expected<std::int32_t, ArithError> CheckedSub(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) return std::unexpected(ArithError::Overflow);
  return r;
}

inline std::expected<std::int32_t, ArithError> CheckedMul(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) return std::unexpected(ArithError::Overflow);
  return r;
}

// |a|, which overflows for the smallest value.
inline std::expected<std::int32_t, ArithError> CheckedAbs(std::int32_t a) {
  if (a == std::numeric_limits<std::int32_t>::min()) return std::unexpected(ArithError::Overflow);
  return a < 0 ? -a : a;
}

// A double to the nearest 32-bit integer, halves to the even neighbour (banker's rounding).
inline std::expected<std::int32_t, ArithError> RoundHalfEven(double value) {
  if (!std::isfinite(value)) return std::unexpected(ArithError::Invalid);
  const double rounded = std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::unexpected(ArithError::Overflow);
  return static_cast<std::int32_t>(rounded);
}

// The remainder of a / b with the sign of the dividend (as C++'s %), checked.
inline std::expected<std::int32_t, ArithError> CheckedMod(std::int32_t a, std::int32_t b) {
  if (b == 0) return std::unexpected(ArithError::DivideByZero);
  if (b == -1) return 0;  // INT_MIN % -1 is undefined in C++, and 0 in arithmetic
  return a % b;
}

}  // namespace corvane
