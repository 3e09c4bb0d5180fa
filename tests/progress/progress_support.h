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

namespace progress_test {

// A top-down 32-bit DIB section selected into its own memory context.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = RGB(0x12, 0x34, 0x56)) : width_(width), height_(height) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    selected_ = platform::select_object(dc_.get(), bitmap_.get());
    Fill(fill);
  }
  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  bool ok() const { return bits_ != nullptr && static_cast<bool>(selected_); }

  // The pixel as a COLORREF (0x00BBGGRR), so it compares with RGB() and GetSysColor().
  COLORREF Pixel(int x, int y) const {
    ::GdiFlush();
    const std::uint32_t p = bits_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFFu;
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  void Fill(COLORREF c) {
    ::GdiFlush();
    const std::uint32_t p = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = p;
  }
  void Set(int x, int y, COLORREF c) {
    ::GdiFlush();
    bits_[static_cast<std::size_t>(y) * width_ + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }
  // Pixels of colour c in a row / column span (right and bottom exclusive).
  int CountInRow(int y, int x0, int x1, COLORREF c) const {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += Pixel(x, y) == c;
    return n;
  }
  int CountIn(int x0, int y0, int x1, int y1, COLORREF c) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) n += CountInRow(y, x0, x1, c);
    return n;
  }
  // Writes the canvas as a .bmp file (for looking at a frame).
  bool Save(const std::wstring& path) const {
    ::GdiFlush();
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width_;
    ih.biHeight = -height_;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    ih.biCompression = BI_RGB;
    const DWORD bytes = static_cast<DWORD>(width_) * height_ * 4;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + bytes;
    platform::unique_handle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
      file.release();
      return false;
    }
    DWORD written = 0;
    return ::WriteFile(file.get(), &fh, sizeof fh, &written, nullptr) &&
           ::WriteFile(file.get(), &ih, sizeof ih, &written, nullptr) &&
           ::WriteFile(file.get(), bits_, bytes, &written, nullptr);
  }

 private:
  int width_, height_;
  platform::unique_hdc dc_;
  platform::unique_hbitmap bitmap_;
  platform::select_object selected_;
  std::uint32_t* bits_ = nullptr;
};

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
