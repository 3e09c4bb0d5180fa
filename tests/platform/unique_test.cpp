#include "platform/unique.h"

#include <gtest/gtest.h>

#include "platform/com.h"

namespace {

bool IsOpenHandle(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, ClosesOnceAndKeepsTheLastError) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(IsOpenHandle(raw));
  {
    platform::unique_handle owner(raw);
    EXPECT_TRUE(owner);
    ::SetLastError(1234);
  }
  EXPECT_EQ(::GetLastError(), 1234u);
  EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(UniqueHandle, MoveReleaseAndPut) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  platform::unique_handle a(raw);
  platform::unique_handle b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(b.get(), raw);
  HANDLE released = b.release();
  EXPECT_FALSE(b);
  EXPECT_TRUE(IsOpenHandle(released));
  platform::unique_handle c;
  *c.put() = released;
  c.reset();
  EXPECT_FALSE(IsOpenHandle(released));
}

TEST(SelectObject, PutsThePreviousObjectBack) {
  platform::unique_hdc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  platform::unique_hbrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
  const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BRUSH);
  {
    platform::select_object selection(dc.get(), brush.get());
    EXPECT_TRUE(selection);
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BRUSH), original);
  // Nothing to select: nothing to undo.
  platform::select_object none(dc.get(), nullptr);
  EXPECT_FALSE(none);
}

TEST(GdiOwners, ManyObjectsComeAndGoWithoutExhaustingGdi) {
  for (int i = 0; i < 20000; ++i) {
    platform::unique_hdc dc(::CreateCompatibleDC(nullptr));
    platform::unique_hbitmap bitmap(::CreateCompatibleBitmap(dc.get(), 8, 8));
    platform::select_object selection(dc.get(), bitmap.get());
    platform::unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    ASSERT_TRUE(dc && bitmap && selection && pen) << "at " << i;
  }
}

TEST(WindowDc, ScreenContext) {
  platform::window_dc screen(nullptr);
  ASSERT_TRUE(screen);
  EXPECT_GT(::GetDeviceCaps(screen.get(), LOGPIXELSX), 0);
}

TEST(CoTaskMem, NullIsFineAndMemoryIsFreed) {
  platform::unique_cotaskmem none;
  EXPECT_FALSE(none);
  platform::unique_cotaskmem some(::CoTaskMemAlloc(64));
  EXPECT_TRUE(some);
}

TEST(ComPtr, HoldsAndReleasesAnOleObject) {
  platform::ComPtr<IUnknown> unknown;
  ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(unknown.GetAddressOf())), S_OK);
  platform::ComPtr<IStream> stream;
  EXPECT_EQ(unknown.As(&stream), S_OK);
  EXPECT_TRUE(stream);
}

}  // namespace
