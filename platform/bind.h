#pragma once
// Binding by name: functions that some supported Windows versions lack are looked up at their
// first call, so the program starts everywhere and a missing function fails only its own step.
// Libraries come from the system directory only: the program runs elevated, and a DLL dropped
// beside it or in the current folder must never be loaded.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#ifdef CORVANE_TEST_HOOKS
#include <functional>
#endif

namespace platform {

// The library `name` (a bare file name) from the system directory, loaded once and kept for
// the life of the process; null when it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name) noexcept;

// The address of `name` in the system library `library`; null when the library or the function
// is missing (or, in test builds, was made unavailable).
FARPROC BindProc(const wchar_t* library, const char* name) noexcept;

#ifdef CORVANE_TEST_HOOKS
// Test builds: makes a function look missing to every later bind. The list starts as the
// comma-separated names in CORVANE_UNAVAILABLE, read at first use.
void SetFunctionUnavailable(std::string_view name, bool unavailable);
bool IsFunctionUnavailable(std::string_view name) noexcept;
// Test builds: every later bind of `name` answers `proc` in place of the system's function (null
// takes the stand-in away again).
void SetFunctionOverride(std::string_view name, void* proc);
// Test builds: how many lookups BindProc has made so far.
std::size_t BindCalls() noexcept;
// Test builds: sees the name of every library asked of SystemLibrary, in order (empty stops it).
void SetLibraryObserver(std::function<void(const wchar_t*)> observer);

namespace detail {
// Moves on with every switch above, so that each ByName binds again once.
inline std::atomic<unsigned> bindGeneration{1};
}  // namespace detail
#endif

// Restricts the process's DLL search to the system directory where Windows offers it; elsewhere
// takes at least the current folder out of it.
void RestrictDllSearch() noexcept;

// One function bound by name, typed by its pointer type: ByName<decltype(&::TransparentBlt)>.
// Bound at the first call and kept (a missing function too); in test builds a switch makes it
// bind again.
template <class FnPtr>
class ByName {
 public:
  constexpr ByName(const wchar_t* library, const char* name) noexcept : library_(library), name_(name) {}
  ByName(const ByName&) = delete;
  ByName& operator=(const ByName&) = delete;

  // Through an integer: the bound address has the type its library declares, not FARPROC's.
  FnPtr get() const noexcept {
#ifdef CORVANE_TEST_HOOKS
    const unsigned now = detail::bindGeneration.load(std::memory_order_acquire);
    if (generation_.load(std::memory_order_acquire) != now) {
      proc_.store(Bind(), std::memory_order_relaxed);
      generation_.store(now, std::memory_order_release);
    }
    return reinterpret_cast<FnPtr>(proc_.load(std::memory_order_relaxed));
#else
    // One load once bound. Two threads binding at once store the same answer.
    std::uintptr_t proc = proc_.load(std::memory_order_acquire);
    if (proc == kUnbound) [[unlikely]] {
      proc = Bind();
      proc_.store(proc, std::memory_order_release);
    }
    return reinterpret_cast<FnPtr>(proc);
#endif
  }
  explicit operator bool() const noexcept { return get() != nullptr; }
  const char* name() const noexcept { return name_; }

 private:
  // No function lives at address 1.
  static constexpr std::uintptr_t kUnbound = 1;
  std::uintptr_t Bind() const noexcept { return reinterpret_cast<std::uintptr_t>(BindProc(library_, name_)); }

  const wchar_t* library_;
  const char* name_;
  mutable std::atomic<std::uintptr_t> proc_{kUnbound};
#ifdef CORVANE_TEST_HOOKS
  mutable std::atomic<unsigned> generation_{0};
#endif
};

}  // namespace platform
