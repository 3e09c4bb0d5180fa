#include "toolkit/controls.h"

#include <windowsx.h>

#include <cmath>
#include <utility>

#include "core/units.h"
#include "platform/accessibility.h"
#include "platform/unique.h"
#include "toolkit/form.h"

namespace toolkit {
namespace {

void FillWith(HDC dc, const RECT& rect, OleColor color) noexcept {
  platform::unique_hbrush brush(::CreateSolidBrush(ToColorRef(color)));
  if (brush) ::FillRect(dc, &rect, brush.get());
}

// Draws a picture at its own size from (0, 0); OLE keeps transparent pixels untouched.
void RenderAtOwnSize(IPicture* picture, HDC dc, std::int32_t pixelsPerInch) noexcept {
  if (!picture || PictureHandle(picture) == 0) return;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  if (FAILED(picture->get_Width(&width)) || FAILED(picture->get_Height(&height))) return;
  const auto w = corvane::HimetricToPixels(width, pixelsPerInch);
  const auto h = corvane::HimetricToPixels(height, pixelsPerInch);
  if (!w || !h) return;
  // HIMETRIC runs upwards: start at the bottom and give a negative height.
  picture->Render(dc, 0, 0, *w, *h, 0, height, width, -height, nullptr);
}

int ShiftState(WPARAM wParam) noexcept {
  int shift = 0;
  if (wParam & MK_SHIFT) shift |= kShiftMask;
  if (wParam & MK_CONTROL) shift |= kCtrlMask;
  if (::GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

int PixelsToTwips(int pixels, std::int32_t pixelsPerInch) noexcept {
  return static_cast<int>(std::lround(static_cast<double>(pixels) * corvane::kTwipsPerInch / pixelsPerInch));
}

}  // namespace

// ---- ClickTracker

bool ClickTracker::Handle(HWND window, UINT message, LPARAM lParam, const std::function<void()>& onClick) {
  switch (message) {
    case WM_LBUTTONDOWN:
      pressed_ = true;
      ::SetCapture(window);
      return true;
    case WM_LBUTTONDBLCLK:
      // Captured all the same, so that its release lands here and clicks nothing.
      pressed_ = false;
      ::SetCapture(window);
      return true;
    case WM_LBUTTONUP: {
      const bool wasPressed = std::exchange(pressed_, false);
      if (::GetCapture() == window) ::ReleaseCapture();
      RECT client{};
      ::GetClientRect(window, &client);
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (wasPressed && ::PtInRect(&client, at) && onClick) onClick();
      return true;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse: the press is over.
      pressed_ = false;
      return false;
    default:
      return false;
  }
}

// ---- PictureBox

PictureBox::PictureBox(Form& parent, std::wstring name, const RECT& pixels)
    : Control(ControlKind::PictureBox, parent, std::move(name)) {
  CreateControlWindow(WindowClass(), WS_TABSTOP | WS_CLIPSIBLINGS, 0, L"", pixels, false);
}

const wchar_t* PictureBox::WindowClass() noexcept {
  // Its own device context: the owner draws through hDC() at any time, not only in a paint.
  static const wchar_t* name = Registered(L"CorvanePictureBox", CS_OWNDC | CS_DBLCLKS);
  return name;
}

HDC PictureBox::hDC() const noexcept {
  // A class DC is the window's for its life; GetDC hands back the same one and ReleaseDC is a no-op.
  return hWnd() ? ::GetDC(hWnd()) : nullptr;
}

void PictureBox::SetBackColor(OleColor color) noexcept {
  backColor_ = color;
  Repaint();
}

void PictureBox::SetPicture(platform::ComPtr<IPicture> picture) noexcept {
  picture_ = std::move(picture);
  Repaint();
}

LRESULT PictureBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_PAINT:
      return OnPaintMessage();
    case WM_LBUTTONDOWN:
      ::SetFocus(hWnd());
      return 0;
    case WM_DESTROY:
      if (std::exchange(roleAnnotated_, false)) platform::ClearRole(hWnd());
      return DefaultHandling(message, wParam, lParam);
    default:
      return DefaultHandling(message, wParam, lParam);
  }
}

bool PictureBox::SetAccessibleRole(LONG role) noexcept {
  if (!platform::AnnotateRole(hWnd(), role)) return false;
  roleAnnotated_ = true;
  return true;
}

LRESULT PictureBox::OnEraseBackground(HDC dc) {
  // With a paint handler the owner covers the client area: no erase, no flicker.
  if (OnPaint) return 1;
  RECT client{};
  ::GetClientRect(hWnd(), &client);
  FillWith(dc, client, backColor_);
  return 1;
}

LRESULT PictureBox::OnPaintMessage() {
  platform::paint_dc paint(hWnd());
  if (picture_ && paint) RenderAtOwnSize(picture_.Get(), paint.get(), Parent()->PixelsPerInch());
  if (OnPaint) OnPaint();
  return 0;
}

// ---- Label

Label::Label(Form& parent, std::wstring name, const RECT& pixels) : Control(ControlKind::Label, parent, std::move(name)) {
  // SS_NOTIFY: clicks and the mouse pointer reach the label; SS_NOPREFIX: "&" shows as itself.
  CreateControlWindow(L"STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, L"", pixels, true);
}

std::optional<std::wstring> Label::Caption() const { return WindowText(hWnd()); }

void Label::SetCaption(const std::wstring& caption) noexcept {
  if (hWnd()) ::SetWindowTextW(hWnd(), caption.c_str());
}

void Label::SetAlignment(Alignment alignment) noexcept {
  alignment_ = alignment;
  if (!hWnd()) return;
  const DWORD type = alignment == Alignment::Center ? SS_CENTER : alignment == Alignment::Right ? SS_RIGHT : SS_LEFT;
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(hWnd(), GWL_STYLE));
  ::SetWindowLongPtrW(hWnd(), GWL_STYLE, static_cast<LONG_PTR>((style & ~static_cast<DWORD>(SS_TYPEMASK)) | type));
  Repaint();
}

void Label::SetForeColor(OleColor color) noexcept {
  foreColor_ = color;
  Repaint();
}

void Label::SetBackColor(OleColor color) noexcept {
  backColor_ = color;
  Repaint();
}

HBRUSH Label::Colors(HDC dc) noexcept {
  ::SetTextColor(dc, ToColorRef(foreColor_));
  ::SetBkColor(dc, ToColorRef(backColor_));
  return SolidBrush(backColor_);
}

LRESULT Label::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The static control would report a click as the button goes down (STN_CLICKED); the label
  // clicks on the release, as the image does.
  if (click_.Handle(hWnd(), message, lParam, OnClick)) return 0;
  return DefaultHandling(message, wParam, lParam);
}

// ---- ListBox

ListBox::ListBox(Form& parent, std::wstring name, const RECT& pixels)
    : Control(ControlKind::ListBox, parent, std::move(name)) {
  CreateControlWindow(L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, L"",
                      pixels, true);
}

void ListBox::AddItem(const std::wstring& item) noexcept {
  if (hWnd()) ::SendMessageW(hWnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void ListBox::Clear() noexcept {
  if (hWnd()) ::SendMessageW(hWnd(), LB_RESETCONTENT, 0, 0);
}

int ListBox::ListCount() const noexcept {
  if (!hWnd()) return 0;
  const auto n = ::SendMessageW(hWnd(), LB_GETCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<int>(n);
}

std::wstring ListBox::List(int index) const {
  if (!hWnd() || index < 0 || index >= ListCount()) return {};
  const auto n = ::SendMessageW(hWnd(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const auto got = ::SendMessageW(hWnd(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

// ---- TextBox

TextBox::TextBox(Form& parent, std::wstring name, const RECT& pixels)
    : Control(ControlKind::TextBox, parent, std::move(name)) {
  CreateControlWindow(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, L"", pixels, true);
}

std::wstring TextBox::Text() const { return WindowText(hWnd()); }

void TextBox::SetText(const std::wstring& text) noexcept {
  if (hWnd()) ::SetWindowTextW(hWnd(), text.c_str());
}

// ---- Image

Image::Image(Form& parent, std::wstring name, const RECT& pixels) : Control(ControlKind::Image, parent, std::move(name)) {
  CreateControlWindow(WindowClass(), WS_CLIPSIBLINGS, 0, L"", pixels, false);
}

const wchar_t* Image::WindowClass() noexcept {
  // CS_DBLCLKS, as the static class of the label beside it has: the second press of a double
  // click is told apart the same way for both.
  static const wchar_t* name = Registered(L"CorvaneImage", CS_DBLCLKS);
  return name;
}

void Image::SetPicture(platform::ComPtr<IPicture> picture) noexcept {
  picture_ = std::move(picture);
  Repaint();
}

void Image::PaintContent(HDC dc) noexcept {
  RECT client{};
  ::GetClientRect(hWnd(), &client);
  // What lies behind the image is the form's background; transparent pixels keep showing it.
  FillWith(dc, client, Parent()->BackColor());
  RenderAtOwnSize(picture_.Get(), dc, Parent()->PixelsPerInch());
}

LRESULT Image::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      platform::paint_dc paint(hWnd());
      if (paint) PaintContent(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintContent(reinterpret_cast<HDC>(wParam));
      return 0;
    default:
      if (click_.Handle(hWnd(), message, lParam, OnClick)) return 0;
      return DefaultHandling(message, wParam, lParam);
  }
}

// ---- Buttons

ButtonBase::ButtonBase(ControlKind kind, Form& parent, std::wstring name, const RECT& pixels, DWORD buttonStyle)
    : Control(kind, parent, std::move(name)) {
  CreateControlWindow(L"BUTTON", WS_TABSTOP | buttonStyle, 0, L"", pixels, true);
}

std::optional<std::wstring> ButtonBase::Caption() const { return WindowText(hWnd()); }

void ButtonBase::SetCaption(const std::wstring& caption) noexcept {
  if (hWnd()) ::SetWindowTextW(hWnd(), caption.c_str());
}

void ButtonBase::ApplyStyle(int style, DWORD graphicalBits) noexcept {
  style_ = style;
  if (!hWnd() || !graphicalBits) return;
  const auto current = static_cast<DWORD>(::GetWindowLongPtrW(hWnd(), GWL_STYLE));
  const DWORD wanted = style == 1 ? (current | graphicalBits) : (current & ~graphicalBits);
  if (wanted != current) {
    ::SetWindowLongPtrW(hWnd(), GWL_STYLE, static_cast<LONG_PTR>(wanted));
    Repaint();
  }
}

LRESULT ButtonBase::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  int button = 0;
  bool up = false;
  switch (message) {
    case WM_LBUTTONUP: button = kLeftButton; up = true; break;
    case WM_RBUTTONUP: button = kRightButton; up = true; break;
    case WM_MBUTTONUP: button = kMiddleButton; up = true; break;
    case WM_LBUTTONDOWN: button = kLeftButton; break;
    case WM_RBUTTONDOWN: button = kRightButton; break;
    case WM_MBUTTONDOWN: button = kMiddleButton; break;
    default: return DefaultHandling(message, wParam, lParam);
  }
  // The control acts first (a check box toggles on the release), then the event runs.
  const LRESULT result = DefaultHandling(message, wParam, lParam);
  const auto& handler = up ? OnMouseUp : OnMouseDown;
  if (handler) {
    const std::int32_t ppi = Parent()->PixelsPerInch();
    handler(button, ShiftState(wParam), PixelsToTwips(GET_X_LPARAM(lParam), ppi),
            PixelsToTwips(GET_Y_LPARAM(lParam), ppi));
  }
  return result;
}

CheckBox::CheckBox(Form& parent, std::wstring name, const RECT& pixels)
    : ButtonBase(ControlKind::CheckBox, parent, std::move(name), pixels, BS_AUTOCHECKBOX) {}

std::optional<int> CheckBox::Value() const {
  if (!hWnd()) return 0;
  const auto state = ::SendMessageW(hWnd(), BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void CheckBox::SetValue(int value) noexcept {
  if (!hWnd()) return;
  const WPARAM state = value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
  ::SendMessageW(hWnd(), BM_SETCHECK, state, 0);
}

CommandButton::CommandButton(Form& parent, std::wstring name, const RECT& pixels)
    : ButtonBase(ControlKind::CommandButton, parent, std::move(name), pixels, BS_PUSHBUTTON) {}

std::optional<int> CommandButton::Value() const {
  if (!hWnd()) return 0;
  return (::SendMessageW(hWnd(), BM_GETSTATE, 0, 0) & BST_PUSHED) ? -1 : 0;
}

void CommandButton::SetDefault(bool isDefault) noexcept {
  default_ = isDefault;
  if (hWnd()) ::SendMessageW(hWnd(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

OptionButton::OptionButton(Form& parent, std::wstring name, const RECT& pixels)
    : ButtonBase(ControlKind::OptionButton, parent, std::move(name), pixels, BS_AUTORADIOBUTTON) {}

std::optional<int> OptionButton::Value() const {
  if (!hWnd()) return 0;
  return ::SendMessageW(hWnd(), BM_GETCHECK, 0, 0) == BST_CHECKED ? -1 : 0;
}

void OptionButton::SetValue(bool selected) noexcept {
  if (hWnd()) ::SendMessageW(hWnd(), BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ---- Frame

Frame::Frame(Form& parent, std::wstring name, const RECT& pixels) : Control(ControlKind::Frame, parent, std::move(name)) {
  CreateControlWindow(L"BUTTON", BS_GROUPBOX, 0, L"", pixels, true);
}

std::optional<std::wstring> Frame::Caption() const { return WindowText(hWnd()); }

void Frame::SetCaption(const std::wstring& caption) noexcept {
  if (hWnd()) ::SetWindowTextW(hWnd(), caption.c_str());
}

}  // namespace toolkit
