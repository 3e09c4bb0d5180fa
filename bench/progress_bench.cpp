// The cost of one progress bar frame against the GDI work no frame can avoid, measured in the
// same run: one background fill, one bar fill, two caption draws and one block copy.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "controls/progress/cProgressBar.h"
#include "platform/unique.h"
#include "tests/support/dib.h"

using namespace corvane;

namespace {

constexpr int kWidth = 419, kHeight = 12;
constexpr int kFrames = 3000, kRounds = 5;

// A 32-bit DIB section in its own memory context: the target every frame is copied to.
struct Target : testing_support::Dib {
  Target() : Dib(kWidth, kHeight) {}
};

double Now() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Microseconds per call of `frame(i)`, the best of several rounds.
double Measure(const std::function<void(int)>& frame) {
  double best = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    ::GdiFlush();
    const double start = Now();
    for (int i = 0; i < kFrames; ++i) frame(i);
    ::GdiFlush();
    best = std::min(best, (Now() - start) * 1e6 / kFrames);
  }
  return best;
}

std::wstring Caption(int i) { return std::to_wstring(i % 117) + L"/116 " + std::to_wstring(i % 117 * 100 / 116) + L" %"; }

void Configure(cProgressBar& bar) {
  bar.SetBackColor(RGB(255, 255, 255));
  bar.SetBarColor(RGB(51, 153, 255));
  bar.SetMax(kFrames);
  bar.SetShowText(true);
  bar.SetText(Caption(58));
}

}  // namespace

int main() {
  ::OleInitialize(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CorvaneBench";
  ::RegisterClassW(&wc);
  platform::unique_hwnd window(::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, kWidth, kHeight, nullptr,
                                                 nullptr, wc.hInstance, nullptr));
  Target target;

  cProgressBar classic, segmented, themed, tiled;
  for (cProgressBar* bar : {&classic, &segmented, &themed, &tiled}) Configure(*bar);
  segmented.SetSegments(true);
  themed.SetXpStyle(true);
  {
    // A 16 x 16 picture, tiled behind the bar.
    Target source;
    platform::unique_hbitmap pattern(::CreateCompatibleBitmap(source.dc(), 16, 16));
    {
      const platform::select_object into(source.dc(), pattern.get());
      platform::unique_hbrush brush(::CreateSolidBrush(RGB(230, 230, 245)));
      const RECT r{0, 0, 16, 16};
      ::FillRect(source.dc(), &r, brush.get());
    }
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = pattern.release();
    platform::ComPtr<IPicture> pic;
    if (SUCCEEDED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(pic.GetAddressOf()))))
      (void)tiled.SetPicture(pic.Get());
  }

  // The unavoidable work, with brushes and font made once.
  pcMemDC back;
  const HDC backDC = back.hDC(kWidth, kHeight);
  platform::unique_hbrush backBrush(::CreateSolidBrush(RGB(255, 255, 255)));
  platform::unique_hbrush barBrush(::CreateSolidBrush(RGB(51, 153, 255)));
  HFONT font = nullptr;
  classic.Font()->get_hFont(&font);
  const auto bare = [&](int i) {
    const std::wstring text = L" " + Caption(i) + L" ";
    const RECT all{0, 0, kWidth, kHeight};
    RECT inner{1, 1, kWidth - 1, kHeight - 1};
    const RECT bar{1, 1, 1 + (kWidth - 2) * i / kFrames, kHeight - 1};
    ::FillRect(backDC, &all, backBrush.get());
    const platform::select_object selected(backDC, font);
    ::SetBkMode(backDC, TRANSPARENT);
    ::SetTextColor(backDC, RGB(0, 0, 0));
    ::DrawTextW(backDC, text.c_str(), -1, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::FillRect(backDC, &bar, barBrush.get());
    ::SetTextColor(backDC, RGB(255, 255, 255));
    ::DrawTextW(backDC, text.c_str(), -1, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::BitBlt(target.dc(), 0, 0, kWidth, kHeight, backDC, 0, 0, SRCCOPY);
  };
  const auto frameOf = [&](cProgressBar& bar) {
    return [&](int i) {
      bar.SetValue(i);  // stores without painting: no DrawObject
      (void)bar.DrawToDC(window.get(), target.dc(), 0, 0, kWidth, kHeight);
    };
  };

  // Interleaved, so that every figure sees the same machine load.
  double tBare = 1e30, tClassic = 1e30, tSegmented = 1e30, tThemed = 1e30, tTiled = 1e30;
  for (int pass = 0; pass < 2; ++pass) {
    tBare = std::min(tBare, Measure(bare));
    tClassic = std::min(tClassic, Measure(frameOf(classic)));
    tSegmented = std::min(tSegmented, Measure(frameOf(segmented)));
    tThemed = std::min(tThemed, Measure(frameOf(themed)));
    tTiled = std::min(tTiled, Measure(frameOf(tiled)));
  }
  // How many back buffers each bar made: counted only in test builds (the bench also measures
  // the shipped build, which keeps no count).
  const auto made = [](const cProgressBar& bar) -> long {
#ifdef CORVANE_TEST_HOOKS
    return static_cast<long>(bar.BackBuffer().SurfacesMade());
#else
    (void)bar;
    return -1;
#endif
  };
  std::printf("progress bar, %d x %d with caption          us/frame  back buffers made (-1: not counted)\n", kWidth,
              kHeight);
  std::printf("  bare GDI work (2 fills, 2 texts, 1 copy)  %8.2f\n", tBare);
  std::printf("  classic frame                             %8.2f  %ld\n", tClassic, made(classic));
  std::printf("  segmented frame                           %8.2f  %ld\n", tSegmented, made(segmented));
  std::printf("  themed frame                              %8.2f  %ld\n", tThemed, made(themed));
  std::printf("  tiled-picture frame                       %8.2f  %ld\n", tTiled, made(tiled));
  std::printf("  target: a classic frame costs at most 1.20x the bare work, one back buffer per bar\n");
  std::printf("progress: classic frame %.2f\xC3\x97 of bare GDI work\n", tClassic / tBare);
  return 0;
}
