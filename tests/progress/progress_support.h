#pragma once
// Helpers for the progress bar's tests: a 32-bit DIB canvas whose pixels can be read exactly,
// bitmap and icon pictures, and a drawing surface that counts how often it is asked to paint.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <string>

#include "controls/progress/DrawSurface.h"
#include "platform/com.h"
#include "platform/ole.h"
#include "platform/unique.h"
#include "tests/support/dib.h"

namespace progress_test {

// The canvas the bar draws on in the tests.
using Canvas = testing_support::Dib;

// A bitmap picture object of w x h whose pixel (x, y) is colour(x, y); the picture owns it.
template <class F>
platform::ComPtr<IPicture> BitmapPicture(int w, int h, F colour) {
  HBITMAP bitmap = testing_support::MakeDibSection(w, h, colour);
  auto picture = platform::PictureFromBitmap(bitmap);
  if (!picture && bitmap) ::DeleteObject(bitmap);
  return picture;
}

// An icon picture (a picture that holds no bitmap).
inline platform::ComPtr<IPicture> IconPicture() {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_ICON;
  desc.icon.hicon = ::LoadIconW(nullptr, IDI_APPLICATION);
  platform::ComPtr<IPicture> pic;
  if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, FALSE, reinterpret_cast<void**>(pic.GetAddressOf()))))
    return {};
  return pic;
}

// A popup window of a given client size, for the bar's DrawObject.
class TestWindow {
 public:
  TestWindow(int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CorvaneProgressTest";
    ::RegisterClassW(&wc);  // a second registration fails harmlessly
    window_.reset(::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                    wc.hInstance, nullptr));
  }
  HWND get() const { return window_.get(); }

 private:
  platform::unique_hwnd window_;
};

// A drawing surface over a window (for the client rectangle and style) that paints into a
// canvas, counting every time the bar asks for its device context.
class CountingSurface : public corvane::IDrawSurface {
 public:
  CountingSurface(HWND window, HDC dc) : window_(window), dc_(dc) {}
  HWND hWnd() const noexcept override { return window_; }
  HDC hDC() const noexcept override {
    ++paints_;
    return dc_;
  }
  int paints() const { return paints_; }
  void reset() { paints_ = 0; }

 private:
  HWND window_;
  HDC dc_;
  mutable int paints_ = 0;
};

}  // namespace progress_test
