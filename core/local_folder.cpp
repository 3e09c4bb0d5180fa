#include "core/local_folder.h"

#include <array>

namespace corvane {
namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// Characters no file or folder name may hold; a forward slash would also be a separator.
bool IsRefused(wchar_t c) {
  if (c < 0x20) return true;
  switch (c) {
    case L'"': case L'<': case L'>': case L'|': case L'?': case L'*': case L':': case L'/':
      return true;
    default:
      return false;
  }
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (and their superscript-digit forms), CONIN$ and CONOUT$,
// alone or before an extension: Windows opens the device, not a folder.
bool IsDeviceName(std::wstring_view segment) {
  const std::wstring_view base = segment.substr(0, segment.find(L'.'));
  static constexpr std::array<std::wstring_view, 6> kNames{L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const auto name : kNames)
    if (EqualsNoCase(base, name)) return true;
  if (base.size() == 4 && (EqualsNoCase(base.substr(0, 3), L"COM") || EqualsNoCase(base.substr(0, 3), L"LPT"))) {
    const wchar_t d = base[3];
    return (d >= L'0' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
  }
  return false;
}

bool IsPlainSegment(std::wstring_view segment) {
  if (segment.empty()) return false;  // "X:\\a" or "X:\a\\b"
  // Covers "." and "..", and names that Windows would trim to something else.
  if (segment.back() == L'.' || segment.back() == L' ') return false;
  for (const wchar_t c : segment)
    if (IsRefused(c)) return false;
  return !IsDeviceName(segment);
}

}  // namespace

std::optional<std::wstring> LocalFolder(std::wstring_view value) {
  while (value.size() > 3 && value.back() == L'\\') value.remove_suffix(1);
  if (value.size() < 4 || !IsDriveLetter(value[0]) || value[1] != L':' || value[2] != L'\\') return std::nullopt;
  if (value.size() > kMaxFolderLength) return std::nullopt;
  std::wstring_view rest = value.substr(3);
  for (;;) {
    const std::size_t end = rest.find(L'\\');
    if (!IsPlainSegment(rest.substr(0, end))) return std::nullopt;
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return std::wstring(value);
}

}  // namespace corvane
