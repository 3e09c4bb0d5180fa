#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/unique.h"

namespace toolkit {
namespace {

struct Row {
  const wchar_t* name;
  TwipsRect twips;
  RECT at96;  // left, top, right, bottom
};

// The program's window: controls in creation order with their design twips and pixels at 96 dpi.
const Row kLayout[] = {
    {L"Picture1", {120, 90, 6285, 180}, {8, 6, 8 + 419, 6 + 12}},
    {L"Text2", {30, 720, 255, 270}, {2, 48, 2 + 17, 48 + 18}},
    {L"List1", {1410, 390, 2865, 570}, {94, 26, 94 + 191, 26 + 38}},
    {L"Command1", {4320, 330, 2145, 495}, {288, 22, 288 + 143, 22 + 33}},
    {L"Image2", {60, 2430, 240, 240}, {4, 162, 4 + 16, 162 + 16}},
    {L"Label4", {330, 2460, 2340, 180}, {22, 164, 22 + 156, 164 + 12}},
    {L"Label2", {60, 300, 4125, 705}, {4, 20, 4 + 275, 20 + 47}},
    {L"Label1", {90, 1080, 6375, 1365}, {6, 72, 6 + 425, 72 + 91}},
};

void AddLayout(Form& form) {
  form.Add<PictureBox>(kLayout[0].name, kLayout[0].twips).SetTabIndex(5);
  auto& text = form.Add<TextBox>(kLayout[1].name, kLayout[1].twips);
  text.SetTabIndex(4);
  text.SetVisible(false);
  auto& list = form.Add<ListBox>(kLayout[2].name, kLayout[2].twips);
  list.SetTabIndex(2);
  list.SetVisible(false);
  auto& button = form.Add<CheckBox>(kLayout[3].name, kLayout[3].twips);
  button.SetStyle(1);
  button.SetTabIndex(0);
  form.Add<Image>(kLayout[4].name, kLayout[4].twips);
  form.Add<Label>(kLayout[5].name, kLayout[5].twips).SetTabIndex(6);
  form.Add<Label>(kLayout[6].name, kLayout[6].twips).SetTabIndex(3);
  form.Add<Label>(kLayout[7].name, kLayout[7].twips).SetTabIndex(1);
}

RECT ClientRectOf(const Form& form, HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectRect(const RECT& actual, const RECT& expected, const wchar_t* name) {
  EXPECT_EQ(actual.left, expected.left) << name;
  EXPECT_EQ(actual.top, expected.top) << name;
  EXPECT_EQ(actual.right, expected.right) << name;
  EXPECT_EQ(actual.bottom, expected.bottom) << name;
}

class ScopedPixelsPerInch {
 public:
  explicit ScopedPixelsPerInch(int ppi) { SetScreenPixelsPerInchOverride(ppi); }
  ~ScopedPixelsPerInch() { SetScreenPixelsPerInchOverride(0); }
};

TEST(FormLayout, TwipsGiveTheWindowsPixelsAt96Dpi) {
  ScopedPixelsPerInch dpi(96);
  Form form(L"Corvane & MS Jet - By Hollisk", 6540, 2730);
  ASSERT_TRUE(form.hWnd());
  AddLayout(form);

  RECT client{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_EQ(client.right, 436);
  EXPECT_EQ(client.bottom, 182);
  ASSERT_EQ(form.Controls().size(), std::size(kLayout));
  for (size_t i = 0; i < std::size(kLayout); ++i) {
    const Control& control = *form.Controls()[i];
    EXPECT_EQ(control.Name(), kLayout[i].name);  // creation order kept
    ExpectRect(ClientRectOf(form, control.hWnd()), kLayout[i].at96, kLayout[i].name);
  }
  EXPECT_EQ(form.Caption(), L"Corvane & MS Jet - By Hollisk");
}

TEST(FormLayout, ScalesWithTheScreenDensity) {
  ScopedPixelsPerInch dpi(144);  // 10 twips per pixel
  Form form(L"x", 6540, 2730);
  AddLayout(form);
  RECT client{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_EQ(client.right, 654);
  EXPECT_EQ(client.bottom, 273);
  // 6285 twips are 628.5 pixels: halves go to the even neighbour.
  ExpectRect(ClientRectOf(form, form.Find(L"Picture1")->hWnd()), {12, 9, 12 + 628, 9 + 18}, L"Picture1");
  ExpectRect(ClientRectOf(form, form.Find(L"Command1")->hWnd()), {432, 33, 432 + 214, 33 + 50}, L"Command1");  // 214.5, 49.5
  ExpectRect(ClientRectOf(form, form.Find(L"Label2")->hWnd()), {6, 30, 6 + 412, 30 + 70}, L"Label2");  // 412.5, 70.5
  ExpectRect(ClientRectOf(form, form.Find(L"Image2")->hWnd()), {6, 243, 6 + 24, 243 + 24}, L"Image2");
}

TEST(FormWindow, FixedSingleBorderCloseBoxOnlyCentred) {
  ScopedPixelsPerInch dpi(96);
  Form form(L"x", 6540, 2730);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(form.hWnd(), GWL_STYLE));
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(::IsWindowVisible(form.hWnd()));  // hidden until shown

  RECT frame{};
  ::GetWindowRect(form.hWnd(), &frame);
  const int screenW = ::GetSystemMetrics(SM_CXSCREEN), screenH = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_LE(std::abs((frame.left + frame.right) - screenW), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - screenH), 1);
}

TEST(FormWindow, IconReachesTheWindow) {
  Form form(L"x", 1500, 1500);
  HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
  form.SetIcon(icon);
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form.hWnd(), WM_GETICON, ICON_BIG, 0)), icon);
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form.hWnd(), WM_GETICON, ICON_SMALL, 0)), icon);
}

