// The floor for a repair run: the same 232 starts and waits the run makes (pipe, start-up record,
// flags, 3 s wait), with nothing around them. With --batch PATH it writes the same 232 command
// lines as a batch file instead, for Wine's cmd to run.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/folders/ModSpecialFolders.h"
#include "core/command_line.h"
#include "core/registration.h"
#include "platform/unique.h"

namespace {

std::wstring SystemDirectory() {
  wchar_t dir[MAX_PATH] = {};
  ::GetSystemDirectoryW(dir, MAX_PATH);
  return dir;
}

// Each line twice, as the run starts it.
std::vector<std::wstring> Commands() {
  const std::wstring common = corvane::GetSpecialFolderPath(corvane::kCsidlProgramFilesCommon);
  const std::wstring commonX86 = corvane::GetSpecialFolderPath(corvane::kCsidlProgramFilesCommonX86);
  std::vector<std::wstring> commands;
  for (const auto& item : corvane::RegistrationList()) {
    const std::wstring line = corvane::ExpandLine(item, L"\"", common, commonX86);
    commands.push_back(line);
    commands.push_back(line);
  }
  return commands;
}

bool WriteBatch(const wchar_t* path, const std::vector<std::wstring>& commands) {
  std::string text = "@echo off\r\n";
  for (const auto& command : commands) {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string line(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, line.data(), n, nullptr, nullptr);
    line.resize(static_cast<size_t>(n) - 1);
    text += line + " >NUL\r\n";
  }
  platform::unique_handle file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return false;
  }
  DWORD written = 0;
  return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

int StartAll(const std::vector<std::wstring>& commands) {
  const std::wstring system = SystemDirectory();
  int started = 0;
  for (const auto& command : commands) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    platform::unique_handle read, write;
    if (!::CreatePipe(read.put(), write.put(), &sa, 0)) continue;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_SHOWMINNOACTIVE;
    si.hStdOutput = write.get();
    PROCESS_INFORMATION pi{};
    std::wstring writable = command;
    const auto app = corvane::SystemProgramPath(command, system);
    if (::CreateProcessW(app ? app->c_str() : nullptr, writable.data(), &sa, &sa, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                         system.c_str(), &si, &pi)) {
      platform::unique_handle process(pi.hProcess), thread(pi.hThread);
      ::WaitForSingleObject(pi.hProcess, 3000);
      ++started;
    }
  }
  return started;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> commands = Commands();
  if (argc == 3 && std::wstring(argv[1]) == L"--batch") return WriteBatch(argv[2], commands) ? 0 : 1;
  const auto begun = std::chrono::steady_clock::now();
  const int started = StartAll(commands);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
  std::printf("bare\tstarts=%d\tseconds=%.3f\n", started, seconds);
  return started == static_cast<int>(commands.size()) ? 0 : 1;
}
