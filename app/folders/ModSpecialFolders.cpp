#include "app/folders/ModSpecialFolders.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "core/local_folder.h"
#include "platform/functions.h"
#include "platform/unique.h"

namespace corvane {

std::wstring GetSpecialFolderPath(std::int32_t folderId) {
  std::wstring result;
  std::wstring buffer(MAX_PATH, L' ');

  LPITEMIDLIST list = nullptr;
  const auto locate = platform::kSHGetSpecialFolderLocation.get();
  const HRESULT found = locate ? locate(nullptr, folderId, &list) : E_NOTIMPL;
  // The list is the caller's to free whatever the call answered.
  platform::unique_cotaskmem owner(list);
  const auto toPath = platform::kSHGetPathFromIDListW.get();
  if (found == S_OK && toPath && toPath(list, buffer.data())) {
    const auto end = buffer.find(L'\0');
    if (end != std::wstring::npos) result = buffer.substr(0, end);
  }
  return result;
}

std::optional<bool> IsWow64() {
  const auto isWow64 = platform::kIsWow64Process.get();
  BOOL wow64 = FALSE;
  if (!isWow64 || !isWow64(::GetCurrentProcess(), &wow64)) return std::nullopt;
  return wow64 != FALSE;
}

std::optional<std::wstring> NativeCommonFilesDir() {
  platform::unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), L"CommonFilesDir", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      type != REG_SZ || bytes > 64 * 1024) {
    return std::nullopt;
  }
  // The stored text need not end in a null: one more character, and the text ends at the first.
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>((value.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), L"CommonFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  value.resize(std::min<std::size_t>(value.find(L'\0'), bytes / sizeof(wchar_t)));
  // Asked of the file system only once the text is plain: a share's name would go to the network.
  auto folder = LocalFolder(value);
  if (!folder || !IsExistingFolder(*folder)) return std::nullopt;
  return folder;
}

bool IsExistingFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace corvane
