#include "app/runner/RunCommand.h"

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/command_line.h"
#include "platform/pump.h"
#include "platform/unique.h"

namespace corvane {
namespace {

// The records the child is started with; 32-bit Windows lays them out in these sizes.
#if !defined(_WIN64)
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12);
static_assert(sizeof(STARTUPINFOW) == 68);
#endif

constexpr DWORD kWaitMilliseconds = 3000;

std::wstring errorText(const wchar_t* step, DWORD code) {
  // The code is quoted as a signed 32-bit number.
  return std::wstring(L"Error: ") + step + L" failed. " + std::to_wstring(static_cast<std::int32_t>(code));
}

std::optional<std::wstring> systemDirectory() {
  wchar_t buffer[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  return std::wstring(buffer, n);
}

}  // namespace

std::wstring RunCommand(std::wstring commandLine) {
  std::wstring result;

  // One record serves the pipe and both of the child's handles: all inheritable.
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;

  platform::unique_handle readEnd;
  platform::unique_handle writeEnd;
  if (!::CreatePipe(readEnd.put(), writeEnd.put(), &security, 0)) {
    return errorText(L"CreatePipe", ::GetLastError());
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINNOACTIVE;
  startup.hStdOutput = writeEnd.get();
  startup.hStdInput = nullptr;
  startup.hStdError = nullptr;

  PROCESS_INFORMATION info{};
  const std::optional<std::wstring> directory = systemDirectory();
  if (!directory) {
    result = errorText(L"CreateProcess", ::GetLastError());
  } else {
    const std::optional<std::wstring> application = SystemProgramPath(commandLine, *directory);
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring writable = commandLine;
    const BOOL started = ::CreateProcessW(application ? application->c_str() : nullptr, writable.data(), &security,
                                          &security, TRUE, NORMAL_PRIORITY_CLASS, nullptr, directory->c_str(),
                                          &startup, &info);
    if (started != TRUE) result = errorText(L"CreateProcess", ::GetLastError());
  }
  platform::unique_handle process(info.hProcess);
  platform::unique_handle thread(info.hThread);

  platform::PumpMessages();

  // The outcome is not examined: a child still running after the wait is left to finish alone.
  if (process) ::WaitForSingleObject(process.get(), kWaitMilliseconds);

  process.reset();
  thread.reset();
  readEnd.reset();
  writeEnd.reset();

  platform::PumpMessages();
  return result;
}

}  // namespace corvane
