#include "controls/progress/cProgressBar.h"
#include "platform/ole.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/functions.h"
#include "progress_support.h"

#include <vssym32.h>

namespace corvane {
namespace {

using progress_test::Canvas;

constexpr COLORREF kBack = RGB(250, 240, 230);
constexpr COLORREF kBar = RGB(20, 40, 160);
constexpr COLORREF kUntouched = RGB(0x12, 0x34, 0x56);  // Canvas's own fill

COLORREF Shadow() { return ::GetSysColor(COLOR_BTNSHADOW); }
COLORREF Highlight() { return ::GetSysColor(COLOR_BTNHIGHLIGHT); }

// A bar with no drawing surface (setters only store) and plain colours.
void Plain(cProgressBar& bar, std::int32_t border = BorderSunken, std::int32_t look = AppearanceThin3D) {
  bar.SetBackColor(kBack);
  bar.SetBarColor(kBar);
  bar.SetBorderStyle(border);
  bar.SetAppearance(look);
}

bool Frame(cProgressBar& bar, Canvas& canvas) {
  return bar.DrawToDC(nullptr, canvas.dc(), 0, 0, canvas.width(), canvas.height()).has_value();
}

bool SameCanvas(const Canvas& a, const Canvas& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.At(x, y) != b.At(x, y)) return false;
  return true;
}

TEST(ProgressRender, ClassicSunkenThin3DAtHalf) {
  cProgressBar bar;
  Plain(bar);
  bar.SetValue(50);
  Canvas canvas(200, 20);
  ASSERT_TRUE(Frame(bar, canvas));
  // Shadow along the top (all of it) and down the left; highlight up the right and along the
  // bottom from x = 1.
  EXPECT_EQ(canvas.CountInRow(0, 0, 200, Shadow()), 200);
  for (int y = 0; y < 20; ++y) EXPECT_EQ(canvas.At(0, y), Shadow()) << y;
  for (int y = 1; y < 20; ++y) EXPECT_EQ(canvas.At(199, y), Highlight()) << y;
  EXPECT_EQ(canvas.CountInRow(19, 1, 200, Highlight()), 199);
  // Inner rectangle (1, 1, 199, 19): the bar spans x = 1 to 100.
  for (int y = 1; y < 19; ++y) {
    ASSERT_EQ(canvas.CountInRow(y, 1, 100, kBar), 99) << y;
    ASSERT_EQ(canvas.CountInRow(y, 100, 199, kBack), 99) << y;
  }
}

TEST(ProgressRender, ClassicRaisedThin3D) {
  cProgressBar bar;
  Plain(bar, BorderRaised);
  bar.SetValue(0);
  Canvas canvas(50, 10);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountInRow(0, 0, 49, Highlight()), 49);
  EXPECT_EQ(canvas.At(49, 0), Shadow());
  for (int y = 0; y < 9; ++y) EXPECT_EQ(canvas.At(0, y), Highlight()) << y;
  for (int y = 0; y < 10; ++y) EXPECT_EQ(canvas.At(49, y), Shadow()) << y;
  EXPECT_EQ(canvas.CountInRow(9, 0, 50, Shadow()), 50);
  EXPECT_EQ(canvas.CountIn(1, 1, 49, 9, kBack), 48 * 8);
}

TEST(ProgressRender, FlatIsBlackSunkenOrRaised) {
  for (std::int32_t style : {BorderSunken, BorderRaised}) {
    cProgressBar bar;
    Plain(bar, style, AppearanceFlat);
    bar.SetValue(100);
    Canvas canvas(30, 8);
    ASSERT_TRUE(Frame(bar, canvas));
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(canvas.CountInRow(0, 0, 30, black), 30) << style;
    EXPECT_EQ(canvas.CountInRow(7, 0, 30, black), 30) << style;
    for (int y = 0; y < 8; ++y) {
      EXPECT_EQ(canvas.At(0, y), black);
      EXPECT_EQ(canvas.At(29, y), black);
    }
    EXPECT_EQ(canvas.CountIn(1, 1, 29, 7, kBar), 28 * 6) << style;
  }
}

