#include "toolkit/window.h"

#include <atomic>
#include <string>

namespace toolkit {

std::wstring WindowText(HWND window) {
  if (!window) return {};
  const int n = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}
namespace {

void WriteToDebugger(HWND window, UINT message) noexcept {
  wchar_t line[96];
  if (::wsprintfW(line, L"corvane: a failure handling message 0x%04X of window %p ended at its edge\n", message,
                  static_cast<void*>(window)) > 0)
    ::OutputDebugStringW(line);
}

#ifdef CORVANE_TEST_HOOKS
std::atomic<FailureHook> g_failureHook{&WriteToDebugger};
void TellFailure(HWND window, UINT message) noexcept { g_failureHook.load()(window, message); }
#else
void TellFailure(HWND window, UINT message) noexcept { WriteToDebugger(window, message); }
#endif

}  // namespace

#ifdef CORVANE_TEST_HOOKS
FailureHook SetFailureHook(FailureHook hook) noexcept {
  return g_failureHook.exchange(hook ? hook : &WriteToDebugger);
}
#endif

Window::~Window() {
  if (window_) ::DestroyWindow(window_.get());
}

bool Window::CreateBound(DWORD exStyle, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                         const RECT& at, HWND parent, UINT_PTR id, bool systemClass) {
  const HWND window = ::CreateWindowExW(exStyle, windowClass, text.c_str(), style, at.left, at.top, at.right - at.left,
                                        at.bottom - at.top, parent, reinterpret_cast<HMENU>(id),
                                        ::GetModuleHandleW(nullptr), this);
  if (!window) return false;
  if (systemClass) {
    window_.reset(window);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::Procedure)));
  }
  return true;
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self && message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->window_.reset(window);
    }
  }
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  return Dispatch(*self, window, message, wParam, lParam);
}

LRESULT Window::Dispatch(Window& self, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Frame frame{self.frame_};
  self.frame_ = &frame;
  LRESULT result = 0;
  try {
    result = self.OnMessage(message, wParam, lParam);
  } catch (...) {
    TellFailure(window, message);
    // As if no handler had run, unless the window's own handling already had: it must not run twice.
    result = frame.defaulted ? frame.result : self.DefaultHandling(message, wParam, lParam);
  }
  self.frame_ = frame.outer;
  if (message == WM_NCDESTROY) {
    // The window is gone; the object may live on.
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    (void)self.window_.release();
  }
  return result;
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return DefaultHandling(message, wParam, lParam); }

LRESULT Window::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const HWND window = window_.get();
  const LRESULT result = original_ ? ::CallWindowProcW(original_, window, message, wParam, lParam)
                                   : ::DefWindowProcW(window, message, wParam, lParam);
  if (frame_) {
    frame_->defaulted = true;
    frame_->result = result;
  }
  return result;
}

}  // namespace toolkit
