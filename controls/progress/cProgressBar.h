#pragma once
// A progress bar that owns no window: it keeps range, position, caption, colours, font and
// pictures, and paints itself into someone else's window through a drawing surface. Every
// setter but SetTag repaints at once.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>

#include "controls/progress/DrawSurface.h"
#include "controls/progress/pcMemDC.h"
#include "core/arith.h"
#include "core/progress_geometry.h"
#include "platform/com.h"
#include "platform/ole.h"

namespace corvane {

enum EProgressAlignX : std::int32_t { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };
enum EProgressAlignY : std::int32_t { AlignTop = 0, AlignMiddle = 1, AlignBottom = 2 };
// The stored values are the frame geometry's own.
enum EProgressBorderStyle : std::int32_t {
  BorderNone = progress::kBorderNone,
  BorderSunken = progress::kBorderSunken,
  BorderRaised = progress::kBorderRaised
};
enum EProgressAppearance : std::int32_t {
  AppearanceFlat = progress::kAppearanceFlat,
  AppearanceThin3D = progress::kAppearanceThin3D,
  Appearance3D = progress::kAppearance3D
};
enum EProgressPictureMode : std::int32_t {
  PictureStretch = progress::kPictureStretch,
  PictureTile = progress::kPictureTile
};

// Why a frame stopped before reaching its target.
enum class DrawError {
  Overflow,      // rectangle or range arithmetic left 32 bits
  DivideByZero,  // Max equal to Min
  Invalid,       // a non-finite intermediate
  Font,          // the font object would not give its font handle
};

class cProgressBar {
 public:
  cProgressBar();
  cProgressBar(const cProgressBar&) = delete;
  cProgressBar& operator=(const cProgressBar&) = delete;
  ~cProgressBar();

  const std::wstring& Tag() const noexcept { return m_sTag; }
  void SetTag(std::wstring sTag);  // never drawn, so no repaint

  bool Segments() const noexcept { return m_bSegments; }
  void SetSegments(bool bState);
  bool XpStyle() const noexcept { return m_bXpStyle; }
  void SetXpStyle(bool bState);
  std::wstring Text() const { return m_sText; }
  void SetText(std::wstring sText);
  std::int32_t TextAlignX() const noexcept { return m_eTextAlignX; }
  void SetTextAlignX(std::int32_t eAlign);
  std::int32_t TextAlignY() const noexcept { return m_eTextAlignY; }
  void SetTextAlignY(std::int32_t eAlign);
  bool ShowText() const noexcept { return m_bShowText; }
  void SetShowText(bool bState);

  // Value's place in the range as 0..100, not rounded; an error for an empty range or a
  // difference that does not fit 32 bits.
  std::expected<double, ArithError> Percent() const noexcept;

  std::int32_t Min() const noexcept { return m_lMin; }
  void SetMin(std::int32_t lMin);
  std::int32_t Max() const noexcept { return m_lMax; }
  void SetMax(std::int32_t lMax);
  std::int32_t Value() const noexcept { return m_lValue; }
  void SetValue(std::int32_t lValue);
  std::int32_t BorderStyle() const noexcept { return m_eBorderStyle; }
  void SetBorderStyle(std::int32_t eStyle);
  std::int32_t Appearance() const noexcept { return m_eAppearance; }
  void SetAppearance(std::int32_t eAppearance);
  const std::shared_ptr<IDrawSurface>& DrawObject() const noexcept { return m_oDrawObject; }
  void SetDrawObject(std::shared_ptr<IDrawSurface> obj);

  // Repaints into DrawObject's client area; drawing failures are swallowed.
  void Draw() noexcept;
  // One frame into hDC's rectangle; stops at the first error and reports it. Drawn off
  // screen, a stopped frame leaves the target as it was.
  std::expected<void, DrawError> DrawToDC(HWND hWnd, HDC hDC, std::int32_t lLeft, std::int32_t lTop,
                                          std::int32_t lRight, std::int32_t lBottom) noexcept;

