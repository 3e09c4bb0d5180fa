#pragma once
// The visual-style module's own routines: only the module and its tests include this.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <expected>
#include <functional>
#include <string_view>

#include "core/arith.h"
#include "theme/mdXpThemeSupport.h"
#include "toolkit/control.h"

namespace mdXpThemeSupport {

bool pvIsThemed();
// The module's single error sink: takes the failing routine's name and keeps nothing.
void pvHandleError(std::string_view routine);

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
// Test builds: the system's functions are replaced through platform::SetFunctionOverride and the
// shell library's load is seen through platform::SetLibraryObserver; these see the module itself.
namespace test_hooks {
// Sees every report that reaches the error sink (empty stops it).
void SetErrorObserver(std::function<void(std::string_view)> observer);
bool StartupFlag();
void ResetStartupFlag();
}  // namespace test_hooks
#endif

}  // namespace mdXpThemeSupport
