#include "toolkit/control.h"

#include "platform/accessibility.h"
#include "toolkit/form.h"

namespace toolkit {

Control::Control(ControlKind kind, Form& parent, std::wstring name)
    : kind_(kind), parent_(&parent), name_(std::move(name)) {}

bool Control::CreateControlWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text,
                                  const RECT& pixels, bool systemClass) {
  const UINT_PTR id = kFirstControlId + parent_->Controls().size();
  return CreateBound(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, pixels, parent_->hWnd(), id,
                     systemClass);
}

const wchar_t* Control::Registered(const wchar_t* name, UINT style) noexcept {
  WNDCLASSEXW wc{};
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), name, &wc)) return name;
  wc = {};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &Window::Procedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  ::RegisterClassExW(&wc);
  return name;
}

bool Control::Enabled() const noexcept { return hWnd() && ::IsWindowEnabled(hWnd()); }

void Control::SetEnabled(bool enabled) noexcept {
  if (hWnd()) ::EnableWindow(hWnd(), enabled ? TRUE : FALSE);
}

void Control::SetVisible(bool visible) noexcept {
  visible_ = visible;
  if (hWnd()) ::ShowWindow(hWnd(), visible ? SW_SHOWNA : SW_HIDE);
}

void Control::SetFocus() noexcept {
  if (hWnd()) ::SetFocus(hWnd());
}

std::wstring Control::AccessibleName() const {
  return WindowText(hWnd());
}

void Control::SetAccessibleName(const std::wstring& name) noexcept {
  if (!hWnd()) return;
  try {
    if (AccessibleName() == name) return;
  } catch (...) {
    // No memory to compare: set it anyway.
  }
  if (::SetWindowTextW(hWnd(), name.c_str())) platform::RaiseNameChange(hWnd());
}

void Control::Repaint() noexcept {
  if (hWnd()) ::InvalidateRect(hWnd(), nullptr, TRUE);
}

void Control::ApplyFont(IFont* font) noexcept {
  if (!font || !hWnd()) return;
  HFONT handle = nullptr;
  if (SUCCEEDED(font->get_hFont(&handle)) && handle)
    ::SendMessageW(hWnd(), WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
}

void Control::OnFormFont(IFont* font) {
  KeepFormFont(font);
  ApplyFont(font);
}

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