TEST(ProgressRender, ThreeDSoftEdgeKeepsATwoPixelRing) {
  for (std::int32_t style : {BorderSunken, BorderRaised}) {
    cProgressBar bar;
    Plain(bar, style, Appearance3D);
    bar.SetValue(50);
    Canvas canvas(40, 12);
    ASSERT_TRUE(Frame(bar, canvas));
    // Inner (2, 2, 38, 10): the bar ends at 2 + 18 = 20.
    EXPECT_EQ(canvas.CountIn(2, 2, 20, 10, kBar), 18 * 8) << style;
    EXPECT_EQ(canvas.CountIn(20, 2, 38, 10, kBack), 18 * 8) << style;
    // The ring: two pixels deep, in system colours, darker top-left when sunken.
    const COLORREF outerTopLeft = canvas.At(5, 0), innerTopLeft = canvas.At(5, 1);
    const COLORREF outerBottomRight = canvas.At(5, 11), innerBottomRight = canvas.At(5, 10);
    EXPECT_EQ(canvas.At(0, 5), outerTopLeft);
    EXPECT_EQ(canvas.At(39, 5), outerBottomRight);
    EXPECT_EQ(canvas.At(1, 5), innerTopLeft);
    EXPECT_EQ(canvas.At(38, 5), innerBottomRight);
    if (style == BorderSunken) {
      EXPECT_EQ(outerTopLeft, ::GetSysColor(COLOR_3DDKSHADOW));
      EXPECT_EQ(innerTopLeft, ::GetSysColor(COLOR_BTNSHADOW));
      EXPECT_EQ(outerBottomRight, ::GetSysColor(COLOR_BTNHIGHLIGHT));
      EXPECT_EQ(innerBottomRight, ::GetSysColor(COLOR_3DLIGHT));
    } else {
      EXPECT_EQ(outerTopLeft, ::GetSysColor(COLOR_BTNHIGHLIGHT));
      EXPECT_EQ(innerTopLeft, ::GetSysColor(COLOR_3DLIGHT));
      EXPECT_EQ(outerBottomRight, ::GetSysColor(COLOR_3DDKSHADOW));
      EXPECT_EQ(innerBottomRight, ::GetSysColor(COLOR_BTNSHADOW));
    }
  }
}

TEST(ProgressRender, UnknownBorderStyleAndLookReserveTheRingButDrawNothing) {
  for (auto [style, look] : {std::pair{3, 1}, std::pair{1, 5}}) {
    cProgressBar bar;
    Plain(bar, style, look);
    bar.SetValue(100);
    Canvas canvas(20, 6);
    ASSERT_TRUE(Frame(bar, canvas));
    EXPECT_EQ(canvas.CountIn(1, 1, 19, 5, kBar), 18 * 4);
    EXPECT_EQ(canvas.CountInRow(0, 0, 20, kBack), 20);  // the ring shows the background only
    EXPECT_EQ(canvas.CountInRow(5, 0, 20, kBack), 20);
  }
}

TEST(ProgressRender, SegmentsCutNineBlocksWithGapsInBackColor) {
  cProgressBar bar;
  Plain(bar);
  bar.SetValue(50);
  bar.SetSegments(true);
  Canvas canvas(200, 20);
  ASSERT_TRUE(Frame(bar, canvas));
  for (int y = 1; y < 19; ++y) {
    std::string row;
    for (int x = 1; x < 199; ++x) row += canvas.At(x, y) == kBar ? '#' : canvas.At(x, y) == kBack ? '.' : '?';
    std::string expected;
    for (int b = 0; b < 9; ++b) expected += b < 8 ? "########.." : "########..";
    expected += std::string(198 - 90, '.');
    ASSERT_EQ(row, expected) << "row " << y;
  }
}

TEST(ProgressRender, VerticalBarGrowsFromTheBottom) {
  cProgressBar bar;
  Plain(bar, BorderNone);
  bar.SetValue(25);
  Canvas canvas(20, 100);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 20, 75, kBack), 20 * 75);
  EXPECT_EQ(canvas.CountIn(0, 75, 20, 100, kBar), 20 * 25);
  // With blocks: 25 px snaps to 20, the lowest block is 8 px and the topmost 10 px.
  bar.SetSegments(true);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 20, 80, kBack), 20 * 80);
  EXPECT_EQ(canvas.CountIn(0, 80, 20, 90, kBar), 20 * 10);
  EXPECT_EQ(canvas.CountIn(0, 90, 20, 92, kBack), 20 * 2);
  EXPECT_EQ(canvas.CountIn(0, 92, 20, 100, kBar), 20 * 8);
}

