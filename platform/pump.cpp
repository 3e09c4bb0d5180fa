#include "platform/pump.h"

namespace platform {
namespace {
constexpr wchar_t kAcceleratorsProperty[] = L"corvane.accelerators";
}  // namespace

void SetWindowAccelerators(HWND root, HACCEL table) noexcept {
  if (!root) return;
  if (table)
    ::SetPropW(root, kAcceleratorsProperty, table);
  else
    ::RemovePropW(root, kAcceleratorsProperty);
}

bool NavigateDialog(MSG& msg) noexcept {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  if (!root) return false;
  // Wherever the focus is in the window, its own keys (Ctrl+C, say) reach it.
  if (const auto table = static_cast<HACCEL>(::GetPropW(root, kAcceleratorsProperty));
      table && ::TranslateAcceleratorW(root, table, &msg)) {
    return true;
  }
  if (!(::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)) return false;
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
