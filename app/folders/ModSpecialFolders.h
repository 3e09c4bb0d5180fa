#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// The file-system path of a shell special folder (a CSIDL value), or empty text when the
// folder is unknown or has no file-system path.
std::wstring GetSpecialFolderPath(std::int32_t folderId);

// True in a 32-bit process on 64-bit Windows; nothing when the system cannot say.
std::optional<bool> IsWow64();

// The native common files folder as the 64-bit registry view names it (CommonFilesDir, a plain
// string), when that is a local folder (LocalFolder) that exists; nothing otherwise, or when it
// cannot be read.
std::optional<std::wstring> NativeCommonFilesDir();

// True when `path` names an existing folder (not a file).
bool IsExistingFolder(const std::wstring& path);

}  // namespace corvane