TEST(ProgressRender, HalfPixelRoundsToEvenAndRangeEnds) {
  cProgressBar bar;
  Plain(bar, BorderNone);
  bar.SetValue(50);
  Canvas canvas(5, 2);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountInRow(0, 0, 5, kBar), 2);
  EXPECT_EQ(canvas.At(2, 1), kBack);
  bar.SetValue(150);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 5, 2, kBar), 10);
  bar.SetValue(-5);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 5, 2, kBack), 10);
}

TEST(ProgressRender, CaptionChangesColourExactlyAtTheBarEdge) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetBarColor(RGB(0, 255, 0));
  bar.SetForeColor(RGB(255, 0, 0));
  bar.SetBarForeColor(RGB(0, 0, 255));
  bar.SetText(L"MMMMMMMMMMMM");
  bar.SetShowText(true);
  bar.SetValue(50);
  Canvas canvas(200, 20);
  ASSERT_TRUE(Frame(bar, canvas));
  // Left of x = 100 only bar and bar-text colours (and their blends) have no red; right of it
  // only background and outside-text colours all have full red.
  int inkLeft = 0, inkRight = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 200; ++x) {
      const COLORREF c = canvas.At(x, y);
      if (x < 100) {
        ASSERT_EQ(GetRValue(c), 0) << x << "," << y;
        inkLeft += GetBValue(c) != 0;
      } else {
        ASSERT_EQ(GetRValue(c), 255) << x << "," << y;
        inkRight += GetGValue(c) != 255;
      }
    }
  EXPECT_GT(inkLeft, 20);
  EXPECT_GT(inkRight, 20);

  // Below the range the whole caption is in the outside colour.
  bar.SetValue(-5);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 200, 20, RGB(0, 0, 255)), 0);
  int red = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 200; ++x) red += canvas.At(x, y) == RGB(255, 0, 0);
  EXPECT_GT(red, 20);
}

int FirstInkColumn(const Canvas& canvas, COLORREF background) {
  for (int x = 0; x < canvas.width(); ++x)
    for (int y = 0; y < canvas.height(); ++y)
      if (canvas.At(x, y) != background) return x;
  return -1;
}

int LastInkColumn(const Canvas& canvas, COLORREF background) {
  for (int x = canvas.width() - 1; x >= 0; --x)
    for (int y = 0; y < canvas.height(); ++y)
      if (canvas.At(x, y) != background) return x;
  return -1;
}

TEST(ProgressRender, ClassicCaptionIsPaddedByASpace) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetForeColor(RGB(0, 0, 0));
  bar.SetText(L"H");
  bar.SetShowText(true);
  Canvas canvas(100, 20);
  HFONT font = nullptr;
  ASSERT_EQ(bar.Font()->get_hFont(&font), S_OK);
  SIZE space{};
  {
    const platform::select_object selected(canvas.dc(), font);
    ASSERT_TRUE(::GetTextExtentPoint32W(canvas.dc(), L" ", 1, &space));
  }
  ASSERT_GT(space.cx, 1);
  bar.SetTextAlignX(AlignLeft);
  ASSERT_TRUE(Frame(bar, canvas));
  const int first = FirstInkColumn(canvas, RGB(255, 255, 255));
  EXPECT_GE(first, space.cx);
  EXPECT_LE(first, space.cx + 2);
  bar.SetTextAlignX(AlignRight);
  ASSERT_TRUE(Frame(bar, canvas));
  const int last = LastInkColumn(canvas, RGB(255, 255, 255));
  EXPECT_LE(last, 99 - space.cx);
  EXPECT_GE(last, 99 - space.cx - 2);
}

TEST(ProgressRender, OddAlignmentValuesOnlyAlign) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetForeColor(RGB(0, 0, 0));
  bar.SetText(L"Hi");
  bar.SetShowText(true);
  Canvas expected(100, 20), canvas(100, 20);
  bar.SetTextAlignX(AlignRight);
  bar.SetTextAlignY(AlignBottom);
  ASSERT_TRUE(Frame(bar, expected));
  // Extra bits (measure only, rewrite in place, ellipses, tab stops) are not passed on.
  bar.SetTextAlignX(static_cast<std::int32_t>(AlignRight | DT_CALCRECT | DT_MODIFYSTRING | DT_END_ELLIPSIS |
                                              DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS | DT_TABSTOP | 0x7F000000));
  bar.SetTextAlignY(AlignBottom | 0x40000000);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(bar.Text(), L"Hi");
  EXPECT_GT(LastInkColumn(canvas, RGB(255, 255, 255)), 80);
}

