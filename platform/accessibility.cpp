#include "platform/accessibility.h"

#include <oleacc.h>

#include "platform/com.h"
#include "platform/functions.h"

namespace platform {
namespace {

ComPtr<IAccPropServices> PropertyService() noexcept {
  ComPtr<IAccPropServices> service;
  const auto create = kCoCreateInstance.get();
  if (!create) return service;
  if (FAILED(create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                    reinterpret_cast<void**>(service.GetAddressOf()))))
    service.Reset();
  return service;
}

}  // namespace

bool AnnotateRole(HWND window, LONG role) noexcept {
  if (!window) return false;
  const auto service = PropertyService();
  if (!service) return false;
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = role;
  return SUCCEEDED(service->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE, value));
}

void ClearRole(HWND window) noexcept {
  if (!window) return;
  if (const auto service = PropertyService()) {
    MSAAPROPID props[] = {PROPID_ACC_ROLE};
    service->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props, 1);
  }
}

void RaiseNameChange(HWND window) noexcept {
  if (window) ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace platform
