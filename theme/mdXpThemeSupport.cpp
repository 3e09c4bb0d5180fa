#include "theme/mdXpThemeSupport_detail.h"

#include <cwchar>

#include <commctrl.h>
#include <uxtheme.h>
#include <vsstyle.h>

#include "core/button_layout.h"
#include "core/button_state.h"
#include "core/steps.h"
#include "core/units.h"
#include "platform/functions.h"
#include "platform/geometry.h"
#include "platform/unique.h"
#include "toolkit/ole.h"
#include "toolkit/screen.h"

namespace mdXpThemeSupport {
namespace {

bool g_started = false;
#ifdef CORVANE_TEST_HOOKS
std::function<void(std::string_view)> g_errorObserver;  // test builds only
#endif

const platform::ByName<decltype(&::IsThemeBackgroundPartiallyTransparent)> kIsThemeBackgroundPartiallyTransparent{
    L"uxtheme.dll", "IsThemeBackgroundPartiallyTransparent"};

constexpr wchar_t kHot[] = L"Hot";
constexpr wchar_t kPainted[] = L"Painted";
constexpr wchar_t kButtonClass[] = L"BUTTON";

// A trapping routine's steps: a step that fails is reported under the routine's name, and the
// routine goes on with the next step.
// Each routine's failed steps go to the module's error sink under the routine's name.
struct ToErrorSink {
  void operator()(std::string_view routine, corvane::StepFault) const { pvHandleError(routine); }
};

class Trap {
 public:
  explicit Trap(const char* routine) noexcept : routine_(routine) {}
  template <class Step>
  bool operator()(Step&& step) noexcept {
    return steps_.Run(routine_, std::forward<Step>(step));
  }

 private:
  std::string_view routine_;
  corvane::Steps<ToErrorSink> steps_{ToErrorSink{}};
};

bool ReadFlag(HWND window, const wchar_t* key) { return ::GetPropW(window, key) != nullptr; }

void WriteFlag(HWND window, const wchar_t* key, bool value) {
  ::SetPropW(window, key, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value ? 1 : 0)));
}

// False when there is nothing to initialise with.
bool InitCommonControls(const INITCOMMONCONTROLSEX& icc) {
  auto init = platform::kInitCommonControlsEx.get();
  if (!init) return false;
  init(&icc);
  return true;
}

}  // namespace

// ---- start-up and detection

bool InitThemeSupport() {
  if (g_started) return true;
  if (IsComCtl6Loaded()) {
    // The shell library first, kept for the life of the process.
    platform::SystemLibrary(L"shell32.dll");
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_USEREX_CLASSES};
    if (!InitCommonControls(icc)) return false;  // nothing to initialise with: the flag stays unset
  }
  g_started = true;
  return true;
}

bool IsComCtl6Loaded() {
  Trap trap("IsComCtl6Loaded");
  DLLVERSIONINFO version{};
  version.cbSize = sizeof version;
  trap([&] {
    auto get = platform::kComctlDllGetVersion.get();
    if (!get) return false;
    get(&version);  // its result tells nothing the record does not
    return true;
  });
#ifdef CORVANE_TEST_HOOKS
  // Test builds: Wine's library answers 5.81 whatever the manifest says, so a run of the real
  // program may name the major version it answered (CORVANE_COMCTL_MAJOR), as a test's stand-in
  // for DllGetVersion does in-process. Only an answer that came from the library is replaced.
  if (version.dwMajorVersion != 0) {
    wchar_t major[8];
    const DWORD n = ::GetEnvironmentVariableW(L"CORVANE_COMCTL_MAJOR", major, 8);
    if (n > 0 && n < 8) version.dwMajorVersion = static_cast<DWORD>(std::wcstoul(major, nullptr, 10));
  }
#endif
  return version.dwMajorVersion > 5;
}

