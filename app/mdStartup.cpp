// The process entry: prepare the process, start the visual-style support, show the window and
// live in its message loop.
#include <windows.h>
#include <ole2.h>

#include "app/FrmCorvane.h"
#include "app/startup_trace.h"
#include "platform/functions.h"
#include "platform/pump.h"
#include "theme/mdXpThemeSupport.h"
#include "toolkit/form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  corvane::StartupMark("entry");
  // Elevated as it runs, the program loads nothing from its own or the current folder.
  platform::RestrictDllSearch();
  // Keep data execution prevention on; a system without the function starts the same.
  if (auto setPolicy = platform::kSetProcessDEPPolicy.get()) setPolicy(PROCESS_DEP_ENABLE);
  platform::PumpMessages();
  mdXpThemeSupport::InitThemeSupport();
  corvane::StartupMark("theme");
  // The font and picture objects are OLE's; without OLE they are simply missing.
  const bool ole = SUCCEEDED(::OleInitialize(nullptr));
  corvane::StartupMark("ole");

  corvane::FrmCorvane window;
  corvane::StartupMark("window");
  // No window (no desktop to put it on, say): nothing could ever end the loop below.
  if (!window.Form().hWnd()) {
    if (ole) ::OleUninitialize();
    return 1;
  }
  window.Show();
  corvane::StartupMark("shown");
  const int code = toolkit::Form::RunMessageLoop();
  if (ole) ::OleUninitialize();
  return code;
}
