// The progress bar's state: defaults, setters that repaint, Percent and the picture copies.
// Painting a frame lives in cProgressBarDraw.cpp.
#include "controls/progress/cProgressBar.h"

#include <olectl.h>

#include <cmath>
#include <utility>

namespace corvane {

cProgressBar::cProgressBar() : m_cMemDC(std::make_unique<pcMemDC>()) {
  SetFont(platform::MakeFont(L"Tahoma", 8, false, DEFAULT_CHARSET));  // paints nothing yet: no DrawObject
}

cProgressBar::~cProgressBar() = default;

void cProgressBar::SetTag(std::wstring sTag) { m_sTag = std::move(sTag); }

void cProgressBar::SetSegments(bool bState) {
  m_bSegments = bState;
  Draw();
}
void cProgressBar::SetXpStyle(bool bState) {
  m_bXpStyle = bState;
  Draw();
}
void cProgressBar::SetText(std::wstring sText) {
  m_sText = std::move(sText);
  Draw();
  pvTellCaption();
}
void cProgressBar::SetTextAlignX(std::int32_t eAlign) {
  m_eTextAlignX = eAlign;
  Draw();
}
void cProgressBar::SetTextAlignY(std::int32_t eAlign) {
  m_eTextAlignY = eAlign;
  Draw();
}
void cProgressBar::SetShowText(bool bState) {
  m_bShowText = bState;
  Draw();
  pvTellCaption();
}

std::expected<double, ArithError> cProgressBar::Percent() const noexcept {
  return progress::Percent(m_lMin, m_lMax, m_lValue);
}

void cProgressBar::SetMin(std::int32_t lMin) {
  m_lMin = lMin;
  Draw();
}
void cProgressBar::SetMax(std::int32_t lMax) {
  m_lMax = lMax;
  Draw();
}
void cProgressBar::SetValue(std::int32_t lValue) {
  m_lValue = lValue;
  Draw();
}
void cProgressBar::SetBorderStyle(std::int32_t eStyle) {
  m_eBorderStyle = eStyle;
  Draw();
}
void cProgressBar::SetAppearance(std::int32_t eAppearance) {
  m_eAppearance = eAppearance;
  Draw();
}
void cProgressBar::SetDrawObject(std::shared_ptr<IDrawSurface> obj) {
  m_oDrawObject = std::move(obj);
  Draw();
  pvTellCaption();
}

void cProgressBar::pvTellCaption() noexcept {
  if (!m_oDrawObject) return;
  static const std::wstring kNone;
  m_oDrawObject->CaptionChanged(m_bShowText ? m_sText : kNone);
}
void cProgressBar::SetBackColor(OLE_COLOR oColor) {
  m_oBackColor = oColor;
  Draw();
}
void cProgressBar::SetForeColor(OLE_COLOR oColor) {
  m_oForeColor = oColor;
  Draw();
}
void cProgressBar::SetFont(platform::ComPtr<IFont> fnt) {
  m_oFont = std::move(fnt);
  Draw();
}
void cProgressBar::SetBarColor(OLE_COLOR oColor) {
  m_oBarColor = oColor;
  Draw();
}
void cProgressBar::SetBarForeColor(OLE_COLOR oColor) {
  m_oBarForeColor = oColor;
  Draw();
}
void cProgressBar::SetBarPictureMode(std::int32_t eMode) {
  m_eBarPictureMode = eMode;
  Draw();
}
void cProgressBar::SetBackPictureMode(std::int32_t eMode) {
  m_eBackPictureMode = eMode;
  Draw();
}

std::expected<void, HRESULT> cProgressBar::SetBarPicture(IPicture* pic) { return pvSetPicture(pic, m_cBarPicture); }
std::expected<void, HRESULT> cProgressBar::SetPicture(IPicture* pic) { return pvSetPicture(pic, m_cBackPicture); }

std::expected<void, HRESULT> cProgressBar::pvSetPicture(IPicture* pic, std::unique_ptr<pcMemDC>& target) {
  if (!pic) {
    target.reset();
  } else {
    // The field holds the new surface even when the copy fails; the old one goes now.
    target = std::make_unique<pcMemDC>();
    if (auto copied = target->CreateFromPicture(pic); !copied) return copied;
  }
  Draw();
  return {};
}

COLORREF cProgressBar::pvTranslateColor(OLE_COLOR oColor, HPALETTE hPal) noexcept {
  COLORREF color = CLR_INVALID;
  if (FAILED(::OleTranslateColor(oColor, hPal, &color))) return CLR_INVALID;
  return color;
}

}  // namespace corvane
