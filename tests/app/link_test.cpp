// The link opener's choice: through the desktop shell when elevated, by itself when not, and
// nothing when it cannot tell. The shell's and ShellExecuteW's stand-ins count what was asked.
#include "app/links/OpenLink.h"
#include "platform/bind.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr const wchar_t* kAddress = L"https://www.facebook.com/example";

int g_shellAsked = 0;
int g_opened = 0;
std::wstring g_openedFile, g_openedVerb;

HRESULT WINAPI CountedCoCreateInstance(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* out) {
  ++g_shellAsked;
  *out = nullptr;
  return REGDB_E_CLASSNOTREG;  // the chain stops here: what matters is that it was asked
}

HINSTANCE WINAPI CountedShellExecute(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
  ++g_opened;
  g_openedVerb = verb ? verb : L"";
  g_openedFile = file ? file : L"";
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

BOOL WINAPI NotElevated(HANDLE, TOKEN_INFORMATION_CLASS kind, LPVOID info, DWORD size, PDWORD returned) {
  if (kind != TokenElevation || size < sizeof(TOKEN_ELEVATION)) {
    ::SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = 0;
  *returned = sizeof(TOKEN_ELEVATION);
  return TRUE;
}

// Windows before elevation: the information class is unknown.
BOOL WINAPI NoSuchClass(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD) {
  ::SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

BOOL WINAPI Refused(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

BOOL WINAPI NoToken(HANDLE, DWORD, PHANDLE token) {
  *token = nullptr;
  ::SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

class OpenLinkChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    g_shellAsked = g_opened = 0;
    g_openedFile.clear();
    g_openedVerb.clear();
    platform::SetFunctionOverride("CoCreateInstance", reinterpret_cast<void*>(&CountedCoCreateInstance));
    platform::SetFunctionOverride("ShellExecuteW", reinterpret_cast<void*>(&CountedShellExecute));
  }
  void TearDown() override {
    for (const char* name : {"CoCreateInstance", "ShellExecuteW", "OpenProcessToken", "GetTokenInformation"}) {
      platform::SetFunctionOverride(name, nullptr);
      platform::SetFunctionUnavailable(name, false);
    }
  }
};

TEST_F(OpenLinkChoice, ElevatedAsksTheDesktopShellAndNothingElse) {
  // Wine's own token is elevated.
  EXPECT_EQ(corvane::IsElevated(), std::optional<bool>(true));
  corvane::OpenLink(nullptr, kAddress);
  EXPECT_EQ(g_shellAsked, 1);
  EXPECT_EQ(g_opened, 0);  // the shell's chain failed, and nothing opens in its place
}

TEST_F(OpenLinkChoice, NotElevatedOpensThePageItself) {
  struct Case {
    const char* what;
    void* query;
  };
  for (const Case& c : {Case{"not elevated", reinterpret_cast<void*>(&NotElevated)},
                        Case{"before elevation", reinterpret_cast<void*>(&NoSuchClass)}}) {
    SCOPED_TRACE(c.what);
    g_shellAsked = g_opened = 0;
    platform::SetFunctionOverride("GetTokenInformation", c.query);
    EXPECT_EQ(corvane::IsElevated(), std::optional<bool>(false));
    corvane::OpenLink(nullptr, kAddress);
    EXPECT_EQ(g_shellAsked, 0);
    EXPECT_EQ(g_opened, 1);
    EXPECT_EQ(g_openedVerb, L"open");
    EXPECT_EQ(g_openedFile, kAddress);
  }
}

TEST_F(OpenLinkChoice, UnableToTellOpensNothing) {
  const auto expectNothing = [] {
    g_shellAsked = g_opened = 0;
    EXPECT_EQ(corvane::IsElevated(), std::nullopt);
    corvane::OpenLink(nullptr, kAddress);
    EXPECT_EQ(g_shellAsked, 0);
    EXPECT_EQ(g_opened, 0);
  };
  for (const char* name : {"OpenProcessToken", "GetTokenInformation"}) {
    SCOPED_TRACE(name);
    platform::SetFunctionUnavailable(name, true);
    expectNothing();
    platform::SetFunctionUnavailable(name, false);
  }
  {
    SCOPED_TRACE("token refused");
    platform::SetFunctionOverride("OpenProcessToken", reinterpret_cast<void*>(&NoToken));
    expectNothing();
    platform::SetFunctionOverride("OpenProcessToken", nullptr);
  }
  {
    SCOPED_TRACE("query refused");
    platform::SetFunctionOverride("GetTokenInformation", reinterpret_cast<void*>(&Refused));
    expectNothing();
  }
}

}  // namespace
