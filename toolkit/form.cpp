#include "toolkit/form.h"

#include <algorithm>

#include "core/units.h"
#include "platform/pump.h"
#include "toolkit/screen.h"

namespace toolkit {
namespace {

// Fixed single border with a close box only: no sizing frame, no minimise or maximise box.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

std::int32_t Pixels(std::int32_t twips, std::int32_t ppi) noexcept {
  return corvane::TwipsToPixels(twips, ppi).value_or(0);
}

}  // namespace

const wchar_t* Form::WindowClass() noexcept {
  static const wchar_t* name = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Window::Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"CorvaneForm";
    ::RegisterClassExW(&wc);
    return L"CorvaneForm";
  }();
  return name;
}

Form::Form(const std::wstring& caption, std::int32_t clientWidthTwips, std::int32_t clientHeightTwips)
    : clientWidthTwips_(clientWidthTwips), clientHeightTwips_(clientHeightTwips) {
  pixelsPerInch_ = ScreenPixelsPerInch();
  const SIZE client = ClientPixels();
  RECT frame{0, 0, client.cx, client.cy};
  ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  if (!CreateBound(kFormExStyle, WindowClass(), caption, kFormStyle, RECT{x, y, x + width, y + height}, nullptr, 0,
                   false))
    return;
  // Ctrl+C wherever the focus is: the loops translate it before the dialog navigation.
  ACCEL copy{FVIRTKEY | FCONTROL, 'C', kCopyCommand};
  accelerators_.reset(::CreateAcceleratorTableW(&copy, 1));
  platform::SetWindowAccelerators(hWnd(), accelerators_.get());
  // A program aware of each monitor's density gets its window on a monitor that may differ from
  // the system's: the client area follows the window's own, still centred.
  const std::int32_t own = WindowPixelsPerInch(hWnd());
  if (own == pixelsPerInch_) return;
  pixelsPerInch_ = own;
  FitFrameToClient(POINT{x, y});
  RECT at{};
  if (!::GetWindowRect(hWnd(), &at)) return;
  const int w = at.right - at.left, h = at.bottom - at.top;
  ::SetWindowPos(hWnd(), nullptr, (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, (::GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Form::ClientPixels() const noexcept {
  return SIZE{Pixels(clientWidthTwips_, pixelsPerInch_), Pixels(clientHeightTwips_, pixelsPerInch_)};
}

void Form::FitFrameToClient(POINT at) noexcept {
  RECT frame{}, client{};
  if (!hWnd() || !::GetWindowRect(hWnd(), &frame) || !::GetClientRect(hWnd(), &client)) return;
  const SIZE wanted = ClientPixels();
  if (client.right == wanted.cx && client.bottom == wanted.cy && frame.left == at.x && frame.top == at.y) return;
  // The frame's own parts (caption, borders) as the window has them now, at its density: what
  // Windows suggests for a new density is the old frame scaled, and twips round otherwise.
  const int width = wanted.cx + (frame.right - frame.left) - client.right;
  const int height = wanted.cy + (frame.bottom - frame.top) - client.bottom;
  ::SetWindowPos(hWnd(), nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

Form::~Form() {
  closing_ = true;  // going away with its owner is not the user closing the program
  if (hWnd()) ::DestroyWindow(hWnd());
  controls_.clear();
}

std::wstring Form::Caption() const {
  return WindowText(hWnd());
}

void Form::SetCaption(const std::wstring& caption) noexcept {
  if (hWnd()) ::SetWindowTextW(hWnd(), caption.c_str());
}

#ifdef CORVANE_TEST_HOOKS
void Form::SetIcon(HICON big, HICON small) noexcept {
  if (!hWnd()) return;
  iconModule_ = nullptr;  // the caller's icons, whatever the density
  iconId_ = 0;
  ::SendMessageW(hWnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  ::SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : big));
  bigIcon_.reset();
  smallIcon_.reset();
}
#endif

void Form::SetIconResource(HINSTANCE module, int resourceId) noexcept {
  iconModule_ = module;
  iconId_ = resourceId;
  LoadIcons();
}

void Form::LoadIcons() noexcept {
  if (!hWnd() || !iconId_) return;
  // Not shared: the system's cache keeps one size of a resource, and these change with the density.
  const auto load = [this](int metric) {
    const int size = SystemMetricAt(metric, pixelsPerInch_);
    return platform::unique_hicon(static_cast<HICON>(
        ::LoadImageW(iconModule_, MAKEINTRESOURCEW(iconId_), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  };
  platform::unique_hicon big = load(SM_CXICON);
  platform::unique_hicon small = load(SM_CXSMICON);
  if (!big && !small) return;  // the old ones stay
  ::SendMessageW(hWnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big.get() : small.get()));
  ::SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small.get() : big.get()));
  // The window no longer shows the old ones.
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
}

bool Form::SetFont(const std::wstring& face, double points, bool bold) {
  auto font = MakeFont(face, points, bold);
  if (!font) return false;
  font_ = std::move(font);
  ScaleFont();
  for (auto& control : controls_) control->OnFormFont(font_.Get());
  return true;
}

void Form::ScaleFont() noexcept {
  // The font object's ratio of logical units (pixels) to HIMETRIC: pixelsPerInch_ to the inch.
  // Everyone who holds the object (the bar draws with it) has its new size at the next draw.
  if (font_ && pixelsPerInch_ > 0) (void)font_->SetRatio(pixelsPerInch_, corvane::kHimetricPerInch);
}

void Form::Adopt(std::unique_ptr<Control> control, const TwipsRect& twips) {
  if (font_) control->OnFormFont(font_.Get());
  controls_.push_back(std::move(control));
  twips_.push_back(twips);
}

#ifdef CORVANE_TEST_HOOKS
const TwipsRect* Form::TwipsOf(const Control& control) const noexcept {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i].get() == &control) return &twips_[i];
  return nullptr;
}

Control* Form::Find(const std::wstring& name) const noexcept {
  for (const auto& control : controls_)
    if (control->Name() == name) return control.get();
  return nullptr;
}
#endif

Control* Form::FromWindow(HWND window) const noexcept {
  if (!window) return nullptr;
  for (const auto& control : controls_)
    if (control->hWnd() == window) return control.get();
  return nullptr;
}

Control* Form::ActiveControl() const noexcept {
  if (Control* focused = FromWindow(::GetFocus())) return focused;
  // The focus is elsewhere (another program, or the form itself): the control that had it last.
  return FromWindow(lastFocus_);
}

RECT Form::ToPixels(const TwipsRect& t) const noexcept {
  const std::int32_t left = Pixels(t.left, pixelsPerInch_);
  const std::int32_t top = Pixels(t.top, pixelsPerInch_);
  return RECT{left, top, left + Pixels(t.width, pixelsPerInch_), top + Pixels(t.height, pixelsPerInch_)};
}

void Form::ArrangeTabOrder() noexcept {
  std::vector<Control*> ordered;
  for (const auto& control : controls_)
    if (control->TabIndex()) ordered.push_back(control.get());
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Control* a, const Control* b) { return *a->TabIndex() < *b->TabIndex(); });
  // Keyboard navigation walks the children in z-order, so the tab order becomes the z-order.
  HWND after = HWND_TOP;
  for (Control* control : ordered) {
    if (!control->hWnd()) continue;
    ::SetWindowPos(control->hWnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    after = control->hWnd();
  }
}

void Form::Show() {
  if (!hWnd()) return;
  if (!loaded_) {
    loaded_ = true;
    if (OnLoad) OnLoad();
  }
  ArrangeTabOrder();
  ::ShowWindow(hWnd(), SW_SHOW);
  ::SetForegroundWindow(hWnd());
  Control* first = nullptr;
  for (const auto& control : controls_) {
    if (!control->CanTakeFocus() || !control->TabIndex() || !control->Visible() || !control->Enabled()) continue;
    if (!first || *control->TabIndex() < *first->TabIndex()) first = control.get();
  }
  if (first) {
    first->SetFocus();
    lastFocus_ = first->hWnd();
  }
  ::UpdateWindow(hWnd());
}

#ifdef CORVANE_TEST_HOOKS
void Form::Close() noexcept {
  if (hWnd()) ::PostMessageW(hWnd(), WM_CLOSE, 0, 0);
}
#endif

bool Form::QueryUnload(UnloadMode mode) {
  bool cancel = false;
  if (OnQueryUnload) OnQueryUnload(cancel, mode);
  return !cancel;
}

int Form::RunMessageLoop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, arrow keys and the like move between the controls of our forms, as in the pump step.
    if (platform::NavigateDialog(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (auto brush = OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) return *brush;
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
      break;
    case WM_ACTIVATE:
      if (OnActivate(LOWORD(wParam))) return 0;
      break;
    case WM_SETFOCUS:
      if (lastFocus_ && ::IsWindow(lastFocus_)) ::SetFocus(lastFocus_);
      return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
      if (OnSettingChange) OnSettingChange();
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      // Agreed at once: another program may still cancel the shutdown, so nothing ends here.
      return TRUE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    case WM_DESTROY:
      platform::SetWindowAccelerators(hWnd(), nullptr);
      OnDestroy();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

std::optional<LRESULT> Form::OnControlColor(HDC dc, HWND window) {
  Control* control = FromWindow(window);
  HBRUSH brush = control ? control->Colors(dc) : nullptr;
  if (!brush) return std::nullopt;
  return reinterpret_cast<LRESULT>(brush);
}

void Form::OnCommand(WORD id, WORD code, HWND window) {
  // An accelerator's command comes from no control.
  if (!window && code == 1) {
    if (id == kCopyCommand && OnCopy) OnCopy();
    return;
  }
  // Notifications go back to the control that sent them.
  if (Control* control = FromWindow(window)) control->OnNotify(code);
}

bool Form::OnSetCursor(HWND under, WORD hitTest) {
  Control* control = FromWindow(under);
  if (!control || control->GetMousePointer() != MousePointer::Custom || !control->MouseIcon() || hitTest != HTCLIENT)
    return false;
  ::SetCursor(control->MouseIcon());
  return true;
}

bool Form::OnActivate(WORD state) {
  if (state == WA_INACTIVE) {
    if (FromWindow(::GetFocus())) lastFocus_ = ::GetFocus();
    return false;
  }
  if (!lastFocus_ || !::IsWindow(lastFocus_)) return false;
  ::SetFocus(lastFocus_);
  return true;
}

void Form::OnClose() {
  if (QueryUnload(UnloadMode::ControlMenu)) ::DestroyWindow(hWnd());
}

void Form::OnEndSession(bool ending) {
  // The session does end: the form is unloaded as for any other close.
  if (ending && QueryUnload(UnloadMode::WindowsSession)) ::DestroyWindow(hWnd());
}

void Form::OnDpiChanged(std::int32_t pixelsPerInch, const RECT* suggested) {
  // The density the message brings is the window's from now on (Windows has already moved the
  // window to it; GetDpiForWindow would tell the same).
  if (pixelsPerInch <= 0 || !hWnd()) return;
  pixelsPerInch_ = pixelsPerInch;
  RECT frame{};
  if (suggested) {
    frame = *suggested;
    ::SetWindowPos(hWnd(), nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    ::GetWindowRect(hWnd(), &frame);
  }
  // The suggestion scales the whole frame; the client area is the design's twips at the new
  // density, whatever that takes, from the suggested top-left corner.
  FitFrameToClient(POINT{frame.left, frame.top});
  ScaleFont();
  for (size_t i = 0; i < controls_.size(); ++i) {
    Control& control = *controls_[i];
    if (font_) control.OnFormFont(font_.Get());
    if (!control.hWnd()) continue;
    const RECT at = ToPixels(twips_[i]);
    ::SetWindowPos(control.hWnd(), nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  LoadIcons();
  ::RedrawWindow(hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Form::OnDestroy() {
  if (closing_) return;
  if (OnUnload)
    OnUnload();
  else
    ::PostQuitMessage(0);
}

}  // namespace toolkit