TEST(FormFont, OneFontForEveryControl) {
  Form form(L"x", 6540, 2730);
  auto& before = form.Add<Label>(L"Label1", {0, 0, 1000, 300});
  ASSERT_TRUE(form.SetFont(L"Verdana", 6.75, true));
  auto& after = form.Add<CheckBox>(L"Command1", {0, 400, 1000, 300});
  auto& picture = form.Add<PictureBox>(L"Picture1", {0, 800, 1000, 300});

  platform::ComPtr<IFont> font = form.Font();
  ASSERT_TRUE(font);
  CY size{};
  font->get_Size(&size);
  EXPECT_EQ(size.int64, 67500);  // 6.75 points
  SHORT weight = 0;
  font->get_Weight(&weight);
  EXPECT_EQ(weight, 700);

  HFONT handle = nullptr;
  ASSERT_EQ(font->get_hFont(&handle), S_OK);
  // Controls made before and after the font was set carry it; the picture box hands it on.
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(before.hWnd(), WM_GETFONT, 0, 0)), handle);
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(after.hWnd(), WM_GETFONT, 0, 0)), handle);
  EXPECT_EQ(picture.Font().value().Get(), font.Get());
  EXPECT_EQ(before.Font().value().Get(), font.Get());

  // The handle is the font asked for: bold, not italic, character set 0, 6.75 points at 96 dpi.
  LOGFONTW lf{};
  ASSERT_TRUE(::GetObjectW(handle, sizeof lf, &lf));
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_FALSE(lf.lfItalic);
  EXPECT_FALSE(lf.lfUnderline);
  EXPECT_FALSE(lf.lfStrikeOut);
  EXPECT_EQ(lf.lfCharSet, 0);
  platform::window_dc screen(nullptr);
  EXPECT_EQ(lf.lfHeight, -::MulDiv(675, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 7200));
}

TEST(FormShow, LoadRunsOnceBeforeShowingThenFocusFollowsTabOrder) {
  Form form(L"x", 6540, 2730);
  AddLayout(form);
  std::vector<std::wstring> events;
  form.OnLoad = [&] {
    events.push_back(::IsWindowVisible(form.hWnd()) ? L"load-visible" : L"load-hidden");
    events.push_back(std::to_wstring(form.Controls().size()));
  };
  form.Show();
  form.Show();
  EXPECT_EQ(events, (std::vector<std::wstring>{L"load-hidden", L"8"}));
  EXPECT_TRUE(::IsWindowVisible(form.hWnd()));

  Control* command = form.Find(L"Command1");
  // Tab index 0 has the focus although it was created fourth.
  EXPECT_EQ(::GetFocus(), command->hWnd());
  EXPECT_EQ(form.ActiveControl(), command);
  // Keyboard order: the button, then the picture box (labels and hidden controls never take the focus).
  EXPECT_EQ(::GetNextDlgTabItem(form.hWnd(), command->hWnd(), FALSE), form.Find(L"Picture1")->hWnd());
  EXPECT_FALSE(::IsWindowVisible(form.Find(L"List1")->hWnd()));
  EXPECT_FALSE(::IsWindowVisible(form.Find(L"Text2")->hWnd()));
}

TEST(FormShow, ActiveControlStaysWhenTheFocusLeavesTheProgram) {
  Form form(L"x", 6540, 2730);
  auto& first = form.Add<CommandButton>(L"Command1", {100, 100, 1500, 400});
  first.SetTabIndex(1);
  auto& second = form.Add<TextBox>(L"Text1", {100, 700, 1500, 400});
  second.SetTabIndex(0);
  form.Show();
  EXPECT_EQ(form.ActiveControl(), &second);
  first.SetFocus();
  EXPECT_EQ(form.ActiveControl(), &first);
  // Another window takes the focus; the form remembers its control.
  Form other(L"other", 1500, 1500);
  auto& elsewhere = other.Add<TextBox>(L"Text9", {0, 0, 1000, 300});
  other.Show();
  elsewhere.SetFocus();
  ::SendMessageW(form.hWnd(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(::GetFocus(), elsewhere.hWnd());
  EXPECT_EQ(form.ActiveControl(), &first);
}

TEST(FormClose, QueryUnloadMayCancelAndClosingEndsTheLoop) {
  Form form(L"x", 1500, 1500);
  std::vector<int> modes;
  bool cancel = true;
  bool unloaded = false;
  form.OnQueryUnload = [&](bool& c, UnloadMode mode) {
    modes.push_back(static_cast<int>(mode));
    c = cancel;
  };
  form.OnUnload = [&] { unloaded = true; };
  form.Show();
  ::SendMessageW(form.hWnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(form.hWnd()));
  EXPECT_FALSE(unloaded);
  cancel = false;
  EXPECT_EQ(::SendMessageW(form.hWnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  HWND window = form.hWnd();
  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box and Alt+F4
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_TRUE(unloaded);
  EXPECT_EQ(form.hWnd(), nullptr);
  EXPECT_EQ(modes, (std::vector<int>{0, 2, 0}));
}

TEST(FormClose, DefaultUnloadPostsQuitAndTheLoopEnds) {
  auto form = std::make_unique<Form>(L"x", 1500, 1500);
  form->Show();
  form->Close();
  EXPECT_EQ(Form::RunMessageLoop(), 0);
  EXPECT_EQ(form->hWnd(), nullptr);
}

}  // namespace
}  // namespace toolkit
