#include "controls/progress/pcMemDC.h"

#include <gtest/gtest.h>

#include "progress_support.h"

namespace corvane {
namespace {

using progress_test::Canvas;

SIZE BitmapSize(HDC dc) {
  BITMAP bm{};
  ::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm);
  return SIZE{bm.bmWidth, bm.bmHeight};
}

void Paint(HDC dc, int x, int y, int w, int h, COLORREF c) {
  platform::unique_hbrush brush(::CreateSolidBrush(c));
  const RECT r{x, y, x + w, y + h};
  ::FillRect(dc, &r, brush.get());
}

TEST(MemDC, NewObjectIsEmptyAndMakesNothingForEmptyRequests) {
  pcMemDC mem;
  EXPECT_EQ(mem.Width(), 0);
  EXPECT_EQ(mem.Height(), 0);
  EXPECT_EQ(mem.hDC(0, 0), nullptr);
  EXPECT_EQ(mem.hDC(0, 5), nullptr);
  EXPECT_EQ(mem.hDC(5, -1), nullptr);
  EXPECT_EQ(mem.hDC(-3, -3), nullptr);
  EXPECT_FALSE(mem.HasSurface());
  EXPECT_EQ(mem.SurfacesMade(), 0u);
}

TEST(MemDC, GrowsToExactlyTheRequestAndReusesAFittingSurface) {
  pcMemDC mem;
  const HDC first = mem.hDC(100, 20);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(mem.Width(), 100);
  EXPECT_EQ(mem.Height(), 20);
  const SIZE made = BitmapSize(first);
  EXPECT_EQ(made.cx, 100);
  EXPECT_EQ(made.cy, 20);
  // The display's colour format, not one bit per pixel.
  BITMAP bm{};
  ::GetObjectW(::GetCurrentObject(first, OBJ_BITMAP), sizeof bm, &bm);
  EXPECT_GT(bm.bmBitsPixel, 1);

  // A fitting request reuses the surface and its pixels.
  Paint(first, 0, 0, 100, 20, RGB(10, 200, 30));
  EXPECT_EQ(mem.hDC(50, 10), first);
  EXPECT_EQ(mem.Width(), 100);
  EXPECT_EQ(mem.Height(), 20);
  EXPECT_EQ(::GetPixel(first, 99, 19), RGB(10, 200, 30));
  EXPECT_EQ(mem.SurfacesMade(), 1u);

  // Wider: a new surface of exactly the request, so the height shrinks.
  const HGDIOBJ oldBitmap = ::GetCurrentObject(first, OBJ_BITMAP);
  const HDC second = mem.hDC(120, 10);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(mem.Width(), 120);
  EXPECT_EQ(mem.Height(), 10);
  EXPECT_EQ(BitmapSize(second).cx, 120);
  EXPECT_EQ(BitmapSize(second).cy, 10);
  EXPECT_EQ(mem.SurfacesMade(), 2u);
  EXPECT_EQ(::GetObjectType(oldBitmap), 0u) << "the old bitmap was not released";

  // Taller only: 120 x 10 asked for 80 x 60 becomes 80 x 60.
  ASSERT_NE(mem.hDC(80, 60), nullptr);
  EXPECT_EQ(mem.Width(), 80);
  EXPECT_EQ(mem.Height(), 60);
}

TEST(MemDC, DimensionSetters) {
  pcMemDC mem;
  mem.SetWidth(10);
  EXPECT_FALSE(mem.HasSurface());
  EXPECT_EQ(mem.Width(), 10);
  mem.SetHeight(5);
  ASSERT_TRUE(mem.HasSurface());
  EXPECT_EQ(BitmapSize(mem.hDC(10, 5)).cx, 10);
  EXPECT_EQ(BitmapSize(mem.hDC(10, 5)).cy, 5);
  EXPECT_EQ(mem.SurfacesMade(), 1u);
  // The same value does nothing.
  mem.SetWidth(10);
  mem.SetHeight(5);
  EXPECT_EQ(mem.SurfacesMade(), 1u);
  // A new value on a live surface re-makes it at the recorded size.
  mem.SetWidth(30);
  EXPECT_EQ(mem.SurfacesMade(), 2u);
  EXPECT_EQ(mem.Width(), 30);
  EXPECT_EQ(BitmapSize(mem.hDC(1, 1)).cx, 30);
  EXPECT_EQ(BitmapSize(mem.hDC(1, 1)).cy, 5);
  // A non-positive value on a live surface releases it and keeps the recorded values.
  mem.SetHeight(0);
  EXPECT_FALSE(mem.HasSurface());
  EXPECT_EQ(mem.Width(), 30);
  EXPECT_EQ(mem.Height(), 0);
}

TEST(MemDC, DrawCopiesTheRecordedSizeForWidthsBelowOne) {
  pcMemDC mem;
  const HDC dc = mem.hDC(10, 5);
  ASSERT_NE(dc, nullptr);
  Paint(dc, 0, 0, 10, 5, RGB(200, 0, 0));
  Paint(dc, 9, 4, 1, 1, RGB(0, 0, 200));
  Canvas canvas(20, 12, RGB(255, 255, 255));
  mem.Draw(canvas.dc(), 0, 0, 0, -7, 2, 3);
  EXPECT_EQ(canvas.CountIn(0, 0, 20, 12, RGB(200, 0, 0)), 49);
  EXPECT_EQ(canvas.At(2, 3), RGB(200, 0, 0));
  EXPECT_EQ(canvas.At(11, 7), RGB(0, 0, 200));
  EXPECT_EQ(canvas.At(12, 7), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(11, 8), RGB(255, 255, 255));
  // An explicit part of the surface.
  Canvas part(4, 4, RGB(255, 255, 255));
  mem.Draw(part.dc(), 8, 3, 2, 2, 1, 1);
  EXPECT_EQ(part.At(1, 1), RGB(200, 0, 0));
  EXPECT_EQ(part.At(2, 2), RGB(0, 0, 200));
  EXPECT_EQ(part.At(3, 3), RGB(255, 255, 255));
  // On an empty object Draw copies nothing.
  pcMemDC empty;
  empty.Draw(part.dc(), 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(part.At(0, 0), RGB(255, 255, 255));
}

TEST(MemDC, CreateFromPictureCopiesTheBitmap) {
  const auto colour = [](int x, int y) { return RGB(x * 15, y * 30, (x + y) % 2 ? 255 : 0); };
  auto pic = progress_test::BitmapPicture(16, 8, colour);
  ASSERT_TRUE(pic);
  pcMemDC mem;
  ASSERT_TRUE(mem.CreateFromPicture(pic.Get()));
  EXPECT_EQ(mem.Width(), 16);
  EXPECT_EQ(mem.Height(), 8);
  EXPECT_EQ(mem.SurfacesMade(), 1u);
  Canvas canvas(16, 8);
  mem.Draw(canvas.dc(), 0, 0, 0, 0, 0, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(canvas.At(x, y), colour(x, y)) << x << "," << y;
  // A copy: the picture's bitmap can change or go without touching the surface.
  pic.Reset();
  canvas.Fill(0);
  mem.Draw(canvas.dc(), 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(canvas.At(15, 7), colour(15, 7));
}

TEST(MemDC, CreateFromPictureWithAnIconLeavesTheObjectEmpty) {
  auto icon = progress_test::IconPicture();
  ASSERT_TRUE(icon);
  pcMemDC mem;
  EXPECT_TRUE(mem.CreateFromPicture(icon.Get()));
  EXPECT_FALSE(mem.HasSurface());
  EXPECT_EQ(mem.Width(), 0);
  EXPECT_EQ(mem.Height(), 0);
  EXPECT_EQ(mem.CreateFromPicture(nullptr).error(), E_POINTER);
}

TEST(MemDC, EndOfLifeAndFailedCreationReleaseEverything) {
  HGDIOBJ bitmap = nullptr;
  HDC dc = nullptr;
  {
    pcMemDC mem;
    dc = mem.hDC(64, 64);
    ASSERT_NE(dc, nullptr);
    bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    ASSERT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
  }
  EXPECT_EQ(::GetObjectType(bitmap), 0u);
  EXPECT_EQ(::GetObjectType(dc), 0u);

  // A surface the system cannot make leaves the object empty, the old surface released.
  pcMemDC mem;
  const HDC live = mem.hDC(8, 8);
  ASSERT_NE(live, nullptr);
  const HGDIOBJ liveBitmap = ::GetCurrentObject(live, OBJ_BITMAP);
  EXPECT_EQ(mem.hDC(0x7FFFFFFF, 0x7FFFFFFF), nullptr);
  EXPECT_FALSE(mem.HasSurface());
  EXPECT_EQ(mem.Width(), 0);
  EXPECT_EQ(mem.Height(), 0);
  EXPECT_EQ(::GetObjectType(liveBitmap), 0u);
  EXPECT_EQ(::GetObjectType(live), 0u);
  // And it recovers at the next request.
  EXPECT_NE(mem.hDC(8, 8), nullptr);
}

}  // namespace
}  // namespace corvane
