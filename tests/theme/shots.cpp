// Writes the themed "Repair Now" button in each of its five looks as .bmp files, for looking at by
// eye; tests/theme/shots.sh runs it under Wine and turns them into PNGs. Not a test.
//   theme_shots FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/dib.h"
#include "theme/mdXpThemeSupport_detail.h"
#include "toolkit/toolkit.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: theme_shots FOLDER\n", stderr);
    return 2;
  }
  const std::wstring folder = argv[1];
  toolkit::SetScreenPixelsPerInchOverride(96);
  toolkit::Form form(L"Theme", 6540, 2730);
  form.SetFont(L"Verdana", 6.75, true);
  auto& button = form.Add<toolkit::CheckBox>(L"Command1", {4320, 330, 2145, 495});
  button.SetStyle(1);
  button.SetCaption(L"Repair Now");

  int failed = 0;
  const auto draw = [&](const wchar_t* name) {
    testing_support::Dib dib(143, 33, RGB(255, 0, 255));
    mdXpThemeSupport::pvDrawButton(button.hWnd(), dib.dc(), button);
    if (!dib.Save(folder + L"\\" + name + L".bmp")) ++failed;
  };
  draw(L"1-normal");
  ::SetPropW(button.hWnd(), L"Hot", reinterpret_cast<HANDLE>(1));
  draw(L"2-hot");
  ::SetPropW(button.hWnd(), L"Hot", nullptr);
  button.SetValue(1);
  draw(L"3-pressed");
  button.SetValue(0);
  button.SetEnabled(false);
  draw(L"4-disabled");
  button.SetEnabled(true);
  form.Show();
  button.SetFocus();
  draw(L"5-defaulted");
  return failed == 0 ? 0 : 1;
}