bool pvIsThemed() {
  auto isAppThemed = platform::kIsAppThemed.get();
  if (!isAppThemed || !isAppThemed()) return false;
  auto isThemeActive = platform::kIsThemeActive.get();
  if (!isThemeActive || !isThemeActive()) return false;
  auto properties = platform::kGetThemeAppProperties.get();
  return properties && (properties() & STAP_ALLOW_CONTROLS);
}

void pvHandleError([[maybe_unused]] std::string_view routine) {
  // Nothing is shown or kept; tests may watch.
#ifdef CORVANE_TEST_HOOKS
  if (g_errorObserver) g_errorObserver(routine);
#endif
}

// ---- redirection

bool FixThemeSupport(const toolkit::ControlCollection& controls) {
  if (!IsComCtl6Loaded()) return false;
  Trap trap("FixThemeSupport");
  for (const auto& control : controls) {
    if (!control) continue;
    switch (control->Kind()) {
      case toolkit::ControlKind::Frame:
        trap([&] {
          auto subclass = platform::kSetWindowSubclass.get();
          // Without the default processing the subclass would swallow every message: the
          // window keeps its own procedure instead.
          if (!subclass || !platform::kDefSubclassProc.get()) return false;
          subclass(control->hWnd(), &pvRedirectFrame, 0, 0);
          return true;
        });
        break;
      case toolkit::ControlKind::CommandButton:
      case toolkit::ControlKind::OptionButton:
      case toolkit::ControlKind::CheckBox: {
        std::optional<int> style;
        if (!trap([&] { return (style = control->Style()).has_value(); })) break;
        if (*style != 1) break;
        trap([&] {
          auto subclass = platform::kSetWindowSubclass.get();
          if (!subclass || !platform::kDefSubclassProc.get()) return false;
          subclass(control->hWnd(), &pvRedirectButton, 0, reinterpret_cast<DWORD_PTR>(control.get()));
          return true;
        });
        break;
      }
      default:
        break;
    }
  }
  return true;
}

namespace {
// The message on to the window's own procedure, as a trapped step; 0 when it cannot go on.
LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Trap& trap) {
  LRESULT result = 0;
  trap([&] {
    auto next = platform::kDefSubclassProc.get();
    if (!next) return false;
    result = next(window, message, wParam, lParam);
    return true;
  });
  return result;
}
}  // namespace

LRESULT CALLBACK pvRedirectFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  // The frame's own procedure never sees these two.
  if (message == WM_MOUSELEAVE || message == WM_PRINTCLIENT) return ::DefWindowProcW(window, message, wParam, lParam);
  Trap trap("pvRedirectFrame");
  return PassOn(window, message, wParam, lParam, trap);
}

namespace {

// Before the button's own processing: true when the message is answered here (the themed paint).
bool BeforeButton(HWND window, UINT message, const toolkit::Control* control, Trap& trap, bool& redrawSuspended) {
  switch (message) {
    case WM_PAINT:
      if (pvIsThemed() && pvIsVisible(window)) {
        pvSetPainted(window, true);
        platform::paint_dc paint(window);
        trap([&] {
          if (!control) return false;
          pvDrawButton(window, paint.get(), *control);
          return true;
        });
        return true;  // the control's own painting never runs
      }
      break;
    case WM_SETFOCUS:
    case WM_ENABLE:
      if (pvIsThemed() && pvIsVisible(window)) {
        // The control's intermediate painting of the change must not reach the screen.
        redrawSuspended = true;
        ::SendMessageW(window, WM_SETREDRAW, FALSE, 0);
      }
      break;
    default:
      break;
  }
  return false;
}

// After it: the hot state, and the repaints a change needs.
void AfterButton(HWND window, UINT message, Trap& trap, bool redrawSuspended) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_MOUSEHOVER:
    case WM_KILLFOCUS:
    case WM_MOUSELEAVE:
      if (pvIsThemed()) {
        pvSetHot(window, message == WM_LBUTTONDOWN || message == WM_MOUSEHOVER);
        trap([&] { return pvRefreshButton(window); });
      }
      break;
    case WM_MOUSEMOVE:
      if (pvIsThemed()) {
        if (!pvIsHot(window)) {
          TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, window, 1};
          ::TrackMouseEvent(&track);
        }
        if (!pvIsPainted(window)) trap([&] { return pvRefreshButton(window); });
      }
      break;
    case WM_SETFOCUS:
    case WM_ENABLE:
      if (redrawSuspended) {
        // Redrawing goes back on whatever the style says now; a button left with redraw off
        // would never paint again.
        ::SendMessageW(window, WM_SETREDRAW, TRUE, 0);
        if (!pvIsThemed()) {
          ::InvalidateRect(window, nullptr, TRUE);
        } else if (message == WM_ENABLE) {
          ::InvalidateRect(window, nullptr, FALSE);
        } else {
          trap([&] { return pvRefreshButton(window); });
        }
      }
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (pvIsThemed()) trap([&] { return pvRefreshButton(window); });
      break;
    default:
      break;
  }
}

}  // namespace

