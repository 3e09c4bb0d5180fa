#pragma once
// A 32-bit top-down DIB section selected into a memory DC of its own, for exact pixels read back
// and for writing a picture to look at.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/unique.h"

namespace testing_support {

// The header of a 32-bit top-down bitmap of w x h.
inline BITMAPINFOHEADER TopDown32(int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return header;
}

inline std::uint32_t ToPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A 32-bit top-down DIB section of w x h whose pixel (x, y) is colour(x, y); null on failure.
template <class F>
HBITMAP MakeDibSection(int width, int height, F colour) {
  BITMAPINFO info{};
  info.bmiHeader = TopDown32(width, height);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  auto* p = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p[static_cast<std::size_t>(y) * width + x] = ToPixel(colour(x, y));
  return bitmap;
}

class Dib {
 public:
  Dib(int width, int height, COLORREF fill = RGB(0x12, 0x34, 0x56)) : width_(width), height_(height) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = TopDown32(width, height);
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    if (bits_) {
      selected_ = platform::select_object(dc_.get(), bitmap_.get());
      Fill(fill);
    }
  }
  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  bool ok() const { return bits_ != nullptr && static_cast<bool>(selected_); }

  // The pixel as a COLORREF (0x00BBGGRR), so it compares with RGB() and GetSysColor().
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const std::uint32_t p = bits_[static_cast<std::size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  void Set(int x, int y, COLORREF color) {
    ::GdiFlush();
    bits_[static_cast<std::size_t>(y) * width_ + x] = ToPixel(color);
  }
  void Fill(COLORREF color) {
    ::GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = ToPixel(color);
  }

  // Pixels of `color` in `area` (right and bottom exclusive).
  int Count(COLORREF color, RECT area) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) n += At(x, y) == color;
    return n;
  }
  int Count(COLORREF color) const { return Count(color, RECT{0, 0, width_, height_}); }
  int CountInRow(int y, int x0, int x1, COLORREF color) const { return Count(color, RECT{x0, y, x1, y + 1}); }
  int CountIn(int x0, int y0, int x1, int y1, COLORREF color) const { return Count(color, RECT{x0, y0, x1, y1}); }

  // Writes the pixels as a .bmp, opaque: GDI leaves the fourth byte as it likes, and viewers read
  // it as alpha.
  bool Save(const std::wstring& path) const {
    ::GdiFlush();
    BITMAPFILEHEADER file{};
    const BITMAPINFOHEADER info = TopDown32(width_, height_);
    const DWORD bytes = static_cast<DWORD>(width_) * height_ * 4;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    std::vector<std::uint32_t> opaque(bits_, bits_ + static_cast<std::size_t>(width_) * height_);
    for (auto& p : opaque) p |= 0xFF000000u;
    platform::unique_handle out(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out.get() == INVALID_HANDLE_VALUE) {
      out.release();
      return false;
    }
    DWORD written = 0;
    return ::WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           ::WriteFile(out.get(), &info, sizeof info, &written, nullptr) &&
           ::WriteFile(out.get(), opaque.data(), bytes, &written, nullptr);
  }

 private:
  int width_, height_;
  platform::unique_hdc dc_;
  platform::unique_hbitmap bitmap_;
  platform::select_object selected_;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace testing_support
