#pragma once
// What the progress bar paints on: a window (for its client rectangle and visual style) and a
// device context that paints into that window's client area. The bar reads both at every Draw
// and never creates or destroys either.
#include <windows.h>

namespace corvane {

class IDrawSurface {
 public:
  virtual ~IDrawSurface() = default;
  virtual HWND hWnd() const noexcept = 0;
  virtual HDC hDC() const noexcept = 0;
};

}  // namespace corvane
