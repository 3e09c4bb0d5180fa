#include "core/local_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace corvane {
namespace {

struct Row {
  std::wstring value;
  std::optional<std::wstring> folder;  // nothing: refused
};

TEST(LocalFolder, OnlyAPlainLocalFolderBelowADriveRoot) {
  const std::wstring cf = L"C:\\Program Files\\Common Files";
  const Row rows[] = {
      // Accepted, trailing backslashes dropped.
      {cf, cf},
      {cf + L"\\", cf},
      {cf + L"\\\\\\", cf},
      {L"d:\\CF", L"d:\\CF"},
      {L"Z:\\a\\b c\\d.e\\PROGRA~1", L"Z:\\a\\b c\\d.e\\PROGRA~1"},
      {L"C:\\...x\\.hidden", L"C:\\...x\\.hidden"},
      {L"C:\\CONSOLE\\COM10\\NULL\\LPT", L"C:\\CONSOLE\\COM10\\NULL\\LPT"},  // only the exact names are devices
      {L"C:\\Gemeinsame Dateien \u00e4\u4e2d", L"C:\\Gemeinsame Dateien \u00e4\u4e2d"},
      // A drive root, or no root at all.
      {L"C:\\", std::nullopt},
      {L"C:\\\\", std::nullopt},
      {L"C:", std::nullopt},
      {L"C:Common", std::nullopt},
      {L"", std::nullopt},
      {L"\\", std::nullopt},
      {L"Common Files", std::nullopt},
      {L"\\Common Files", std::nullopt},
      {L"1:\\x", std::nullopt},
      {L"%ProgramFiles%\\Common Files", std::nullopt},
      // Shares and device paths.
      {L"\\\\server\\share\\Common Files", std::nullopt},
      {L"\\\\server\\share", std::nullopt},
      {L"\\\\?\\C:\\Program Files\\Common Files", std::nullopt},
      {L"\\\\.\\C:\\Common Files", std::nullopt},
      {L"\\??\\C:\\Common Files", std::nullopt},
      {L"\\\\?\\UNC\\server\\share", std::nullopt},
      {L"//server/share/x", std::nullopt},
      {L"C:/Program Files/Common Files", std::nullopt},
      // Relative and empty segments, and names Windows would trim.
      {L"C:\\Windows\\..\\x", std::nullopt},
      {L"C:\\..", std::nullopt},
      {L"C:\\x\\..", std::nullopt},
      {L"C:\\x\\.", std::nullopt},
      {L"C:\\.\\x", std::nullopt},
      {L"C:\\x\\\\y", std::nullopt},
      {L"C:\\\\x", std::nullopt},
      {L"C:\\x\\.. ", std::nullopt},
      {L"C:\\x.\\y", std::nullopt},
      {L"C:\\x \\y", std::nullopt},
      // Device names, alone or with an extension, in any letter case.
      {L"C:\\x\\NUL", std::nullopt},
      {L"C:\\con\\x", std::nullopt},
      {L"C:\\x\\aux.txt", std::nullopt},
      {L"C:\\x\\COM1", std::nullopt},
      {L"C:\\x\\lpt9", std::nullopt},
      {L"C:\\x\\COM\u00b9", std::nullopt},
      {L"C:\\x\\CONOUT$", std::nullopt},
      // Quotes, control and refused characters, streams.
      {L"C:\\Common\"Files", std::nullopt},
      {L"C:\\Common Files\" /s & x \"", std::nullopt},
      {L"C:\\Common\nFiles", std::nullopt},
      {L"C:\\Common\tFiles", std::nullopt},
      {std::wstring(L"C:\\Common") + L'\0' + L"x", std::nullopt},
      {L"C:\\a<b", std::nullopt},
      {L"C:\\a>b", std::nullopt},
      {L"C:\\a|b", std::nullopt},
      {L"C:\\a?b", std::nullopt},
      {L"C:\\a*b", std::nullopt},
      {L"C:\\x:stream", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(LocalFolder(row.value), row.folder) << row.value;
}

TEST(LocalFolder, NoLongerThanTheShellCouldName) {
  const std::wstring longest = L"C:\\" + std::wstring(kMaxFolderLength - 3, L'x');
  EXPECT_EQ(LocalFolder(longest), std::optional<std::wstring>(longest));
  EXPECT_EQ(LocalFolder(longest + L"\\"), std::optional<std::wstring>(longest));
  EXPECT_EQ(LocalFolder(longest + L"y"), std::nullopt);
  EXPECT_EQ(LocalFolder(L"C:\\" + std::wstring(100000, L'x')), std::nullopt);
}

}  // namespace
}  // namespace corvane
