#pragma once
#include <cstdint>
#include <string>

namespace corvane {

// The file-system path of a shell special folder (a CSIDL value), or empty text when the
// folder is unknown or has no file-system path.
std::wstring GetSpecialFolderPath(std::int32_t folderId);

}  // namespace corvane
