#include "platform/unique.h"

#include <gtest/gtest.h>

#include "platform/com.h"
#include "tests/support/import_patch.h"
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

// The undo calls of the paired-call owners, counted through the program's import table. Each
// passes the call on, then leaves a last error of its own for the owner to hide.
struct UndoCall {
  int count = 0;
  HANDLE first = nullptr;  // the window, or the context of a selection
  HANDLE second = nullptr;  // the context, or the object selected back
};
UndoCall g_endPaint, g_releaseDc, g_select;
BOOL(WINAPI* g_realEndPaint)(HWND, const PAINTSTRUCT*) = nullptr;
int(WINAPI* g_realReleaseDc)(HWND, HDC) = nullptr;
HGDIOBJ(WINAPI* g_realSelectObject)(HDC, HGDIOBJ) = nullptr;

BOOL WINAPI CountedEndPaint(HWND window, const PAINTSTRUCT* ps) {
  g_endPaint = {g_endPaint.count + 1, window, ps ? ps->hdc : nullptr};
  const BOOL result = g_realEndPaint(window, ps);
  ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return result;
}
int WINAPI CountedReleaseDc(HWND window, HDC dc) {
  g_releaseDc = {g_releaseDc.count + 1, window, dc};
  const int result = g_realReleaseDc(window, dc);
  ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return result;
}
HGDIOBJ WINAPI CountedSelectObject(HDC dc, HGDIOBJ object) {
  g_select = {g_select.count + 1, dc, object};
  const HGDIOBJ result = g_realSelectObject(dc, object);
  ::SetLastError(ERROR_INVALID_HANDLE);
  return result;
}

platform::unique_hwnd SmallWindow() {
  return platform::unique_hwnd(
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr, nullptr, nullptr));
}

TEST(PaintDc, EndsThePaintItBeganAndNoPaintThatFailed) {
  testing_support::ImportPatch patch("user32.dll", "EndPaint", reinterpret_cast<void*>(&CountedEndPaint));
  ASSERT_TRUE(patch);
  g_realEndPaint = patch.original<decltype(g_realEndPaint)>();
  g_endPaint = {};
  platform::unique_hwnd window = SmallWindow();
  ASSERT_TRUE(window);
  ::InvalidateRect(window.get(), nullptr, FALSE);
  HDC painted = nullptr;
  {
    platform::paint_dc paint(window.get());
    ASSERT_TRUE(paint);
    painted = paint.get();
    EXPECT_EQ(paint.info().hdc, painted);
    EXPECT_EQ(g_endPaint.count, 0);
    ::SetLastError(1234);
  }
  EXPECT_EQ(::GetLastError(), 1234u);
  EXPECT_EQ(g_endPaint.count, 1);
  EXPECT_EQ(g_endPaint.first, window.get());
  EXPECT_EQ(g_endPaint.second, painted);
  EXPECT_FALSE(::GetUpdateRect(window.get(), nullptr, FALSE));

  // The window is gone: BeginPaint fails, and nothing is ended.
  const HWND gone = window.get();
  window.reset();
  {
    platform::paint_dc paint(gone);
    EXPECT_FALSE(paint);
    EXPECT_EQ(paint.get(), nullptr);
  }
  EXPECT_EQ(g_endPaint.count, 1);
}

TEST(WindowDc, ReleasesTheContextItGotAndNoneThatFailed) {
  testing_support::ImportPatch patch("user32.dll", "ReleaseDC", reinterpret_cast<void*>(&CountedReleaseDc));
  ASSERT_TRUE(patch);
  g_realReleaseDc = patch.original<decltype(g_realReleaseDc)>();
  g_releaseDc = {};
  platform::unique_hwnd window = SmallWindow();
  ASSERT_TRUE(window);
  HDC got = nullptr;
  {
    platform::window_dc dc(window.get());
    ASSERT_TRUE(dc);
    got = dc.get();
    platform::window_dc moved(std::move(dc));  // one owner at a time
    EXPECT_FALSE(dc);
    EXPECT_EQ(moved.get(), got);
    ::SetLastError(1234);
  }
  EXPECT_EQ(::GetLastError(), 1234u);
  EXPECT_EQ(g_releaseDc.count, 1);
  EXPECT_EQ(g_releaseDc.first, window.get());
  EXPECT_EQ(g_releaseDc.second, got);

  const HWND gone = window.get();
  window.reset();
  {
    platform::window_dc dc(gone);
    EXPECT_FALSE(dc);
  }
  EXPECT_EQ(g_releaseDc.count, 1);
}

TEST(SelectObject, SelectsBackOnceWhatWentInAndNothingForAFailedSelection) {
  platform::unique_hdc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  platform::unique_hbrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
  const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BRUSH);
  testing_support::ImportPatch patch("gdi32.dll", "SelectObject", reinterpret_cast<void*>(&CountedSelectObject));
  ASSERT_TRUE(patch);
  g_realSelectObject = patch.original<decltype(g_realSelectObject)>();
  g_select = {};
  {
    platform::select_object selection(dc.get(), brush.get());
    EXPECT_EQ(g_select.count, 1);
    platform::select_object moved;
    moved = std::move(selection);
    EXPECT_FALSE(selection);
    EXPECT_TRUE(moved);
    EXPECT_EQ(g_select.count, 1);
    ::SetLastError(1234);
  }
  EXPECT_EQ(::GetLastError(), 1234u);
  EXPECT_EQ(g_select.count, 2);
  EXPECT_EQ(g_select.first, dc.get());
  EXPECT_EQ(g_select.second, original);

  // An object the context cannot take: asked once, never undone.
  HBRUSH deleted = ::CreateSolidBrush(RGB(4, 5, 6));
  ::DeleteObject(deleted);
  {
    platform::select_object selection(dc.get(), deleted);
    EXPECT_FALSE(selection);
  }
  EXPECT_EQ(g_select.count, 3);
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BRUSH), original);
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
