#pragma once
#include <windows.h>

#include <string_view>

namespace platform {

// Puts `text` on the clipboard as Unicode text, owned by `owner`; false when the clipboard
// could not be had or the text not handed over (nothing is left half-done).
bool SetClipboardText(HWND owner, std::wstring_view text) noexcept;

}  // namespace platform
