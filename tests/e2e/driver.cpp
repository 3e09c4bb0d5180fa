// Looks at another program's window from outside, as a test needs to:
//   driver dump CAPTION       the window and its controls, one line each
//   driver close CAPTION      asks the window to close (as its close box would)
//   driver open URL           opens URL through the shell (a stand-in browser check)
// Texts are read with InternalGetWindowText: a sent WM_GETTEXT would block while the program
// waits on a child.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
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

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  PrintWindow(L"control", child);
  return TRUE;
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
  HWND window = ::FindWindowW(nullptr, argv[2]);
  if (!window) return 1;
  if (command == L"dump") {
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
    const HDC screen = ::GetDC(nullptr);
    wchar_t line[64];
    ::wsprintfW(line, L"screen\tdpi=%d\tsize=%d,%d\n", ::GetDeviceCaps(screen, LOGPIXELSX),
                ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    ::ReleaseDC(nullptr, screen);
    PrintUtf8(line);
    return 0;
  }
  if (command == L"close") return ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  return 2;
}
