#pragma once
// Binding by name: functions that some supported Windows versions lack are looked up at their
// first call, so the program starts everywhere and a missing function fails only its own step.
// Libraries come from the system directory only: the program runs elevated, and a DLL dropped
// beside it or in the current folder must never be loaded.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <string_view>
#ifdef CORVANE_TEST_HOOKS
#include <functional>
#endif

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
// Test builds: how many lookups BindProc has made so far.
std::size_t BindCalls() noexcept;
// Test builds: sees the name of every library asked of SystemLibrary, in order (empty stops it).
void SetLibraryObserver(std::function<void(const wchar_t*)> observer);
#endif

namespace detail {
// Moves on with every switch above, so that each ByName binds again once.
inline std::atomic<unsigned> bindGeneration{1};
}  // namespace detail

// Restricts the process's DLL search to the system directory where Windows offers it; elsewhere
// takes at least the current folder out of it.
void RestrictDllSearch() noexcept;

// One function bound by name, typed by its pointer type: ByName<decltype(&::TransparentBlt)>.
// Bound at the first call and kept (a missing function too); a switch makes it bind again.
template <class FnPtr>
class ByName {
 public:
  constexpr ByName(const wchar_t* library, const char* name) noexcept : library_(library), name_(name) {}
  ByName(const ByName&) = delete;
  ByName& operator=(const ByName&) = delete;

  // Through void* : the bound address has the type its library declares, not FARPROC's.
  FnPtr get() const noexcept {
    const unsigned now = detail::bindGeneration.load(std::memory_order_acquire);
    if (generation_.load(std::memory_order_acquire) != now) {
      proc_.store(reinterpret_cast<void*>(BindProc(library_, name_)), std::memory_order_relaxed);
      generation_.store(now, std::memory_order_release);
    }
    return reinterpret_cast<FnPtr>(proc_.load(std::memory_order_relaxed));
  }
  explicit operator bool() const noexcept { return get() != nullptr; }
  const char* name() const noexcept { return name_; }

 private:
  const wchar_t* library_;
  const char* name_;
  mutable std::atomic<void*> proc_{nullptr};
  mutable std::atomic<unsigned> generation_{0};
};

}  // namespace platform
