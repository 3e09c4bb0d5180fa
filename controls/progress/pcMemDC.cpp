#include "controls/progress/pcMemDC.h"

namespace corvane {
namespace {

// The display's device context, for surfaces in its colour format.
platform::unique_hdc DisplayDC() noexcept { return platform::unique_hdc(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)); }

}  // namespace

HBITMAP PictureBitmap(IPicture* pic) noexcept {
  OLE_HANDLE handle = 0;
  if (!pic || FAILED(pic->get_Handle(&handle))) return nullptr;
  // GDI handles are 32-bit values, sign-extended in a 64-bit process.
  return reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(static_cast<LONG>(handle)));
}

void pcMemDC::pvSetDimension(std::int32_t& field, std::int32_t value) noexcept {
  if (value == field) return;
  if (!m_hDC) {
    field = value;
    hDC(m_lWidth, m_lHeight);
    return;
  }
  field = value;
  const std::int32_t w = m_lWidth, h = m_lHeight;
  if (w > 0 && h > 0) {
    pvCreate(w, h);
  } else {
    pvDestroy();
    m_lWidth = w;
    m_lHeight = h;
  }
}

void pcMemDC::SetWidth(std::int32_t lWidth) noexcept { pvSetDimension(m_lWidth, lWidth); }
void pcMemDC::SetHeight(std::int32_t lHeight) noexcept { pvSetDimension(m_lHeight, lHeight); }

HDC pcMemDC::hDC(std::int32_t Width, std::int32_t Height) noexcept {
  if (!m_hDC) {
    if (Width > 0 && Height > 0) pvCreate(Width, Height);
  } else if (Width > m_lWidth || Height > m_lHeight) {
    pvCreate(Width, Height);
  }
  return m_hDC.get();
}

void pcMemDC::Draw(HDC hDC, std::int32_t xSrc, std::int32_t ySrc, std::int32_t WidthSrc, std::int32_t HeightSrc,
                   std::int32_t xDst, std::int32_t yDst) const noexcept {
  if (WidthSrc < 1) WidthSrc = m_lWidth;
  if (HeightSrc < 1) HeightSrc = m_lHeight;
  ::BitBlt(hDC, xDst, yDst, WidthSrc, HeightSrc, m_hDC.get(), xSrc, ySrc, SRCCOPY);
}

std::expected<void, HRESULT> pcMemDC::CreateFromPicture(IPicture* sPic) noexcept {
  if (!sPic) return std::unexpected(E_POINTER);
  OLE_HANDLE handle = 0;
  if (const HRESULT hr = sPic->get_Handle(&handle); FAILED(hr)) return std::unexpected(hr);
  const HBITMAP bitmap = PictureBitmap(sPic);
  BITMAP bm{};
  // Not a bitmap (an icon, a metafile): the record stays zeroed and nothing is made.
  if (!bitmap || ::GetObjectType(bitmap) != OBJ_BITMAP || !::GetObjectW(bitmap, sizeof bm, &bm)) bm = BITMAP{};
  SetWidth(bm.bmWidth);
  SetHeight(bm.bmHeight);
  if (!m_hDC || bm.bmWidth <= 0 || bm.bmHeight <= 0) return {};

  const platform::unique_hdc display = DisplayDC();
  const platform::unique_hdc source(::CreateCompatibleDC(display.get()));
  if (!source) return {};
  const platform::select_object selected(source.get(), bitmap);
  if (!selected) return {};  // e.g. a bitmap that is selected into another context
  ::BitBlt(m_hDC.get(), 0, 0, bm.bmWidth, bm.bmHeight, source.get(), 0, 0, SRCCOPY);
  return {};
}

void pcMemDC::pvCreate(std::int32_t width, std::int32_t height) noexcept {
  pvDestroy();
  const platform::unique_hdc display = DisplayDC();
  if (!display) return;
  platform::unique_hdc dc(::CreateCompatibleDC(display.get()));
  if (!dc) return;
  // Compatible with the display, not with the memory context: the display's colour format,
  // not one bit per pixel.
  platform::unique_hbitmap bitmap(::CreateCompatibleBitmap(display.get(), width, height));
  if (!bitmap) return;
  platform::select_object old(dc.get(), bitmap.get());
  if (!old) return;  // owners release in reverse order: nothing is left behind
  m_hDC = std::move(dc);
  m_hBmp = std::move(bitmap);
  m_hBmpOld = std::move(old);
  m_lWidth = width;
  m_lHeight = height;
#ifdef CORVANE_TEST_HOOKS
  ++m_lSurfacesMade;
#endif
}

void pcMemDC::pvDestroy() noexcept {
  m_hBmpOld.restore();
  m_hBmp.reset();
  m_hDC.reset();
  m_lWidth = 0;
  m_lHeight = 0;
}

}  // namespace corvane
