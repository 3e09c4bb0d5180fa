#pragma once
// Small pictures made pixel by pixel for the painting tests.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/dib.h"
#include "toolkit/ole.h"

namespace theme_test {

using PixelFn = std::function<COLORREF(int x, int y)>;

inline HBITMAP MakeBitmap(int w, int h, const PixelFn& colour) { return testing_support::MakeDibSection(w, h, colour); }

inline platform::ComPtr<IPicture> BitmapPicture(int w, int h, const PixelFn& colour) {
  return toolkit::PictureFromBitmap(MakeBitmap(w, h, colour));
}

inline platform::ComPtr<IPicture> Solid(int w, int h, COLORREF c) {
  return BitmapPicture(w, h, [c](int, int) { return c; });
}

// An icon of one colour whose pixels with clear(x, y) are transparent.
inline platform::ComPtr<IPicture> IconPicture(int w, int h, COLORREF c, const std::function<bool(int, int)>& clear) {
  HBITMAP colour = MakeBitmap(w, h, [&](int x, int y) { return clear(x, y) ? RGB(0, 0, 0) : c; });
  // A monochrome mask, rows padded to 16 bits: 1 is transparent.
  const int stride = (w + 15) / 16 * 2;
  std::vector<std::uint8_t> bits(static_cast<size_t>(stride * h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (clear(x, y)) bits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  HBITMAP mask = ::CreateBitmap(w, h, 1, 1, bits.data());
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(colour);
  ::DeleteObject(mask);
  return toolkit::PictureFromIcon(icon);
}

// A picture object with no handle.
inline platform::ComPtr<IPicture> EmptyPicture() {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_NONE;
  platform::ComPtr<IPicture> picture;
  ::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(picture.GetAddressOf()));
  return picture;
}

}  // namespace theme_test
