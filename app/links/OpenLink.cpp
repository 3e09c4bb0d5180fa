#include "app/links/OpenLink.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "platform/com.h"
#include "platform/functions.h"
#include "platform/unique.h"

namespace corvane {
namespace {

// A BSTR owned for the length of a call.
class Bstr {
 public:
  explicit Bstr(const wchar_t* text) noexcept : value_(::SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(value_); }
  BSTR get() const noexcept { return value_; }

 private:
  BSTR value_;
};

// The desktop's own shell (Explorer, running with the user's rights) asked to open `address`:
// shell windows -> the desktop -> its browser -> its view -> the view's automation object ->
// the shell's automation object -> ShellExecute.
HRESULT OpenThroughTheDesktop(const wchar_t* address) {
  const auto create = platform::kCoCreateInstance.get();
  if (!create) return E_NOTIMPL;
  platform::ComPtr<IShellWindows> windows;
  HRESULT hr = create(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                      reinterpret_cast<void**>(windows.GetAddressOf()));
  if (FAILED(hr)) return hr;
  VARIANT location{}, root{};  // VT_EMPTY: the desktop
  long window = 0;
  platform::ComPtr<IDispatch> desktop;
  hr = windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.GetAddressOf());
  if (hr != S_OK || !desktop) return FAILED(hr) ? hr : E_FAIL;
  platform::ComPtr<IServiceProvider> services;
  if (FAILED(hr = desktop.As(&services))) return hr;
  platform::ComPtr<IShellBrowser> browser;
  hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(browser.GetAddressOf()));
  if (FAILED(hr)) return hr;
  platform::ComPtr<IShellView> view;
  if (FAILED(hr = browser->QueryActiveShellView(view.GetAddressOf()))) return hr;
  platform::ComPtr<IDispatch> background;
  hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.GetAddressOf()));
  if (FAILED(hr)) return hr;
  platform::ComPtr<IShellFolderViewDual> folderView;
  if (FAILED(hr = background.As(&folderView))) return hr;
  platform::ComPtr<IDispatch> application;
  if (FAILED(hr = folderView->get_Application(application.GetAddressOf()))) return hr;
  platform::ComPtr<IShellDispatch2> shell;
  if (FAILED(hr = application.As(&shell))) return hr;
  const Bstr file(address), operation(L"open");
  VARIANT arguments{}, directory{}, verb{}, show{};
  verb.vt = VT_BSTR;
  verb.bstrVal = operation.get();
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return shell->ShellExecute(file.get(), arguments, directory, verb, show);
}

}  // namespace

std::optional<bool> IsElevated() {
  const auto openToken = platform::kOpenProcessToken.get();
  const auto query = platform::kGetTokenInformation.get();
  if (!openToken || !query) return std::nullopt;
  platform::unique_handle token;
  if (!openToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (query(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return elevation.TokenIsElevated != 0;
  // Windows before elevation existed knows no such class of token information.
  if (::GetLastError() == ERROR_INVALID_PARAMETER) return false;
  return std::nullopt;
}

void OpenLink(HWND owner, const wchar_t* address) {
  const auto elevated = IsElevated();
  if (!elevated) return;  // an elevated process would start the browser with its rights
  if (*elevated) {
    OpenThroughTheDesktop(address);  // what it answers changes nothing: no fallback
    return;
  }
  if (auto open = platform::kShellExecuteW.get()) open(owner, L"open", address, L"", L"", SW_SHOWNORMAL);
}

}  // namespace corvane
