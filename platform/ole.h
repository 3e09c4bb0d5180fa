#pragma once
// The standard OLE font and picture objects, and OLE colours.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/com.h"

namespace platform {

// An OLE colour: RGB with bit 31 clear, or a system colour index in the low byte with bit 31 set.
using OleColor = std::uint32_t;
constexpr OleColor SystemColor(int index) noexcept { return 0x80000000u | static_cast<std::uint32_t>(index & 0xFF); }
constexpr OleColor kButtonFace = SystemColor(COLOR_BTNFACE);
constexpr OleColor kButtonText = SystemColor(COLOR_BTNTEXT);
constexpr OleColor kWindowBackground = SystemColor(COLOR_WINDOW);
constexpr OleColor kWindowText = SystemColor(COLOR_WINDOWTEXT);

// An OLE colour as RGB for GDI (system colours through GetSysColor).
COLORREF ToColorRef(OleColor color) noexcept;

// A font object; null when it cannot be made.
ComPtr<IFont> MakeFont(const std::wstring& face, double points, bool bold, BYTE charset = 0);

// Picture objects. Each takes ownership of the handle it is given when it succeeds; null on failure.
ComPtr<IPicture> PictureFromIcon(HICON icon);
ComPtr<IPicture> PictureFromBitmap(HBITMAP bitmap);
// A picture from file bytes (GIF, BMP, ICO, JPEG), as OLE loads it; null on failure.
ComPtr<IPicture> PictureFromBytes(std::span<const std::uint8_t> bytes);

// The picture's GDI handle, 0 for none or a failed read.
OLE_HANDLE PictureHandle(IPicture* picture) noexcept;

}  // namespace platform