LRESULT CALLBACK pvRedirectButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR refData) {
  Trap trap("pvRedirectButton");
  const auto* control = reinterpret_cast<const toolkit::Control*>(refData);
  bool redrawSuspended = false;
  if (BeforeButton(window, message, control, trap, redrawSuspended)) return 0;
  const LRESULT result = PassOn(window, message, wParam, lParam, trap);
  AfterButton(window, message, trap, redrawSuspended);
  return result;
}

bool pvRefreshButton(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  ::ValidateRect(window, nullptr);
  auto open = platform::kOpenThemeData.get();
  auto region = platform::kGetThemeBackgroundRegion.get();
  if (!open || !region) return false;
  platform::unique_htheme theme(open(window, kButtonClass));
  platform::unique_hrgn shape;
  region(theme.get(), nullptr, BP_PUSHBUTTON, PBS_NORMAL, &client, shape.put());
  theme.reset();
  // Only the shape: the corners outside it are not repainted.
  ::InvalidateRgn(window, shape.get(), FALSE);
  return true;
}

bool pvIsHot(HWND window) { return ReadFlag(window, kHot); }
void pvSetHot(HWND window, bool hot) { WriteFlag(window, kHot, hot); }
bool pvIsPainted(HWND window) { return ReadFlag(window, kPainted); }
void pvSetPainted(HWND window, bool painted) { WriteFlag(window, kPainted, painted); }
bool pvIsVisible(HWND window) { return ::IsWindowVisible(window) != FALSE; }

// ---- painting