TEST(ProgressRender, TextIsDrawnOnlyWithShowText) {
  cProgressBar plain, texted;
  Plain(plain);
  Plain(texted);
  plain.SetValue(30);
  texted.SetValue(30);
  texted.SetText(L"hidden");
  Canvas a(80, 16), b(80, 16);
  ASSERT_TRUE(Frame(plain, a));
  ASSERT_TRUE(Frame(texted, b));
  EXPECT_TRUE(SameCanvas(a, b));
  // The same text shown does change the frame, so the comparison above can tell.
  texted.SetShowText(true);
  ASSERT_TRUE(Frame(texted, b));
  EXPECT_FALSE(SameCanvas(a, b));
}

TEST(ProgressRender, TheSharedFontObjectsChangesShowAtTheNextFrame) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetText(L"WWWW");
  bar.SetShowText(true);
  auto font = platform::MakeFont(L"Tahoma", 8, false, DEFAULT_CHARSET);
  ASSERT_TRUE(font);
  bar.SetFont(font);
  EXPECT_EQ(bar.Font().Get(), font.Get());
  Canvas canvas(200, 40);
  ASSERT_TRUE(Frame(bar, canvas));
  const int smallInk = 200 * 40 - canvas.CountIn(0, 0, 200, 40, RGB(255, 255, 255));
  CY size{};
  size.int64 = 200000;  // 20 points
  ASSERT_EQ(font->put_Size(size), S_OK);
  ASSERT_TRUE(Frame(bar, canvas));
  const int largeInk = 200 * 40 - canvas.CountIn(0, 0, 200, 40, RGB(255, 255, 255));
  EXPECT_GT(largeInk, smallInk * 3);
}

auto Pattern(int x, int y) { return RGB(x * 16, y * 32, 255 - x * 8); }

TEST(ProgressRender, TiledAndStretchedBackgroundPictures) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  auto pic = progress_test::BitmapPicture(16, 8, Pattern);
  ASSERT_TRUE(bar.SetPicture(pic.Get()));
  Canvas canvas(40, 20);
  ASSERT_TRUE(Frame(bar, canvas));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(canvas.At(x, y), Pattern(x % 16, y % 8)) << x << "," << y;

  const COLORREF quad[2][2] = {{RGB(255, 0, 0), RGB(0, 255, 0)}, {RGB(0, 0, 255), RGB(255, 255, 0)}};
  auto two = progress_test::BitmapPicture(2, 2, [&](int x, int y) { return quad[y][x]; });
  ASSERT_TRUE(bar.SetPicture(two.Get()));
  bar.SetBackPictureMode(PictureStretch);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 20, 10, quad[0][0]), 200);
  EXPECT_EQ(canvas.CountIn(20, 0, 40, 10, quad[0][1]), 200);
  EXPECT_EQ(canvas.CountIn(0, 10, 20, 20, quad[1][0]), 200);
  EXPECT_EQ(canvas.CountIn(20, 10, 40, 20, quad[1][1]), 200);
  // Any mode but 1 stretches.
  bar.SetBackPictureMode(7);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(20, 10, 40, 20, quad[1][1]), 200);
}

TEST(ProgressRender, BarPictureShowsOnlyInsideTheBar) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(kBack);
  auto pic = progress_test::BitmapPicture(16, 8, Pattern);
  ASSERT_TRUE(bar.SetBarPicture(pic.Get()));
  bar.SetValue(50);
  Canvas canvas(40, 20);
  ASSERT_TRUE(Frame(bar, canvas));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(canvas.At(x, y), x < 20 ? Pattern(x % 16, y % 8) : kBack) << x << "," << y;
}

