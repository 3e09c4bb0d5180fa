#pragma once
// The pixel rectangle of the program's geometry as GDI's RECT, and back.
#include <windows.h>

#include "core/geometry.h"

namespace platform {

constexpr RECT ToRECT(const corvane::Rect& r) noexcept { return RECT{r.left, r.top, r.right, r.bottom}; }
constexpr corvane::Rect FromRECT(const RECT& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace platform
