// A stand-in child program: appends one line about how it was started to the file named by
// CORVANE_PROBE_LOG, then optionally sleeps (CORVANE_PROBE_SLEEP_MS), appends "done" and exits
// with the code CORVANE_PROBE_EXITS gives for its command line ("text=code;...", the first text
// the line holds), else CORVANE_PROBE_EXIT. CORVANE_PROBE_SLEEP_MATCH limits the sleep to command lines holding
// that text. With CORVANE_PROBE_WINDOW set to a window caption, the line also records the texts
// of that window's controls that start with "Registering: " (what the user sees meanwhile).
// Copied as regsvr32.exe it stands in for the registration tool. Started by name, it also takes
// "--write=BYTES" (writes that much to its standard output, then appends "done") and
// "--sleep=MS" on its command line, and "--count-pipes" (records how many pipe handles it holds, and handles to other
// processes and their threads).
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring env(const wchar_t* name) {
  wchar_t buffer[2048];
  const DWORD n = ::GetEnvironmentVariableW(name, buffer, 2048);
  return n && n < 2048 ? std::wstring(buffer, n) : std::wstring();
}

const wchar_t* handleKind(HANDLE h) {
  if (h == nullptr) return L"null";
  if (h == INVALID_HANDLE_VALUE) return L"invalid";
  switch (::GetFileType(h)) {
    case FILE_TYPE_PIPE: return L"pipe";
    case FILE_TYPE_CHAR: return L"char";
    case FILE_TYPE_DISK: return L"disk";
    default: return L"other";
  }
}

void append(const std::wstring& path, const std::wstring& line) {
  if (path.empty()) return;
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                          nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr,
                        nullptr);
  // Several children may append at once; retry while another holds the file.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
      ::CloseHandle(file);
      return;
    }
    ::Sleep(10);
  }
}

// The number after `option` on the command line, or -1.
long long Option(const std::wstring& commandLine, const wchar_t* option) {
  const size_t at = commandLine.find(option);
  if (at == std::wstring::npos) return -1;
  return std::wcstoll(commandLine.c_str() + at + std::wcslen(option), nullptr, 10);
}

BOOL CALLBACK CollectStatus(HWND child, LPARAM out) {
  wchar_t text[2048] = {};
  const int n = ::InternalGetWindowText(child, text, 2048);
  const std::wstring s(text, n > 0 ? n : 0);
  if (s.starts_with(L"Registering: ")) *reinterpret_cast<std::wstring*>(out) += L"\tstatus=" + s;
  return TRUE;
}

}  // namespace

int main() {
  const std::wstring log = env(L"CORVANE_PROBE_LOG");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);

  wchar_t module[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  wchar_t directory[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, directory);
  wchar_t flags[16];
  ::wsprintfW(flags, L"0x%X", startup.dwFlags);

  std::wstring line = L"start\tpid=" + std::to_wstring(::GetCurrentProcessId());
  line += L"\ttick=" + std::to_wstring(::GetTickCount64());
  line += L"\tflags=" + std::wstring(flags);
  line += L"\tshow=" + std::to_wstring(startup.wShowWindow);
  line += L"\tstdin=" + std::wstring(handleKind(::GetStdHandle(STD_INPUT_HANDLE)));
  line += L"\tstdout=" + std::wstring(handleKind(::GetStdHandle(STD_OUTPUT_HANDLE)));
  line += L"\tstderr=" + std::wstring(handleKind(::GetStdHandle(STD_ERROR_HANDLE)));
  line += L"\tcwd=" + std::wstring(directory);
  line += L"\tmodule=" + std::wstring(module);
  line += L"\tbits=" + std::to_wstring(sizeof(void*) * 8);
  line += L"\tpath=" + env(L"PATH");
  if (std::wstring(::GetCommandLineW()).find(L" --count-pipes") != std::wstring::npos) {
    // Every pipe handle this process holds, inherited ones included (they keep their values).
    // Handles to other processes and their threads as well (an inherited one answers its
    // object's id); the system may hold some to this process's own.
    const DWORD self = ::GetCurrentProcessId();
    int pipes = 0, processes = 0, threads = 0;
    for (UINT_PTR value = 4; value < 65536; value += 4) {
      const HANDLE h = reinterpret_cast<HANDLE>(value);
      if (::GetFileType(h) == FILE_TYPE_PIPE) ++pipes;
      if (const DWORD pid = ::GetProcessId(h); pid != 0 && pid != self) ++processes;
      if (::GetThreadId(h) != 0 && ::GetProcessIdOfThread(h) != self) ++threads;
    }
    line += L"\tpipes=" + std::to_wstring(pipes) + L"\tprocesses=" + std::to_wstring(processes) +
            L"\tthreads=" + std::to_wstring(threads);
  }
  if (const std::wstring caption = env(L"CORVANE_PROBE_WINDOW"); !caption.empty()) {
    if (HWND window = ::FindWindowW(nullptr, caption.c_str())) {
      ::EnumChildWindows(window, CollectStatus, reinterpret_cast<LPARAM>(&line));
    }
  }
  line += L"\tcmd=" + std::wstring(::GetCommandLineW()) + L"\n";
  append(log, line);

  const std::wstring commandLine = ::GetCommandLineW();
  if (const long long bytes = Option(commandLine, L" --write="); bytes >= 0) {
    // A child that writes more than the pipe holds: it ends only when no reader is left.
    static char chunk[65536];
    long long written = 0;
    DWORD n = 0;
    while (written < bytes &&
           ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), chunk,
                       static_cast<DWORD>(bytes - written < 65536 ? bytes - written : 65536), &n, nullptr))
      written += n;
    append(log, L"done\tpid=" + std::to_wstring(::GetCurrentProcessId()) + L"\twritten=" + std::to_wstring(written) +
                    L"\n");
  }
  if (const long long ms = Option(commandLine, L" --sleep="); ms >= 0) {
    ::Sleep(static_cast<DWORD>(ms));
    append(log, L"done\tpid=" + std::to_wstring(::GetCurrentProcessId()) + L"\n");
  }

  const std::wstring match = env(L"CORVANE_PROBE_SLEEP_MATCH");
  const bool sleepHere = match.empty() || std::wstring(::GetCommandLineW()).find(match) != std::wstring::npos;
  if (const std::wstring sleep = env(L"CORVANE_PROBE_SLEEP_MS"); !sleep.empty() && sleepHere) {
    ::Sleep(static_cast<DWORD>(std::stoul(sleep)));
    append(log, L"done\tpid=" + std::to_wstring(::GetCurrentProcessId()) + L"\n");
  }
  // CORVANE_PROBE_EXITS: "text=code;text=code": the first text the command line holds decides.
  const std::wstring exits = env(L"CORVANE_PROBE_EXITS");
  for (size_t at = 0; at < exits.size();) {
    size_t end = exits.find(L';', at);
    if (end == std::wstring::npos) end = exits.size();
    const std::wstring rule = exits.substr(at, end - at);
    const size_t equals = rule.rfind(L'=');
    if (equals != std::wstring::npos && commandLine.find(rule.substr(0, equals)) != std::wstring::npos)
      return std::stoi(rule.substr(equals + 1));
    at = end + 1;
  }
  const std::wstring code = env(L"CORVANE_PROBE_EXIT");
  return code.empty() ? 0 : std::stoi(code);
}
