#include "platform/bind.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct NoCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
      return std::towlower(x) < std::towlower(y);
    });
  }
};

struct Registry {
  std::mutex lock;
  std::map<std::wstring, HMODULE, NoCaseLess> libraries;
  std::map<std::pair<HMODULE, std::string>, FARPROC> procs;
  std::vector<std::string> unavailable;
  bool environmentRead = false;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

void readEnvironmentOnce(Registry& r) {
  if (r.environmentRead) return;
  r.environmentRead = true;
#ifdef CORVANE_TEST_HOOKS
  wchar_t buffer[4096];
  const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_UNAVAILABLE", buffer, std::size(buffer));
  if (n == 0 || n >= std::size(buffer)) return;
  std::string item;
  for (DWORD i = 0; i <= n; ++i) {
    const wchar_t c = i < n ? buffer[i] : L',';
    if (c == L',' || c == L' ' || c == L';') {
      if (!item.empty()) r.unavailable.push_back(std::exchange(item, {}));
    } else if (c < 0x80) {
      item.push_back(static_cast<char>(c));
    }
  }
#endif
}

bool unavailableLocked(Registry& r, std::string_view name) {
  readEnvironmentOnce(r);
  return std::find(r.unavailable.begin(), r.unavailable.end(), name) != r.unavailable.end();
}

HMODULE loadFromSystemDirectory(const wchar_t* name) {
  HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // Windows without the search flag: name the system directory in full.
  wchar_t directory[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::wstring path(directory, n);
  path += L'\\';
  path += name;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

HMODULE SystemLibrary(const wchar_t* name) noexcept {
  if (!name || !*name) return nullptr;
  try {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    if (auto it = r.libraries.find(name); it != r.libraries.end() && it->second) return it->second;
    HMODULE module = loadFromSystemDirectory(name);
    if (module) r.libraries[name] = module;
    return module;
  } catch (...) {
    return nullptr;
  }
}

FARPROC BindProc(const wchar_t* library, const char* name) noexcept {
  if (!name) return nullptr;
  try {
    {
      Registry& r = registry();
      std::lock_guard guard(r.lock);
      if (unavailableLocked(r, name)) return nullptr;
    }
    HMODULE module = SystemLibrary(library);
    if (!module) return nullptr;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const auto key = std::make_pair(module, std::string(name));
    if (auto it = r.procs.find(key); it != r.procs.end()) return it->second;
    FARPROC proc = ::GetProcAddress(module, name);
    if (proc) r.procs.emplace(key, proc);
    return proc;
  } catch (...) {
    return nullptr;
  }
}

void SetFunctionUnavailable(std::string_view name, bool unavailable) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  readEnvironmentOnce(r);
  auto it = std::find(r.unavailable.begin(), r.unavailable.end(), name);
  if (unavailable && it == r.unavailable.end()) r.unavailable.emplace_back(name);
  if (!unavailable && it != r.unavailable.end()) r.unavailable.erase(it);
}

bool IsFunctionUnavailable(std::string_view name) noexcept {
  try {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return unavailableLocked(r, name);
  } catch (...) {
    return false;
  }
}

void RestrictDllSearch() noexcept {
  static const ByName<BOOL(WINAPI*)(DWORD)> setDefaultDllDirectories{L"kernel32.dll", "SetDefaultDllDirectories"};
  if (auto fn = setDefaultDllDirectories.get()) fn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace platform
