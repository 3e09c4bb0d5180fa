#include "platform/accessibility.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/bind.h"
#include "platform/unique.h"

namespace {

// The system's property service as a recorder: Wine has none that works (E_NOTIMPL).
class RecordingService final : public IAccPropServices {
 public:
  struct Set {
    HWND window;
    DWORD object, child;
    GUID prop;
    VARTYPE type;
    LONG value;
  };
  struct Clear {
    HWND window;
    DWORD object, child;
    std::vector<GUID> props;
  };
  std::vector<Set> sets;
  std::vector<Clear> clears;
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IAccPropServices) return *out = nullptr, E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE SetHwndProp(HWND window, DWORD object, DWORD child, MSAAPROPID prop,
                                        VARIANT value) override {
    sets.push_back({window, object, child, prop, value.vt, value.vt == VT_I4 ? value.lVal : 0});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND window, DWORD object, DWORD child, const MSAAPROPID* props,
                                           int count) override {
    clears.push_back({window, object, child, std::vector<GUID>(props, props + count)});
    return S_OK;
  }
  // Nothing else is asked for.
  HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                          AnnoScope) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND, DWORD, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                              AnnoScope) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                               AnnoScope) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }
};

RecordingService g_service;
int g_creates = 0;

HRESULT WINAPI CreateRecordingService(REFCLSID clsid, IUnknown*, DWORD, REFIID iid, void** out) {
  ++g_creates;
  if (clsid != CLSID_AccPropServices) return *out = nullptr, REGDB_E_CLASSNOTREG;
  return g_service.QueryInterface(iid, out);
}

TEST(Accessibility, TheRoleIsAnnotatedOnTheClientObjectAndTakenBack) {
  platform::unique_hwnd window(::CreateWindowW(L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                               nullptr, nullptr));
  ASSERT_TRUE(window);
  platform::SetFunctionOverride("CoCreateInstance", reinterpret_cast<void*>(&CreateRecordingService));
  const bool annotated = platform::AnnotateRole(window.get(), ROLE_SYSTEM_PROGRESSBAR);
  platform::ClearRole(window.get());
  platform::SetFunctionOverride("CoCreateInstance", nullptr);

  EXPECT_TRUE(annotated);
  ASSERT_EQ(g_service.sets.size(), 1u);
  const auto& set = g_service.sets[0];
  EXPECT_EQ(set.window, window.get());
  EXPECT_EQ(set.object, static_cast<DWORD>(OBJID_CLIENT));
  EXPECT_EQ(set.child, static_cast<DWORD>(CHILDID_SELF));
  EXPECT_EQ(set.prop, PROPID_ACC_ROLE);
  EXPECT_EQ(set.type, VT_I4);
  EXPECT_EQ(set.value, ROLE_SYSTEM_PROGRESSBAR);
  ASSERT_EQ(g_service.clears.size(), 1u);
  EXPECT_EQ(g_service.clears[0].window, window.get());
  EXPECT_EQ(g_service.clears[0].object, static_cast<DWORD>(OBJID_CLIENT));
  EXPECT_EQ(g_service.clears[0].props, std::vector<GUID>{PROPID_ACC_ROLE});
  EXPECT_EQ(g_service.refs, 1u) << "every reference given back";

  // No service (COM switched off, or the system's answer E_NOTIMPL as under Wine): no annotation.
  g_creates = 0;
  platform::SetFunctionUnavailable("CoCreateInstance", true);
  EXPECT_FALSE(platform::AnnotateRole(window.get(), ROLE_SYSTEM_PROGRESSBAR));
  platform::ClearRole(window.get());
  platform::SetFunctionUnavailable("CoCreateInstance", false);
  EXPECT_EQ(g_creates, 0);
  EXPECT_EQ(g_service.sets.size(), 1u);
}

}  // namespace
