// Looks at another program's window from outside, as a test needs to:
//   driver dump CAPTION       the window and its controls, one line each (with check states and
//                             list box items)
//   driver version PATH       the version record of a program file
//   driver screen x           the screen's size and pixels per inch
//   driver close CAPTION      asks the window to close (as its close box would)
//   driver waitwindow CAPTION MS
//                             waits (up to MS) until the window is shown with its "Repair Now"
//                             button, then dumps it as "dump" does
//   driver waitstatus CAPTION TEXT MS
//                             prints "ready", then waits (up to MS) until the window's status line
//                             reads TEXT (with a "*" at its end: starts with TEXT); prints the
//                             milliseconds it waited
//   driver clipboard x        the clipboard's Unicode text, as UTF-8 (exit code 2: none)
//   driver setclipboard TEXT  puts TEXT on the clipboard
//   driver startup EXE CAPTION
//                             starts EXE and times it until its window CAPTION is shown and
//                             painted (no part of it or its controls left to paint), then ends it;
//                             also prints when the system counted the process as created
//   driver open URL           opens URL through the shell (a stand-in browser check)
//   driver folders x          the shell's common program files folders (43 and 44), the 64-bit
//                             registry view's CommonFilesDir and the CommonProgram* variables,
//                             as this driver's bitness sees them
//   driver limited EXE        starts EXE with a token without administrator rights (the linked,
//                             unelevated token with Administrators for denying only), waits for
//                             it and answers its exit code
//   driver queryend CAPTION   asks the window whether the session may end; prints its answer
//   driver endsession CAPTION 0|1
//                             tells the window the session ends (1) or was cancelled (0)
//   driver resources CAPTION  what the window's process holds: kernel handles, GDI and USER
//                             objects, working set and private bytes
//   driver dpichanged CAPTION DPI
//                             tells the window it is now on a monitor of DPI pixels per inch, as
//                             Windows does when it is moved there (WM_DPICHANGED): the suggested
//                             frame is the present one scaled by DPI over the window's density,
//                             about its centre; prints the window's frame afterwards
// Texts are read with InternalGetWindowText: a sent WM_GETTEXT would block while the program
// waits on a child.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <psapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096] = {};
  const int n = ::InternalGetWindowText(window, buffer, 4096);
  return std::wstring(buffer, n > 0 ? n : 0);
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  const int n = ::GetClassNameW(window, buffer, 256);
  return std::wstring(buffer, n > 0 ? n : 0);
}

void PrintUtf8(const std::wstring& s) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  std::fwrite(out.data(), 1, out.size(), stdout);
}

std::wstring Escape(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    if (c == L'\n') out += L"\\n";
    else if (c == L'\r') out += L"\\r";
    else if (c == L'\t') out += L"\\t";
    else if (c == L'\\') out += L"\\\\";
    else out += c;
  }
  return out;
}

void PrintWindow(const wchar_t* kind, HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  RECT c{};
  ::GetClientRect(window, &c);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  wchar_t line[512];
  ::wsprintfW(line, L"%s\thwnd=%p\tid=%d\tclass=%s\tvisible=%d\tenabled=%d\tstyle=0x%08X\texstyle=0x%08X"
                    L"\twindow=%d,%d,%d,%d\tclient=%d,%d,%d,%d",
              kind, window, static_cast<int>(::GetDlgCtrlID(window)), ClassOf(window).c_str(),
              ::IsWindowVisible(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0,
              static_cast<unsigned>(::GetWindowLongW(window, GWL_STYLE)),
              static_cast<unsigned>(::GetWindowLongW(window, GWL_EXSTYLE)), r.left, r.top, r.right, r.bottom,
              origin.x, origin.y, origin.x + c.right, origin.y + c.bottom);
  PrintUtf8(std::wstring(line) + L"\ttext=" + Escape(TextOf(window)) + L"\n");
}

// Asks a control, but never waits long: the program may be waiting on a child.
bool Ask(HWND window, UINT message, WPARAM w, LPARAM l, DWORD_PTR* result) {
  return ::SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, 500, result) != 0;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  PrintWindow(L"control", child);
  const std::wstring kind = ClassOf(child);
  DWORD_PTR answer = 0;
  if (_wcsicmp(kind.c_str(), L"Button") == 0 && Ask(child, BM_GETCHECK, 0, 0, &answer)) {
    wchar_t line[64];
    ::wsprintfW(line, L"check\thwnd=%p\tvalue=%d\n", child, static_cast<int>(answer));
    PrintUtf8(line);
  }
  if (_wcsicmp(kind.c_str(), L"Edit") == 0) {  // an edit box keeps its text to itself
    wchar_t text[1024] = {};
    if (Ask(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), &answer)) {
      wchar_t head[64];
      ::wsprintfW(head, L"edit\thwnd=%p", child);
      PrintUtf8(std::wstring(head) + L"\ttext=" + Escape(text) + L"\n");
    }
  }
  if (_wcsicmp(kind.c_str(), L"ListBox") == 0 && Ask(child, LB_GETCOUNT, 0, 0, &answer)) {
    const int count = static_cast<int>(answer);
    for (int i = 0; i < count; ++i) {
      DWORD_PTR length = 0;
      if (!Ask(child, LB_GETTEXTLEN, i, 0, &length)) break;
      std::wstring item(length + 1, L'\0');
      if (!Ask(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()), &length)) break;
      item.resize(length);
      wchar_t head[64];
      ::wsprintfW(head, L"item\thwnd=%p\tindex=%d", child, i);
      PrintUtf8(std::wstring(head) + L"\ttext=" + Escape(item) + L"\n");
    }
  }
  return TRUE;
}

