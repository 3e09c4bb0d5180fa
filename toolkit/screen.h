#pragma once
// The screen's pixel density, which turns twips and HIMETRIC into pixels.
#include <cstdint>

namespace toolkit {

// Pixels per inch of the screen (96 at 15 twips per pixel).
std::int32_t ScreenPixelsPerInch() noexcept;

#ifdef CORVANE_TEST_HOOKS
// Test builds: a density to use instead of the screen's; 0 restores the screen's own value.
void SetScreenPixelsPerInchOverride(std::int32_t pixelsPerInch) noexcept;
#endif

}  // namespace toolkit
