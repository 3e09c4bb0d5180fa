#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/dib.h"

namespace toolkit {
namespace {

using testing_support::Dib;

// 4 x 4, blue, with its top-left and bottom-right pixels transparent.
const std::uint8_t kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x04, 0x00, 0xf0, 0x00, 0x00, 0x00, 0x00,
                             0xff, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x01, 0x00, 0x2c, 0x00, 0x00,
                             0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x02, 0x04, 0x0c, 0x8e, 0x99, 0x51, 0x00, 0x3b};

class Controls : public ::testing::Test {
 protected:
  void SetUp() override { SetScreenPixelsPerInchOverride(96); }
  void TearDown() override { SetScreenPixelsPerInchOverride(0); }
  Form form{L"Controls", 6540, 2730};
};

TEST_F(Controls, EachKindOffersOnlyItsOwnProperties) {
  auto& check = form.Add<CheckBox>(L"Command1", {0, 0, 1500, 450});
  auto& command = form.Add<CommandButton>(L"Command2", {0, 500, 1500, 450});
  auto& option = form.Add<OptionButton>(L"Option1", {0, 1000, 1500, 450});
  auto& frame = form.Add<Frame>(L"Frame1", {2000, 0, 1500, 1500});
  auto& label = form.Add<Label>(L"Label1", {4000, 0, 1500, 300});
  auto& image = form.Add<Image>(L"Image1", {4000, 500, 240, 240});
  auto& picture = form.Add<PictureBox>(L"Picture1", {4000, 1000, 1500, 300});
  auto& list = form.Add<ListBox>(L"List1", {0, 1500, 1500, 600});
  auto& text = form.Add<TextBox>(L"Text1", {2000, 1600, 1500, 300});

  // Kinds tell themselves apart.
  EXPECT_EQ(check.Kind(), ControlKind::CheckBox);
  EXPECT_EQ(command.Kind(), ControlKind::CommandButton);
  EXPECT_EQ(option.Kind(), ControlKind::OptionButton);
  EXPECT_EQ(frame.Kind(), ControlKind::Frame);

  // Buttons: style, value, pictures, colours; only the command button has Default.
  for (Control* c : std::initializer_list<Control*>{&check, &command, &option}) {
    EXPECT_EQ(c->Style(), 0) << c->Name().size();
    EXPECT_TRUE(c->Value().has_value());
    EXPECT_TRUE(c->Picture().has_value());
    EXPECT_FALSE(c->Picture()->Get());  // present, no picture
    EXPECT_TRUE(c->DownPicture().has_value());
    EXPECT_TRUE(c->DisabledPicture().has_value());
    EXPECT_EQ(c->BackColor(), kButtonFace);
    EXPECT_EQ(c->UseMaskColor(), false);
    EXPECT_TRUE(c->MaskColor().has_value());
    EXPECT_EQ(c->Parent(), &form);
  }
  EXPECT_FALSE(check.Default().has_value());
  EXPECT_FALSE(option.Default().has_value());
  EXPECT_EQ(command.Default(), 0);
  command.SetDefault(true);
  EXPECT_EQ(command.Default(), -1);  // true reads -1
  EXPECT_TRUE(::GetWindowLongPtrW(command.hWnd(), GWL_STYLE) & BS_DEFPUSHBUTTON);

  // Everything else lacks the button properties.
  for (Control* c : std::initializer_list<Control*>{&frame, &label, &image, &picture, &list, &text}) {
    EXPECT_FALSE(c->Style().has_value());
    EXPECT_FALSE(c->Value().has_value());
    EXPECT_FALSE(c->Default().has_value());
    EXPECT_FALSE(c->DownPicture().has_value());
    EXPECT_FALSE(c->UseMaskColor().has_value());
    EXPECT_FALSE(c->MaskColor().has_value());
  }
  EXPECT_FALSE(image.Caption().has_value());
  EXPECT_FALSE(image.Font().has_value());
  EXPECT_FALSE(image.BackColor().has_value());
  EXPECT_TRUE(image.Picture().has_value());
  EXPECT_FALSE(label.Picture().has_value());
  EXPECT_TRUE(frame.Caption().has_value());
  EXPECT_TRUE(picture.Picture().has_value());
}

TEST_F(Controls, GraphicalStyleMakesPushLikeButtons) {
  auto& check = form.Add<CheckBox>(L"Command1", {0, 0, 1500, 450});
  auto& option = form.Add<OptionButton>(L"Option1", {0, 500, 1500, 450});
  auto& command = form.Add<CommandButton>(L"Command2", {0, 1000, 1500, 450});
  check.SetStyle(1);
  option.SetStyle(1);
  command.SetStyle(1);
  EXPECT_EQ(check.Style(), 1);
  EXPECT_EQ(command.Style(), 1);
  EXPECT_TRUE(::GetWindowLongPtrW(check.hWnd(), GWL_STYLE) & BS_PUSHLIKE);
  EXPECT_TRUE(::GetWindowLongPtrW(option.hWnd(), GWL_STYLE) & BS_PUSHLIKE);
  EXPECT_EQ(::GetWindowLongPtrW(check.hWnd(), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  check.SetStyle(0);
  EXPECT_FALSE(::GetWindowLongPtrW(check.hWnd(), GWL_STYLE) & BS_PUSHLIKE);

  check.SetValue(1);
  EXPECT_EQ(check.Value(), 1);
  EXPECT_EQ(::SendMessageW(check.hWnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
  check.SetValue(0);
  EXPECT_EQ(check.Value(), 0);
  option.SetValue(true);
  EXPECT_EQ(option.Value(), -1);
  check.SetCaption(L"Repair Now");
  EXPECT_EQ(check.Caption(), L"Repair Now");
}

TEST_F(Controls, CheckBoxFiresMouseUpForLeftAndRightAfterToggling) {
  auto& check = form.Add<CheckBox>(L"Command1", {4320, 330, 2145, 495});
  check.SetStyle(1);
  form.Show();
  std::vector<std::tuple<int, int, int, int, int>> seen;  // button, shift, x, y, value at the event
  check.OnMouseUp = [&](int button, int shift, int x, int y) {
    seen.emplace_back(button, shift, x, y, check.Value().value());
  };

  ::SendMessageW(check.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
  ::SendMessageW(check.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
  ::SendMessageW(check.hWnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 6));
  ::SendMessageW(check.hWnd(), WM_RBUTTONUP, MK_SHIFT, MAKELPARAM(20, 6));

  ASSERT_EQ(seen.size(), 2u);
  // The left release has toggled the box before the event runs; x and y are in twips.
  EXPECT_EQ(seen[0], std::make_tuple(kLeftButton, 0, 150, 75, 1));
  // A right release changes nothing but still reports, with the shift key.
  EXPECT_EQ(seen[1], std::make_tuple(kRightButton, kShiftMask, 300, 90, 1));
}

TEST_F(Controls, ListAndTextHoldTheirData) {
  auto& list = form.Add<ListBox>(L"List1", {1410, 390, 2865, 570});
  auto& text = form.Add<TextBox>(L"Text2", {30, 720, 255, 270});
  list.SetVisible(false);
  text.SetVisible(false);
  EXPECT_EQ(list.ListCount(), 0);
  list.AddItem(L"regsvr32 /s \"%CommonProgramFiles%\\System\\ado\\msado15.dll\"");
  list.AddItem(L"second");
  EXPECT_EQ(list.ListCount(), 2);
  EXPECT_EQ(list.List(0), L"regsvr32 /s \"%CommonProgramFiles%\\System\\ado\\msado15.dll\"");
  EXPECT_EQ(list.List(1), L"second");
  EXPECT_EQ(list.List(2), L"");
  EXPECT_EQ(list.List(-1), L"");
  text.SetText(L"\"");
  EXPECT_EQ(text.Text(), L"\"");
  EXPECT_FALSE(list.Visible());
  EXPECT_FALSE(::IsWindowVisible(text.hWnd()));
}

TEST_F(Controls, LabelDrawsItsTextColourWrappedAndAligned) {
  auto& label = form.Add<Label>(L"Label4", {0, 0, 1500, 900});
  label.SetCaption(L"Follow Hollisk on Facebook");
  label.SetForeColor(SystemColor(COLOR_HIGHLIGHT));
  label.SetAlignment(Alignment::Center);
  EXPECT_EQ(::GetWindowLongPtrW(label.hWnd(), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(label.Caption(), L"Follow Hollisk on Facebook");

  Dib dib(100, 60);
  ::SendMessageW(label.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()), PRF_CLIENT);
  const COLORREF text = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(dib.At(0, 59), face);
  EXPECT_GT(dib.Count(text), 10);
  // 100 pixels cannot hold the caption on one line: text on a second line further down.
  int lastRow = -1;
  for (int y = 0; y < 60; ++y)
    if (dib.Count(text, RECT{0, y, 100, y + 1})) lastRow = y;
  int firstRow = 60;
  for (int y = 59; y >= 0; --y)
    if (dib.Count(text, RECT{0, y, 100, y + 1})) firstRow = y;
  EXPECT_GT(lastRow - firstRow, 15);
}

TEST_F(Controls, LabelAndImageClickAlikeOnReleaseInsideOncePerClick) {
  auto& label = form.Add<Label>(L"Label4", {330, 2460, 2340, 180});
  auto& image = form.Add<Image>(L"Image2", {60, 2430, 240, 240});
  HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
  label.SetMouseIcon(hand);
  label.SetMousePointer(MousePointer::Custom);
  image.SetMouseIcon(hand);
  image.SetMousePointer(MousePointer::Custom);
  form.Show();
  int labelClicks = 0, imageClicks = 0;
  label.OnClick = [&] { ++labelClicks; };
  image.OnClick = [&] { ++imageClicks; };

  // Through the queue, as the mouse sends them.
  const auto post = [](HWND window, UINT message, WPARAM keys, int x, int y) {
    ::PostMessageW(window, message, keys, MAKELPARAM(x, y));
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  };
  for (auto [control, clicks] : {std::pair<Control*, int*>{&label, &labelClicks}, {&image, &imageClicks}}) {
    const HWND w = control->hWnd();
    const std::wstring& name = control->Name();
    // Both classes send the second press of a double click as WM_LBUTTONDBLCLK.
    EXPECT_TRUE(::GetClassLongPtrW(w, GCL_STYLE) & CS_DBLCLKS) << name;

    // Pressed, dragged away and released outside: the mouse stays with the control, no click.
    post(w, WM_LBUTTONDOWN, MK_LBUTTON, 3, 3);
    EXPECT_EQ(*clicks, 0) << name << ": nothing on the press";
    EXPECT_EQ(::GetCapture(), w) << name;
    post(w, WM_LBUTTONUP, 0, 400, 3);
    EXPECT_EQ(*clicks, 0) << name;
    EXPECT_EQ(::GetCapture(), nullptr) << name;

    // A click: once, on the release.
    post(w, WM_LBUTTONDOWN, MK_LBUTTON, 3, 3);
    post(w, WM_LBUTTONUP, 0, 3, 3);
    EXPECT_EQ(*clicks, 1) << name;

    // A double click counts as one click.
    post(w, WM_LBUTTONDOWN, MK_LBUTTON, 3, 3);
    post(w, WM_LBUTTONUP, 0, 3, 3);
    post(w, WM_LBUTTONDBLCLK, MK_LBUTTON, 3, 3);
    post(w, WM_LBUTTONUP, 0, 3, 3);
    EXPECT_EQ(*clicks, 2) << name;

    // Another window took the mouse between press and release: no click.
    post(w, WM_LBUTTONDOWN, MK_LBUTTON, 3, 3);
    ::SetCapture(form.hWnd());
    ::ReleaseCapture();
    post(w, WM_LBUTTONUP, 0, 3, 3);
    EXPECT_EQ(*clicks, 2) << name;
  }

  // The pointer over either shows the custom cursor; elsewhere the arrow.
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(label.hWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(label.hWnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), hand);
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(image.hWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(image.hWnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), hand);
  ::SendMessageW(form.hWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.hWnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(Controls, ImageKeepsTransparentPixels) {
  auto& image = form.Add<Image>(L"Image2", {60, 2430, 240, 240});
  auto picture = PictureFromBytes(kGif);
  ASSERT_TRUE(picture);
  image.SetPicture(picture);
  EXPECT_EQ(image.Picture()->Get(), picture.Get());

  Dib dib(16, 16, RGB(1, 2, 3));
  ::SendMessageW(image.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()), PRF_CLIENT);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(dib.At(0, 0), face);  // transparent: the form shows through
  EXPECT_EQ(dib.At(3, 3), face);
  EXPECT_EQ(dib.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(dib.At(2, 2), RGB(0, 0, 255));
  EXPECT_EQ(dib.At(3, 0), RGB(0, 0, 255));
  EXPECT_EQ(dib.At(4, 0), face);  // beyond the picture's 4 pixels
  EXPECT_EQ(dib.Count(RGB(0, 0, 255)), 14);

  // Painted as well: the window's own surface holds the same pixels. Read from the window, not
  // the screen, where another test program's window may lie on top.
  form.Show();
  ::UpdateWindow(form.hWnd());
  ::UpdateWindow(image.hWnd());
  HDC own = ::GetDC(image.hWnd());
  EXPECT_EQ(::GetPixel(own, 0, 0), face);
  EXPECT_EQ(::GetPixel(own, 1, 0), RGB(0, 0, 255));
  ::ReleaseDC(image.hWnd(), own);
}

TEST_F(Controls, PictureBoxOwnsItsContextAndPaintsThroughTheEvent) {
  auto& box = form.Add<PictureBox>(L"Picture1", {120, 90, 6285, 180});
  EXPECT_TRUE(::GetClassLongPtrW(box.hWnd(), GCL_STYLE) & CS_OWNDC);
  HDC dc = box.hDC();
  ASSERT_TRUE(dc);
  EXPECT_EQ(box.hDC(), dc);  // the same context every time
  EXPECT_EQ(::WindowFromDC(dc), box.hWnd());
  int paints = 0;
  box.OnPaint = [&] {
    ++paints;
    RECT client{};
    ::GetClientRect(box.hWnd(), &client);
    HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
    ::FillRect(box.hDC(), &client, red);
    ::DeleteObject(red);
  };
  form.Show();
  ::InvalidateRect(box.hWnd(), nullptr, TRUE);
  ::UpdateWindow(box.hWnd());
  EXPECT_GE(paints, 1);
  HDC screen = ::GetDC(nullptr);
  POINT origin{0, 0};
  ::ClientToScreen(box.hWnd(), &origin);
  EXPECT_EQ(::GetPixel(screen, origin.x, origin.y), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(screen, origin.x + 418, origin.y + 11), RGB(255, 0, 0));
  ::ReleaseDC(nullptr, screen);
}

TEST(OleColors, SystemColoursResolveThroughTheSystem) {
  EXPECT_EQ(ToColorRef(SystemColor(COLOR_HIGHLIGHT)), ::GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(ToColorRef(0x8000000F), ::GetSysColor(15));
  EXPECT_EQ(ToColorRef(RGB(1, 2, 3)), RGB(1, 2, 3));
}

}  // namespace
}  // namespace toolkit
