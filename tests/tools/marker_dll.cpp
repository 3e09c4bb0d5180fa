// A DLL that leaves a marker file when it is loaded: proof that a search found it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_MARKER_FILE", path, MAX_PATH);
    if (n && n < MAX_PATH) {
      HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
  }
  return TRUE;
}

extern "C" __declspec(dllexport) int CorvaneMarker() { return 42; }
