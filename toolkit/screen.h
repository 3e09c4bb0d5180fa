#pragma once
// The screen's pixel density, which turns twips and HIMETRIC into pixels.
#include <windows.h>

#include <cstdint>

namespace toolkit {

// Pixels per inch of the screen (96 at 15 twips per pixel): the system's density.
std::int32_t ScreenPixelsPerInch() noexcept;

// Pixels per inch of the monitor `window` is on, as Windows tells it (GetDpiForWindow); the
// screen's where Windows lacks the function or answers nothing.
std::int32_t WindowPixelsPerInch(HWND window) noexcept;

// A system metric (SM_CXICON and the like) at `pixelsPerInch`: GetSystemMetricsForDpi, or the
// system's value scaled from the screen's density where that is missing.
int SystemMetricAt(int index, std::int32_t pixelsPerInch) noexcept;

#ifdef CORVANE_TEST_HOOKS
// Test builds: a density to use instead of the screen's, also for every window's; 0 restores
// the screen's own value.
void SetScreenPixelsPerInchOverride(std::int32_t pixelsPerInch) noexcept;
#endif

}  // namespace toolkit