TEST(ProgressRender, GapsShowBackColorOverABackgroundPicture) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(kBack);
  bar.SetBarColor(kBar);
  auto pic = progress_test::BitmapPicture(16, 8, Pattern);
  ASSERT_TRUE(bar.SetPicture(pic.Get()));
  bar.SetSegments(true);
  bar.SetValue(50);
  Canvas canvas(60, 10);
  ASSERT_TRUE(Frame(bar, canvas));
  // Bar 0..30: blocks 0-7, 10-17, 20-27; gaps 8-9, 18-19, 28-29; the picture beyond.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 60; ++x) {
      const COLORREF expected = x >= 30 ? Pattern(x % 16, y % 8) : (x % 10 < 8 ? kBar : kBack);
      ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
}

TEST(ProgressRender, AnEmptyRangeLeavesTheTargetUntouched) {
  cProgressBar bar;
  Plain(bar);
  bar.SetMin(5);
  bar.SetMax(5);
  Canvas canvas(60, 10);
  EXPECT_EQ(bar.DrawToDC(nullptr, canvas.dc(), 0, 0, 60, 10).error(), DrawError::DivideByZero);
  EXPECT_EQ(canvas.CountIn(0, 0, 60, 10, kUntouched), 600);
  bar.SetMin(INT32_MIN);
  bar.SetMax(INT32_MAX);
  EXPECT_EQ(bar.DrawToDC(nullptr, canvas.dc(), 0, 0, 60, 10).error(), DrawError::Overflow);
  EXPECT_EQ(canvas.CountIn(0, 0, 60, 10, kUntouched), 600);
  EXPECT_EQ(bar.DrawToDC(nullptr, canvas.dc(), INT32_MIN, 0, INT32_MAX, 10).error(), DrawError::Overflow);
}

TEST(ProgressRender, DefaultColoursFillNothing) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(RGB(200, 0, 0));
  Canvas canvas(30, 6);
  ASSERT_TRUE(Frame(bar, canvas));
  // Back to the defaults: the back buffer keeps the last frame's pixels.
  bar.SetBackColor(0xFFFFFFFF);
  bar.SetBarColor(0xFFFFFFFF);
  bar.SetValue(100);
  canvas.Fill(kUntouched);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 30, 6, RGB(200, 0, 0)), 180);
}

TEST(ProgressRender, SystemColourFillsUseTheLowFiveBits) {
  cProgressBar bar;
  bar.SetBorderStyle(BorderNone);
  Canvas canvas(10, 4);
  bar.SetBackColor(0x80000000u | COLOR_HIGHLIGHT);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 10, 4, ::GetSysColor(COLOR_HIGHLIGHT)), 40);
  bar.SetBackColor(0x8000FF00u | COLOR_BTNSHADOW);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 10, 4, ::GetSysColor(COLOR_BTNSHADOW)), 40);
  bar.SetBackColor(0x8000001Fu);  // index 31 names no colour
  canvas.Fill(kUntouched);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 10, 4, ::GetSysColor(COLOR_BTNSHADOW)), 40);
}

TEST(ProgressRender, WrongWayRoundRectanglePaintsTheSameArea) {
  cProgressBar bar;
  Plain(bar);
  bar.SetValue(40);
  Canvas a(50, 10), b(50, 10);
  ASSERT_TRUE(bar.DrawToDC(nullptr, a.dc(), 0, 0, 50, 10));
  ASSERT_TRUE(bar.DrawToDC(nullptr, b.dc(), 50, 10, 0, 0));
  EXPECT_TRUE(SameCanvas(a, b));
}

TEST(ProgressRender, FrameLandsAtTheRectangleGiven) {
  cProgressBar bar;
  Plain(bar, BorderNone);
  bar.SetValue(100);
  Canvas canvas(40, 20);
  ASSERT_TRUE(bar.DrawToDC(nullptr, canvas.dc(), 10, 5, 30, 9));
  EXPECT_EQ(canvas.CountIn(10, 5, 30, 9, kBar), 80);
  EXPECT_EQ(canvas.CountIn(0, 0, 40, 20, kUntouched), 800 - 80);
  // A zero-width rectangle paints nothing, even though the back buffer has a frame in it.
  ASSERT_TRUE(bar.DrawToDC(nullptr, canvas.dc(), 0, 0, 0, 20));
  EXPECT_EQ(canvas.CountIn(0, 0, 40, 20, kUntouched), 800 - 80);
}

