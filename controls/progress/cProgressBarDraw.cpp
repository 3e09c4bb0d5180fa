// Painting one frame of the progress bar: composed off screen in the back buffer and copied to
// the target in one block copy, in the classic look or with the visual style's "Progress" class.
#include <windows.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <string>

#include "controls/progress/cProgressBar.h"
#include "platform/functions.h"
#include "platform/geometry.h"
#include "platform/unique.h"

namespace corvane {
namespace {

using progress::Rect;

DrawError ToDrawError(ArithError e) noexcept {
  switch (e) {
    case ArithError::Overflow: return DrawError::Overflow;
    case ArithError::DivideByZero: return DrawError::DivideByZero;
    case ArithError::Invalid: break;
  }
  return DrawError::Invalid;
}

// A fill colour: with the high bit set, the system colour brush of its low five bits (index 31
// names none and paints nothing); otherwise the colour itself, through the context's own DC
// brush, so that a frame allocates no brush.
class FillBrush {
 public:
  explicit FillBrush(OLE_COLOR color) noexcept {
    if (color & 0x80000000u) {
      const int index = static_cast<int>(color & 0x1Fu);
      if (index <= COLOR_MENUBAR) brush_ = ::GetSysColorBrush(index);
    } else {
      solid_ = true;
      color_ = color;
      brush_ = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
    }
  }
  void Fill(HDC dc, const Rect& r) const noexcept {
    if (!brush_) return;
    const RECT rc = platform::ToRECT(r);
    if (!solid_) {
      ::FillRect(dc, &rc, brush_);
      return;
    }
    const COLORREF previous = ::SetDCBrushColor(dc, color_);
    ::FillRect(dc, &rc, brush_);
    if (previous != CLR_INVALID) ::SetDCBrushColor(dc, previous);
  }

