#include "app/runner/RunCommand.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <utility>
#include <vector>

#include "core/command_line.h"
#include "core/decimal.h"
#include "platform/functions.h"
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
  return std::wstring(L"Error: ") + step + L" failed. " + Decimal(static_cast<std::int32_t>(code));
}

std::optional<std::wstring> systemDirectory() {
  wchar_t buffer[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  return std::wstring(buffer, n);
}

std::wstring windowsDirectory() {
  wchar_t buffer[MAX_PATH];
  const UINT n = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::wstring() : std::wstring(buffer, n);
}

// The program's own environment, one "NAME=value" entry each.
std::vector<std::wstring> programEnvironment() {
  std::vector<std::wstring> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (!block) return entries;
  for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) entries.emplace_back(entry);
  ::FreeEnvironmentStringsW(block);
  return entries;
}

// Tells Windows to hand the child this one handle and no other inheritable handle of ours
// (Vista and later). Where that cannot be said, get() is null and inheritance is as before.
class InheritOnly {
 public:
  explicit InheritOnly(HANDLE handle) noexcept : handle_(handle) {
    const auto initialize = platform::kInitializeProcThreadAttributeList.get();
    const auto update = platform::kUpdateProcThreadAttribute.get();
    delete_ = platform::kDeleteProcThreadAttributeList.get();
    if (!initialize || !update || !delete_) return;
    SIZE_T size = 0;
    initialize(nullptr, 1, 0, &size);
    if (size == 0) return;
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!initialize(list, 1, 0, &size)) return;
    made_ = list;
    // The list keeps the address of handle_, which lives as long as the list.
    if (update(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_, sizeof handle_, nullptr, nullptr)) list_ = list;
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;
  ~InheritOnly() {
    if (made_) delete_(made_);
  }
  LPPROC_THREAD_ATTRIBUTE_LIST get() const noexcept { return list_; }

 private:
  HANDLE handle_;
  std::vector<std::byte> buffer_;
  decltype(&::DeleteProcThreadAttributeList) delete_ = nullptr;
  LPPROC_THREAD_ATTRIBUTE_LIST made_ = nullptr;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Starts the child from the system directory; empty text, or what failed.
std::wstring StartChild(const std::wstring& commandLine, STARTUPINFOW& startup, DWORD creation,
                        PROCESS_INFORMATION& info) {
  const std::optional<std::wstring> directory = systemDirectory();
  if (!directory) return errorText(L"CreateProcess", ::GetLastError());
  const std::optional<std::wstring> application = SystemProgramPath(commandLine, *directory);
  // The program's environment, but a search path the user cannot write to: an elevated
  // regsvr32 given a bare DLL name must not find a copy planted on the user's PATH.
  const std::vector<std::wstring> environment =
      ChildEnvironment(programEnvironment(), ChildSearchPath(*directory, windowsDirectory()));
  std::wstring block = EnvironmentBlock(environment);
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring writable = commandLine;
  const BOOL started = ::CreateProcessW(application ? application->c_str() : nullptr, writable.data(), nullptr,
                                        nullptr, TRUE, creation, block.data(), directory->c_str(), &startup, &info);
  if (started != TRUE) return errorText(L"CreateProcess", ::GetLastError());
  return {};
}

// How the child ended within the wait; a child still running is left to finish alone.
StartResult Wait(HANDLE process) {
  switch (::WaitForSingleObject(process, kWaitMilliseconds)) {
    case WAIT_OBJECT_0: {
      DWORD code = 0;
      if (!::GetExitCodeProcess(process, &code)) {
        return StartResult::Unreadable(errorText(L"GetExitCodeProcess", ::GetLastError()));
      }
      return StartResult::ExitedWith(static_cast<std::int32_t>(code));
    }
    case WAIT_TIMEOUT: return StartResult::Running();
    default: return StartResult::Unreadable(errorText(L"WaitForSingleObject", ::GetLastError()));
  }
}

}  // namespace

StartResult RunCommand(std::wstring commandLine) { return RunCommand(std::move(commandLine), platform::PumpMessages); }

std::vector<std::wstring> ChildSearchFolders() {
  const std::optional<std::wstring> directory = systemDirectory();
  if (!directory) return {};
  return ChildSearchFolders(*directory, windowsDirectory());
}

StartResult RunCommand(std::wstring commandLine, const std::function<void()>& yield) {
  // The pipe's ends are made inheritable; the child's process and thread handles are not (a
  // child of a nested run must not hold full access to this one's).
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;

  platform::unique_handle readEnd;
  platform::unique_handle writeEnd;
  if (!::CreatePipe(readEnd.put(), writeEnd.put(), &security, 0)) {
    return StartResult::Refused(errorText(L"CreatePipe", ::GetLastError()));
  }
  // Only the write end goes to the child: holding the read end as well, a child that fills the
  // pipe would wait for a reader that never comes, elevated, forever. So no child without it.
  const auto setInformation = platform::kSetHandleInformation.get();
  if (!setInformation) return StartResult::Refused(errorText(L"SetHandleInformation", ERROR_PROC_NOT_FOUND));
  if (!setInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
    return StartResult::Refused(errorText(L"SetHandleInformation", ::GetLastError()));
  }

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup.StartupInfo;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_SHOWMINNOACTIVE;
  startup.StartupInfo.hStdOutput = writeEnd.get();
  startup.StartupInfo.hStdInput = nullptr;
  startup.StartupInfo.hStdError = nullptr;
  DWORD creation = NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT;
  // Nor does it get a pipe or process handle of another run (a nested one, say).
  const InheritOnly inherit(writeEnd.get());
  if (inherit.get()) {
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = inherit.get();
    creation |= EXTENDED_STARTUPINFO_PRESENT;
  }

  PROCESS_INFORMATION info{};
  const std::wstring refused = StartChild(commandLine, startup.StartupInfo, creation, info);
  platform::unique_handle process(info.hProcess);
  platform::unique_handle thread(info.hThread);
  // The child has its copy. Where Windows could not be told which handles to pass on, a child
  // started from one of the yields below (a nested run's) would get this one too; should the
  // call fail, that is all it costs.
  setInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, 0);

  yield();

  StartResult result = refused.empty() ? Wait(process.get()) : StartResult::Refused(refused);

  process.reset();
  thread.reset();
  readEnd.reset();
  writeEnd.reset();

  yield();
  return result;
}

}  // namespace corvane
