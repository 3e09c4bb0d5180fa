#include "core/registration.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

constexpr std::wstring_view kQuote = L"\"";

// Every row of the registration list typed out in full, not built from its parts as the program
// builds it: a typo in any one line fails here.
struct Row {
  int row;
  const wchar_t* line;
};
constexpr Row kExpectedRows[] = {
    {1, L"regsvr32 msjet40.dll /s"},
    {2, L"regsvr32 msjtes40.dll /i /s"},
    {3, L"regsvr32 msjetoledb40.dll /s"},
    {4, L"regsvr32 mswstr10.dll /s"},
    {5, L"regsvr32 msjint40.dll /s"},
    {6, L"regsvr32 msjter40.dll /s"},
    {7, L"regsvr32 MSJINT35.DLL /s"},
    {8, L"regsvr32 MSJET35.DLL /s"},
    {9, L"regsvr32 MSJT4JLT.DLL /s"},
    {10, L"regsvr32 MSJTER35.DLL /s"},
    {11, L"regsvr32 \"%CommonProgramFiles(x86)%\\Microsoft Shared\\DAO\\DAO350.DLL\" /s"},
    {12, L"regsvr32 \"%CommonProgramFiles(x86)%\\Microsoft Shared\\DAO\\dao360.dll\" /s"},
    {13, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msader15.dll\" /s"},
    {14, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msado15.dll\" /s"},
    {15, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msadomd.dll\" /s"},
    {16, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msador15.dll\" /s"},
    {17, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msadox.dll\" /s"},
    {18, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msadrh15.dll\" /s"},
    {19, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\ado\\msjro.dll\" /s"},
    {20, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadce.dll\" /s"},
    {21, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadcer.dll\" /s"},
    {22, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadcf.dll\" /s"},
    {23, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadcfr.dll\" /s"},
    {24, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadco.dll\" /s"},
    {25, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadcor.dll\" /s"},
    {26, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadcs.dll\" /s"},
    {27, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msadds.dll\" /s"},
    {28, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msaddsr.dll\" /s"},
    {29, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msdaprst.dll\" /s"},
    {30, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msdarem.dll\" /s"},
    {31, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msdaremr.dll\" /s"},
    {32, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\msadc\\msdfmap.dll\" /s"},
    {33, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdadc.dll\" /s"},
    {34, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaenum.dll\" /s"},
    {35, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaer.dll\" /s"},
    {36, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDAERR.DLL\" /s"},
    {37, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDAIPP.DLL\" /s"},
    {38, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaora.dll\" /s"},
    {39, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaorar.dll\" /s"},
    {40, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaosp.dll\" /s"},
    {41, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDAPML.DLL\" /s"},
    {42, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaps.dll\" /s"},
    {43, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdasc.dll\" /s"},
    {44, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdasql.dll\" /s"},
    {45, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdasqlr.dll\" /s"},
    {46, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDATL2.DLL\" /s"},
    {47, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdatl3.dll\" /s"},
    {48, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdatt.dll\" /s"},
    {49, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msdaurl.dll\" /s"},
    {50, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDMENG.DLL\" /s"},
    {51, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSDMINE.DLL\" /s"},
    {52, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSJTOR35.DLL\" /s"},
    {53, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSMDCB80.DLL\" /s"},
    {54, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSMDGD80.DLL\" /s"},
    {55, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSMDUN80.DLL\" /s"},
    {56, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSOLAP80.DLL\" /s"},
    {57, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\MSOLUI80.DLL\" /s"},
    {58, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\msxactps.dll\" /s"},
    {59, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\oledb32.dll\" /s"},
    {60, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\oledb32r.dll\" /s"},
    {61, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\OLEDB32X.DLL\" /s"},
    {62, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\sqloledb.dll\" /s"},
    {63, L"regsvr32 \"%CommonProgramFiles(x86)%\\System\\Ole DB\\sqlxmlx.dll\" /s"},
    {64, L"regsvr32 \"%CommonProgramFiles%\\Microsoft Shared\\DAO\\DAO350.DLL\" /s"},
    {65, L"regsvr32 \"%CommonProgramFiles%\\Microsoft Shared\\DAO\\dao360.dll\" /s"},
    {66, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msader15.dll\" /s"},
    {67, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msado15.dll\" /s"},
    {68, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msadomd.dll\" /s"},
    {69, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msador15.dll\" /s"},
    {70, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msadox.dll\" /s"},
    {71, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msadrh15.dll\" /s"},
    {72, L"regsvr32 \"%CommonProgramFiles%\\System\\ado\\msjro.dll\" /s"},
    {73, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadce.dll\" /s"},
    {74, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadcer.dll\" /s"},
    {75, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadcf.dll\" /s"},
    {76, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadcfr.dll\" /s"},
    {77, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadco.dll\" /s"},
    {78, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadcor.dll\" /s"},
    {79, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadcs.dll\" /s"},
    {80, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msadds.dll\" /s"},
    {81, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msaddsr.dll\" /s"},
    {82, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msdaprst.dll\" /s"},
    {83, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msdarem.dll\" /s"},
    {84, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msdaremr.dll\" /s"},
    {85, L"regsvr32 \"%CommonProgramFiles%\\System\\msadc\\msdfmap.dll\" /s"},
    {86, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdadc.dll\" /s"},
    {87, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaenum.dll\" /s"},
    {88, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaer.dll\" /s"},
    {89, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSDAERR.DLL\" /s"},
    {90, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSDAIPP.DLL\" /s"},
    {91, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaora.dll\" /s"},
    {92, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaorar.dll\" /s"},
    {93, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaosp.dll\" /s"},
    {94, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSDAPML.DLL\" /s"},
    {95, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaps.dll\" /s"},
    {96, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdasc.dll\" /s"},
    {97, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdasql.dll\" /s"},
    {98, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdasqlr.dll\" /s"},
    {99, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSDATL2.DLL\" /s"},
    {100, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdatl3.dll\" /s"},
    {101, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdatt.dll\" /s"},
    {102, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msdaurl.dll\" /s"},
    {103, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSDMENG.DLL\" /s"},
    {104, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSDMINE.DLL\" /s"},
    {105, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSJTOR35.DLL\" /s"},
    {106, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSMDCB80.DLL\" /s"},
    {107, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSMDGD80.DLL\" /s"},
    {108, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSMDUN80.DLL\" /s"},
    {109, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSOLAP80.DLL\" /s"},
    {110, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\MSOLUI80.DLL\" /s"},
    {111, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\msxactps.dll\" /s"},
    {112, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\oledb32.dll\" /s"},
    {113, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\oledb32r.dll\" /s"},
    {114, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\OLEDB32X.DLL\" /s"},
    {115, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\sqloledb.dll\" /s"},
    {116, L"regsvr32 \"%CommonProgramFiles%\\System\\Ole DB\\sqlxmlx.dll\" /s"},
};