  OLE_COLOR BackColor() const noexcept { return m_oBackColor; }
  void SetBackColor(OLE_COLOR oColor);
  OLE_COLOR ForeColor() const noexcept { return m_oForeColor; }
  void SetForeColor(OLE_COLOR oColor);
  // The very font object given, shared: later changes to it show at the next draw.
  const platform::ComPtr<IFont>& Font() const noexcept { return m_oFont; }
  void SetFont(platform::ComPtr<IFont> fnt);
  OLE_COLOR BarColor() const noexcept { return m_oBarColor; }
  void SetBarColor(OLE_COLOR oColor);
  OLE_COLOR BarForeColor() const noexcept { return m_oBarForeColor; }
  void SetBarForeColor(OLE_COLOR oColor);
  // Copies the picture's bitmap as it is now; null removes the picture. An error of the copy
  // ends the call without a repaint.
  std::expected<void, HRESULT> SetBarPicture(IPicture* pic);
  std::int32_t BarPictureMode() const noexcept { return m_eBarPictureMode; }
  void SetBarPictureMode(std::int32_t eMode);
  std::int32_t BackPictureMode() const noexcept { return m_eBackPictureMode; }
  void SetBackPictureMode(std::int32_t eMode);
  std::expected<void, HRESULT> SetPicture(IPicture* pic);

#ifdef CORVANE_TEST_HOOKS
  // Test builds: the back buffer, for tests and the benchmark to check that it is made once.
  const pcMemDC& BackBuffer() const noexcept { return *m_cMemDC; }
#endif

  // An OLE colour as a COLORREF; CLR_INVALID when it cannot be translated.
  static COLORREF pvTranslateColor(OLE_COLOR oColor, HPALETTE hPal) noexcept;

 private:
  std::expected<void, HRESULT> pvSetPicture(IPicture* pic, std::unique_ptr<pcMemDC>& target);
  // Tells the drawing surface the caption now shown.
  void pvTellCaption() noexcept;
  // One frame, in stages that share what they found (cProgressBarDraw.cpp).
  struct Frame;
  std::expected<void, DrawError> pvDrawFrame(HWND hWnd, HDC target, const progress::Rect& given);
  std::expected<void, DrawError> pvPlaceFrame(Frame& f, const progress::Rect& given);
  std::expected<void, DrawError> pvLayPicture(Frame& f, pcMemDC& pic, std::int32_t mode);
  std::expected<void, DrawError> pvDrawFrameBackground(Frame& f);
  std::expected<void, DrawError> pvBeginCaption(Frame& f);
  void pvDrawClassicCaption(Frame& f, OLE_COLOR color);
  std::expected<void, DrawError> pvDrawFrameBar(Frame& f);
  void pvEndCaption(Frame& f);
  static void pvDrawBorder(HDC hDC, std::int32_t eLook, const progress::Rect& rc, bool bRaised) noexcept;
  // Fills (x, y, width, height) with copies of an sw x sh source; a source of width or height 0
  // is a division error.
  static std::expected<void, ArithError> pvTileBitmap(HDC hDC, std::int32_t x, std::int32_t y,
                                                             std::int32_t width, std::int32_t height, HDC hSrcDC,
                                                             std::int32_t sw, std::int32_t sh, std::int32_t px,
                                                             std::int32_t py) noexcept;

  std::shared_ptr<IDrawSurface> m_oDrawObject;
  std::unique_ptr<pcMemDC> m_cMemDC;
  std::unique_ptr<pcMemDC> m_cBackPicture;
  std::unique_ptr<pcMemDC> m_cBarPicture;
  std::int32_t m_eAppearance = AppearanceThin3D;
  std::int32_t m_eBorderStyle = BorderSunken;
  platform::ComPtr<IFont> m_oFont;
  OLE_COLOR m_oBackColor = 0xFFFFFFFF;
  OLE_COLOR m_oForeColor = 0;
  OLE_COLOR m_oBarColor = 0xFFFFFFFF;
  OLE_COLOR m_oBarForeColor = 0x00FFFFFF;
  std::int32_t m_eBarPictureMode = PictureTile;
  std::int32_t m_eBackPictureMode = PictureTile;
  std::int32_t m_lMin = 0;
  std::int32_t m_lMax = 100;
  std::int32_t m_lValue = 0;
  std::int32_t m_eTextAlignX = AlignCenter;
  std::int32_t m_eTextAlignY = AlignMiddle;
  bool m_bShowText = false;
  std::wstring m_sText;
  bool m_bSegments = false;
  bool m_bXpStyle = false;
  std::wstring m_sTag;
};

}  // namespace corvane
