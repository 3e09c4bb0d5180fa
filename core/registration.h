#pragma once
// The registration list the repair run walks, and the text work it does on each line.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::wstring_view kCommonToken = L"%CommonProgramFiles%";
inline constexpr std::wstring_view kCommonX86Token = L"%CommonProgramFiles(x86)%";
inline constexpr std::int32_t kCsidlProgramFilesCommon = 43;
inline constexpr std::int32_t kCsidlProgramFilesCommonX86 = 44;

// The 116 command lines, in the order they are registered, exactly as stored.
std::span<const std::wstring> RegistrationList();

// The text between the first and the second occurrence of `delimiter` (to the end when there is
// no second one); nothing when the delimiter is empty or does not occur.
std::optional<std::wstring_view> SecondPiece(std::wstring_view line, std::wstring_view delimiter);

// True when the line's quoted piece starts with `token`, compared case-sensitively.
bool PieceStartsWith(std::wstring_view line, std::wstring_view delimiter, std::wstring_view token);

// Every occurrence of `token` replaced by `replacement`, left to right, case-sensitively; the
// replacement text itself is never searched again.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view token, std::wstring_view replacement);

// The line with every `token` replaced by `folder` when its quoted piece starts with the token;
// nothing when it does not.
std::optional<std::wstring> ExpandToken(std::wstring_view line, std::wstring_view delimiter, std::wstring_view token,
                                        std::wstring_view folder);

// The line as it is shown and run: at most one of the two tokens replaced by its folder path,
// used as given (no backslash or quotes added, empty accepted).
std::wstring ExpandLine(std::wstring_view line, std::wstring_view delimiter, std::wstring_view commonPath,
                        std::wstring_view commonX86Path);

// The folder %CommonProgramFiles% stands for. In a 32-bit process on 64-bit Windows the shell
// names the 32-bit tree for it too, so there the native folder comes from the 64-bit registry
// view's CommonFilesDir when that is a plain local folder (LocalFolder, trailing backslashes
// dropped: the lines add their own); otherwise the shell's answer stands.
std::wstring CommonFilesFolder(bool wow64, std::optional<std::wstring_view> registryValue,
                               std::wstring_view shellFolder);

// The bar's caption after a line: "value/max NN %", the percentage rounded to a whole number
// (halves away from zero, as a number format does) with at least two digits.
std::wstring BarText(std::int32_t value, std::int32_t max, double percent);

}  // namespace corvane
