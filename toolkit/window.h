#pragma once
// The one way a toolkit object is a window. It owns its HWND; it is bound to it from the first
// message it can see (WM_NCCREATE for our own classes, creation's end for a system class, whose
// window it subclasses) until WM_NCDESTROY; and every message passes one barrier, where a failure
// is reported to one hook instead of crossing the window procedure.
#include <windows.h>

#include <string>

#include "platform/unique.h"

namespace toolkit {

// A window's text; empty for none or no window.
std::wstring WindowText(HWND window);

// Each failure a window procedure caught writes a line to the debugger's output.
#ifdef CORVANE_TEST_HOOKS
// Test builds: told about each such failure instead: the window and the message it was handling.
using FailureHook = void (*)(HWND window, UINT message) noexcept;
// Installs `hook` (null restores the default) and answers the previous one.
FailureHook SetFailureHook(FailureHook hook) noexcept;
#endif

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hWnd() const noexcept { return window_.get(); }

 protected:
  Window() = default;
  // Destroys the window if it is still there; its last messages get the window's own handling.
  virtual ~Window();

  // The window procedure of our own window classes.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Creates the window. Our own classes (their procedure is Procedure) bind at WM_NCCREATE; a
  // system class's window is subclassed once it exists.
  bool CreateBound(DWORD exStyle, const wchar_t* windowClass, const std::wstring& text, DWORD style, const RECT& at,
                   HWND parent, UINT_PTR id, bool systemClass);

  // One message; what a kind does not handle goes to DefaultHandling.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own handling: the system class's procedure, or DefWindowProc for ours.
  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

 private:
  // What the message being handled has had so far: DefaultHandling's answer, once it ran.
  struct Frame {
    Frame* outer = nullptr;
    bool defaulted = false;
    LRESULT result = 0;
  };
  static LRESULT Dispatch(Window& self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  platform::unique_hwnd window_;
  WNDPROC original_ = nullptr;
  Frame* frame_ = nullptr;
};

}  // namespace toolkit