 private:
  HBRUSH brush_ = nullptr;
  bool solid_ = false;
  COLORREF color_ = 0;
};

// Limits drawing to a rectangle (in logical units, on top of any clip the context already
// had) and puts the context's own clip back afterwards. The back buffer has no clip of its
// own, so only a target drawn on directly needs its clip saved.
class ClipTo {
 public:
  ClipTo(HDC dc, const Rect& r, bool keepOwnClip) noexcept : dc_(dc) {
    if (keepOwnClip) {
      saved_.reset(::CreateRectRgn(0, 0, 0, 0));
      had_ = saved_ && ::GetClipRgn(dc, saved_.get()) == 1;
    }
    ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  ClipTo(const ClipTo&) = delete;
  ClipTo& operator=(const ClipTo&) = delete;
  ~ClipTo() { ::SelectClipRgn(dc_, had_ ? saved_.get() : nullptr); }

 private:
  HDC dc_;
  platform::unique_hrgn saved_;
  bool had_ = false;
};

// The caption's format: the two alignments and one line. Only the alignment bits of the
// stored values reach DrawText: other bits of an odd value would ask it to rewrite the caption
// in place (overrunning its buffer), to measure instead of draw, or to mix ellipsis modes that
// some systems abort on.
UINT CaptionFormat(std::int32_t alignX, std::int32_t alignY) noexcept {
  const UINT horizontal = static_cast<UINT>(alignX) & (DT_CENTER | DT_RIGHT);
  const UINT vertical = (static_cast<UINT>(alignY) * 4u) & (DT_VCENTER | DT_BOTTOM);
  return horizontal | vertical | DT_SINGLELINE;
}

}  // namespace

void cProgressBar::Draw() noexcept {
  if (!m_oDrawObject) return;
  const HWND window = m_oDrawObject->hWnd();
  RECT rc{};
  ::GetClientRect(window, &rc);  // a failure leaves an empty rectangle, which paints nothing
  (void)DrawToDC(window, m_oDrawObject->hDC(), rc.left, rc.top, rc.right, rc.bottom);
}

std::expected<void, DrawError> cProgressBar::DrawToDC(HWND hWnd, HDC hDC, std::int32_t lLeft, std::int32_t lTop,
                                                      std::int32_t lRight, std::int32_t lBottom) noexcept {
  try {
    return pvDrawFrame(hWnd, hDC, Rect{lLeft, lTop, lRight, lBottom});
  } catch (...) {
    // Only the caption's copy can throw (out of memory); the frame is simply not finished.
    return std::unexpected(DrawError::Invalid);
  }
}

// What the stages of one frame share.
struct cProgressBar::Frame {
  HWND window = nullptr;
  HDC target = nullptr;
  HDC dc = nullptr;          // the back buffer, or the target when there is none
  bool offScreen = false;
  Rect placed{};             // where the frame lands on the target
  Rect outer{};              // the frame in `dc`
  std::int32_t width = 0, height = 0;
  bool horizontal = true;
  Rect visible = progress::kEverywhere;  // what `dc` can show; nothing outside it is walked through
  platform::unique_htheme theme;
  bool themed = false;
  int chunk = 0, space = 0;
  Rect inner{};
  bool caption = false;
  UINT format = 0;
  std::wstring padded;
  // The font goes in once for both caption passes: selecting a font is what a caption costs
  // most, after drawing it.
  platform::select_object font;
};

namespace {

// A picture that yielded no bitmap (an icon) is treated as no picture at all.
bool Usable(const std::unique_ptr<pcMemDC>& pic) noexcept {
  return pic && pic->HasSurface() && pic->Width() > 0 && pic->Height() > 0;
}

}  // namespace

std::expected<void, DrawError> cProgressBar::pvDrawFrame(HWND hWnd, HDC target, const Rect& given) {
  Frame f;
  f.window = hWnd;
  f.target = target;
  if (auto placed = pvPlaceFrame(f, given); !placed) return placed;
  if (auto back = pvDrawFrameBackground(f); !back) return back;
  // The inner rectangle; the border goes on `outer`.
  const auto inner = progress::InnerRect(f.outer, m_eBorderStyle, m_eAppearance, f.themed);
  if (!inner) return std::unexpected(ToDrawError(inner.error()));
  f.inner = *inner;
  if (auto caption = pvBeginCaption(f); !caption) return caption;
  if (auto bar = pvDrawFrameBar(f); !bar) return bar;
  if (!f.themed) {
    if (m_eBorderStyle == BorderSunken) pvDrawBorder(f.dc, m_eAppearance, f.outer, false);
    if (m_eBorderStyle == BorderRaised) pvDrawBorder(f.dc, m_eAppearance, f.outer, true);
  }
  // One block copy. An empty frame copies nothing (a width of 0 would mean "all of it").
  if (f.offScreen && f.width > 0 && f.height > 0)
    m_cMemDC->Draw(target, 0, 0, f.width, f.height, f.placed.left, f.placed.top);
  return {};  // the theme handle closes with the frame
}

std::expected<void, DrawError> cProgressBar::pvPlaceFrame(Frame& f, const Rect& given) {
  // A rectangle given the wrong way round paints the same area.
  const auto size = progress::SizeOf(given);
  if (!size) return std::unexpected(ToDrawError(size.error()));
  f.width = size->width;
  f.height = size->height;
  f.horizontal = size->horizontal;
  f.outer = progress::Normalized(given);
  f.placed = f.outer;
  f.dc = m_cMemDC->hDC(f.width, f.height);
  f.offScreen = f.dc != nullptr;
  if (f.offScreen) {
    f.outer = progress::AtOrigin(f.outer, *size);
  } else {
    f.dc = f.target;  // no surface to be had: draw straight on the target
  }
  if (RECT box{}; ::GetClipBox(f.dc, &box) != ERROR) f.visible = platform::FromRECT(box);
  return {};
}

std::expected<void, DrawError> cProgressBar::pvLayPicture(Frame& f, pcMemDC& pic, std::int32_t mode) {
  // Pictures are laid from the frame's own corner, on or off screen.
  const std::int32_t originX = f.outer.left, originY = f.outer.top;
  const HDC source = pic.hDC(pic.Width(), pic.Height());
  if (mode != PictureTile) {
    ::StretchBlt(f.dc, originX, originY, f.width, f.height, source, 0, 0, pic.Width(), pic.Height(), SRCCOPY);
    return {};
  }
  // Phase so that the tiles start at the picture's own corner; only the visible part is tiled,
  // on the same grid.
  const std::int32_t px = -(originX % pic.Width()), py = -(originY % pic.Height());
  const std::int32_t left = std::max(originX, f.visible.left), top = std::max(originY, f.visible.top);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{originX} + f.width, f.visible.right);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{originY} + f.height, f.visible.bottom);
  if (right <= left || bottom <= top) return {};
  if (auto tiled = pvTileBitmap(f.dc, left, top, static_cast<std::int32_t>(right - left),
                                static_cast<std::int32_t>(bottom - top), source, pic.Width(), pic.Height(), px, py);
      !tiled)
    return std::unexpected(ToDrawError(tiled.error()));
  return {};
}