// The version record of a program file, as Windows reads it (any architecture).
bool PrintVersion(const wchar_t* path) {
  const DWORD size = ::GetFileVersionInfoSizeW(path, nullptr);
  if (!size) return false;
  std::wstring block(size / sizeof(wchar_t) + 1, L'\0');
  if (!::GetFileVersionInfoW(path, 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    wchar_t line[128];
    ::wsprintfW(line, L"fixed\tfile=%u.%u.%u.%u\tproduct=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
                HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    PrintUtf8(line);
  }
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
                              L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
    wchar_t* value = nullptr;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (::VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) && value)
      PrintUtf8(std::wstring(L"string\t") + name + L"=" + value + L"\n");
  }
  return true;
}

void PrintScreen() {
  const HDC screen = ::GetDC(nullptr);
  wchar_t line[64];
  ::wsprintfW(line, L"screen\tdpi=%d\tsize=%d,%d\n", ::GetDeviceCaps(screen, LOGPIXELSX),
              ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  ::ReleaseDC(nullptr, screen);
  PrintUtf8(line);
}

// What another process holds, as Windows counts it for that process.
bool PrintResources(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return false;
  DWORD handles = 0;
  const BOOL counted = ::GetProcessHandleCount(process, &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  const BOOL measured =
      ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  wchar_t line[256];
  ::wsprintfW(line, L"resources\tpid=%u\thandles=%d\tgdi=%u\tuser=%u\tworkingset=%d\tprivate=%d\tpeakworkingset=%d\n",
              pid, counted ? static_cast<int>(handles) : -1, ::GetGuiResources(process, GR_GDIOBJECTS),
              ::GetGuiResources(process, GR_USEROBJECTS), measured ? static_cast<int>(memory.WorkingSetSize) : -1,
              measured ? static_cast<int>(memory.PrivateUsage) : -1,
              measured ? static_cast<int>(memory.PeakWorkingSetSize) : -1);
  PrintUtf8(line);
  ::CloseHandle(process);
  return true;
}

// WM_DPICHANGED carries a pointer to the suggested frame, and Windows hands the message from
// process to process as it is: the frame is written into the window's process, and freed after.
int DpiChanged(HWND window, int dpi) {
  if (dpi <= 0) return 2;
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const int now = getDpi && getDpi(window) > 0 ? static_cast<int>(getDpi(window)) : 96;
  RECT frame{};
  if (!::GetWindowRect(window, &frame)) return 1;
  const int w = ::MulDiv(frame.right - frame.left, dpi, now), h = ::MulDiv(frame.bottom - frame.top, dpi, now);
  const int cx = (frame.left + frame.right) / 2, cy = (frame.top + frame.bottom) / 2;
  const RECT suggested{cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h};
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return 1;
  void* remote = ::VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  int result = 1;
  if (remote && ::WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr)) {
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                              SMTO_NORMAL, 10000, &answer)) {
      RECT after{};
      ::GetWindowRect(window, &after);
      std::printf("dpichanged\tsuggested=%ld,%ld,%ld,%ld\twindow=%ld,%ld,%ld,%ld\n", suggested.left, suggested.top,
                  suggested.right, suggested.bottom, after.left, after.top, after.right, after.bottom);
      result = 0;
    }
  }
  if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return result;
}

