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
#include "platform/unique.h"
#include "tests/support/dib.h"

namespace progress_test {

// The canvas the bar draws on in the tests.
using Canvas = testing_support::Dib;

// A bitmap picture object of w x h whose pixel (x, y) is colour(x, y); the picture owns it.
template <class F>
platform::ComPtr<IPicture> BitmapPicture(int w, int h, F colour) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return {};
  auto* p = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const COLORREF c = colour(x, y);
      p[y * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bmp;
  platform::ComPtr<IPicture> pic;
  if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(pic.GetAddressOf())))) {
    ::DeleteObject(bmp);
    return {};
  }
  return pic;
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
