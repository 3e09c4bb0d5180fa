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

namespace corvane {
namespace {

TEST(ChildEnvironment, SearchPathIsTheSystemFoldersOnly) {
  EXPECT_EQ(ChildSearchPath(L"C:\\windows\\system32", L"C:\\windows"),
            L"C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\Wbem");
  EXPECT_EQ(ChildSearchPath(L"C:\\windows\\system32", L""), L"C:\\windows\\system32;C:\\windows\\system32\\Wbem");
  EXPECT_EQ(ChildSearchFolders(L"C:\\windows\\system32", L"C:\\windows"),
            (std::vector<std::wstring>{L"C:\\windows\\system32", L"C:\\windows", L"C:\\windows\\system32\\Wbem"}));
}

TEST(ChildEnvironment, PathIsReplacedWhateverItsCaseAndEverythingElseKept) {
  const std::vector<std::wstring> entries = {L"=C:=C:\\work", L"ALLUSERSPROFILE=C:\\ProgramData",
                                             L"Path=C:\\Users\\me\\bin;C:\\windows", L"TEMP=C:\\temp",
                                             L"windir=C:\\windows"};
  EXPECT_EQ(ChildEnvironment(entries, L"S;W;S\\Wbem"),
            (std::vector<std::wstring>{L"=C:=C:\\work", L"ALLUSERSPROFILE=C:\\ProgramData", L"PATH=S;W;S\\Wbem",
                                       L"TEMP=C:\\temp", L"windir=C:\\windows"}));
  // A second PATH entry does not survive either, nor does a name that only starts like it.
  const std::vector<std::wstring> twice = {L"PATH=a", L"path=b", L"PATHEXT=.COM;.EXE"};
  EXPECT_EQ(ChildEnvironment(twice, L"S"), (std::vector<std::wstring>{L"PATH=S", L"PATHEXT=.COM;.EXE"}));
}

TEST(ChildEnvironment, PathIsAddedInItsSortedPlaceWhenMissing) {
  const std::vector<std::wstring> entries = {L"=C:=C:\\", L"APPDATA=x", L"TEMP=y"};
  EXPECT_EQ(ChildEnvironment(entries, L"S"),
            (std::vector<std::wstring>{L"=C:=C:\\", L"APPDATA=x", L"PATH=S", L"TEMP=y"}));
  EXPECT_EQ(ChildEnvironment(std::vector<std::wstring>{L"APPDATA=x"}, L"S"),
            (std::vector<std::wstring>{L"APPDATA=x", L"PATH=S"}));
  EXPECT_EQ(ChildEnvironment({}, L"S"), (std::vector<std::wstring>{L"PATH=S"}));
}

TEST(ChildEnvironment, BlockEndsEachEntryAndItselfWithANul) {
  const std::vector<std::wstring> entries = {L"A=1", L"", L"PATH=S"};
  EXPECT_EQ(EnvironmentBlock(entries), std::wstring(L"A=1\0PATH=S\0\0", 12));
  EXPECT_EQ(EnvironmentBlock({}), std::wstring(L"\0\0", 2));
}

}  // namespace
}  // namespace corvane