namespace {

// What the stages of painting a button share.
struct ButtonPaint {
  ButtonPaint(HWND w, HDC d, const toolkit::Control& c, Trap& t) : window(w), dc(d), control(c), trap(t) {}
  HWND window;
  HDC dc;
  const toolkit::Control& control;
  Trap& trap;
  corvane::button::Facts facts{};
  int state = 0;
  platform::ComPtr<IPicture> picture;
  RECT rect{};
  platform::unique_htheme theme;
};

// Stage 1: the button's state.
void ReadButtonState(ButtonPaint& p) {
  namespace btn = corvane::button;
  const auto stateWord = static_cast<UINT>(::SendMessageW(p.window, BM_GETSTATE, 0, 0));
  p.facts.pushed = (stateWord & BST_PUSHED) != 0;
  p.facts.focused = (stateWord & BST_FOCUS) != 0;
  p.trap([&] {
    const auto value = p.control.Value();
    if (!value) return false;
    p.facts.down = *value != 0;
    return true;
  });
  p.facts.hot = pvIsHot(p.window);
  {
    // Failures here count as "no such property", without a report.
    const bool focusHere = ::GetFocus() == p.window;
    std::optional<std::int32_t> activeDefault;
    if (!focusHere)
      if (const toolkit::Form* form = p.control.Parent())
        if (const toolkit::Control* active = form->ActiveControl()) activeDefault = active->Default();
    p.facts.isDefault = btn::ResolveDefaultLook(p.control.Default(), focusHere, activeDefault);
  }
  p.facts.enabled = p.control.Enabled();
}

// Stage 2: the theme state and the picture.
void ChooseStateAndPicture(ButtonPaint& p) {
  namespace btn = corvane::button;
  const btn::Look look = btn::ChooseLook(p.facts);
  p.state = static_cast<int>(look.state);
  p.trap([&] {
    const toolkit::PictureProperty fallback = p.control.Picture();
    const toolkit::PictureProperty preferred = look.preferred == btn::PictureSlot::DownPicture ? p.control.DownPicture()
                                               : look.preferred == btn::PictureSlot::DisabledPicture
                                                   ? p.control.DisabledPicture()
                                                   : fallback;
    if (!fallback || !preferred) return false;
    p.picture = pvChoosePicture(preferred->Get(), fallback->Get());
    if (toolkit::PictureHandle(p.picture.Get()) == 0) p.picture.Reset();  // a picture without a handle is none
    return true;
  });
}

// Stage 3a: the parent's background where the button's shape leaves it visible.
void DrawParentBackground(ButtonPaint& p) {
  platform::unique_hrgn shape;
  p.trap([&] {
    auto region = platform::kGetThemeBackgroundRegion.get();
    if (!region) return false;
    region(p.theme.get(), p.dc, BP_PUSHBUTTON, p.state, &p.rect, shape.put());
    return true;
  });
  // Styles drawn with alpha report the whole rectangle as the shape, though their corners are
  // see-through: then the parent's background goes under the whole button, or the corners would
  // keep whatever the context held before.
  if (shape) {
    RECT box{};
    auto partlyClear = kIsThemeBackgroundPartiallyTransparent.get();
    if (::GetRgnBox(shape.get(), &box) == SIMPLEREGION && ::EqualRect(&box, &p.rect) && partlyClear &&
        partlyClear(p.theme.get(), BP_PUSHBUTTON, p.state))
      shape.reset();
  }
  // Otherwise only the corners outside the shape take the parent's background.
  if (shape) ::ExtSelectClipRgn(p.dc, shape.get(), RGN_DIFF);
  p.trap([&] {
    auto parentBackground = platform::kDrawThemeParentBackground.get();
    if (!parentBackground) return false;
    if (parentBackground(p.window, p.dc, &p.rect) != S_OK) {
      const auto back = p.control.BackColor();
      if (!back) return false;
      pvDrawRect(p.dc, 0, 0, p.rect.right, p.rect.bottom, pvResolveColor(*back));
    }
    return true;
  });
  ::ExtSelectClipRgn(p.dc, nullptr, RGN_COPY);
}

// Stage 3: the background, and the content rectangle inside it.
void DrawButtonBackground(ButtonPaint& p) {
  ::GetClientRect(p.window, &p.rect);
  p.trap([&] {
    auto open = platform::kOpenThemeData.get();
    if (!open) return false;
    p.theme.reset(open(p.window, kButtonClass));
    return true;
  });
  DrawParentBackground(p);
  p.trap([&] {
    auto background = platform::kDrawThemeBackground.get();
    if (!background) return false;
    background(p.theme.get(), p.dc, BP_PUSHBUTTON, p.state, &p.rect, &p.rect);
    return true;
  });
  p.trap([&] {
    auto content = platform::kGetThemeBackgroundContentRect.get();
    if (!content) return false;
    RECT inner = p.rect;
    if (SUCCEEDED(content(p.theme.get(), p.dc, BP_PUSHBUTTON, p.state, &p.rect, &inner))) p.rect = inner;
    return true;
  });
  if (p.facts.focused) ::DrawFocusRect(p.dc, &p.rect);
}

// Stage 4: the caption, at the bottom when there is a picture above it.
void DrawButtonCaption(ButtonPaint& p) {
  namespace btn = corvane::button;
  std::wstring caption;
  p.trap([&] {
    auto text = p.control.Caption();
    if (!text) return false;
    caption = std::move(*text);
    return true;
  });
  if (caption.empty()) return;
  platform::select_object font;
  p.trap([&] {
    const auto object = p.control.Font();
    if (!object || !*object) return false;
    HFONT handle = nullptr;
    (*object)->get_hFont(&handle);
    font = platform::select_object(p.dc, handle);
    return true;
  });
  RECT textRect = p.rect;
  ::DrawTextW(p.dc, caption.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK);
  textRect.left = p.rect.left;
  textRect.right = p.rect.right;
  p.trap([&] {
    const auto band = btn::CaptionRect(platform::FromRECT(p.rect), textRect.bottom, p.picture != nullptr);
    if (!band) return false;
    textRect.top = band->top;
    textRect.bottom = band->bottom;
    return true;
  });
  p.trap([&] {
    auto drawText = platform::kDrawThemeText.get();
    if (!drawText) return false;
    drawText(p.theme.get(), p.dc, BP_PUSHBUTTON, p.state, caption.c_str(), -1, DT_CENTER | DT_WORDBREAK, 0,
             &textRect);
    return true;
  });
  font.restore();
  p.rect.bottom = textRect.top;  // the picture goes above the caption
}

// Stage 5: the picture, centred in what the caption left.
void DrawButtonPicture(ButtonPaint& p) {
  if (!p.picture) return;
  std::int32_t w = 0, h = 0;
  OLE_XSIZE_HIMETRIC himetricWidth = 0;
  OLE_YSIZE_HIMETRIC himetricHeight = 0;
  p.trap([&] {
    if (FAILED(p.picture->get_Width(&himetricWidth)) || FAILED(p.picture->get_Height(&himetricHeight))) return true;
    // At the density of the button's window, which follows its monitor.
    const toolkit::Form* form = p.control.Parent();
    const std::int32_t ppi = form ? form->PixelsPerInch() : 0;
    const auto pw = pvHimetricToPixels(himetricWidth, ppi);
    const auto ph = pvHimetricToPixels(himetricHeight, ppi);
    if (!pw || !ph) return false;
    w = *pw;
    h = *ph;
    return true;
  });
  std::int32_t x = 0, y = 0;
  p.trap([&] {
    const auto at = corvane::button::CenterPicture(platform::FromRECT(p.rect), w, h);
    if (!at) return false;
    x = at->x;
    y = at->y;
    return true;
  });
  if (p.facts.enabled) {
    p.trap([&] {
      const auto useMask = p.control.UseMaskColor();
      if (!useMask) return false;
      if (*useMask) {
        const auto mask = p.control.MaskColor();
        if (!mask) return false;
        pvDrawTransparentPicture(p.picture.Get(), p.dc, x, y, w, h, pvResolveColor(*mask), 0, 0, 0, 0);
      } else {
        // HIMETRIC runs upwards, so the source is given bottom first. (Mirroring the destination
        // instead loses a pixel row to the mirrored blit's off-by-one.)
        p.picture->Render(p.dc, x, y, w, h, 0, himetricHeight, himetricWidth, -himetricHeight, nullptr);
      }
      return true;
    });
  } else {
    p.trap([&] {
      const auto mask = p.control.MaskColor();
      if (!mask) return false;
      pvDrawDisabledPicture(p.picture.Get(), p.dc, x, y, w, h, pvResolveColor(*mask));
      return true;
    });
  }
}

}  // namespace