double Milliseconds(const LARGE_INTEGER& from) {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

BOOL CALLBACK FindStatus(HWND child, LPARAM out) {
  if (!TextOf(child).starts_with(L"Registering: ")) return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

// Polls gently: every look is a request to the window's server, which the watched program
// needs for its own work. Once the status line is found, only its text is read.
// The clipboard's Unicode text as UTF-8, exactly; exit code 2 when it holds none.
int PrintClipboard() {
  if (!::OpenClipboard(nullptr)) return 1;
  int code = 2;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
      _setmode(_fileno(stdout), _O_BINARY);  // the text's own CR LF, untouched
      PrintUtf8(text);
      ::GlobalUnlock(data);
      code = 0;
    }
  }
  ::CloseClipboard();
  return code;
}

bool SetClipboard(const wchar_t* text) {
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  std::memcpy(::GlobalLock(memory), text, bytes);
  ::GlobalUnlock(memory);
  if (!::OpenClipboard(nullptr)) return ::GlobalFree(memory), false;
  ::EmptyClipboard();
  const bool set = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!set) ::GlobalFree(memory);
  ::CloseClipboard();
  return set;
}

int WaitStatus(const wchar_t* caption, const wchar_t* text, DWORD timeout) {
  LARGE_INTEGER begun;
  ::QueryPerformanceCounter(&begun);
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  HWND status = nullptr;
  while (Milliseconds(begun) < timeout) {
    if (!status || !::IsWindow(status)) {
      status = nullptr;
      if (HWND window = ::FindWindowW(nullptr, caption)) ::EnumChildWindows(window, FindStatus, reinterpret_cast<LPARAM>(&status));
    }
    // "TEXT*" is any status that starts with TEXT.
    const std::wstring_view wanted(text);
    const bool prefix = wanted.ends_with(L'*');
    const std::wstring seen = status ? TextOf(status) : std::wstring();
    if (status && (prefix ? seen.starts_with(wanted.substr(0, wanted.size() - 1)) : seen == wanted)) {
      std::printf("seen\tms=%.1f\n", Milliseconds(begun));
      return 0;
    }
    ::Sleep(20);
  }
  return 1;
}

BOOL CALLBACK FindButton(HWND child, LPARAM out) {
  if (TextOf(child) != L"Repair Now") return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

// One process that looks until the window is there: a dump every few hundred milliseconds would
// start a process each time, and every start costs the watched program CPU it needs.
HWND WaitWindow(const wchar_t* caption, DWORD timeout) {
  LARGE_INTEGER begun;
  ::QueryPerformanceCounter(&begun);
  while (Milliseconds(begun) < timeout) {
    HWND window = ::FindWindowW(nullptr, caption);
    HWND button = nullptr;
    if (window && ::IsWindowVisible(window)) ::EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&button));
    if (button && ::IsWindowVisible(button)) return window;
    ::Sleep(20);
  }
  return nullptr;
}

void Dump(HWND window) {
  PrintWindow(L"window", window);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (::GetGUIThreadInfo(thread, &info)) {
    wchar_t line[64];
    ::wsprintfW(line, L"focus\thwnd=%p\n", info.hwndFocus);
    PrintUtf8(line);
  }
  ::EnumChildWindows(window, PrintChild, 0);
  PrintScreen();
}

struct Painted {
  bool all = true;
};

BOOL CALLBACK CheckPainted(HWND child, LPARAM out) {
  if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) reinterpret_cast<Painted*>(out)->all = false;
  return TRUE;
}

// How an exe is started here: in its own folder, with its quoted path as the command line.
struct Launch {
  std::wstring directory;
  std::wstring command;
};

Launch LaunchOf(const wchar_t* exe) {
  const std::wstring path(exe);
  return {path.substr(0, path.find_last_of(L'\\') + 1), L"\"" + path + L"\""};
}