std::expected<void, DrawError> cProgressBar::pvDrawFrameBackground(Frame& f) {
  // A picture, else the visual style, else BackColor.
  if (Usable(m_cBackPicture)) return pvLayPicture(f, *m_cBackPicture, m_eBackPictureMode);
  if (m_bXpStyle) {
    // A missing visual-style function is the same as a failing one: the classic look.
    const auto open = platform::kOpenThemeData.get();
    const auto getInt = platform::kGetThemeInt.get();
    const auto drawBackground = platform::kDrawThemeBackground.get();
    if (open) f.theme.reset(open(f.window, L"Progress"));
    if (f.theme && getInt && drawBackground &&
        getInt(f.theme.get(), 0, 0, TMT_PROGRESSCHUNKSIZE, &f.chunk) == S_OK &&
        getInt(f.theme.get(), 0, 0, TMT_PROGRESSSPACESIZE, &f.space) == S_OK && CheckedAdd(f.chunk, f.space)) {
      const RECT rc = platform::ToRECT(f.outer);
      f.themed = drawBackground(f.theme.get(), f.dc, f.horizontal ? PP_BAR : PP_BARVERT, 0, &rc, &rc) == S_OK;
    }
  }
  if (!f.themed) FillBrush(m_oBackColor).Fill(f.dc, f.outer);
  return {};
}

std::expected<void, DrawError> cProgressBar::pvBeginCaption(Frame& f) {
  // The font object's current font; the classic look's first pass writes all of the caption in
  // the outside colour, and the bar covers its own part.
  f.caption = !m_sText.empty() && m_bShowText;
  if (!f.caption) return {};
  HFONT font = nullptr;
  if (m_oFont && FAILED(m_oFont->get_hFont(&font))) return std::unexpected(DrawError::Font);
  f.format = CaptionFormat(m_eTextAlignX, m_eTextAlignY);
  f.font = platform::select_object(f.dc, font);
  if (!f.themed) {
    f.padded = L" " + m_sText + L" ";
    pvDrawClassicCaption(f, m_oForeColor);
  }
  return {};
}

void cProgressBar::pvDrawClassicCaption(Frame& f, OLE_COLOR color) {
  ::SetBkMode(f.dc, TRANSPARENT);
  ::SetTextColor(f.dc, pvTranslateColor(color, nullptr));
  RECT rc = platform::ToRECT(f.inner);
  ::DrawTextW(f.dc, f.padded.c_str(), -1, &rc, f.format);
}

