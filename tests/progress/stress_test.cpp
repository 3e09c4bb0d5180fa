#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "controls/progress/cProgressBar.h"
#include "platform/ole.h"
#include "progress_support.h"
#include "tests/support/win_support.h"

namespace corvane {
namespace {

using progress_test::Canvas;

TEST(ProgressStress, HundredThousandFramesLeakNothingAndMakeOneBackBuffer) {
  progress_test::TestWindow window(419, 12);
  ASSERT_NE(window.get(), nullptr);
  Canvas canvas(419, 12);
  auto surface = std::make_shared<progress_test::CountingSurface>(window.get(), canvas.dc());
  cProgressBar bar;
  bar.SetDrawObject(surface);
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetBarColor(RGB(0, 0, 160));
  bar.SetShowText(true);
  bar.SetMax(100000);
  for (std::int32_t i = 1; i <= 100000; ++i) {
    if (i % 2) {
      bar.SetValue(i);
    } else {
      bar.SetText(std::to_wstring(i) + L"/100000");
    }
  }
  EXPECT_EQ(surface->paints(), 100000 + 5);
  EXPECT_EQ(bar.BackBuffer().SurfacesMade(), 1u);
  // The last frame is the full bar.
  EXPECT_EQ(canvas.At(1, 1), RGB(0, 0, 160));
  EXPECT_EQ(canvas.At(417, 10), RGB(0, 0, 160));

  // Ten thousand GDI objects can still be made and held at once.
  std::vector<platform::unique_hbrush> brushes;
  std::vector<platform::unique_hpen> pens;
  for (int i = 0; i < 5000; ++i) {
    brushes.emplace_back(::CreateSolidBrush(RGB(i & 0xFF, 0, 0)));
    pens.emplace_back(::CreatePen(PS_SOLID, 1, RGB(0, i & 0xFF, 0)));
    ASSERT_TRUE(brushes.back()) << i;
    ASSERT_TRUE(pens.back()) << i;
  }
}

// Each way a frame can be drawn, a thousand times over: the process's free GDI slots stay where
// they were, so no path keeps a brush, pen, region, font selection or bitmap per frame.
TEST(ProgressStress, EveryDrawingPathLeavesTheGdiSlotsAsItFoundThem) {
  progress_test::TestWindow window(419, 12);
  ASSERT_NE(window.get(), nullptr);
  Canvas canvas(419, 12);
  auto tile = progress_test::BitmapPicture(5, 3, [](int x, int y) { return RGB(x * 40, y * 60, 9); });
  const std::pair<const char*, std::function<void(cProgressBar&)>> paths[] = {
      {"classic", [](cProgressBar&) {}},
      {"segmented", [](cProgressBar& bar) { bar.SetSegments(true); }},
      {"themed", [](cProgressBar& bar) { bar.SetXpStyle(true); }},
      {"tiled", [&](cProgressBar& bar) {
         bar.SetBackPictureMode(PictureTile);
         bar.SetBarPictureMode(PictureTile);
         ASSERT_TRUE(bar.SetPicture(tile.Get()));
         ASSERT_TRUE(bar.SetBarPicture(tile.Get()));
       }},
      {"failing", [](cProgressBar& bar) { bar.SetMin(100); }},  // Max equal to Min: every frame stops
  };
  for (const auto& [name, configure] : paths) {
    cProgressBar bar;
    bar.SetDrawObject(std::make_shared<progress_test::CountingSurface>(window.get(), canvas.dc()));
    bar.SetBackColor(RGB(255, 255, 255));
    bar.SetBarColor(RGB(0, 0, 160));
    bar.SetText(L"58/116 50 %");
    bar.SetShowText(true);
    configure(bar);
    for (std::int32_t i = 0; i < 10; ++i) bar.SetValue(i);  // the back buffer is made once
    const int before = testing_support::FreeGdiSlots();
    for (std::int32_t i = 0; i < 1000; ++i) bar.SetValue(i % 101);
    const int after = testing_support::FreeGdiSlots();
    EXPECT_LT(before - after, 10) << name << ": " << before << " -> " << after;
  }
}

TEST(ProgressStress, RandomPropertyStormNeverBreaksTheControl) {
  progress_test::TestWindow window(120, 16);
  Canvas canvas(120, 16);
  auto surface = std::make_shared<progress_test::CountingSurface>(window.get(), canvas.dc());
  cProgressBar bar;
  bar.SetDrawObject(surface);
  auto pic = progress_test::BitmapPicture(5, 3, [](int x, int y) { return RGB(x * 40, y * 60, 9); });
  auto icon = progress_test::IconPicture();
  std::mt19937 rng(20240611);
  const std::vector<std::int32_t> extremes = {INT32_MIN, INT32_MIN + 1, -100000, -1, 0,
                                              1,         2,             3,       5,  100,
                                              0x7FFF,    0x10000,       INT32_MAX - 1, INT32_MAX};
  const std::vector<OLE_COLOR> colours = {0xFFFFFFFFu, 0x80000000u, 0x8000001Eu, 0x8000001Fu, 0x7F000000u,
                                          0x00FFFFFFu, 0,           0x02FF0000u, 0x01000005u, 0x8000FFFFu};
  const auto anyInt = [&] {
    return rng() % 2 ? extremes[rng() % extremes.size()] : static_cast<std::int32_t>(rng() % 300) - 100;
  };
  const auto anyColour = [&] { return rng() % 2 ? colours[rng() % colours.size()] : OLE_COLOR{rng() & 0xFFFFFF}; };
  for (int i = 0; i < 4000; ++i) {
    switch (rng() % 20) {
      case 0: bar.SetMin(anyInt()); break;
      case 1: bar.SetMax(anyInt()); break;
      case 2: bar.SetValue(anyInt()); break;
      case 3: bar.SetBorderStyle(anyInt()); break;
      case 4: bar.SetAppearance(anyInt()); break;
      case 5: bar.SetTextAlignX(anyInt()); break;
      case 6: bar.SetTextAlignY(anyInt()); break;
      case 7: bar.SetBackPictureMode(anyInt()); break;
      case 8: bar.SetBarPictureMode(anyInt()); break;
      case 9: bar.SetBackColor(anyColour()); break;
      case 10: bar.SetBarColor(anyColour()); break;
      case 11: bar.SetForeColor(anyColour()); break;
      case 12: bar.SetBarForeColor(anyColour()); break;
      case 13: bar.SetText(std::wstring(rng() % 40, static_cast<wchar_t>(L'A' + rng() % 26)) + L"\t&\u00e9\u4e2d"); break;
      case 14: bar.SetShowText(rng() % 2); break;
      case 15: bar.SetSegments(rng() % 2); break;
      case 16: bar.SetXpStyle(rng() % 2); break;
      case 17: {
        IPicture* choice[] = {pic.Get(), icon.Get(), nullptr};
        (void)(rng() % 2 ? bar.SetPicture(choice[rng() % 3]) : bar.SetBarPicture(choice[rng() % 3]));
        break;
      }
      case 18: bar.SetFont(rng() % 4 ? platform::MakeFont(L"Tahoma", 1 + rng() % 30, false, DEFAULT_CHARSET) : nullptr); break;
      default:
        (void)bar.DrawToDC(window.get(), canvas.dc(), anyInt(), anyInt(), anyInt(), anyInt());
        break;
    }
  }
  // Still a working control afterwards.
  bar.SetPicture(nullptr);
  bar.SetBarPicture(nullptr);
  bar.SetXpStyle(false);
  bar.SetSegments(false);
  bar.SetShowText(false);
  bar.SetBorderStyle(BorderNone);
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetBarColor(RGB(200, 0, 0));
  bar.SetMin(0);
  bar.SetMax(4);
  bar.SetValue(1);
  EXPECT_EQ(canvas.CountIn(0, 0, 30, 16, RGB(200, 0, 0)), 30 * 16);
  EXPECT_EQ(canvas.CountIn(30, 0, 120, 16, RGB(255, 255, 255)), 90 * 16);
}

}  // namespace
}  // namespace corvane
