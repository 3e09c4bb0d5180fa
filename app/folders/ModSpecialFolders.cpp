#include "app/folders/ModSpecialFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/unique.h"

namespace corvane {

std::wstring GetSpecialFolderPath(std::int32_t folderId) {
  std::wstring result;
  std::wstring buffer(MAX_PATH, L' ');

  LPITEMIDLIST list = nullptr;
  const HRESULT found = ::SHGetSpecialFolderLocation(nullptr, folderId, &list);
  // The list is the caller's to free whatever the call answered.
  platform::unique_cotaskmem owner(list);
  if (found == S_OK && ::SHGetPathFromIDListW(list, buffer.data())) {
    const auto end = buffer.find(L'\0');
    if (end != std::wstring::npos) result = buffer.substr(0, end);
  }
  return result;
}

}  // namespace corvane