std::expected<void, DrawError> cProgressBar::pvDrawFrameBar(Frame& f) {
  // Classic blocks, or the style's chunks, snap the bar to whole steps.
  const bool segmented = m_bSegments && !f.themed;
  const auto fraction = progress::Fraction(m_lMin, m_lMax, m_lValue);
  if (!fraction) return std::unexpected(ToDrawError(fraction.error()));
  std::int32_t step = 0;
  if (segmented || f.themed) {
    const auto s = f.themed ? progress::ThemedSnapStep(f.chunk, f.space)
                            : progress::SnapStep(progress::kClassicBlock, progress::kClassicGap);
    if (!s) return std::unexpected(ToDrawError(s.error()));
    step = *s;
  }
  const auto bar = progress::BarRect(f.inner, *fraction, f.horizontal, step);
  if (!bar) return std::unexpected(ToDrawError(bar.error()));

  // Clipped to the bar (the classic look keeps it through the caption's second pass); the clip
  // goes before the border is drawn.
  std::optional<ClipTo> clip;
  if (!f.themed) clip.emplace(f.dc, *bar, !f.offScreen);
  if (Usable(m_cBarPicture)) {
    // The themed look clips its bar picture to the bar too: it must not cover the frame.
    std::optional<ClipTo> themedClip;
    if (f.themed) themedClip.emplace(f.dc, *bar, !f.offScreen);
    if (auto laid = pvLayPicture(f, *m_cBarPicture, m_eBarPictureMode); !laid) return laid;
  } else if (f.themed) {
    if (const auto drawBackground = platform::kDrawThemeBackground.get()) {
      const RECT rc = platform::ToRECT(*bar);
      drawBackground(f.theme.get(), f.dc, f.horizontal ? PP_CHUNK : PP_CHUNKVERT, 0, &rc, &rc);
    }
  } else {
    FillBrush(m_oBarColor).Fill(f.dc, *bar);
  }
  // Gaps between classic blocks show BackColor, also over a background picture.
  if (segmented) {
    const FillBrush back(m_oBackColor);
    progress::ForEachGap(*bar, f.inner, f.horizontal, progress::kClassicBlock, progress::kClassicGap, f.visible,
                         [&](const Rect& r) { back.Fill(f.dc, r); });
  }
  if (f.caption) pvEndCaption(f);
  f.font.restore();
  return {};
}

void cProgressBar::pvEndCaption(Frame& f) {
  // The second pass: over the bar in its own colour, or the style's text over everything.
  if (!f.themed) {
    pvDrawClassicCaption(f, m_oBarForeColor);
    return;
  }
  const auto contentRect = platform::kGetThemeBackgroundContentRect.get();
  const auto drawText = platform::kDrawThemeText.get();
  const RECT bounds = platform::ToRECT(f.inner);
  RECT content = bounds;
  if (contentRect && contentRect(f.theme.get(), f.dc, 0, 0, &bounds, &content) != S_OK) content = bounds;
  if (drawText) drawText(f.theme.get(), f.dc, 0, 0, m_sText.c_str(), -1, f.format, 0, &content);
}

void cProgressBar::pvDrawBorder(HDC hDC, std::int32_t eLook, const Rect& rc, bool bRaised) noexcept {
  const progress::BorderPlan plan = progress::PlanBorder(eLook, rc, bRaised);
  if (plan.kind == progress::BorderPlan::Kind::Edge) {
    RECT r = platform::ToRECT(rc);
    ::DrawEdge(hDC, &r, bRaised ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT | BF_SOFT);
    return;
  }
  // One-pixel solid lines through the context's DC pen: the same pixels as a pen of our own,
  // without making and deleting pens every frame.
  const platform::select_object selected(hDC, ::GetStockObject(DC_PEN));
  const COLORREF previous = ::GetDCPenColor(hDC);
  for (int i = 0; i < plan.strokeCount; ++i) {
    const progress::Stroke& s = plan.strokes[i];
    const COLORREF color = s.pen == progress::Pen::Black    ? RGB(0, 0, 0)
                           : s.pen == progress::Pen::Shadow ? ::GetSysColor(COLOR_BTNSHADOW)
                                                            : ::GetSysColor(COLOR_BTNHIGHLIGHT);
    ::SetDCPenColor(hDC, color);
    ::MoveToEx(hDC, s.from.x, s.from.y, nullptr);
    for (int j = 0; j < s.lines; ++j) ::LineTo(hDC, s.to[j].x, s.to[j].y);
  }
  if (previous != CLR_INVALID) ::SetDCPenColor(hDC, previous);
}

std::expected<void, ArithError> cProgressBar::pvTileBitmap(HDC hDC, std::int32_t x, std::int32_t y,
                                                                  std::int32_t width, std::int32_t height, HDC hSrcDC,
                                                                  std::int32_t sw, std::int32_t sh, std::int32_t px,
                                                                  std::int32_t py) noexcept {
  return progress::ForEachTile(x, y, width, height, sw, sh, px, py, [&](const progress::Tile& t) {
    ::BitBlt(hDC, t.x, t.y, t.width, t.height, hSrcDC, t.srcX, t.srcY, SRCCOPY);
  });
}

}  // namespace corvane
