#include "platform/bind.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/critical_section.h"

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
  CriticalSection lock;
  std::map<std::wstring, HMODULE, NoCaseLess> libraries;
  std::map<std::pair<HMODULE, std::string>, FARPROC> procs;
#ifdef CORVANE_TEST_HOOKS
  std::vector<std::string> unavailable;
  bool environmentRead = false;
  std::wstring bindLog;          // CORVANE_BIND_LOG: where each name's first bind is told
  std::vector<std::string> told;
  std::map<std::string, FARPROC, std::less<>> overrides;
  std::size_t bindCalls = 0;
  std::function<void(const wchar_t*)> libraryObserver;
#endif
};

Registry& registry() {
  static Registry instance;
  return instance;
}

#ifdef CORVANE_TEST_HOOKS
void readEnvironmentOnce(Registry& r) {
  if (r.environmentRead) return;
  r.environmentRead = true;
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
}

bool unavailableLocked(Registry& r, std::string_view name) {
  readEnvironmentOnce(r);
  return std::find(r.unavailable.begin(), r.unavailable.end(), name) != r.unavailable.end();
}

// Test builds: a fault sweep must see that a switched-off function was really asked for, so the
// first bind of each name is appended to CORVANE_BIND_LOG as "name<TAB>bound|unavailable|missing".
void tellBind(Registry& r, const char* name, const char* outcome) {
  if (std::find(r.told.begin(), r.told.end(), name) != r.told.end()) return;
  r.told.emplace_back(name);
  if (r.bindLog.empty()) {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_BIND_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    r.bindLog.assign(path, n);
  }
  const std::string line = std::string(name) + '\t' + outcome + '\n';
  HANDLE file = ::CreateFileW(r.bindLog.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
}
#define CORVANE_TELL_BIND(r, name, outcome) tellBind(r, name, outcome)
#else
#define CORVANE_TELL_BIND(r, name, outcome) ((void)0)
#endif

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
#ifdef CORVANE_TEST_HOOKS
    if (r.libraryObserver) r.libraryObserver(name);
#endif
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
#ifdef CORVANE_TEST_HOOKS
      ++r.bindCalls;
      if (unavailableLocked(r, name)) {
        CORVANE_TELL_BIND(r, name, "unavailable");
        return nullptr;
      }
      if (auto it = r.overrides.find(std::string_view(name)); it != r.overrides.end()) return it->second;
#endif
    }
    HMODULE module = SystemLibrary(library);
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    if (!module) {
      CORVANE_TELL_BIND(r, name, "missing");
      return nullptr;
    }
    const auto key = std::make_pair(module, std::string(name));
    if (auto it = r.procs.find(key); it != r.procs.end()) return it->second;
    FARPROC proc = ::GetProcAddress(module, name);
    if (proc) r.procs.emplace(key, proc);
    CORVANE_TELL_BIND(r, name, proc ? "bound" : "missing");
    return proc;
  } catch (...) {
    return nullptr;
  }
}

#ifdef CORVANE_TEST_HOOKS
void SetFunctionUnavailable(std::string_view name, bool unavailable) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  readEnvironmentOnce(r);
  auto it = std::find(r.unavailable.begin(), r.unavailable.end(), name);
  if (unavailable && it == r.unavailable.end()) r.unavailable.emplace_back(name);
  if (!unavailable && it != r.unavailable.end()) r.unavailable.erase(it);
  detail::bindGeneration.fetch_add(1, std::memory_order_acq_rel);
}

void SetFunctionOverride(std::string_view name, void* proc) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  if (proc)
    r.overrides[std::string(name)] = reinterpret_cast<FARPROC>(proc);
  else if (auto it = r.overrides.find(name); it != r.overrides.end())
    r.overrides.erase(it);
  detail::bindGeneration.fetch_add(1, std::memory_order_acq_rel);
}

void SetLibraryObserver(std::function<void(const wchar_t*)> observer) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  r.libraryObserver = std::move(observer);
}

std::size_t BindCalls() noexcept {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  return r.bindCalls;
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
#endif

void RestrictDllSearch() noexcept {
  static const ByName<BOOL(WINAPI*)(DWORD)> setDefaultDllDirectories{L"kernel32.dll", "SetDefaultDllDirectories"};
  static const ByName<BOOL(WINAPI*)(LPCWSTR)> setDllDirectory{L"kernel32.dll", "SetDllDirectoryW"};
  if (auto fn = setDefaultDllDirectories.get(); fn && fn(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // An older system: at least the current folder leaves the search.
  if (auto fn = setDllDirectory.get()) fn(L"");
}

}  // namespace platform
