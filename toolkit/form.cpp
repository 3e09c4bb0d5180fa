#include "toolkit/form.h"

#include <algorithm>

#include "core/units.h"
#include "toolkit/controls.h"
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
    wc.lpfnWndProc = &Form::WindowProc;
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
    : pixelsPerInch_(ScreenPixelsPerInch()) {
  RECT frame{0, 0, Pixels(clientWidthTwips, pixelsPerInch_), Pixels(clientHeightTwips, pixelsPerInch_)};
  ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  window_ = ::CreateWindowExW(kFormExStyle, WindowClass(), caption.c_str(), kFormStyle, x, y, width, height, nullptr,
                              nullptr, ::GetModuleHandleW(nullptr), this);
}

Form::~Form() {
  closing_ = true;  // going away with its owner is not the user closing the program
  if (window_) ::DestroyWindow(window_);
  controls_.clear();
}

std::wstring Form::Caption() const {
  if (!window_) return {};
  const int n = ::GetWindowTextLengthW(window_);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  const int got = ::GetWindowTextW(window_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void Form::SetCaption(const std::wstring& caption) noexcept {
  if (window_) ::SetWindowTextW(window_, caption.c_str());
}

void Form::SetIcon(HICON big, HICON small) noexcept {
  if (!window_) return;
  ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : big));
}

bool Form::SetFont(const std::wstring& face, double points, bool bold) {
  auto font = MakeFont(face, points, bold);
  if (!font) return false;
  font_ = std::move(font);
  for (auto& control : controls_) control->OnFormFont(font_.Get());
  return true;
}

void Form::Adopt(std::unique_ptr<Control> control) {
  if (font_) control->OnFormFont(font_.Get());
  controls_.push_back(std::move(control));
}

Control* Form::Find(const std::wstring& name) const noexcept {
  for (const auto& control : controls_)
    if (control->Name() == name) return control.get();
  return nullptr;
}

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
  if (!window_) return;
  if (!loaded_) {
    loaded_ = true;
    if (OnLoad) OnLoad();
  }
  ArrangeTabOrder();
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
  Control* first = nullptr;
  for (const auto& control : controls_) {
    if (!control->CanTakeFocus() || !control->TabIndex() || !control->Visible() || !control->Enabled()) continue;
    if (!first || *control->TabIndex() < *first->TabIndex()) first = control.get();
  }
  if (first) {
    first->SetFocus();
    lastFocus_ = first->hWnd();
  }
  ::UpdateWindow(window_);
}

void Form::Close() noexcept {
  if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
}

bool Form::QueryUnload(UnloadMode mode) {
  bool cancel = false;
  if (OnQueryUnload) OnQueryUnload(cancel, mode);
  return !cancel;
}

int Form::RunMessageLoop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, arrow keys and the like move between the controls of our forms.
    HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    wchar_t className[32] = {};
    if (root && ::GetClassNameW(root, className, 32) && std::wstring_view(className) == L"CorvaneForm" &&
        ::IsDialogMessageW(root, &message))
      continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Form* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->window_ = window;
  } else {
    self = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    // No failure of an event handler crosses the window procedure.
    return 0;
  }
}

LRESULT Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND const window = window_;
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (Control* control = FromWindow(reinterpret_cast<HWND>(lParam)))
        if (HBRUSH brush = control->Colors(reinterpret_cast<HDC>(wParam))) return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == STN_CLICKED)
        if (Control* control = FromWindow(reinterpret_cast<HWND>(lParam)); control && control->Kind() == ControlKind::Label)
          static_cast<Label*>(control)->FireClick();
      return 0;
    case WM_SETCURSOR:
      if (Control* control = FromWindow(reinterpret_cast<HWND>(wParam));
          control && control->GetMousePointer() == MousePointer::Custom && control->MouseIcon() &&
          LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(control->MouseIcon());
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (FromWindow(::GetFocus())) lastFocus_ = ::GetFocus();
      } else if (lastFocus_ && ::IsWindow(lastFocus_)) {
        ::SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (lastFocus_ && ::IsWindow(lastFocus_)) ::SetFocus(lastFocus_);
      return 0;
    case WM_CLOSE:
      if (QueryUnload(UnloadMode::ControlMenu)) ::DestroyWindow(window);
      return 0;
    case WM_QUERYENDSESSION:
      // Agreed at once: another program may still cancel the shutdown, so nothing ends here.
      return TRUE;
    case WM_ENDSESSION:
      // The session does end: the form is unloaded as for any other close.
      if (wParam && QueryUnload(UnloadMode::WindowsSession)) ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (!closing_) {
        if (OnUnload)
          OnUnload();
        else
          ::PostQuitMessage(0);
      }
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace toolkit
