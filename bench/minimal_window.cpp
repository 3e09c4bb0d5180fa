// The yardstick for start-up: the least a Win32 program does to open an empty window and
// paint it once, started the same way as the program.
//
// CORVANE_MINIMAL_STEPS adds, before the window, steps the program cannot leave out, in the
// program's order, so that the bench can say what each costs: "comctl32" loads the common
// controls and asks their version, "ole" starts OLE, "picture" loads the picture in the file
// CORVANE_MINIMAL_PICTURE names as the program loads its link picture. The libraries are loaded
// at run time: without steps, the window imports what it did before.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <shlwapi.h>

#include "app/startup_trace.h"

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ::BeginPaint(window, &paint);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

template <class F>
F Bind(const wchar_t* library, const char* name) {
  HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// Whether the comma-separated `steps` name `step`.
bool Asked(const wchar_t* steps, const wchar_t* step) {
  for (const wchar_t* at = steps; *at;) {
    const wchar_t* s = step;
    while (*s && *at == *s) ++at, ++s;
    if (!*s && (!*at || *at == L',')) return true;
    while (*at && *at != L',') ++at;
    if (*at) ++at;
  }
  return false;
}

void AskCommonControlsVersion() {
  if (auto get = Bind<DLLGETVERSIONPROC>(L"comctl32.dll", "DllGetVersion")) {
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    get(&version);
  }
}

// The picture in the named file, through a stream on global memory as the program makes it.
IPicture* LoadPicture(const wchar_t* path) {
  using CreateStream = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);
  using LoadPictureFrom = HRESULT(WINAPI*)(IStream*, LONG, BOOL, REFIID, void**);
  const auto createStream = Bind<CreateStream>(L"ole32.dll", "CreateStreamOnHGlobal");
  const auto loadPicture = Bind<LoadPictureFrom>(L"oleaut32.dll", "OleLoadPicture");
  if (!createStream || !loadPicture) return nullptr;
  HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const DWORD size = ::GetFileSize(file, nullptr);
  HGLOBAL memory = size && size != INVALID_FILE_SIZE ? ::GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  DWORD read = 0;
  if (memory) {
    void* bytes = ::GlobalLock(memory);
    if (!bytes || !::ReadFile(file, bytes, size, &read, nullptr)) read = 0;
    ::GlobalUnlock(memory);
  }
  ::CloseHandle(file);
  IStream* stream = nullptr;
  if (read != size || FAILED(createStream(memory, TRUE, &stream))) {
    if (memory) ::GlobalFree(memory);
    return nullptr;
  }
  IPicture* picture = nullptr;
  if (FAILED(loadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture))))
    picture = nullptr;
  stream->Release();
  return picture;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  corvane::StartupMark("entry");
  wchar_t steps[64] = L"", picturePath[MAX_PATH] = L"";
  const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_MINIMAL_STEPS", steps, 64);
  if (n >= 64) steps[0] = L'\0';
  if (Asked(steps, L"comctl32")) AskCommonControlsVersion();
  using OleStart = HRESULT(WINAPI*)(void*);
  if (Asked(steps, L"ole")) {
    if (auto start = Bind<OleStart>(L"ole32.dll", "OleInitialize")) start(nullptr);
  }
  IPicture* picture = nullptr;
  const DWORD m = ::GetEnvironmentVariableW(L"CORVANE_MINIMAL_PICTURE", picturePath, MAX_PATH);
  if (Asked(steps, L"picture") && m > 0 && m < MAX_PATH) picture = LoadPicture(picturePath);

  WNDCLASSW type{};
  type.lpfnWndProc = Procedure;
  type.hInstance = instance;
  type.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = L"MinimalWindow";
  if (!::RegisterClassW(&type)) return 1;
  HWND window = ::CreateWindowW(L"MinimalWindow", L"Minimal window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                442, 211, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  corvane::StartupMark("window");
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  corvane::StartupMark("shown");
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (picture) picture->Release();
  return 0;
}