TEST(ProgressRender, DrawsStraightOnTheTargetWhenNoSurfaceCanBeMade) {
  cProgressBar bar;
  Plain(bar);
  bar.SetValue(50);
  Canvas canvas(40, 20);
  // Far too large for a back buffer: a square, so vertical, half full from the far bottom.
  constexpr std::int32_t kHuge = 0x40000000;
  ASSERT_TRUE(bar.DrawToDC(nullptr, canvas.dc(), 5, 2, 5 + kHuge, 2 + kHuge));
  EXPECT_FALSE(bar.BackBuffer().HasSurface());
  EXPECT_EQ(canvas.CountInRow(2, 5, 40, Shadow()), 35);
  for (int y = 2; y < 20; ++y) EXPECT_EQ(canvas.At(5, y), Shadow());
  EXPECT_EQ(canvas.CountIn(6, 3, 40, 20, kBack), 34 * 17);
  EXPECT_EQ(canvas.CountIn(0, 0, 5, 20, kUntouched), 100);
  EXPECT_EQ(canvas.CountIn(0, 0, 40, 2, kUntouched), 80);

  // Pictures are laid from the rectangle's corner.
  cProgressBar pictured;
  pictured.SetBorderStyle(BorderNone);
  auto pic = progress_test::BitmapPicture(16, 8, Pattern);
  ASSERT_TRUE(pictured.SetPicture(pic.Get()));
  canvas.Fill(kUntouched);
  ASSERT_TRUE(pictured.DrawToDC(nullptr, canvas.dc(), 5, 2, 5 + kHuge, 2 + kHuge));
  for (int y = 2; y < 20; ++y)
    for (int x = 5; x < 40; ++x) ASSERT_EQ(canvas.At(x, y), Pattern((x - 5) % 16, (y - 2) % 8)) << x << "," << y;
  EXPECT_EQ(canvas.CountIn(0, 0, 5, 20, kUntouched), 100);
}

TEST(ProgressRender, AnIconPictureIsPassedOver) {
  cProgressBar bar;
  Plain(bar, BorderNone);
  auto icon = progress_test::IconPicture();
  ASSERT_TRUE(bar.SetPicture(icon.Get()));
  ASSERT_TRUE(bar.SetBarPicture(icon.Get()));
  bar.SetValue(50);
  Canvas canvas(20, 4);
  ASSERT_TRUE(Frame(bar, canvas));
  EXPECT_EQ(canvas.CountIn(0, 0, 10, 4, kBar), 40);
  EXPECT_EQ(canvas.CountIn(10, 0, 20, 4, kBack), 40);
}

// The themed look, drawn by hand from the same theme parts for comparison.
struct ThemeParts {
  platform::unique_htheme theme;
  explicit ThemeParts(HWND window) {
    if (auto open = platform::kOpenThemeData.get()) theme.reset(open(window, L"Progress"));
  }
  void Part(HDC dc, int part, RECT r) const { platform::kDrawThemeBackground.get()(theme.get(), dc, part, 0, &r, &r); }
};

TEST(ProgressRender, ThemedLookUsesTheVisualStyle) {
  progress_test::TestWindow window(200, 20);
  ThemeParts parts(window.get());
  ASSERT_TRUE(parts.theme) << "the test prefix has the light visual style active";
  int chunk = -1, space = -1;
  platform::kGetThemeInt.get()(parts.theme.get(), 0, 0, TMT_PROGRESSCHUNKSIZE, &chunk);
  platform::kGetThemeInt.get()(parts.theme.get(), 0, 0, TMT_PROGRESSSPACESIZE, &space);
  ASSERT_EQ(progress::ThemedSnapStep(chunk, space), 1) << "the reference below assumes an unsnapped bar";

  cProgressBar bar;
  bar.SetBackColor(RGB(255, 0, 0));
  bar.SetBarColor(RGB(255, 0, 0));
  bar.SetAppearance(Appearance3D);  // the themed ring is one pixel whatever the look
  bar.SetXpStyle(true);
  bar.SetValue(50);
  Canvas canvas(200, 20);
  ASSERT_TRUE(bar.DrawToDC(window.get(), canvas.dc(), 0, 0, 200, 20));
  Canvas expected(200, 20);
  parts.Part(expected.dc(), PP_BAR, RECT{0, 0, 200, 20});
  parts.Part(expected.dc(), PP_CHUNK, RECT{1, 1, 100, 19});
  EXPECT_TRUE(SameCanvas(canvas, expected));
  EXPECT_EQ(canvas.CountIn(0, 0, 200, 20, RGB(255, 0, 0)), 0);

  // Vertical.
  Canvas tall(20, 100), tallExpected(20, 100);
  bar.SetValue(25);
  ASSERT_TRUE(bar.DrawToDC(window.get(), tall.dc(), 0, 0, 20, 100));
  parts.Part(tallExpected.dc(), PP_BARVERT, RECT{0, 0, 20, 100});
  parts.Part(tallExpected.dc(), PP_CHUNKVERT, RECT{1, 74, 19, 99});  // 1 + 0.75 * 98 = 74.5, to even
  EXPECT_TRUE(SameCanvas(tall, tallExpected));
}