void pvDrawButton(HWND window, HDC dc, const toolkit::Control& control) {
  Trap trap("pvDrawButton");
  ButtonPaint paint(window, dc, control, trap);
  ReadButtonState(paint);
  ChooseStateAndPicture(paint);
  DrawButtonBackground(paint);
  DrawButtonCaption(paint);
  paint.theme.reset();  // closed before the picture, as the theme is no longer needed
  DrawButtonPicture(paint);
}

IPicture* pvChoosePicture(IPicture* preferred, IPicture* fallback) {
  const bool usable = preferred && toolkit::PictureHandle(preferred) != 0;
  return usable ? preferred : fallback;
}

COLORREF pvResolveColor(std::uint32_t oleColor) { return platform::ToColorRef(oleColor); }

std::expected<std::int32_t, corvane::ArithError> pvHimetricToPixels(double himetric, std::int32_t pixelsPerInch) {
  return corvane::HimetricToPixels(himetric, pixelsPerInch > 0 ? pixelsPerInch : toolkit::ScreenPixelsPerInch());
}

void pvDrawRect(HDC dc, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, COLORREF color) {
  Trap trap("pvDrawRect");
  platform::unique_hbrush brush(::CreateSolidBrush(color));
  trap([&] {
    const auto right = corvane::CheckedAdd(x, width);
    const auto bottom = corvane::CheckedAdd(y, height);
    if (!right || !bottom) return false;
    const RECT area{x, y, *right, *bottom};
    ::FillRect(dc, &area, brush.get());
    return true;
  });
}

