// The program's pictures and version record, read back from the resources linked into this test
// exactly as they are linked into the program.
#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "app/resources/resource_ids.h"
#include "platform/com.h"
#include "platform/unique.h"

namespace {

std::span<const BYTE> Resource(const wchar_t* type, int id) {
  HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
  if (!info) return {};
  HGLOBAL loaded = ::LoadResource(nullptr, info);
  return {static_cast<const BYTE*>(::LockResource(loaded)), ::SizeofResource(nullptr, info)};
}

#pragma pack(push, 2)
struct GroupEntry {  // one entry of an icon or cursor group resource
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(Resources, IconIs32By32With256Colours) {
  const auto group = Resource(RT_GROUP_ICON, IDI_CORVANE);
  ASSERT_EQ(group.size(), 6u + sizeof(GroupEntry));
  GroupEntry entry;
  std::memcpy(&entry, group.data() + 6, sizeof entry);
  EXPECT_EQ(entry.width, 32);
  EXPECT_EQ(entry.height, 32);
  EXPECT_EQ(entry.bitCount, 8);

  const auto image = Resource(RT_ICON, entry.id);
  ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.data(), sizeof header);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_EQ(header.biWidth, 32);
  EXPECT_EQ(header.biHeight, 64);  // colour rows and mask rows

  platform::unique_hicon icon(static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_CORVANE), IMAGE_ICON, 32, 32, 0)));
  EXPECT_TRUE(icon);
}

TEST(Resources, PointingHandIs16ColoursWithItsHotSpotTopLeft) {
  const auto group = Resource(RT_GROUP_CURSOR, IDC_POINTING_HAND);
  ASSERT_EQ(group.size(), 6u + 14u);
  WORD width, height, id;  // a cursor group entry: sizes as words, then planes, bits, bytes, id
  std::memcpy(&width, group.data() + 6, 2);
  std::memcpy(&height, group.data() + 8, 2);
  std::memcpy(&id, group.data() + 18, 2);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 64);

  const auto image = Resource(RT_CURSOR, id);
  ASSERT_GE(image.size(), 4u + sizeof(BITMAPINFOHEADER));
  WORD hotX, hotY;
  std::memcpy(&hotX, image.data(), 2);
  std::memcpy(&hotY, image.data() + 2, 2);
  EXPECT_EQ(hotX, 0);
  EXPECT_EQ(hotY, 0);
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.data() + 4, sizeof header);
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biWidth, 32);

  HCURSOR cursor = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_POINTING_HAND));
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(cursor, &info));
  platform::unique_hbitmap mask(info.hbmMask), colour(info.hbmColor);
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 0u);
  EXPECT_EQ(info.yHotspot, 0u);
}

TEST(Resources, LinkPictureIsA16By16GifWithOneTransparentColour) {
  const auto gif = Resource(RT_RCDATA, IDR_FACEBOOK_GIF);
  ASSERT_GT(gif.size(), 13u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(gif.data()), 6), "GIF89a");
  EXPECT_EQ(gif[6] | (gif[7] << 8), 16);
  EXPECT_EQ(gif[8] | (gif[9] << 8), 16);
  // The graphic control extension marks palette index 0 transparent.
  const std::string bytes(reinterpret_cast<const char*>(gif.data()), gif.size());
  const auto gce = bytes.find("\x21\xF9\x04");
  ASSERT_NE(gce, std::string::npos);
  EXPECT_EQ(gif[gce + 3] & 1, 1);
  EXPECT_EQ(gif[gce + 6], 0);

  // Windows' own picture loader reads it as a transparent 16 x 16 bitmap.
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, gif.size());
    std::memcpy(::GlobalLock(memory), gif.data(), gif.size());
    ::GlobalUnlock(memory);
    platform::ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(memory, TRUE, &stream), S_OK);
    platform::ComPtr<IPicture> picture;
    ASSERT_EQ(::OleLoadPicture(stream.Get(), static_cast<LONG>(gif.size()), FALSE, IID_IPicture,
                               reinterpret_cast<void**>(picture.GetAddressOf())),
              S_OK);
    SHORT type = 0;
    picture->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    EXPECT_EQ(::MulDiv(width, 96, 2540), 16);
    EXPECT_EQ(::MulDiv(height, 96, 2540), 16);
    DWORD attributes = 0;
    picture->get_Attributes(&attributes);
    EXPECT_TRUE(attributes & PICTURE_TRANSPARENT);
  }
  ::CoUninitialize();
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!::VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
  return std::wstring(value, length ? length - 1 : 0);
}

TEST(Resources, VersionRecordReadsBackThroughWindows) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const DWORD size = ::GetFileVersionInfoSizeW(self, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(::GetFileVersionInfoW(self, 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(CORVANE_VERSION_MINOR, CORVANE_VERSION_MAJOR));
  EXPECT_EQ(fixed->dwProductVersionLS, static_cast<DWORD>(MAKELONG(0, CORVANE_VERSION_PATCH)));
  EXPECT_EQ(VersionString(block, L"ProductName"), L"Corvane");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), CORVANE_VERSION_TEXT);
  EXPECT_EQ(VersionString(block, L"FileVersion"), CORVANE_VERSION_TEXT);
  EXPECT_EQ(VersionString(block, L"FileDescription"), L"Corvane - re-registers the data-access components");
  EXPECT_EQ(VersionString(block, L"LegalCopyright"), L"Copyright (C) 2026 Hollisk");
  // No manifest resource: the one beside the exe decides.
  EXPECT_EQ(::FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

}  // namespace
