#include "platform/ole.h"

#include <cmath>
#include <cstring>

namespace platform {

COLORREF ToColorRef(OleColor color) noexcept {
  if (color & 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFFu));
  return static_cast<COLORREF>(color);
}

ComPtr<IFont> MakeFont(const std::wstring& face, double points, bool bold, BYTE charset) {
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = const_cast<LPOLESTR>(face.c_str());
  desc.cySize.int64 = std::llround(points * 10000.0);  // CY: fixed point, four decimals
  desc.sWeight = static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL);
  desc.sCharset = charset;
  ComPtr<IFont> font;
  if (FAILED(::OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(font.GetAddressOf())))) return {};
  return font;
}

namespace {
// A picture of `type` around `handle`, which it owns once made.
ComPtr<IPicture> FromHandle(SHORT type, HGDIOBJ handle) {
  if (!handle) return {};
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = type;
  if (type == PICTYPE_ICON)
    desc.icon.hicon = static_cast<HICON>(handle);
  else
    desc.bmp.hbitmap = static_cast<HBITMAP>(handle);
  ComPtr<IPicture> picture;
  if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(picture.GetAddressOf()))))
    return {};
  return picture;
}
}  // namespace

ComPtr<IPicture> PictureFromIcon(HICON icon) { return FromHandle(PICTYPE_ICON, icon); }

ComPtr<IPicture> PictureFromBitmap(HBITMAP bitmap) { return FromHandle(PICTYPE_BITMAP, bitmap); }

ComPtr<IPicture> PictureFromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return {};
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return {};
  if (void* p = ::GlobalLock(memory)) {
    std::memcpy(p, bytes.data(), bytes.size());
    ::GlobalUnlock(memory);
  } else {
    ::GlobalFree(memory);
    return {};
  }
  ComPtr<IStream> stream;
  // The stream frees the memory when it goes.
  if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, stream.GetAddressOf()))) {
    ::GlobalFree(memory);
    return {};
  }
  ComPtr<IPicture> picture;
  if (FAILED(::OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.GetAddressOf()))))
    return {};
  return picture;
}

OLE_HANDLE PictureHandle(IPicture* picture) noexcept {
  OLE_HANDLE handle = 0;
  if (!picture || FAILED(picture->get_Handle(&handle))) return 0;
  return handle;
}

}  // namespace platform
