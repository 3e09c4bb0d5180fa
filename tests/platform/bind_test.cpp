#include "platform/bind.h"

#include <gtest/gtest.h>

#include "tests/support/win_support.h"

namespace {

using namespace testing_support;

TEST(Bind, BindsAFunctionOfASystemLibrary) {
  platform::ByName<decltype(&::TransparentBlt)> transparentBlt{L"msimg32.dll", "TransparentBlt"};
  ASSERT_TRUE(transparentBlt.get());
  // The very function the system library exports, from the copy in the system directory.
  const HMODULE library = ::GetModuleHandleW(L"msimg32.dll");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(transparentBlt.get()),
            reinterpret_cast<void*>(::GetProcAddress(library, "TransparentBlt")));
  EXPECT_STREQ(transparentBlt.name(), "TransparentBlt");
}

TEST(Bind, MissingFunctionOrLibraryGivesNull) {
  EXPECT_EQ(platform::BindProc(L"kernel32.dll", "NoSuchFunctionAnywhere"), nullptr);
  EXPECT_EQ(platform::BindProc(L"no-such-library-corvane.dll", "Anything"), nullptr);
  EXPECT_EQ(platform::BindProc(L"", "Sleep"), nullptr);
  EXPECT_EQ(platform::BindProc(L"kernel32.dll", nullptr), nullptr);
  EXPECT_EQ(platform::SystemLibrary(nullptr), nullptr);
}

TEST(Bind, AFunctionMadeUnavailableFailsOnlyItself) {
  platform::ByName<decltype(&::TransparentBlt)> transparentBlt{L"msimg32.dll", "TransparentBlt"};
  platform::ByName<decltype(&::AlphaBlend)> alphaBlend{L"msimg32.dll", "AlphaBlend"};
  platform::ByName<decltype(&::Sleep)> sleep{L"kernel32.dll", "Sleep"};
  ASSERT_TRUE(transparentBlt);

  platform::SetFunctionUnavailable("TransparentBlt", true);
  EXPECT_TRUE(platform::IsFunctionUnavailable("TransparentBlt"));
  EXPECT_FALSE(transparentBlt);
  EXPECT_TRUE(alphaBlend);
  EXPECT_TRUE(sleep);

  platform::SetFunctionUnavailable("TransparentBlt", false);
  EXPECT_FALSE(platform::IsFunctionUnavailable("TransparentBlt"));
  EXPECT_TRUE(transparentBlt);
}

#ifdef CORVANE_TEST_HOOKS
TEST(Bind, AFunctionIsLookedUpOnceUntilASwitchChanges) {
  platform::ByName<decltype(&::AlphaBlend)> alphaBlend{L"msimg32.dll", "AlphaBlend"};
  platform::ByName<decltype(&::Sleep)> missing{L"kernel32.dll", "NoSuchFunctionAnywhere"};
  const std::size_t before = platform::BindCalls();
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(alphaBlend.get());
    ASSERT_FALSE(missing.get());
  }
  EXPECT_EQ(platform::BindCalls(), before + 2);  // a missing function is kept as missing too

  // A switch takes effect at the next call, and is looked up once again.
  platform::SetFunctionUnavailable("AlphaBlend", true);
  EXPECT_FALSE(alphaBlend.get());
  EXPECT_FALSE(alphaBlend.get());
  EXPECT_EQ(platform::BindCalls(), before + 3);
  platform::SetFunctionUnavailable("AlphaBlend", false);
  EXPECT_EQ(reinterpret_cast<void*>(alphaBlend.get()),
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"msimg32.dll"), "AlphaBlend")));
  const auto stand_in = reinterpret_cast<void*>(&::Sleep);
  platform::SetFunctionOverride("AlphaBlend", stand_in);
  EXPECT_EQ(reinterpret_cast<void*>(alphaBlend.get()), stand_in);
  platform::SetFunctionOverride("AlphaBlend", nullptr);
  EXPECT_NE(reinterpret_cast<void*>(alphaBlend.get()), stand_in);
}
#endif

// A library of the same name beside the program must not be found; the system's copy is.
class BesideTheProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = ToolPath(L"corvane_marker.dll");
    ASSERT_TRUE(FileExists(source_)) << "missing tool";
  }
  void TearDown() override {
    for (const auto& file : planted_) ::DeleteFileW(file.c_str());
  }
  std::wstring plant(const wchar_t* name) {
    const std::wstring target = ModuleDirectory() + name;
    EXPECT_TRUE(::CopyFileW(source_.c_str(), target.c_str(), FALSE));
    planted_.push_back(target);
    return target;
  }

  TempFolder temp_{L"bind"};
  std::wstring source_;
  std::vector<std::wstring> planted_;
};

