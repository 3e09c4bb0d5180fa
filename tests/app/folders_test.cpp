#include "app/folders/ModSpecialFolders.h"
#include "platform/bind.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

namespace {

TEST(GetSpecialFolderPath, CommonProgramFilesAndTheir32BitCounterpart) {
  EXPECT_EQ(corvane::GetSpecialFolderPath(43), L"C:\\Program Files\\Common Files");
  EXPECT_EQ(corvane::GetSpecialFolderPath(44), L"C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(corvane::GetSpecialFolderPath(CSIDL_PROGRAM_FILES_COMMON), corvane::GetSpecialFolderPath(0x2B));
}

TEST(GetSpecialFolderPath, UnknownOrVirtualFoldersGiveEmptyText) {
  EXPECT_EQ(corvane::GetSpecialFolderPath(0x11), L"");  // "My Computer": no file-system path
  EXPECT_EQ(corvane::GetSpecialFolderPath(0x7F), L"");
  EXPECT_EQ(corvane::GetSpecialFolderPath(-1), L"");
  EXPECT_EQ(corvane::GetSpecialFolderPath(0x7FFFFFFF), L"");
}

TEST(GetSpecialFolderPath, RepeatedLookupsKeepWorking) {
  // Each lookup frees its item list; thousands of them must not exhaust anything.
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(corvane::GetSpecialFolderPath(i % 2 ? 43 : 0x11).empty(), i % 2 == 0) << i;
  }
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
  EXPECT_EQ(corvane::GetSpecialFolderPath(43), L"C:\\Program Files\\Common Files");
}

}  // namespace
