#pragma once
// The screen's pixel density, which turns twips and HIMETRIC into pixels.
#include <cstdint>

namespace toolkit {

// Pixels per inch of the screen (96 at 15 twips per pixel). A test may set another value.
std::int32_t ScreenPixelsPerInch() noexcept;

// 0 restores the screen's own value.
void SetScreenPixelsPerInchOverride(std::int32_t pixelsPerInch) noexcept;

}  // namespace toolkit
