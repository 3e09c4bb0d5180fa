#pragma once
#include <windows.h>

namespace platform {

// The message-pump step: dispatch every pending message of the calling thread, then return.
// A WM_QUIT met on the way is posted again so the thread's own loop still sees it. Keys go
// through the dialog navigation first, as in the thread's own loop (NavigateDialog).
void PumpMessages() noexcept;

// Hands a keyboard message to the dialog navigation (Tab, arrow keys, mnemonics) of the top-level
// window it belongs to, where that window keeps its controls for the keyboard
// (WS_EX_CONTROLPARENT). True when the navigation took it: it must not be dispatched again.
bool NavigateDialog(MSG& msg) noexcept;

}  // namespace platform
