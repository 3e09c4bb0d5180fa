#pragma once
// A lock for std::lock_guard and std::scoped_lock over a Windows critical section. std::mutex
// reports a lock that fails by throwing std::system_error, and that one throw links the
// runtime's error categories into the program (about 9 KB); entering a critical section does not
// fail.
#include <windows.h>

namespace platform {

class CriticalSection {
 public:
  CriticalSection() noexcept { ::InitializeCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { ::DeleteCriticalSection(&section_); }

  void lock() noexcept { ::EnterCriticalSection(&section_); }
  bool try_lock() noexcept { return ::TryEnterCriticalSection(&section_) != FALSE; }
  void unlock() noexcept { ::LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

}  // namespace platform
