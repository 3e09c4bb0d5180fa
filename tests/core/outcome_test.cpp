#include "core/outcome.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

using End = StartResult::End;

StartRecord Exit(std::int32_t code, bool there) { return {StartResult::ExitedWith(code), there}; }
StartRecord Running(bool there) { return {StartResult::Running(), there}; }
StartRecord Refused() { return {StartResult::Refused(L"Error: CreateProcess failed. 2"), false}; }
StartRecord Unreadable() { return {StartResult::Unreadable(L"Error: WaitForSingleObject failed. 6"), true}; }

struct Row {
  const char* what;
  std::vector<StartRecord> starts;
  LineOutcome expected;
};

TEST(LineOutcomeRules, FirstRuleThatAppliesWins) {
  const Row rows[] = {
      // registered beats everything after it, whichever start said 0
      {"both 0", {Exit(0, true), Exit(0, true)}, {Outcome::Registered, 0}},
      {"64-bit view missing, 32-bit registered", {Exit(3, false), Exit(0, true)}, {Outcome::Registered, 0}},
      {"0 for a file not seen still counts", {Exit(0, false), Exit(3, false)}, {Outcome::Registered, 0}},
      {"0 beats a start still running", {Running(true), Exit(0, true)}, {Outcome::Registered, 0}},
      {"0 beats a failure", {Exit(5, true), Exit(0, true)}, {Outcome::Registered, 0}},
      // still running beats failed and missing
      {"running beats failed", {Exit(5, true), Running(true)}, {Outcome::StillRunning, 0}},
      {"running beats missing", {Running(false), Exit(3, false)}, {Outcome::StillRunning, 0}},
      {"an unread end counts as running", {Unreadable(), Exit(3, false)}, {Outcome::StillRunning, 0}},
      // failed: the file was there and regsvr32 said no; the first such code is kept
      {"failed in the 32-bit view", {Exit(3, false), Exit(5, true)}, {Outcome::Failed, 5}},
      {"failed in both keeps the first", {Exit(4, true), Exit(5, true)}, {Outcome::Failed, 4}},
      {"failed beside a refused start", {Refused(), Exit(3, true)}, {Outcome::Failed, 3}},
      {"a negative code is kept", {Exit(-1073741819, true), Exit(3, false)}, {Outcome::Failed, -1073741819}},
      // not on this PC: ended, but the file was in none of those views
      {"missing in both", {Exit(3, false), Exit(3, false)}, {Outcome::NotOnThisPc, 0}},
      {"missing where it ran, refused elsewhere", {Exit(3, false), Refused()}, {Outcome::NotOnThisPc, 0}},
      {"a code other than 3 for a missing file", {Exit(5, false), Exit(1, false)}, {Outcome::NotOnThisPc, 0}},
      // not started: no child at all
      {"both refused", {Refused(), Refused()}, {Outcome::NotStarted, 0}},
      {"refused with the file there", {{StartResult::Refused(L"x"), true}, {StartResult::Refused(L"y"), true}},
       {Outcome::NotStarted, 0}},
      {"no start (its folder was not found)", {}, {Outcome::NotStarted, 0}},
  };
  for (const Row& row : rows) EXPECT_EQ(OutcomeOf(row.starts), row.expected) << row.what;
}

TEST(LineOutcomeRules, TheFileALineNamesAndWhereItIsLookedFor) {
  EXPECT_EQ(RegisteredFile(L"regsvr32 msjet40.dll /s"), L"msjet40.dll");
  EXPECT_EQ(RegisteredFile(L"regsvr32 msjtes40.dll /i /s"), L"msjtes40.dll");
  EXPECT_EQ(RegisteredFile(L"regsvr32 \"C:\\Program Files\\Common Files\\System\\Ole DB\\oledb32.dll\" /s"),
            L"C:\\Program Files\\Common Files\\System\\Ole DB\\oledb32.dll");
  EXPECT_EQ(RegisteredFile(L"  \"regsvr32\"   \"a b.dll\""), L"a b.dll");
  EXPECT_EQ(RegisteredFile(L"regsvr32 \"unclosed.dll /s"), L"unclosed.dll /s");
  EXPECT_EQ(RegisteredFile(L"regsvr32"), L"");
  EXPECT_EQ(RegisteredFile(L"regsvr32   "), L"");
  EXPECT_EQ(RegisteredFile(L"\"regsvr32 /s"), L"");
  EXPECT_EQ(RegisteredFile(L""), L"");

  const std::vector<std::wstring> path{L"C:\\windows\\system32", L"C:\\windows", L"C:\\windows\\system32\\Wbem"};
  EXPECT_EQ(FileCandidates(L"regsvr32 MSJET35.DLL /s", path),
            (std::vector<std::wstring>{L"C:\\windows\\system32\\MSJET35.DLL", L"C:\\windows\\MSJET35.DLL",
                                       L"C:\\windows\\system32\\Wbem\\MSJET35.DLL"}));
  EXPECT_EQ(FileCandidates(L"regsvr32 \"D:\\CF\\System\\ado\\msado15.dll\" /s", path),
            (std::vector<std::wstring>{L"D:\\CF\\System\\ado\\msado15.dll"}));
  // A folder that ends in its backslash, and empty entries, give no doubled or stray names.
  EXPECT_EQ(FileCandidates(L"regsvr32 a.dll", std::vector<std::wstring>{L"C:\\", L"", L"D:\\x"}),
            (std::vector<std::wstring>{L"C:\\a.dll", L"D:\\x\\a.dll"}));
  EXPECT_TRUE(FileCandidates(L"regsvr32 a.dll", {}).empty());
  EXPECT_TRUE(FileCandidates(L"regsvr32", path).empty());
}

