#include "app/folders/ModSpecialFolders.h"

#include <windows.h>
#include <shlobj.h>

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

}  // namespace corvane
