#pragma once
#include <windows.h>

namespace platform {

// The message-pump step: dispatch every pending message of the calling thread, then return.
// A WM_QUIT met on the way is posted again so the thread's own loop still sees it. Keys go
// through the dialog navigation first, as in the thread's own loop (NavigateDialog).
void PumpMessages() noexcept;

// The accelerator table the message loops translate a top-level window's keys with, before its
// dialog navigation (null takes it away). The caller keeps the table alive while it is set.
void SetWindowAccelerators(HWND root, HACCEL table) noexcept;

// Hands a keyboard message to the top-level window's accelerators, then to the dialog navigation (Tab, arrow keys, mnemonics) of the top-level
// of the window it belongs to, where that window keeps its controls for the keyboard
// (WS_EX_CONTROLPARENT). True when either took it: it must not be dispatched again.
bool NavigateDialog(MSG& msg) noexcept;

}  // namespace platform
