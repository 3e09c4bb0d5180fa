#include "tests/theme/theme_fixture.h"

#include <uxtheme.h>

namespace theme_test {
namespace {

using namespace mdXpThemeSupport;

const platform::ByName<decltype(&::SetThemeAppProperties)> kSetThemeAppProperties{L"uxtheme.dll",
                                                                                "SetThemeAppProperties"};

TEST(IsComCtl6Loaded, MajorVersionAboveFive) {
  HookScope hooks(5, 81);
  EXPECT_FALSE(IsComCtl6Loaded());
  hooks.SetVersion(5, 82);
  EXPECT_FALSE(IsComCtl6Loaded());
  hooks.SetVersion(6, 0);
  EXPECT_TRUE(IsComCtl6Loaded());
  hooks.SetVersion(7, 0);
  EXPECT_TRUE(IsComCtl6Loaded());
  EXPECT_TRUE(hooks.errors.empty());
}

DLLVERSIONINFO g_seen{};
HRESULT CALLBACK RecordAndFail(DLLVERSIONINFO* info) {
  g_seen = *info;
  return E_FAIL;  // fills nothing
}

TEST(IsComCtl6Loaded, RecordGoesOutSizedAndZeroed) {
  HookScope hooks;
  ScopedOverride version("DllGetVersion", &RecordAndFail);
  EXPECT_FALSE(IsComCtl6Loaded());
  const DLLVERSIONINFO& seen = g_seen;
  EXPECT_EQ(seen.cbSize, 20u);
  EXPECT_EQ(seen.dwMajorVersion, 0u);
  EXPECT_EQ(seen.dwMinorVersion, 0u);
  EXPECT_EQ(seen.dwBuildNumber, 0u);
  EXPECT_EQ(seen.dwPlatformID, 0u);
}

TEST(IsComCtl6Loaded, TheSystemsAnswerAndAMissingFunction) {
  std::vector<std::string> errors;
  test_hooks::SetErrorObserver([&](std::string_view r) { errors.emplace_back(r); });
  // Wine's library answers 5.81 whatever the manifest says.
  EXPECT_FALSE(IsComCtl6Loaded());
  EXPECT_TRUE(errors.empty());
  {
    ScopedUnavailable missing("DllGetVersion");
    EXPECT_FALSE(IsComCtl6Loaded());
  }
  EXPECT_EQ(errors, (std::vector<std::string>{"IsComCtl6Loaded"}));
  test_hooks::SetErrorObserver({});
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    test_hooks::ResetStartupFlag();
    calls_ = &calls;
  }
  void TearDown() override {
    platform::SetLibraryObserver({});
    for (const char* name : {"DllGetVersion", "InitCommonControlsEx"}) platform::SetFunctionOverride(name, nullptr);
    test_hooks::ResetStartupFlag();
    calls_ = nullptr;
  }
  // The library answers `major`; the shell's load and the initialiser's call are recorded in order.
  void Hook(DWORD major, bool withInit = true) {
    major_ = major;
    platform::SetFunctionOverride("DllGetVersion", reinterpret_cast<void*>(&Version));
    platform::SetLibraryObserver([this](const wchar_t* name) {
      if (std::wstring_view(name) == L"shell32.dll") calls.push_back(L"load " + std::wstring(name));
    });
    if (withInit) platform::SetFunctionOverride("InitCommonControlsEx", reinterpret_cast<void*>(&Init));
  }
  std::vector<std::wstring> calls;

 private:
  static HRESULT CALLBACK Version(DLLVERSIONINFO* info) {
    info->dwMajorVersion = major_;
    return S_OK;
  }
  static BOOL WINAPI Init(const INITCOMMONCONTROLSEX* icc) {
    calls_->push_back(L"init " + std::to_wstring(icc->dwSize) + L" " + std::to_wstring(icc->dwICC));
    return TRUE;
  }
  static inline DWORD major_ = 0;
  static inline std::vector<std::wstring>* calls_ = nullptr;
};

TEST_F(Startup, WithVersion6LoadsTheShellThenInitialisesOnce) {
  Hook(6);
  EXPECT_TRUE(InitThemeSupport());
  EXPECT_TRUE(test_hooks::StartupFlag());
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"load shell32.dll", L"init 8 512"}));
  EXPECT_TRUE(InitThemeSupport());
  EXPECT_EQ(calls.size(), 2u);  // the second call does nothing
}

TEST_F(Startup, WithVersion5DoesNothingButSetsTheFlag) {
  Hook(5);
  EXPECT_TRUE(InitThemeSupport());
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(test_hooks::StartupFlag());
}

TEST_F(Startup, MissingInitialiserLeavesTheFlagUnset) {
  Hook(6, false);
  ScopedUnavailable missing("InitCommonControlsEx");
  EXPECT_FALSE(InitThemeSupport());
  EXPECT_FALSE(test_hooks::StartupFlag());
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"load shell32.dll"}));
}

TEST_F(Startup, RealSystemWithVersion6Answer) {
  HookScope hooks(6, 0);
  // The system's own initialiser, bound by name, takes the call and the flag is set; without it
  // (MissingInitialiserLeavesTheFlagUnset) the flag stays unset, so this can tell.
  EXPECT_TRUE(InitThemeSupport());
  EXPECT_TRUE(test_hooks::StartupFlag());
}

TEST(IsThemed, LightStyleAppliesToControls) {
  std::vector<std::string> errors;
  test_hooks::SetErrorObserver([&](std::string_view r) { errors.emplace_back(r); });
  ASSERT_TRUE(kSetThemeAppProperties);
  EXPECT_TRUE(pvIsThemed());
  // Non-client theming only: the controls keep the classic look.
  kSetThemeAppProperties.get()(STAP_ALLOW_NONCLIENT);
  EXPECT_FALSE(pvIsThemed());
  kSetThemeAppProperties.get()(STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS);
  EXPECT_TRUE(pvIsThemed());  // asked afresh each time
  for (const char* name : {"IsAppThemed", "IsThemeActive", "GetThemeAppProperties"}) {
    ScopedUnavailable missing(name);
    EXPECT_FALSE(pvIsThemed()) << name;
  }
  EXPECT_TRUE(errors.empty());  // a failure answers false and reports nothing
  test_hooks::SetErrorObserver({});
}

}  // namespace
}  // namespace theme_test
