#pragma once
// Visual-style support: starts the common controls, tells whether visual styles apply, and gives
// graphical-style buttons the visual style's look by subclassing their windows. With common
// controls before version 6 it stands aside and every control keeps its classic drawing.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <cstdint>
#include <expected>
#include <functional>
#include <string_view>

#include "core/arith.h"
#include "toolkit/control.h"
#include "toolkit/form.h"

namespace mdXpThemeSupport {

// Start-up, once per process: with common controls 6 loads the shell library, then initialises
// the common controls. False when a step failed; the flag then stays unset.
bool InitThemeSupport();
bool IsComCtl6Loaded();
bool pvIsThemed();
// The module's single error sink: takes the failing routine's name and keeps nothing.
void pvHandleError(std::string_view routine);

// Attaches the subclasses to a form's frames and graphical-style buttons; false (nothing
// attached) without common controls 6.
bool FixThemeSupport(const toolkit::ControlCollection& controls);

LRESULT CALLBACK pvRedirectFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR refData);
LRESULT CALLBACK pvRedirectButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR refData);
// Repaints only the push-button shape, without erasing; false when a bound function is missing.
bool pvRefreshButton(HWND window);

// The "Hot" and "Painted" window properties and the visibility test.
bool pvIsHot(HWND window);
void pvSetHot(HWND window, bool hot);
bool pvIsPainted(HWND window);
void pvSetPainted(HWND window, bool painted);
bool pvIsVisible(HWND window);

// Paints a graphical-style button completely with the visual style.
void pvDrawButton(HWND window, HDC dc, const toolkit::Control& control);

// The preferred picture when it is usable (set, with a handle), else the fallback.
IPicture* pvChoosePicture(IPicture* preferred, IPicture* fallback);
// An OLE colour as RGB; bit 31 selects the system colour of the low byte.
COLORREF pvResolveColor(std::uint32_t oleColor);
// HIMETRIC to pixels at `pixelsPerInch` (a window's density; 0 for the screen's), halves to even.
std::expected<std::int32_t, corvane::ArithError> pvHimetricToPixels(double himetric, std::int32_t pixelsPerInch = 0);
void pvDrawRect(HDC dc, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, COLORREF color);
void pvDrawTransparentPicture(IPicture* picture, HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, COLORREF transparent, std::int32_t srcX, std::int32_t srcY,
                              std::int32_t srcWidth, std::int32_t srcHeight);
void pvDrawDisabledPicture(IPicture* picture, HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height, COLORREF mask);

#ifdef CORVANE_TEST_HOOKS
// Seams for tests, in test builds only: each set function replaces the system's; unset ones call
// the system.
namespace test_hooks {
struct Hooks {
  // Wine's comctl32 answers 5.81 whatever the manifest says: tests give the version here.
  std::function<HRESULT(DLLVERSIONINFO*)> dllGetVersion;
  std::function<HMODULE(const wchar_t*)> loadLibrary;
  std::function<BOOL(const INITCOMMONCONTROLSEX*)> initCommonControlsEx;
  std::function<HRESULT(HWND, HDC, const RECT*)> drawThemeParentBackground;
  // Sees every report that reaches the error sink.
  std::function<void(std::string_view)> errorObserver;
};
void SetHooks(Hooks hooks);
void ClearHooks();
bool StartupFlag();
void ResetStartupFlag();
}  // namespace test_hooks
#endif

}  // namespace mdXpThemeSupport
