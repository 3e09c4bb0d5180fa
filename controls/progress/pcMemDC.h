#pragma once
// An off-screen drawing surface: a memory device context with a bitmap in the display's colour
// format. The progress bar keeps one as its back buffer and one per assigned picture.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <expected>

#include "platform/unique.h"

namespace corvane {

class pcMemDC {
 public:
  pcMemDC() = default;
  pcMemDC(const pcMemDC&) = delete;
  pcMemDC& operator=(const pcMemDC&) = delete;
  ~pcMemDC() { pvDestroy(); }

  std::int32_t Width() const noexcept { return m_lWidth; }
  std::int32_t Height() const noexcept { return m_lHeight; }
  // A new value on an empty object is recorded and a surface is made once both are positive.
  // On an object that holds a surface, a new value re-makes it at the recorded size, so the
  // recorded size always tells the truth about the bitmap.
  void SetWidth(std::int32_t lWidth) noexcept;
  void SetHeight(std::int32_t lHeight) noexcept;

  // The context of a surface at least Width x Height, made (at exactly that size) when none
  // exists or the existing one is too small; null when no surface can be had.
  HDC hDC(std::int32_t Width, std::int32_t Height) noexcept;

  // Copies (xSrc, ySrc, WidthSrc, HeightSrc) of the surface to (xDst, yDst) of hDC; a width or
  // height below 1 means the recorded one.
  void Draw(HDC hDC, std::int32_t xSrc, std::int32_t ySrc, std::int32_t WidthSrc, std::int32_t HeightSrc,
            std::int32_t xDst, std::int32_t yDst) const noexcept;

  // Makes the surface the size of the picture's bitmap and copies the bitmap into it. A picture
  // that holds no bitmap (an icon) leaves the object empty; only a picture object that cannot
  // give its handle is an error.
  std::expected<void, HRESULT> CreateFromPicture(IPicture* sPic) noexcept;

  // True while a surface is held.
  bool HasSurface() const noexcept { return static_cast<bool>(m_hDC); }
#ifdef CORVANE_TEST_HOOKS
  // Test builds: how many surfaces this object has made in its life.
  std::uint32_t SurfacesMade() const noexcept { return m_lSurfacesMade; }
#endif

 private:
  void pvCreate(std::int32_t width, std::int32_t height) noexcept;
  void pvDestroy() noexcept;
  void pvSetDimension(std::int32_t& field, std::int32_t value) noexcept;

  // Declared so that destruction selects the old bitmap back, then deletes the bitmap, then the
  // context; pvDestroy does the same explicitly.
  platform::unique_hdc m_hDC;
  platform::unique_hbitmap m_hBmp;
  platform::select_object m_hBmpOld;
  std::int32_t m_lWidth = 0;
  std::int32_t m_lHeight = 0;
#ifdef CORVANE_TEST_HOOKS
  std::uint32_t m_lSurfacesMade = 0;
#endif
};

// The bitmap handle a picture object holds (OLE hands out 32-bit handles).
HBITMAP PictureBitmap(IPicture* pic) noexcept;

}  // namespace corvane