void pvDrawTransparentPicture(IPicture* picture, HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, COLORREF transparent, std::int32_t srcX, std::int32_t srcY,
                              std::int32_t srcWidth, std::int32_t srcHeight) {
  if (!picture || toolkit::PictureHandle(picture) == 0) return;
  Trap trap("pvDrawTransparentPicture");
  if (srcWidth == 0) srcWidth = width;
  if (srcHeight == 0) srcHeight = height;

  // Declared in the order of making; they go in the reverse order.
  platform::window_dc screen(nullptr);
  platform::unique_hdc memory(::CreateCompatibleDC(screen.get()));
  platform::unique_hbitmap work(::CreateCompatibleBitmap(screen.get(), srcWidth, srcHeight));
  platform::select_object selected(memory.get(), work.get());

  SHORT type = PICTYPE_NONE;
  picture->get_Type(&type);
  const auto handle = toolkit::PictureHandle(picture);
  if (type == PICTYPE_ICON) {
    // The mask colour under the icon keeps the icon's own transparent pixels transparent.
    pvDrawRect(memory.get(), 0, 0, srcWidth, srcHeight, transparent);
    ::DrawStateW(memory.get(), nullptr, nullptr, static_cast<LPARAM>(handle), 0, 0, 0, srcWidth, srcHeight, DST_ICON);
  } else if (type == PICTYPE_BITMAP) {
    ::DrawStateW(memory.get(), nullptr, nullptr, static_cast<LPARAM>(handle), 0, 0, 0, srcWidth, srcHeight,
                 DST_BITMAP);
  }
  trap([&] {
    auto blt = platform::kTransparentBlt.get();
    if (!blt) return false;
    blt(dc, x, y, width, height, memory.get(), srcX, srcY, srcWidth, srcHeight, transparent);
    return true;
  });
}

void pvDrawDisabledPicture(IPicture* picture, HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height, COLORREF mask) {
  if (!picture || toolkit::PictureHandle(picture) == 0) return;
  platform::window_dc screen(nullptr);
  platform::unique_hdc memory(::CreateCompatibleDC(screen.get()));
  platform::unique_hbitmap work(::CreateCompatibleBitmap(screen.get(), width, height));
  platform::select_object selected(memory.get(), work.get());
  pvDrawRect(memory.get(), 0, 0, width, height, RGB(255, 255, 255));
  pvDrawTransparentPicture(picture, memory.get(), 0, 0, width, height, mask, 0, 0, 0, 0);
  selected.restore();  // DrawState reads the bitmap; it must not sit in a context
  ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(work.get()), 0, x, y, width, height,
               DST_BITMAP | DSS_DISABLED);
}

#ifdef CORVANE_TEST_HOOKS
namespace test_hooks {
void SetErrorObserver(std::function<void(std::string_view)> observer) { g_errorObserver = std::move(observer); }
bool StartupFlag() { return g_started; }
void ResetStartupFlag() { g_started = false; }
}  // namespace test_hooks
#endif

}  // namespace mdXpThemeSupport