int StartUp(const wchar_t* exe, const wchar_t* caption) {
  auto [directory, command] = LaunchOf(exe);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  LARGE_INTEGER begun;
  FILETIME called{};
  ::GetSystemTimePreciseAsFileTime(&called);
  ::QueryPerformanceCounter(&begun);
  if (!::CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup, &info))
    return 1;
  // When the system counts the process as created, after the call: its own clock starts there.
  FILETIME created{}, exited{}, kernel{}, user{};
  double createdAt = -1;
  if (::GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user)) {
    const auto ticks = [](const FILETIME& t) {
      return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    createdAt = (ticks(created) - ticks(called)) / 10000.0;
  }
  double shown = -1;
  int result = 1;
  while (Milliseconds(begun) < 30000) {
    HWND window = ::FindWindowW(nullptr, caption);
    DWORD owner = 0;
    if (window) ::GetWindowThreadProcessId(window, &owner);
    if (window && owner == info.dwProcessId && ::IsWindowVisible(window)) {
      if (shown < 0) shown = Milliseconds(begun);
      Painted painted;
      if (::GetUpdateRect(window, nullptr, FALSE)) painted.all = false;
      ::EnumChildWindows(window, CheckPainted, reinterpret_cast<LPARAM>(&painted));
      if (painted.all) {
        std::printf("startup\tshown_ms=%.1f\tpainted_ms=%.1f\tcreated_ms=%.1f\n", shown, Milliseconds(begun),
                    createdAt);
        result = 0;
        break;
      }
    }
    if (::WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  ::TerminateProcess(info.hProcess, 0);
  ::WaitForSingleObject(info.hProcess, 5000);
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  return result;
}

// A token like an ordinary user's: Wine's own linked token still lists Administrators as
// enabled, so that group is made deny-only.
int StartLimited(const wchar_t* exe) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return 101;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  const BOOL haveLinked = ::GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size);
  ::CloseHandle(token);
  if (!haveLinked) return 102;
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof sid;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize)) return 103;
  SID_AND_ATTRIBUTES disable{sid, 0};
  HANDLE restricted = nullptr;
  const BOOL made = ::CreateRestrictedToken(linked.LinkedToken, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted);
  ::CloseHandle(linked.LinkedToken);
  if (!made) return 104;
  auto [directory, command] = LaunchOf(exe);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL started = ::CreateProcessAsUserW(restricted, exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                              directory.c_str(), &startup, &info);
  ::CloseHandle(restricted);
  if (!started) return 105;
  ::WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 106;
  ::GetExitCodeProcess(info.hProcess, &code);
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: driver dump|close CAPTION | open URL\n", stderr);
    return 2;
  }
  const std::wstring command = argv[1];
  if (command == L"open") {
    const auto r = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", argv[2], L"", L"", SW_SHOWNORMAL));
    return r > 32 ? 0 : 1;
  }
  if (command == L"version") {
    return PrintVersion(argv[2]) ? 0 : 1;
  }
  if (command == L"screen") {
    PrintScreen();
    return 0;
  }
  if (command == L"startup" && argc >= 4) return StartUp(argv[2], argv[3]);
  if (command == L"limited") return StartLimited(argv[2]);
  if (command == L"folders") {
    for (int id : {43, 44}) {
      wchar_t path[MAX_PATH] = {};
      if (!::SHGetSpecialFolderPathW(nullptr, path, id, FALSE)) return 1;
      PrintUtf8(L"folder\t" + std::to_wstring(id) + L"\t" + path + L"\n");
    }
    // The other sources of the native common files folder, as this bitness sees them.
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    const LSTATUS read = ::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                        L"CommonFilesDir", RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, value, &bytes);
    PrintUtf8(L"registry64\t" + (read == ERROR_SUCCESS ? std::wstring(value) : L"(error " + std::to_wstring(read) + L")") + L"\n");
    for (const wchar_t* name : {L"CommonProgramW6432", L"CommonProgramFiles"}) {
      const DWORD n = ::GetEnvironmentVariableW(name, value, MAX_PATH);
      PrintUtf8(std::wstring(L"environment\t") + name + L"\t" + (n > 0 && n < MAX_PATH ? value : L"(none)") + L"\n");
    }
    return 0;
  }
  if (command == L"clipboard") return PrintClipboard();
  if (command == L"setclipboard" && argc >= 3) return SetClipboard(argv[2]) ? 0 : 1;
  if (command == L"waitstatus" && argc >= 5) return WaitStatus(argv[2], argv[3], std::wcstoul(argv[4], nullptr, 10));
  if (command == L"waitwindow" && argc >= 4) {
    HWND window = WaitWindow(argv[2], std::wcstoul(argv[3], nullptr, 10));
    if (!window) return 1;
    Dump(window);
    return 0;
  }
  HWND window = ::FindWindowW(nullptr, argv[2]);
  if (!window) return 1;
  if (command == L"dump") {
    Dump(window);
    return 0;
  }
  if (command == L"resources") return PrintResources(window) ? 0 : 1;
  if (command == L"dpichanged" && argc >= 4) return DpiChanged(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
  if (command == L"close") return ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (command == L"queryend") {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 60000, &answer)) return 1;
    std::printf("answer\t%d\n", static_cast<int>(answer));
    return 0;
  }
  if (command == L"endsession" && argc >= 4)
    return ::PostMessageW(window, WM_ENDSESSION, argv[3][0] == L'1' ? TRUE : FALSE, 0) ? 0 : 1;
  return 2;
}
