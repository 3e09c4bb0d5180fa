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

TEST(IsComCtl6Loaded, RecordGoesOutSizedAndZeroed) {
  HookScope hooks;
  DLLVERSIONINFO seen{};
  test_hooks::Hooks h;
  h.dllGetVersion = [&](DLLVERSIONINFO* info) {
    seen = *info;
    return E_FAIL;  // fills nothing
  };
  test_hooks::SetHooks(std::move(h));
  EXPECT_FALSE(IsComCtl6Loaded());
  EXPECT_EQ(seen.cbSize, 20u);
  EXPECT_EQ(seen.dwMajorVersion, 0u);
  EXPECT_EQ(seen.dwMinorVersion, 0u);
  EXPECT_EQ(seen.dwBuildNumber, 0u);
  EXPECT_EQ(seen.dwPlatformID, 0u);
}

TEST(IsComCtl6Loaded, TheSystemsAnswerAndAMissingFunction) {
  std::vector<std::string> errors;
  test_hooks::Hooks h;
  h.errorObserver = [&](std::string_view r) { errors.emplace_back(r); };
  test_hooks::SetHooks(std::move(h));
  // Wine's library answers 5.81 whatever the manifest says.
  EXPECT_FALSE(IsComCtl6Loaded());
  EXPECT_TRUE(errors.empty());
  {
    ScopedUnavailable missing("DllGetVersion");
    EXPECT_FALSE(IsComCtl6Loaded());
  }
  EXPECT_EQ(errors, (std::vector<std::string>{"IsComCtl6Loaded"}));
  test_hooks::ClearHooks();
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { test_hooks::ResetStartupFlag(); }
  void TearDown() override {
    test_hooks::ClearHooks();
    test_hooks::ResetStartupFlag();
  }
  void Hook(DWORD major, bool withInit = true) {
    test_hooks::Hooks h;
    h.dllGetVersion = [major](DLLVERSIONINFO* info) {
      info->dwMajorVersion = major;
      return S_OK;
    };
    h.loadLibrary = [this](const wchar_t* name) {
      calls.push_back(L"load " + std::wstring(name));
      return ::GetModuleHandleW(L"shell32.dll");
    };
    if (withInit)
      h.initCommonControlsEx = [this](const INITCOMMONCONTROLSEX* icc) {
        calls.push_back(L"init " + std::to_wstring(icc->dwSize) + L" " + std::to_wstring(icc->dwICC));
        return TRUE;
      };
    test_hooks::SetHooks(std::move(h));
  }
  std::vector<std::wstring> calls;
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
  test_hooks::Hooks h;
  h.dllGetVersion = [](DLLVERSIONINFO* info) {
    info->dwMajorVersion = 6;
    return S_OK;
  };
  test_hooks::SetHooks(std::move(h));
  // The system's own initialiser, bound by name, takes the call and the flag is set; without it
  // (MissingInitialiserLeavesTheFlagUnset) the flag stays unset, so this can tell.
  EXPECT_TRUE(InitThemeSupport());
  EXPECT_TRUE(test_hooks::StartupFlag());
}

TEST(IsThemed, LightStyleAppliesToControls) {
  std::vector<std::string> errors;
  test_hooks::Hooks h;
  h.errorObserver = [&](std::string_view r) { errors.emplace_back(r); };
  test_hooks::SetHooks(std::move(h));
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
  test_hooks::ClearHooks();
}

}  // namespace
}  // namespace theme_test
