#pragma once
// A 32-bit top-down DIB section selected into a memory DC, for reading exact pixels back.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class Dib {
 public:
  Dib(int width, int height, COLORREF fill = RGB(0x12, 0x34, 0x56)) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    Fill(fill);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;
  ~Dib() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  bool ok() const { return dc_ && bitmap_ && bits_; }

  void Fill(COLORREF color) {
    ::GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = ToPixel(color);
  }
  // The pixel as a COLORREF (0x00BBGGRR).
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const std::uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Count(COLORREF color, RECT area) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) n += At(x, y) == color;
    return n;
  }
  int Count(COLORREF color) const { return Count(color, RECT{0, 0, width_, height_}); }
  // Writes the pixels as a .bmp, for looking at a picture by eye.
  bool Save(const std::wstring& path) const {
    ::GdiFlush();
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = -height_;
    info.biPlanes = 1;
    info.biBitCount = 32;
    const DWORD bytes = static_cast<DWORD>(width_ * height_ * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    // Opaque pixels: GDI leaves the fourth byte as it likes, and viewers read it as alpha.
    std::vector<std::uint32_t> opaque(bits_, bits_ + width_ * height_);
    for (auto& p : opaque) p |= 0xFF000000u;
    bool ok = ::WriteFile(h, &file, sizeof file, &written, nullptr) && ::WriteFile(h, &info, sizeof info, &written, nullptr) &&
              ::WriteFile(h, opaque.data(), bytes, &written, nullptr);
    ::CloseHandle(h);
    return ok;
  }

 private:
  static std::uint32_t ToPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace testing_support
