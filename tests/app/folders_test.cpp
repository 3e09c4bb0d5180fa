#include "app/folders/ModSpecialFolders.h"
#include "platform/bind.h"
#include "tests/support/malloc_spy.h"
#include "tests/support/win_support.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

namespace {

// What the shell answers for common program files: in a 32-bit process on 64-bit Windows it
// names the 32-bit tree too.
std::wstring CommonFiles() {
  return testing_support::RunsUnderWow64() ? L"C:\\Program Files (x86)\\Common Files" : L"C:\\Program Files\\Common Files";
}

TEST(GetSpecialFolderPath, CommonProgramFilesAndTheir32BitCounterpart) {
  EXPECT_EQ(corvane::GetSpecialFolderPath(43), CommonFiles());
  EXPECT_EQ(corvane::GetSpecialFolderPath(44), L"C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(corvane::GetSpecialFolderPath(CSIDL_PROGRAM_FILES_COMMON), corvane::GetSpecialFolderPath(0x2B));
}

TEST(GetSpecialFolderPath, UnknownOrVirtualFoldersGiveEmptyText) {
  EXPECT_EQ(corvane::GetSpecialFolderPath(0x11), L"");  // "My Computer": no file-system path
  EXPECT_EQ(corvane::GetSpecialFolderPath(0x7F), L"");
  EXPECT_EQ(corvane::GetSpecialFolderPath(-1), L"");
  EXPECT_EQ(corvane::GetSpecialFolderPath(0x7FFFFFFF), L"");
}

TEST(GetSpecialFolderPath, TheItemListIsFreedWhateverTheOutcome) {
  const auto lookups = [] {
    EXPECT_FALSE(corvane::GetSpecialFolderPath(43).empty());  // found, with a path
    EXPECT_TRUE(corvane::GetSpecialFolderPath(0x11).empty());  // found, no file-system path
    platform::SetFunctionUnavailable("SHGetPathFromIDListW", true);
    EXPECT_TRUE(corvane::GetSpecialFolderPath(44).empty());  // found, path not asked
    platform::SetFunctionUnavailable("SHGetPathFromIDListW", false);
  };
  lookups();  // the shell's own caches settle
  testing_support::MallocSpy spy;
  ASSERT_TRUE(spy.Registered());
  for (int i = 0; i < 20; ++i) lookups();
  // Sixty item lists were handed out; one kept per lookup would leave sixty.
  EXPECT_EQ(spy.OutstandingCount(), 0u);
}

TEST(GetSpecialFolderPath, ShellFunctionsSwitchedOffGiveEmptyText) {
  platform::SetFunctionUnavailable("SHGetSpecialFolderLocation", true);
  EXPECT_EQ(corvane::GetSpecialFolderPath(43), L"");
  EXPECT_EQ(corvane::GetSpecialFolderPath(44), L"");
  platform::SetFunctionUnavailable("SHGetSpecialFolderLocation", false);
  // The location found, its path not: the list is still freed and the text is empty.
  platform::SetFunctionUnavailable("SHGetPathFromIDListW", true);
  EXPECT_EQ(corvane::GetSpecialFolderPath(43), L"");
  platform::SetFunctionUnavailable("SHGetPathFromIDListW", false);
  EXPECT_EQ(corvane::GetSpecialFolderPath(43), CommonFiles());
}

// The native folder as the registry names it: the same answer in both builds, as on Windows (a
// 64-bit process reading the 64-bit view reads its own). Odd values are the native folder tests'.
TEST(NativeCommonFiles, TheRegistryNamesTheNativeTree) {
  EXPECT_EQ(corvane::IsWow64(), std::optional<bool>(testing_support::RunsUnderWow64()));
  EXPECT_EQ(corvane::NativeCommonFilesDir(), std::optional<std::wstring>(L"C:\\Program Files\\Common Files"));

  platform::SetFunctionUnavailable("IsWow64Process", true);
  EXPECT_EQ(corvane::IsWow64(), std::nullopt);
  platform::SetFunctionUnavailable("IsWow64Process", false);
}

TEST(NativeCommonFiles, OnlyAnExistingFolderIsAFolder) {
  testing_support::TempFolder folder(L"folders");
  const std::wstring path = folder.path().substr(0, folder.path().size() - 1);
  EXPECT_TRUE(corvane::IsExistingFolder(path));
  EXPECT_TRUE(corvane::IsExistingFolder(folder.path()));
  const std::wstring file = folder.file(L"file.txt");
  const HANDLE made = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  ::CloseHandle(made);
  EXPECT_FALSE(corvane::IsExistingFolder(file));
  EXPECT_FALSE(corvane::IsExistingFolder(path + L"\\missing"));
  EXPECT_FALSE(corvane::IsExistingFolder(L""));
}

}  // namespace
