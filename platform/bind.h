#pragma once
// Binding by name: functions that some supported Windows versions lack are looked up at their
// first call, so the program starts everywhere and a missing function fails only its own step.
// Libraries come from the system directory only: the program runs elevated, and a DLL dropped
// beside it or in the current folder must never be loaded.
#include <windows.h>

#include <string_view>

namespace platform {

// The library `name` (a bare file name) from the system directory, loaded once and kept for
// the life of the process; null when it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name) noexcept;

// The address of `name` in the system library `library`; null when the library or the function
// is missing, or when the function was made unavailable.
FARPROC BindProc(const wchar_t* library, const char* name) noexcept;

// Makes a function look missing to every later bind (a test switch). A program built with
// CORVANE_TEST_HOOKS also reads a comma-separated list from CORVANE_UNAVAILABLE at first use.
void SetFunctionUnavailable(std::string_view name, bool unavailable);
bool IsFunctionUnavailable(std::string_view name) noexcept;

#ifdef CORVANE_TEST_HOOKS
// Test builds: every later bind of `name` answers `proc` in place of the system's function (null
// takes the stand-in away again).
void SetFunctionOverride(std::string_view name, void* proc);
#endif

// Restricts the process's DLL search to the system directory where Windows offers it; elsewhere
// takes at least the current folder out of it.
void RestrictDllSearch() noexcept;

// One function bound by name, typed by its pointer type: ByName<decltype(&::TransparentBlt)>.
template <class FnPtr>
class ByName {
 public:
  constexpr ByName(const wchar_t* library, const char* name) noexcept : library_(library), name_(name) {}

  // Through void* : the bound address has the type its library declares, not FARPROC's.
  FnPtr get() const noexcept { return reinterpret_cast<FnPtr>(reinterpret_cast<void*>(BindProc(library_, name_))); }
  explicit operator bool() const noexcept { return get() != nullptr; }
  const char* name() const noexcept { return name_; }

 private:
  const wchar_t* library_;
  const char* name_;
};

}  // namespace platform