LineReport Line(std::int32_t row, Outcome outcome) {
  LineReport line;
  line.row = row;
  line.outcome = {outcome, outcome == Outcome::Failed ? 5 : 0};
  return line;
}

TEST(RunSummary, CountsThatAreNotZeroInTheirOrder) {
  EXPECT_EQ(SummaryStatus({4, 0, 0, 112, 0}),
            L"Registering: Done - 4 registered, 112 not on this PC. Ctrl+C copies the details.");
  EXPECT_EQ(SummaryStatus({0, 0, 0, 0, 116}), L"Registering: Done - 116 not started. Ctrl+C copies the details.");
  EXPECT_EQ(SummaryStatus({1, 2, 3, 4, 106}),
            L"Registering: Done - 1 registered, 2 still running, 3 failed, 4 not on this PC, 106 not started. "
            L"Ctrl+C copies the details.");
  EXPECT_EQ(SummaryStatus({0, 7, 0, 0, 0}), L"Registering: Done - 7 still running. Ctrl+C copies the details.");
  EXPECT_EQ(SummaryStatus({}), L"Registering: Done. Ctrl+C copies the details.");

  std::vector<LineReport> lines;
  const Outcome order[] = {Outcome::Failed, Outcome::Registered, Outcome::NotStarted, Outcome::Failed,
                           Outcome::NotOnThisPc, Outcome::StillRunning, Outcome::NotOnThisPc};
  for (const Outcome o : order) lines.push_back(Line(static_cast<std::int32_t>(lines.size()) + 1, o));
  EXPECT_EQ(CountOutcomes(lines), (RunCounts{1, 1, 2, 2, 1}));
}

TEST(RunSummary, TheReportHasOneTabSeparatedLinePerRow) {
  std::vector<LineReport> lines(4);
  lines[0] = {1, L"regsvr32 msjet40.dll /s", false,
              {Exit(3, false), {StartResult::ExitedWith(0), true}}, {Outcome::Registered, 0}};
  lines[1] = {2, L"regsvr32 msjtes40.dll /i /s", false, {Running(true), Refused()}, {Outcome::StillRunning, 0}};
  lines[2] = {11, L"regsvr32 \"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s", true, {}, {Outcome::NotStarted, 0}};
  lines[3] = {67, L"regsvr32 \"C:\\CF\\System\\ado\\msado15.dll\" /s", false, {Exit(5, true), Unreadable()},
              {Outcome::Failed, 5}};
  // The outcome is the report's own column: it is not worked out again from the starts.
  EXPECT_EQ(ReportText(lines),
            L"Registering: Done - 1 registered, 1 still running, 1 failed, 1 not started.\r\n"
            L"1\tregistered\t3\t0\tregsvr32 msjet40.dll /s\r\n"
            L"2\tstill running\tstill running\tError: CreateProcess failed. 2\tregsvr32 msjtes40.dll /i /s\r\n"
            L"11\tnot started\tnot started: its folder was not found\tnot started: its folder was not found\t"
            L"regsvr32 \"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s\r\n"
            L"67\tfailed (5)\t5\tError: WaitForSingleObject failed. 6\t"
            L"regsvr32 \"C:\\CF\\System\\ado\\msado15.dll\" /s\r\n");
  EXPECT_EQ(ReportText({}), L"Registering: Done.\r\n");
  EXPECT_EQ(StartText(StartResult::ExitedWith(-1)), L"-1");
  EXPECT_EQ(OutcomeText({Outcome::Failed, 4}), L"failed (4)");
}

}  // namespace
}  // namespace corvane
