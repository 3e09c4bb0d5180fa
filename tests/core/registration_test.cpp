#include "core/registration.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

constexpr std::wstring_view kQuote = L"\"";

TEST(RegistrationList, HasThreeGroupsOfTheRightShape) {
  const auto list = RegistrationList();
  ASSERT_EQ(list.size(), 116u);
  for (const auto& line : list) {
    EXPECT_TRUE(line.starts_with(L"regsvr32 ")) << line;
    EXPECT_TRUE(line.ends_with(L" /s")) << line;
  }
  EXPECT_EQ(list[0], L"regsvr32 msjet40.dll /s");
  EXPECT_EQ(list[1], L"regsvr32 msjtes40.dll /i /s");
  EXPECT_EQ(list[9], L"regsvr32 MSJTER35.DLL /s");
  for (int row = 0; row < 10; ++row) EXPECT_EQ(list[row].find(L'"'), std::wstring::npos) << row + 1;

  EXPECT_EQ(list[10], L"regsvr32 \"%CommonProgramFiles(x86)%\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  EXPECT_EQ(list[62], L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\sqlxmlx.dll\" /s");
  EXPECT_EQ(list[63], L"regsvr32 \"%CommonProgramFiles%\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  EXPECT_EQ(list[115], L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\sqlxmlx.dll\" /s");
  // Both folder groups name the same 53 files in the same order.
  for (int k = 0; k < 53; ++k) {
    const auto& x86 = list[10 + k];
    const auto& common = list[63 + k];
    EXPECT_EQ(ReplaceAll(x86, kCommonX86Token, L"@"), ReplaceAll(common, kCommonToken, L"@")) << k + 1;
  }
  // Letter case is kept as stored.
  EXPECT_EQ(list[35], L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDAERR.DLL\" /s");
  EXPECT_EQ(list[34], L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaer.dll\" /s");
}

TEST(SecondPiece, TakesTheTextBetweenTheFirstTwoDelimiters) {
  EXPECT_EQ(SecondPiece(L"a\"b c\"d", kQuote), L"b c");
  EXPECT_EQ(SecondPiece(L"a\"b c", kQuote), L"b c");
  EXPECT_EQ(SecondPiece(L"a\"\"d", kQuote), L"");
  EXPECT_EQ(SecondPiece(L"a<>b<>c", L"<>"), L"b");
  EXPECT_FALSE(SecondPiece(L"regsvr32 msjet40.dll /s", kQuote));
  EXPECT_FALSE(SecondPiece(L"a\"b\"", L""));
}

TEST(ExpandLine, ReplacesOneTokenByItsFolderAsGiven) {
  const std::wstring common = L"C:\\Program Files\\Common Files";
  const std::wstring x86 = L"C:\\Program Files (x86)\\Common Files";
  const auto list = RegistrationList();
  EXPECT_EQ(ExpandLine(list[0], kQuote, common, x86), L"regsvr32 msjet40.dll /s");
  EXPECT_EQ(ExpandLine(list[10], kQuote, common, x86),
            L"regsvr32 \"C:\\Program Files (x86)\\Common Files\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  EXPECT_EQ(ExpandLine(list[63], kQuote, common, x86),
            L"regsvr32 \"C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  // An empty folder path is used as it is: the path then starts with a backslash.
  EXPECT_EQ(ExpandLine(list[10], kQuote, common, L""), L"regsvr32 \"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  // Both folders the same: the two groups become the same commands.
  for (int k = 0; k < 53; ++k)
    EXPECT_EQ(ExpandLine(list[10 + k], kQuote, common, common), ExpandLine(list[63 + k], kQuote, common, common));
  // A different delimiter finds no quoted piece, so nothing is replaced.
  EXPECT_EQ(ExpandLine(list[10], L"|", common, x86), list[10]);
}

TEST(ExpandLine, TestsArePrefixAndCaseSensitiveAndReplaceEveryOccurrence) {
  // The token must open the quoted piece.
  EXPECT_EQ(ExpandLine(L"r \"x%CommonProgramFiles%\" /s", kQuote, L"C", L"X"), L"r \"x%CommonProgramFiles%\" /s");
  EXPECT_EQ(ExpandLine(L"r \"%commonprogramfiles%\\a\" /s", kQuote, L"C", L"X"), L"r \"%commonprogramfiles%\\a\" /s");
  // Once the test passes, every occurrence in the whole line is replaced, also outside the quotes.
  EXPECT_EQ(ExpandLine(L"%CommonProgramFiles% \"%CommonProgramFiles%\\%CommonProgramFiles%\"", kQuote, L"C", L"X"),
            L"C \"C\\C\"");
  // The x86 token holds "(" where the other has its closing "%": only one replacement applies.
  EXPECT_EQ(ExpandLine(L"r \"%CommonProgramFiles(x86)%\\a\" %CommonProgramFiles%", kQuote, L"C", L"X"),
            L"r \"X\\a\" %CommonProgramFiles%");
  // A replacement that contains the token is not searched again.
  EXPECT_EQ(ReplaceAll(L"%A%%A%", L"%A%", L"[%A%]"), L"[%A%][%A%]");
  EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
}

TEST(BarText, CountSlashMaxAndTwoDigitPercentage) {
  EXPECT_EQ(BarText(1, 116, 100.0 / 116), L"1/116 01 %");
  EXPECT_EQ(BarText(58, 116, 50.0), L"58/116 50 %");
  EXPECT_EQ(BarText(116, 116, 100.0), L"116/116 100 %");
  EXPECT_EQ(BarText(0, 116, 0.0), L"0/116 00 %");
  EXPECT_EQ(BarText(12, 116, 1200.0 / 116), L"12/116 10 %");  // 10.34
  EXPECT_EQ(BarText(6, 116, 600.0 / 116), L"6/116 05 %");     // 5.17
  // Rounding edges: halves go up, just below a half goes down.
  EXPECT_EQ(BarText(1, 200, 0.5), L"1/200 01 %");
  EXPECT_EQ(BarText(5, 200, 2.5), L"5/200 03 %");
  EXPECT_EQ(BarText(1, 1000, 0.4999), L"1/1000 00 %");
  EXPECT_EQ(BarText(199, 200, 99.5), L"199/200 100 %");
  EXPECT_EQ(BarText(-5, 2147483647, 0.0), L"-5/2147483647 00 %");
  // The percentage never leaves 0..100, whatever the caller passes.
  EXPECT_EQ(BarText(1, 1, 250.0), L"1/1 100 %");
  EXPECT_EQ(BarText(1, 1, -3.0), L"1/1 00 %");
}

}  // namespace
}  // namespace corvane
