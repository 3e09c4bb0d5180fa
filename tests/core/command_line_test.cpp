#include "core/command_line.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr std::wstring_view kSystem = L"C:\\Windows\\system32";

TEST(FirstToken, BareQuotedAndBlank) {
  EXPECT_EQ(FirstToken(L"regsvr32 msjet40.dll /s"), L"regsvr32");
  EXPECT_EQ(FirstToken(L"  \tregsvr32\tx"), L"regsvr32");
  EXPECT_EQ(FirstToken(L"\"C:\\a b\\p.exe\" /s"), L"C:\\a b\\p.exe");
  EXPECT_EQ(FirstToken(L"\"unterminated x"), L"unterminated x");
  EXPECT_EQ(FirstToken(L"   "), L"");
  EXPECT_EQ(FirstToken(L""), L"");
}

TEST(SystemProgramPath, BareNameIsLookedUpInTheSystemDirectoryOnly) {
  EXPECT_EQ(SystemProgramPath(L"regsvr32 msjet40.dll /s", kSystem), L"C:\\Windows\\system32\\regsvr32.exe");
  // An extension is kept as given.
  EXPECT_EQ(SystemProgramPath(L"regsvr32.exe x /s", kSystem), L"C:\\Windows\\system32\\regsvr32.exe");
  EXPECT_EQ(SystemProgramPath(L"tool.com", L"C:\\W\\"), L"C:\\W\\tool.com");
  // The rest of the line, tokens included, plays no part.
  EXPECT_EQ(SystemProgramPath(L"regsvr32 \"%CommonProgramFiles%\\x.dll\" /s", kSystem),
            L"C:\\Windows\\system32\\regsvr32.exe");
}

TEST(SystemProgramPath, TokenWithAPathOrNoTokenIsUsedAsGiven) {
  EXPECT_EQ(SystemProgramPath(L"C:\\tools\\regsvr32.exe x", kSystem), std::nullopt);
  EXPECT_EQ(SystemProgramPath(L".\\regsvr32 x", kSystem), std::nullopt);
  EXPECT_EQ(SystemProgramPath(L"sub/regsvr32 x", kSystem), std::nullopt);
  EXPECT_EQ(SystemProgramPath(L"\"C:\\Program Files\\x.exe\"", kSystem), std::nullopt);
  EXPECT_EQ(SystemProgramPath(L"", kSystem), std::nullopt);
  EXPECT_EQ(SystemProgramPath(L"\"\" x", kSystem), std::nullopt);
}

}  // namespace
}  // namespace corvane
