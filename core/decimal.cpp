#include "core/decimal.h"

namespace corvane {

std::wstring Decimal(std::int64_t value, int width) {
  // The magnitude as unsigned: negating the smallest value would overflow.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  wchar_t digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::wstring text;
  if (value < 0) text += L'-';
  const int length = count + (value < 0 ? 1 : 0);
  if (width > length) text.append(static_cast<std::size_t>(width - length), L'0');
  while (count > 0) text += digits[--count];
  return text;
}

}  // namespace corvane
