// Writes the themed button in each of its five looks as .bmp files when CORVANE_THEME_SHOTS names a
// folder, for looking at by eye.
#include "tests/theme/theme_fixture.h"

namespace theme_test {
namespace {

class Shots : public ButtonForm {};

TEST_F(Shots, FiveLooks) {
  wchar_t folder[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"CORVANE_THEME_SHOTS", folder, MAX_PATH)) GTEST_SKIP() << "no folder given";
  HookScope hooks;
  auto draw = [&](const wchar_t* name) {
    testing_support::Dib dib(143, 33, RGB(255, 0, 255));
    mdXpThemeSupport::pvDrawButton(button->hWnd(), dib.dc(), *button);
    EXPECT_TRUE(dib.Save(std::wstring(folder) + L"\\" + name + L".bmp"));
  };
  draw(L"1-normal");
  ::SetPropW(button->hWnd(), L"Hot", reinterpret_cast<HANDLE>(1));
  draw(L"2-hot");
  ::SetPropW(button->hWnd(), L"Hot", nullptr);
  button->SetValue(1);
  draw(L"3-pressed");
  button->SetValue(0);
  button->SetEnabled(false);
  draw(L"4-disabled");
  button->SetEnabled(true);
  form->Show();
  button->SetFocus();
  draw(L"5-defaulted");
}

}  // namespace
}  // namespace theme_test
