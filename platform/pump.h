#pragma once

namespace platform {

// The message-pump step: dispatch every pending message of the calling thread, then return.
// A WM_QUIT met on the way is posted again so the thread's own loop still sees it.
void PumpMessages() noexcept;

}  // namespace platform
