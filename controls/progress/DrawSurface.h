#pragma once
// What the progress bar paints on: a window (for its client rectangle and visual style) and a
// device context that paints into that window's client area. The bar reads both at every Draw
// and never creates or destroys either.
#include <windows.h>

#include <string>

namespace corvane {

class IDrawSurface {
 public:
  virtual ~IDrawSurface() = default;
  virtual HWND hWnd() const noexcept = 0;
  virtual HDC hDC() const noexcept = 0;
  // The caption the bar shows now (empty when it shows none), told whenever it may have changed:
  // the window can name itself after it for a screen reader, which sees no painted text.
  virtual void CaptionChanged(const std::wstring& /*caption*/) noexcept {}
};

}  // namespace corvane