TEST_F(BesideTheProgram, AnUnknownLibraryIsNotLoadedFromTheProgramsFolder) {
  const std::wstring marker = temp_.file(L"marker-unknown");
  ScopedEnv env(L"CORVANE_MARKER_FILE", marker);
  plant(L"corvane_probe_lib.dll");

  EXPECT_EQ(platform::SystemLibrary(L"corvane_probe_lib.dll"), nullptr);
  EXPECT_EQ(platform::BindProc(L"corvane_probe_lib.dll", "CorvaneMarker"), nullptr);
  EXPECT_FALSE(FileExists(marker));

  // The control: an ordinary search does find it, so the check above can fail.
  HMODULE found = ::LoadLibraryW(L"corvane_probe_lib.dll");
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(FileExists(marker));
  ::FreeLibrary(found);
}

TEST_F(BesideTheProgram, ASystemLibraryNameBindsToTheSystemCopy) {
  const std::wstring marker = temp_.file(L"marker-uxtheme");
  ScopedEnv env(L"CORVANE_MARKER_FILE", marker);
  plant(L"uxtheme.dll");

  FARPROC proc = platform::BindProc(L"uxtheme.dll", "IsThemeActive");
  ASSERT_NE(proc, nullptr);
  EXPECT_FALSE(FileExists(marker));
  HMODULE module = platform::SystemLibrary(L"uxtheme.dll");
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(module, path, MAX_PATH);
  EXPECT_EQ(_wcsnicmp(path, SystemDirectory().c_str(), SystemDirectory().size()), 0) << path;
}

#ifdef CORVANE_TEST_HOOKS
// What RestrictDllSearch asked of the system, through stand-ins that change nothing.
std::vector<std::wstring> g_asked;
BOOL g_defaultsWork = TRUE;
BOOL WINAPI RecordDefaultDirectories(DWORD flags) {
  g_asked.push_back(L"defaults " + std::to_wstring(flags));
  return g_defaultsWork;
}
BOOL WINAPI RecordDllDirectory(LPCWSTR directory) {
  g_asked.push_back(L"directory [" + std::wstring(directory ? directory : L"null") + L"]");
  return TRUE;
}

TEST(RestrictDllSearch, SystemFolderOnlyElseAtLeastNotTheCurrentFolder) {
  platform::SetFunctionOverride("SetDefaultDllDirectories", reinterpret_cast<void*>(&RecordDefaultDirectories));
  platform::SetFunctionOverride("SetDllDirectoryW", reinterpret_cast<void*>(&RecordDllDirectory));
  const std::wstring systemOnly = L"defaults " + std::to_wstring(LOAD_LIBRARY_SEARCH_SYSTEM32);
  g_asked.clear();
  platform::RestrictDllSearch();
  EXPECT_EQ(g_asked, std::vector<std::wstring>{systemOnly});
  // Refused, or missing: an empty directory takes the current folder out of the search.
  g_defaultsWork = FALSE;
  g_asked.clear();
  platform::RestrictDllSearch();
  EXPECT_EQ(g_asked, (std::vector<std::wstring>{systemOnly, L"directory []"}));
  platform::SetFunctionUnavailable("SetDefaultDllDirectories", true);
  g_asked.clear();
  platform::RestrictDllSearch();
  EXPECT_EQ(g_asked, std::vector<std::wstring>{L"directory []"});
  platform::SetFunctionUnavailable("SetDefaultDllDirectories", false);
  platform::SetFunctionOverride("SetDefaultDllDirectories", nullptr);
  platform::SetFunctionOverride("SetDllDirectoryW", nullptr);
}
#endif

}  // namespace

#include "platform/functions.h"

namespace {

TEST(Functions, EveryByNameFunctionBindsUnderThisSystem) {
  // SetProcessDEPPolicy is left out: 64-bit Windows does not have it.
  const std::pair<const char*, bool> functions[] = {
      {"Wow64DisableWow64FsRedirection", static_cast<bool>(platform::kWow64DisableWow64FsRedirection)},
      {"Wow64RevertWow64FsRedirection", static_cast<bool>(platform::kWow64RevertWow64FsRedirection)},
      {"DllGetVersion", static_cast<bool>(platform::kComctlDllGetVersion)},
      {"InitCommonControlsEx", static_cast<bool>(platform::kInitCommonControlsEx)},
      {"SetWindowSubclass", static_cast<bool>(platform::kSetWindowSubclass)},
      {"DefSubclassProc", static_cast<bool>(platform::kDefSubclassProc)},
      {"OpenThemeData", static_cast<bool>(platform::kOpenThemeData)},
      {"CloseThemeData", static_cast<bool>(platform::kCloseThemeData)},
      {"DrawThemeText", static_cast<bool>(platform::kDrawThemeText)},
      {"GetThemeInt", static_cast<bool>(platform::kGetThemeInt)},
      {"TransparentBlt", static_cast<bool>(platform::kTransparentBlt)},
  };
  for (const auto& [name, bound] : functions) EXPECT_TRUE(bound) << name;
}

TEST(Functions, ThemeHandleIsClosedThroughTheBoundFunction) {
  auto open = platform::kOpenThemeData.get();
  ASSERT_TRUE(open);
  platform::unique_htheme theme(open(nullptr, L"BUTTON"));
  ASSERT_TRUE(theme) << "the prefix's visual style should be active";
  theme.reset();
  EXPECT_FALSE(theme);
}

}  // namespace