TEST(ProgressRender, ThemedCaptionIsTheThemesTextUnpadded) {
  progress_test::TestWindow window(200, 20);
  ThemeParts parts(window.get());
  ASSERT_TRUE(parts.theme);
  cProgressBar bar;
  bar.SetXpStyle(true);
  bar.SetValue(50);
  bar.SetText(L"58/116 50 %");
  bar.SetShowText(true);
  Canvas canvas(200, 20);
  ASSERT_TRUE(bar.DrawToDC(window.get(), canvas.dc(), 0, 0, 200, 20));
  Canvas expected(200, 20);
  parts.Part(expected.dc(), PP_BAR, RECT{0, 0, 200, 20});
  parts.Part(expected.dc(), PP_CHUNK, RECT{1, 1, 100, 19});
  HFONT font = nullptr;
  ASSERT_EQ(bar.Font()->get_hFont(&font), S_OK);
  {
    const platform::select_object selected(expected.dc(), font);
    RECT inner{1, 1, 199, 19}, content = inner;
    platform::kGetThemeBackgroundContentRect.get()(parts.theme.get(), expected.dc(), 0, 0, &inner, &content);
    platform::kDrawThemeText.get()(parts.theme.get(), expected.dc(), 0, 0, L"58/116 50 %", -1,
                                   DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &content);
  }
  EXPECT_TRUE(SameCanvas(canvas, expected));
  Canvas captionless(200, 20);
  bar.SetShowText(false);
  ASSERT_TRUE(bar.DrawToDC(window.get(), captionless.dc(), 0, 0, 200, 20));
  EXPECT_FALSE(SameCanvas(canvas, captionless));
}

TEST(ProgressRender, XpStyleWithABackgroundPictureDrawsTheClassicLook) {
  progress_test::TestWindow window(60, 12);
  cProgressBar bar;
  bar.SetXpStyle(true);
  bar.SetBarColor(kBar);
  auto pic = progress_test::BitmapPicture(16, 8, Pattern);
  ASSERT_TRUE(bar.SetPicture(pic.Get()));
  bar.SetValue(50);
  Canvas canvas(60, 12);
  ASSERT_TRUE(bar.DrawToDC(window.get(), canvas.dc(), 0, 0, 60, 12));
  EXPECT_EQ(canvas.CountInRow(0, 0, 60, Shadow()), 60);
  EXPECT_EQ(canvas.CountInRow(11, 1, 60, Highlight()), 59);
  EXPECT_EQ(canvas.CountIn(1, 1, 30, 11, kBar), 29 * 10);
  for (int y = 1; y < 11; ++y)
    for (int x = 30; x < 59; ++x) ASSERT_EQ(canvas.At(x, y), Pattern(x % 16, y % 8)) << x << "," << y;
}

TEST(ProgressRender, XpStyleWithoutAVisualStyleFunctionDrawsTheClassicLook) {
  platform::SetFunctionUnavailable("OpenThemeData", true);
  cProgressBar bar;
  Plain(bar);
  bar.SetXpStyle(true);
  bar.SetValue(50);
  Canvas canvas(60, 12);
  const bool drawn = bar.DrawToDC(nullptr, canvas.dc(), 0, 0, 60, 12).has_value();
  platform::SetFunctionUnavailable("OpenThemeData", false);
  ASSERT_TRUE(drawn);
  EXPECT_EQ(canvas.CountInRow(0, 0, 60, Shadow()), 60);
  EXPECT_EQ(canvas.CountIn(1, 1, 30, 11, kBar), 29 * 10);
  EXPECT_EQ(canvas.CountIn(30, 1, 59, 11, kBack), 29 * 10);
}

}  // namespace
}  // namespace corvane
