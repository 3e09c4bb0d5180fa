#pragma once
// Test builds: where start-up's time goes. With CORVANE_STARTUP_TRACE naming a file, each mark
// appends "stage<TAB>milliseconds since the process was created"; release builds mark nothing.
#include <windows.h>

namespace corvane {

#ifdef CORVANE_TEST_HOOKS
inline void StartupMark(const char* stage) noexcept {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  ::GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_STARTUP_TRACE", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  char line[96];
  const int length = wsprintfA(line, "%s\t%u\n", stage, static_cast<unsigned>((ticks(now) - ticks(created)) / 10));
  HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
  ::CloseHandle(file);
}
#else
inline void StartupMark(const char*) noexcept {}
#endif

}  // namespace corvane
