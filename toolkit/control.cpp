#include "toolkit/control.h"

#include "toolkit/form.h"

namespace toolkit {
namespace {
constexpr wchar_t kControlProperty[] = L"Corvane.Toolkit.Control";
}

Control::Control(ControlKind kind, Form& parent, std::wstring name)
    : kind_(kind), parent_(&parent), name_(std::move(name)) {}

Control::~Control() {
  if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
}

bool Control::CreateControlWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text,
                                  const RECT& pixels, bool subclass) {
  const auto id = static_cast<UINT_PTR>(parent_->Controls().size() + 1);
  window_ = ::CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, pixels.left,
                              pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, parent_->hWnd(),
                              reinterpret_cast<HMENU>(id), ::GetModuleHandleW(nullptr), this);
  if (!window_) return false;
  if (subclass && ::SetPropW(window_, kControlProperty, this)) {
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
  }
  return true;
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<Control*>(::GetPropW(window, kControlProperty));
  if (!self || !self->original_) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window goes; the control object may outlive it.
    const WNDPROC original = self->original_;
    ::RemovePropW(window, kControlProperty);
    self->window_ = nullptr;
    self->destroyed_ = true;
    return ::CallWindowProcW(original, window, message, wParam, lParam);
  }
  LRESULT result = 0;
  try {
    if (self->OnMessage(message, wParam, lParam, result)) return result;
  } catch (...) {
    // An event handler's failure ends at the window's edge.
  }
  return ::CallWindowProcW(self->original_, window, message, wParam, lParam);
}

bool Control::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Control::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (!original_ || !window_) return 0;
  return ::CallWindowProcW(original_, window_, message, wParam, lParam);
}

bool Control::Enabled() const noexcept { return window_ && ::IsWindowEnabled(window_); }

void Control::SetEnabled(bool enabled) noexcept {
  if (window_) ::EnableWindow(window_, enabled ? TRUE : FALSE);
}

void Control::SetVisible(bool visible) noexcept {
  visible_ = visible;
  if (window_) ::ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

void Control::SetFocus() noexcept {
  if (window_) ::SetFocus(window_);
}

void Control::Repaint() noexcept {
  if (window_) ::InvalidateRect(window_, nullptr, TRUE);
}

void Control::ApplyFont(IFont* font) noexcept {
  if (!font || !window_) return;
  HFONT handle = nullptr;
  if (SUCCEEDED(font->get_hFont(&handle)) && handle)
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
}

void Control::OnFormFont(IFont*) {}

HBRUSH Control::Colors(HDC) noexcept { return nullptr; }

HBRUSH Control::SolidBrush(OleColor color) noexcept {
  if (color & 0x80000000u) return ::GetSysColorBrush(static_cast<int>(color & 0xFFu));
  if (!brush_ || brushColor_ != color) {
    brush_.reset(::CreateSolidBrush(static_cast<COLORREF>(color)));
    brushColor_ = color;
  }
  return brush_.get();
}

}  // namespace toolkit
