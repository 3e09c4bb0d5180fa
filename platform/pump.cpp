#include "platform/pump.h"

namespace platform {

bool NavigateDialog(MSG& msg) noexcept {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  if (!root || !(::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)) return false;
  return ::IsDialogMessageW(root, &msg) != FALSE;
}

void PumpMessages() noexcept {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    // Without this, Tab would do nothing while a run holds the thread.
    if (NavigateDialog(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace platform
