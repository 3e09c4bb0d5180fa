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

// A sample form: controls in creation order with their twips and their pixels at 96 dpi
// (15 twips a pixel). The program's own window is checked where it is built.
const Row kSample[] = {
    {L"Picture1", {120, 90, 3000, 180}, {8, 6, 8 + 200, 6 + 12}},
    {L"Text2", {30, 300, 600, 300}, {2, 20, 2 + 40, 20 + 20}},
    {L"List1", {60, 720, 1500, 450}, {4, 48, 4 + 100, 48 + 30}},
    {L"Command1", {3000, 330, 2145, 495}, {200, 22, 200 + 143, 22 + 33}},
    {L"Label1", {75, 1200, 4500, 705}, {5, 80, 5 + 300, 80 + 47}},
};

void AddSample(Form& form) {
  form.Add<PictureBox>(kSample[0].name, kSample[0].twips).SetTabIndex(3);
  auto& text = form.Add<TextBox>(kSample[1].name, kSample[1].twips);
  text.SetTabIndex(2);
  text.SetVisible(false);
  auto& list = form.Add<ListBox>(kSample[2].name, kSample[2].twips);
  list.SetTabIndex(1);
  list.SetVisible(false);
  auto& button = form.Add<CheckBox>(kSample[3].name, kSample[3].twips);
  button.SetStyle(1);
  button.SetTabIndex(0);
  form.Add<Label>(kSample[4].name, kSample[4].twips).SetTabIndex(4);
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
  Form form(L"Sample & Co", 6000, 2400);
  ASSERT_TRUE(form.hWnd());
  AddSample(form);

  RECT client{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 160);
  ASSERT_EQ(form.Controls().size(), std::size(kSample));
  for (size_t i = 0; i < std::size(kSample); ++i) {
    const Control& control = *form.Controls()[i];
    EXPECT_EQ(control.Name(), kSample[i].name);  // creation order kept
    ExpectRect(ClientRectOf(form, control.hWnd()), kSample[i].at96, kSample[i].name);
  }
  EXPECT_EQ(form.Caption(), L"Sample & Co");
}

TEST(FormLayout, ScalesWithTheScreenDensity) {
  ScopedPixelsPerInch dpi(144);  // 10 twips per pixel
  Form form(L"x", 6000, 2400);
  AddSample(form);
  RECT client{};
  ::GetClientRect(form.hWnd(), &client);
  EXPECT_EQ(client.right, 600);
  EXPECT_EQ(client.bottom, 240);
  // Halves go to the even neighbour: 214.5 to 214, 49.5 to 50, 70.5 to 70, 7.5 to 8.
  ExpectRect(ClientRectOf(form, form.Find(L"Picture1")->hWnd()), {12, 9, 12 + 300, 9 + 18}, L"Picture1");
  ExpectRect(ClientRectOf(form, form.Find(L"Command1")->hWnd()), {300, 33, 300 + 214, 33 + 50}, L"Command1");
  ExpectRect(ClientRectOf(form, form.Find(L"Label1")->hWnd()), {8, 120, 8 + 450, 120 + 70}, L"Label1");
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
  Form form(L"x", 6000, 2400);
  AddSample(form);
  std::vector<std::wstring> events;
  form.OnLoad = [&] {
    events.push_back(::IsWindowVisible(form.hWnd()) ? L"load-visible" : L"load-hidden");
    events.push_back(std::to_wstring(form.Controls().size()));
  };
  form.Show();
  form.Show();
  EXPECT_EQ(events, (std::vector<std::wstring>{L"load-hidden", L"5"}));
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
  // Asked whether the session may end, the form agrees without unloading: the shutdown may
  // still be cancelled. A session that ends, cancelled or not, asks as any close does.
  EXPECT_EQ(::SendMessageW(form.hWnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  ::SendMessageW(form.hWnd(), WM_ENDSESSION, FALSE, 0);
  ::SendMessageW(form.hWnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(::IsWindow(form.hWnd()));
  cancel = false;
  HWND window = form.hWnd();
  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box and Alt+F4
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_TRUE(unloaded);
  EXPECT_EQ(form.hWnd(), nullptr);
  EXPECT_EQ(modes, (std::vector<int>{0, 2, 0}));
}

TEST(FormClose, AnEndingSessionUnloadsTheForm) {
  Form form(L"x", 1500, 1500);
  std::vector<int> modes;
  form.OnQueryUnload = [&](bool&, UnloadMode mode) { modes.push_back(static_cast<int>(mode)); };
  form.OnUnload = [] {};
  form.Show();
  HWND window = form.hWnd();
  EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(modes.empty());
  ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(modes, (std::vector<int>{2}));
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
