#include "platform/unique.h"

#include <gtest/gtest.h>

#include "platform/com.h"
#include "tests/support/malloc_spy.h"
#include "tests/support/win_support.h"

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

TEST(WindowDc, ReleasesWhatItGetsAndKeepsTheLastError) {
  // Every context GetDC hands out that is not given back holds a GDI object of its own.
  const int before = testing_support::FreeGdiSlots();
  for (int i = 0; i < 2000; ++i) {
    platform::window_dc screen(nullptr);
    ASSERT_TRUE(screen) << i;
    ASSERT_GT(::GetDeviceCaps(screen.get(), LOGPIXELSX), 0);
    ::SetLastError(4321);
  }
  EXPECT_EQ(::GetLastError(), 4321u);
  EXPECT_LT(before - testing_support::FreeGdiSlots(), 10);
}

TEST(CoTaskMem, TheOwnerFreesWhatItHoldsAndNullIsFine) {
  testing_support::MallocSpy spy;
  ASSERT_TRUE(spy.Registered());
  void* memory = ::CoTaskMemAlloc(64);
  ASSERT_TRUE(spy.Outstanding(memory));
  {
    platform::unique_cotaskmem owner(memory);
    EXPECT_TRUE(owner);
  }
  EXPECT_FALSE(spy.Outstanding(memory));
  platform::unique_cotaskmem none;
  EXPECT_FALSE(none);
}

// An object that counts its references, to see what the owner does with them.
class Counted final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid != IID_IUnknown) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

TEST(ComPtr, CopiesAddAReferenceAndEveryOwnerReleasesItsOwn) {
  Counted object;
  {
    // Objects come in through GetAddressOf(), which takes the reference they were made with.
    // (mingw's Attach adds a reference of its own, unlike Microsoft's: the program never calls it.)
    platform::ComPtr<IUnknown> first;
    *first.GetAddressOf() = &object;
    EXPECT_EQ(object.references, 1u);
    platform::ComPtr<IUnknown> second = first;
    EXPECT_EQ(object.references, 2u);
    platform::ComPtr<IUnknown> third;
    EXPECT_EQ(first.As(&third), S_OK);
    EXPECT_EQ(object.references, 3u);
  }
  EXPECT_EQ(object.references, 0u);
}

}  // namespace
