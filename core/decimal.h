#pragma once
// Whole numbers as decimal text, written as printf writes "%lld" and "%0*lld", without printf:
// the wide printf family links about 25 KB of formatting code into the program for these few
// numbers.
#include <cstdint>
#include <string>

namespace corvane {

// `value` in decimal, a minus sign first when negative; zeros after the sign until the text is
// `width` characters long (a width it already reaches changes nothing).
std::wstring Decimal(std::int64_t value, int width = 0);

}  // namespace corvane
