#include "platform/clipboard.h"

#include <cstring>

#include "platform/unique.h"

namespace platform {
namespace {

// OpenClipboard / CloseClipboard.
class open_clipboard {
 public:
  explicit open_clipboard(HWND owner) noexcept {
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
      open_ = ::OpenClipboard(owner) != FALSE;
      if (!open_) ::Sleep(10);
    }
  }
  open_clipboard(const open_clipboard&) = delete;
  open_clipboard& operator=(const open_clipboard&) = delete;
  ~open_clipboard() {
    if (open_) ::CloseClipboard();
  }
  explicit operator bool() const noexcept { return open_; }

 private:
  bool open_ = false;
};

}  // namespace

bool SetClipboardText(HWND owner, std::wstring_view text) noexcept {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  unique_hglobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return false;
  void* data = ::GlobalLock(memory.get());
  if (!data) return false;
  std::memcpy(data, text.data(), text.size() * sizeof(wchar_t));
  static_cast<wchar_t*>(data)[text.size()] = L'\0';
  ::GlobalUnlock(memory.get());

  const open_clipboard clipboard(owner);
  if (!clipboard || !::EmptyClipboard()) return false;
  if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
  memory.release();  // the clipboard's now
  return true;
}

}  // namespace platform
