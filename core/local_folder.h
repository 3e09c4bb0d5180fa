#pragma once
// Which folder names an elevated process may put into a command line it starts.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The longest folder the shell can name (its path buffer less the terminating null).
inline constexpr std::size_t kMaxFolderLength = 259;

// `value` as a local absolute folder below a drive root, "X:\name[\name...]", with trailing
// backslashes dropped; nothing for anything else: a drive root itself, a relative path, a UNC
// or device path ("\\server\share", "\\?\", "\\.\"), an empty, "." or ".." segment (or one that
// ends in a dot or a blank, which Windows trims), a reserved device name (CON, NUL, COM1, ...),
// a quote, a control character or another character Windows refuses in a name, or a folder
// longer than the shell could name. Whether the folder exists is the caller's question.
std::optional<std::wstring> LocalFolder(std::wstring_view value);

}  // namespace corvane
