// What one themed paint of the "Repair Now" button costs, drawn into a DIB section as a paint
// would draw it, against the bare theme call it is built on.
#include <windows.h>
#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/functions.h"
#include "tests/support/dib.h"
#include "theme/mdXpThemeSupport_detail.h"
#include "toolkit/toolkit.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 143, kHeight = 33;

template <class F>
double MicrosecondsPer(int count, F&& paint) {
  double best = 1e30;
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) paint();
    best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count);
  }
  return best;
}

}  // namespace

int main() {
  toolkit::Form form(L"Button bench", 6540, 2730);
  form.SetFont(L"Verdana", 6.75, true);
  auto& button = form.Add<toolkit::CheckBox>(L"Command1", {4320, 330, 2145, 495});
  button.SetStyle(1);
  button.SetCaption(L"Repair Now");

  const auto open = platform::kOpenThemeData.get();
  const auto draw = platform::kDrawThemeBackground.get();
  const auto close = platform::kCloseThemeData.get();
  if (!open || !draw || !close) {
    std::printf("button: no visual-style functions on this system\n");
    return 1;
  }
  testing_support::Dib dib(kWidth, kHeight);
  if (!dib.ok()) {
    std::printf("button: no DIB section\n");
    return 1;
  }
  constexpr COLORREF kFill = RGB(255, 0, 255);
  dib.Fill(kFill);
  mdXpThemeSupport::pvDrawButton(button.hWnd(), dib.dc(), button);
  const int drawn = kWidth * kHeight - dib.Count(kFill);  // proof that something was drawn
  if (drawn < kWidth * kHeight / 2) {
    std::printf("button: the themed paint drew only %d pixels\n", drawn);
    return 1;
  }

  constexpr int kPaints = 400;
  const double bare = MicrosecondsPer(kPaints, [&] {
    HTHEME theme = open(button.hWnd(), L"BUTTON");
    RECT r{0, 0, kWidth, kHeight};
    draw(theme, dib.dc(), BP_PUSHBUTTON, PBS_NORMAL, &r, &r);
    close(theme);
  });
  const double full = MicrosecondsPer(kPaints, [&] { mdXpThemeSupport::pvDrawButton(button.hWnd(), dib.dc(), button); });
  std::printf("button: themed paint, %d x %d into a DIB section   %8.2f us  (%d px drawn)\n", kWidth, kHeight, full,
              drawn);
  std::printf("button: bare open + draw background + close       %8.2f us\n", bare);
  std::printf("button: themed paint %.2f\xC3\x97 of the bare theme call\n", full / bare);
  return 0;
}