TEST(RegistrationList, EveryRowExactlyAsListed) {
  const auto list = RegistrationList();
  ASSERT_EQ(list.size(), std::size(kExpectedRows));
  for (const auto& [row, line] : kExpectedRows) EXPECT_EQ(list[row - 1], line) << "row " << row;
}

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
  // One token at a time: nothing when the quoted piece does not start with it.
  EXPECT_EQ(ExpandToken(RegistrationList()[10], kQuote, kCommonToken, L"C"), std::nullopt);
  EXPECT_EQ(ExpandToken(RegistrationList()[63], kQuote, kCommonToken, L"C:\\CF"),
            std::optional<std::wstring>(L"regsvr32 \"C:\\CF\\Microsoft Shared\\DAO\\DAO350.DLL\" /s"));
  // A replacement that contains the token is not searched again.
  EXPECT_EQ(ReplaceAll(L"%A%%A%", L"%A%", L"[%A%]"), L"[%A%][%A%]");
  EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
}

TEST(CommonFilesFolder, ANativeFolderOnlyForA32BitProcessOn64BitWindows) {
  const std::wstring shell = L"C:\\Program Files (x86)\\Common Files";
  const std::wstring registry = L"C:\\Program Files\\Common Files";
  // Not WOW64 (32-bit Windows, or the x64 build): the shell's answer, whatever the registry says.
  EXPECT_EQ(CommonFilesFolder(false, registry, shell), shell);
  EXPECT_EQ(CommonFilesFolder(false, std::nullopt, L""), L"");
  // WOW64: the registry's folder, else the shell's.
  EXPECT_EQ(CommonFilesFolder(true, registry, shell), registry);
  EXPECT_EQ(CommonFilesFolder(true, std::nullopt, shell), shell);
  EXPECT_EQ(CommonFilesFolder(true, std::nullopt, L""), L"");
}

TEST(CommonFilesFolder, AnOddValueGivesTheShellsAnswer) {
  const std::wstring shell = L"C:\\Program Files (x86)\\Common Files";
  for (const std::wstring odd : {L"", L"C:\\", L"E:\\\\", L"\\\\server\\share\\Common Files", L"C:\\Windows\\..\\x",
                                  L"\\\\?\\C:\\Common Files", L"C:\\Common\"Files", L"C:\\Common\nFiles", L"Common Files"}) {
    EXPECT_EQ(CommonFilesFolder(true, odd, shell), shell) << odd;
  }
  // Trailing backslashes are dropped: the expanded line reads as with the shell's own folder.
  EXPECT_EQ(CommonFilesFolder(true, L"C:\\Program Files\\Common Files\\\\", shell), L"C:\\Program Files\\Common Files");
  EXPECT_EQ(ExpandLine(RegistrationList()[63], kQuote, CommonFilesFolder(true, L"C:\\CF\\", shell), L""),
            L"regsvr32 \"C:\\CF\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
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
