#pragma once
// Helpers shared by the Windows test programs.
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/unique.h"

namespace testing_support {

// OLE for the length of a scope (the font and picture objects need it).
class OleScope {
 public:
  OleScope() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleScope() {
    if (ok_) ::OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;

 private:
  bool ok_;
};

// The folder of the running test program, with a trailing backslash.
inline std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

// The stand-in tools, built beside the test programs' folders.
inline std::wstring ToolPath(const wchar_t* file) { return ModuleDirectory() + L"..\\tools\\" + file; }

inline std::wstring SystemDirectory() {
  wchar_t path[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, n);
}

// A fresh, empty folder under the temp folder, removed with its files when the object ends.
class TempFolder {
 public:
  explicit TempFolder(const wchar_t* tag) {
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"corvane-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(::GetTickCount64()) + L"\\";
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path_ + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW((path_ + data.cFileName).c_str());
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }
  std::wstring file(const wchar_t* name) const { return path_ + name; }

 private:
  std::wstring path_;
};

inline bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The whole of a UTF-8 text file, or empty text.
inline std::wstring ReadText(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
  ::CloseHandle(file);
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

inline std::vector<std::wstring> ReadLines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  const std::wstring text = ReadText(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The value of `key=` in a tab-separated probe record, or empty text.
inline std::wstring Field(const std::wstring& record, const std::wstring& key) {
  const std::wstring tag = L"\t" + key + L"=";
  const size_t at = record.find(tag);
  if (at == std::wstring::npos) return {};
  const size_t from = at + tag.size();
  const size_t end = key == L"cmd" ? record.size() : record.find(L'\t', from);
  return record.substr(from, (end == std::wstring::npos ? record.size() : end) - from);
}

// How many more GDI objects the process can make now. Wine answers 0 to GetGuiResources, so a
// leak shows as fewer free slots in its finite handle table.
inline int FreeGdiSlots() {
  std::vector<HBRUSH> made;
  made.reserve(70000);
  while (made.size() < 70000) {
    HBRUSH b = ::CreateSolidBrush(RGB(1, 2, 3));
    if (!b) break;
    made.push_back(b);
  }
  for (HBRUSH b : made) ::DeleteObject(b);
  return static_cast<int>(made.size());
}

// Polls `done` until it holds or `timeout` passes.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until) {
    if (done()) return true;
    ::Sleep(20);
  }
  return done();
}

// Children that Wine may lose before they run (about one start in ten thousand here): that is not
// the program's doing. More than this in one test means the stand-in is not running at all.
inline constexpr size_t kMostLostChildren = 3;

// The "start" records of a stand-in's log once `expected` of them are there, or after `timeout`:
// a child may begin seconds after the runner stopped waiting for it on a loaded machine.
inline std::vector<std::wstring> SettledStarts(const std::wstring& log, size_t expected,
                                               std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
  std::vector<std::wstring> starts;
  WaitFor(
      [&] {
        starts.clear();
        for (auto& line : ReadLines(log))
          if (line.starts_with(L"start\t")) starts.push_back(std::move(line));
        return starts.size() >= expected;
      },
      timeout);
  return starts;
}

// Sets an environment variable for this process and its children, restoring it at the end.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t buffer[4096];
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, 4096);
    had_ = n > 0 && n < 4096;
    if (had_) old_.assign(buffer, n);
    ::SetEnvironmentVariableW(name, value.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { ::SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

 private:
  std::wstring name_;
  std::wstring old_;
  bool had_ = false;
};

}  // namespace testing_support

namespace testing_support {

// A window whose WM_APP runs `onApp`: a message that a message-pump step dispatches, as a click
// the user makes meanwhile would be.
class AppWindow {
 public:
  explicit AppWindow(std::function<void()> onApp) : onApp_(std::move(onApp)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &AppWindow::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CorvaneTestApp";
    ::RegisterClassW(&wc);
    window_.reset(::CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr));
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  void Post() { ::PostMessageW(window_.get(), WM_APP, 0, 0); }
  explicit operator bool() const { return static_cast<bool>(window_); }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP) {
      if (auto* self = reinterpret_cast<AppWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) self->onApp_();
      return 0;
    }
    return ::DefWindowProcW(window, message, w, l);
  }
  std::function<void()> onApp_;
  platform::unique_hwnd window_;
};

// True in a 32-bit process on 64-bit Windows, where system32 shows the 32-bit files.
inline bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// Copies `source` over `target` until an identical copy is in place (parallel test programs may
// do this at once).
inline bool PlaceCopy(const std::wstring& source, const std::wstring& target) {
  auto size = [](const std::wstring& path) -> long long {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  };
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (size(source) > 0 && size(source) == size(target) && ReadText(source) == ReadText(target)) return true;
    ::CopyFileW(source.c_str(), target.c_str(), FALSE);
    ::Sleep(50);
  }
  return false;
}

// Puts the stand-in probe in the prefix's system directory as regsvr32.exe (Wine runs it only
// when WINEDLLOVERRIDES says regsvr32.exe=n: the CTest entry sets CORVANE_WINE_OVERRIDES=regsvr32.exe=n,
// which tests/wine-run.sh adds to it). A 32-bit test program on 64-bit Windows puts its own into
// the 32-bit view and the x64 build's (CORVANE_PROBE64) into the 64-bit one, which a run reaches
// with redirection off.
inline bool InstallStandInRegsvr32() {
  if (!PlaceCopy(ToolPath(L"probe.exe"), SystemDirectory() + L"\\regsvr32.exe")) return false;
  if (!RunsUnderWow64()) return true;
  wchar_t probe64[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_PROBE64", probe64, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  PVOID saved = nullptr;
  if (!::Wow64DisableWow64FsRedirection(&saved)) return false;
  const bool placed = PlaceCopy(probe64, SystemDirectory() + L"\\regsvr32.exe");
  ::Wow64RevertWow64FsRedirection(saved);
  return placed;
}

}  // namespace testing_support
