// The run against a recording host: every step, yield and bar change in order.
#include "app/repair/RepairRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "core/registration.h"
#include "tests/support/repair_host.h"

namespace corvane {
namespace {

const std::wstring kCommon = L"C:\\CF";
const std::wstring kCommonX86 = L"C:\\CF86";
const std::wstring kDoneAllRegistered = L"Registering: Done - 116 registered. Ctrl+C copies the details.";

using testing_support::TestRepairHost;
using RecordingHost = TestRepairHost;

// The events of line `row` (1-based): from the yield after its item is read to the yield
// after its bar text. "value n" marks the end of line n; "value 0" ends the prologue.
std::vector<std::wstring> LineEvents(const std::vector<std::wstring>& events, int row) {
  const auto at = [&](int n) {
    return std::find(events.begin(), events.end(), L"value " + std::to_wstring(n)) - events.begin();
  };
  const auto from = at(row - 1) + (row == 1 ? 1 : 3);
  const auto to = at(row) + 3;
  return {events.begin() + from, events.begin() + to};
}

// What the run asks of the host for one bare-named file: each of the child's search folders.
std::vector<std::wstring> BareChecks(const std::wstring& file) {
  return {L"file? C:\\windows\\system32\\" + file, L"file? C:\\windows\\" + file,
          L"file? C:\\windows\\system32\\Wbem\\" + file};
}

// A yield while redirection is off: on for the dispatch, off again after it.
const std::vector<std::wstring> kYieldWhileOff = {L"revert", L"yield", L"disable"};

// The events of one line's two starts with the scripted runner (which yields once per start),
// each start's file checks before it.
std::vector<std::wstring> TwoStarts(const std::wstring& line, const std::vector<std::wstring>& checks) {
  std::vector<std::wstring> e = {L"disable"};
  const auto add = [&](const std::vector<std::wstring>& more) { e.insert(e.end(), more.begin(), more.end()); };
  add(kYieldWhileOff);
  add(checks);
  e.push_back(L"run " + line);
  add(kYieldWhileOff);  // the runner's own
  add(kYieldWhileOff);
  e.insert(e.end(), {L"revert", L"yield"});
  add(checks);
  e.insert(e.end(), {L"run " + line, L"yield", L"yield"});
  return e;
}

TEST(RepairRun, PrologueThenLineOneRunsExactlyAsStored) {
  RecordingHost host;
  RepairRun(host);
  // Not a WOW64 process: the native folder's other sources are not read.
  const std::vector<std::wstring> prologue = {L"button 0", L"yield",       L"folder 43", L"folder 44", L"wow64",
                                              L"search path", L"yield", L"max 116",   L"value 0"};
  ASSERT_GE(host.events.size(), prologue.size());
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin(), host.events.begin() + 9), prologue);

  const std::wstring line = L"regsvr32 msjet40.dll /s";
  std::vector<std::wstring> lineOne = {L"yield", L"status Registering: " + line, L"yield"};
  const auto starts = TwoStarts(line, BareChecks(L"msjet40.dll"));
  lineOne.insert(lineOne.end(), starts.begin(), starts.end());
  lineOne.insert(lineOne.end(), {L"value 1", L"text 1/116 01 %", L"yield"});
  ASSERT_GE(host.events.size(), 9 + lineOne.size());
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin() + 9, host.events.begin() + 9 + lineOne.size()), lineOne);
  EXPECT_TRUE(host.skipped.empty());
}

TEST(RepairRun, FolderLinesGetTheirTokenReplacedWithAnExtraYield) {
  RecordingHost host;
  RepairRun(host);
  const std::wstring file11 = L"C:\\CF86\\Microsoft Shared\\DAO\\DAO350.DLL";
  const std::wstring line11 = L"regsvr32 \"" + file11 + L"\" /s";
  std::vector<std::wstring> expected11 = {L"yield", L"yield", L"status Registering: " + line11, L"yield"};
  const auto starts = TwoStarts(line11, {L"file? " + file11});
  expected11.insert(expected11.end(), starts.begin(), starts.end());
  expected11.insert(expected11.end(), {L"value 11", L"text 11/116 09 %", L"yield"});
  EXPECT_EQ(LineEvents(host.events, 11), expected11);

  const auto row64 = LineEvents(host.events, 64);
  const std::wstring line64 = L"regsvr32 \"C:\\CF\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  ASSERT_EQ(row64.size(), expected11.size());
  EXPECT_EQ(row64[2], L"status Registering: " + line64);
  EXPECT_EQ(std::count(row64.begin(), row64.end(), L"run " + line64), 2);
  EXPECT_EQ(row64[row64.size() - 2], L"text 64/116 55 %");
}

TEST(RepairRun, InAWow64ProcessCommonFilesIsTheNativeFolder) {
  const std::wstring row11 = L"regsvr32 \"C:\\CF86\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  const auto row64 = [](const std::wstring& folder) {
    return L"regsvr32 \"" + folder + L"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  };
  // The shell answers the 32-bit tree for both; the registry's 64-bit view names the native one.
  RecordingHost host;
  host.wow64 = true;
  host.folder43 = kCommonX86;
  host.registryFolder = L"C:\\CF64";
  RepairRun(host);
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin() + 2, host.events.begin() + 8),
            (std::vector<std::wstring>{L"folder 43", L"folder 44", L"wow64", L"registry", L"search path", L"yield"}));
  auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 232u);
  EXPECT_EQ(runs[20], row11);
  EXPECT_EQ(runs[126], row64(L"C:\\CF64"));
  EXPECT_EQ(runs[127], row64(L"C:\\CF64"));
  EXPECT_EQ(LineEvents(host.events, 64)[2], L"status Registering: " + row64(L"C:\\CF64"));
  EXPECT_TRUE(host.skipped.empty());

  // Registry unreadable, or its value a drive root: the shell's answer, as on any system.
  RecordingHost neither;
  neither.wow64 = true;
  neither.folder43 = kCommonX86;
  RepairRun(neither);
  EXPECT_EQ(neither.Runs()[126], row64(kCommonX86));
  EXPECT_EQ(neither.Runs()[20], row11);
  EXPECT_EQ(neither.skipped.size(), 1u);
  RecordingHost root;
  root.wow64 = true;
  root.folder43 = kCommonX86;
  root.registryFolder = L"C:\\";
  RepairRun(root);
  EXPECT_EQ(root.Runs()[126], row64(kCommonX86));
  EXPECT_TRUE(root.skipped.empty());

  // The question itself unavailable: passed over, and the shell's answer stands.
  RecordingHost unknown;
  unknown.wow64.reset();
  unknown.registryFolder = L"C:\\CF64";
  RepairRun(unknown);
  EXPECT_EQ(unknown.Runs()[126], row64(kCommon));
  EXPECT_EQ(std::count(unknown.events.begin(), unknown.events.end(), L"registry"), 0);
  EXPECT_EQ(unknown.skipped.size(), 1u);
  EXPECT_EQ(unknown.status, kDoneAllRegistered);
}

TEST(RepairRun, WholeListRunsEveryLineTwiceAndEndsDone) {
  RecordingHost host;
  RepairRun(host);
  const auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 232u);
  const auto list = RegistrationList();
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto expected = ExpandLine(list[i], L"\"", kCommon, kCommonX86);
    EXPECT_EQ(runs[2 * i], expected);
    EXPECT_EQ(runs[2 * i + 1], expected);
    // While line n runs the bar shows n - 1.
    EXPECT_EQ(host.barValueAtRun[2 * i], static_cast<std::int32_t>(i));
    EXPECT_EQ(host.barValueAtRun[2 * i + 1], static_cast<std::int32_t>(i));
  }
  EXPECT_EQ(host.events[host.events.size() - 3], L"report");
  EXPECT_EQ(host.events[host.events.size() - 2], L"status " + kDoneAllRegistered);
  EXPECT_EQ(host.events.back(), L"yield");
  EXPECT_EQ(host.barText, L"116/116 100 %");
  const auto text58 = std::find(host.events.begin(), host.events.end(), L"text 58/116 50 %");
  EXPECT_NE(text58, host.events.end());
  // The saved redirection value starts at zero once; each revert hands back what the disable
  // before it wrote (a yield's pair included), and each disable overwrites it.
  ASSERT_EQ(host.disableSawSaved.size(), 116u * 4);
  ASSERT_EQ(host.revertGot.size(), 116u * 4);
  EXPECT_EQ(host.disableSawSaved[0], nullptr);
  for (std::size_t i = 0; i < host.revertGot.size(); ++i) {
    EXPECT_EQ(host.revertGot[i], reinterpret_cast<void*>(static_cast<std::intptr_t>(0x1000 + i)));
    if (i > 0) {
      EXPECT_EQ(host.disableSawSaved[i], host.revertGot[i - 1]);
    }
  }
  // Every line's first start in the 64-bit view, its second in the normal one; no message was
  // handled with redirection off.
  ASSERT_EQ(host.offAtRun.size(), 232u);
  for (std::size_t i = 0; i < 232; ++i) EXPECT_EQ(host.offAtRun[i], i % 2 == 0) << i;
  EXPECT_EQ(host.yieldsWhileOff, 0);
  EXPECT_FALSE(host.off);
}

TEST(RepairRun, FailingStepsAreSkippedAndTheRunStillEndsDone) {
  RecordingHost host;
  host.redirectionAvailable = false;
  host.percentFails = true;
  RepairRun(host);
  const auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 232u);
  EXPECT_EQ(runs[21], runs[20]);
  // Two redirection calls and one bar text per line passed over; nothing else.
  EXPECT_EQ(host.skipped.size(), 116u * 3);
  // With the switch missing there is nothing to switch back on for a yield.
  EXPECT_EQ(std::count(host.events.begin(), host.events.end(), L"disable"), 116);
  EXPECT_EQ(std::count(host.events.begin(), host.events.end(), L"revert"), 116);
  EXPECT_TRUE(host.barText.empty());
  EXPECT_EQ(host.barValue, 116);
  EXPECT_EQ(host.status, kDoneAllRegistered);
}

TEST(RepairRun, ALineWhoseFolderCameOutEmptyIsShownAndCountedButNotStarted) {
  RecordingHost host;
  host.folder44.clear();
  RepairRun(host);
  // Rows 11 to 63 would name "\Microsoft Shared\..." at the drive's root: none of them starts.
  auto runs = host.Runs();
  ASSERT_EQ(runs.size(), (10u + 53u) * 2);
  EXPECT_EQ(runs[19], RegistrationList()[9]);
  EXPECT_EQ(runs[20], L"regsvr32 \"C:\\CF\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  const std::wstring row11 = L"regsvr32 \"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  // Read, expanded, shown, counted: no redirection switch, no file check and no start.
  EXPECT_EQ(LineEvents(host.events, 11),
            (std::vector<std::wstring>{L"yield", L"yield", L"status Registering: " + row11, L"yield", L"value 11",
                                       L"text 11/116 09 %", L"yield"}));
  EXPECT_EQ(host.barText, L"116/116 100 %");
  EXPECT_EQ(host.status, L"Registering: Done - 63 registered, 53 not started. Ctrl+C copies the details.");
  EXPECT_NE(host.report.find(L"\r\n11\tnot started\tnot started: its folder was not found\tnot started: its folder "
                             L"was not found\t" + row11 + L"\r\n"),
            std::wstring::npos);

  // Both lookups failed: the ten stored lines alone start, twice each.
  RecordingHost neither;
  neither.folder43.clear();
  neither.folder44.clear();
  RepairRun(neither);
  runs = neither.Runs();
  ASSERT_EQ(runs.size(), 20u);
  EXPECT_TRUE(std::none_of(runs.begin(), runs.end(), [](const std::wstring& r) { return r.find(L"\"\\") != r.npos; }));
  EXPECT_EQ(neither.barValue, 116);
  EXPECT_EQ(neither.status, L"Registering: Done - 10 registered, 106 not started. Ctrl+C copies the details.");
  EXPECT_TRUE(neither.skipped.empty());
}

TEST(RepairRun, WithoutAdministratorRightsNothingStartsAndTheStatusSaysWhy) {
  RecordingHost host;
  host.administrator = false;
  host.barValue = 40;
  host.barText = L"40/116 34 %";
  host.report = L"the last run's";
  RepairRun(host);
  EXPECT_EQ(host.events,
            (std::vector<std::wstring>{L"button 0", L"yield",
                                       L"status Registering: not started - administrator rights are needed "
                                       L"(right-click corvane.exe and choose Run as administrator)",
                                       L"yield"}));
  EXPECT_TRUE(host.Runs().empty());
  // The bar and the last report stay as they were.
  EXPECT_EQ(host.barValue, 40);
  EXPECT_EQ(host.barText, L"40/116 34 %");
  EXPECT_EQ(host.report, L"the last run's");
}

TEST(RepairRun, DelimiterIsReadFromTheHostEveryTime) {
  RecordingHost host;
  host.delimiter = L"|";  // no line holds it: every line runs as stored
  RepairRun(host);
  const auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 232u);
  EXPECT_EQ(runs[20], RegistrationList()[10]);
  EXPECT_EQ(runs[126], RegistrationList()[63]);
}

TEST(RepairRun, NestedRunFromAYieldFinishesThenTheOuterRunResumes) {
  RecordingHost host;
  bool nested = false, inNested = false;
  std::size_t nestedEnd = 0;
  std::wstring nestedStatus, nestedReport;
  // The nested run's children all end with 3 for files that are not there; the outer run's with 0.
  host.answer = [&](const std::wstring&, bool) { return StartResult::ExitedWith(inNested ? 3 : 0); };
  host.onYield = [&] {
    // Press the button again in the runner's step while line 3's first child runs: then the
    // 64-bit view is switched off for the dispatch.
    if (nested || host.ran.size() != 5 || !host.events[host.events.size() - 3].starts_with(L"run ")) return;
    nested = true;
    EXPECT_FALSE(host.off);
    inNested = true;
    RepairRun(host);
    inNested = false;
    nestedEnd = host.events.size();
    nestedStatus = host.status;
    nestedReport = host.report;
  };
  RepairRun(host);
  ASSERT_TRUE(nested);
  const auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 464u);
  // The inner run walks all 116 lines from row 1, each once per view, and sums up its own.
  EXPECT_EQ(runs[5], RegistrationList()[0]);
  EXPECT_EQ(runs[236], ExpandLine(RegistrationList()[115], L"\"", kCommon, kCommonX86));
  for (std::size_t j = 5; j <= 236; ++j) EXPECT_EQ(host.offAtRun[j], (j - 5) % 2 == 0) << j;
  EXPECT_EQ(nestedStatus, L"Registering: Done - 116 not on this PC. Ctrl+C copies the details.");
  EXPECT_EQ(std::count(nestedReport.begin(), nestedReport.end(), L'\n'), 117);
  EXPECT_EQ(host.events[nestedEnd - 2], L"status " + nestedStatus);
  // The outer run goes on with its own line 3: back to the 64-bit view to end its first start,
  // then the second start, then the bar follows it.
  const std::wstring line3(RegistrationList()[2]);
  std::vector<std::wstring> expected = {L"disable", L"revert", L"yield", L"disable", L"revert", L"yield"};
  const auto checks = BareChecks(L"msjetoledb40.dll");
  expected.insert(expected.end(), checks.begin(), checks.end());
  expected.insert(expected.end(), {L"run " + line3, L"yield", L"yield", L"value 3", L"text 3/116 03 %"});
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin() + nestedEnd, host.events.begin() + nestedEnd + expected.size()),
            expected);
  EXPECT_TRUE(host.offAtRun[4]);
  EXPECT_FALSE(host.offAtRun[237]);
  EXPECT_EQ(runs[237], line3);
  EXPECT_EQ(runs.back(), ExpandLine(RegistrationList()[115], L"\"", kCommon, kCommonX86));
  // The outer run's summary covers its own 116 lines: its line 3 registered before the press.
  EXPECT_EQ(host.status, kDoneAllRegistered);
  EXPECT_EQ(std::count(host.report.begin(), host.report.end(), L'\n'), 117);
  EXPECT_EQ(host.barText, L"116/116 100 %");
  EXPECT_EQ(host.yieldsWhileOff, 0);
  EXPECT_FALSE(host.off);
}

// A mix of results per row, as a PC with some files, some refusals and a hanging child gives.
TEST(RepairRun, AScriptedMixGivesTheExactSummaryAndReport) {
  RecordingHost host;
  const auto row = [](int n) { return ExpandLine(RegistrationList()[n - 1], L"\"", kCommon, kCommonX86); };
  // Files: row 67's in both views, row 1's (a bare name) only in the 64-bit system folder, row 12's
  // and row 112's in both.
  host.files = {L"C:\\CF\\System\\ado\\msado15.dll", L"C:\\CF86\\Microsoft Shared\\DAO\\dao360.dll",
                L"C:\\CF\\System\\Ole DB\\oledb32.dll"};
  host.nativeFiles = {L"C:\\windows\\system32\\msjet40.dll"};
  host.answer = [&](const std::wstring& line, bool off) {
    if (line == row(67)) return StartResult::ExitedWith(0);
    if (line == row(1)) return StartResult::ExitedWith(off ? 5 : 3);  // there, but refused
    if (line == row(2)) return off ? StartResult::Running() : StartResult::ExitedWith(3);
    if (line == row(12)) return StartResult::ExitedWith(4);  // no DllRegisterServer
    if (line == row(112)) return off ? StartResult::ExitedWith(3) : StartResult::ExitedWith(0);
    if (line == row(3)) return StartResult::Refused(L"Error: CreateProcess failed. 193");
    return StartResult::ExitedWith(3);
  };
  RepairRun(host);
  EXPECT_EQ(host.status, L"Registering: Done - 2 registered, 1 still running, 2 failed, 110 not on this PC, "
                         L"1 not started. Ctrl+C copies the details.");
  const auto reportLines = [&] {
    std::vector<std::wstring> lines;
    for (std::size_t at = 0; at < host.report.size();) {
      const auto end = host.report.find(L"\r\n", at);
      lines.push_back(host.report.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }();
  ASSERT_EQ(reportLines.size(), 117u);
  EXPECT_EQ(reportLines[0], L"Registering: Done - 2 registered, 1 still running, 2 failed, 110 not on this PC, "
                            L"1 not started.");
  EXPECT_EQ(reportLines[1], L"1\tfailed (5)\t5\t3\t" + row(1));
  EXPECT_EQ(reportLines[2], L"2\tstill running\tstill running\t3\t" + row(2));
  EXPECT_EQ(reportLines[3], L"3\tnot started\tError: CreateProcess failed. 193\tError: CreateProcess failed. 193\t" + row(3));
  EXPECT_EQ(reportLines[4], L"4\tnot on this PC\t3\t3\t" + row(4));
  EXPECT_EQ(reportLines[12], L"12\tfailed (4)\t4\t4\t" + row(12));
  EXPECT_EQ(reportLines[67], L"67\tregistered\t0\t0\t" + row(67));
  EXPECT_EQ(reportLines[112], L"112\tregistered\t3\t0\t" + row(112));
  EXPECT_EQ(reportLines[116], L"116\tnot on this PC\t3\t3\t" + row(116));
  // The summary is set once, at the end, after the report it sums up.
  EXPECT_EQ(std::count(host.events.begin(), host.events.end(), L"report"), 1);
  EXPECT_EQ(host.events[host.events.size() - 3], L"report");
}

// A start that throws (memory ran out while the line was started) ends the run there, and the
// thread is back in its normal view: a later run's starts see what they should.
TEST(RepairRun, RedirectionIsSwitchedBackOnWhenAStartThrows) {
  RecordingHost host;
  host.answer = [&](const std::wstring&, bool) -> StartResult {
    if (host.ran.size() == 9) throw std::bad_alloc();  // line 5's first start
    return StartResult::ExitedWith(0);
  };
  EXPECT_THROW(RepairRun(host), std::bad_alloc);
  EXPECT_FALSE(host.off);
  EXPECT_EQ(host.events.back(), L"revert");
  EXPECT_EQ(host.yieldsWhileOff, 0);

  host.answer = nullptr;
  const std::size_t before = host.offAtRun.size();
  RepairRun(host);
  ASSERT_EQ(host.offAtRun.size(), before + 232);
  for (std::size_t i = 0; i < 232; ++i) EXPECT_EQ(host.offAtRun[before + i], i % 2 == 0) << i;
  EXPECT_FALSE(host.off);
  EXPECT_EQ(host.status, kDoneAllRegistered);
}

}  // namespace
}  // namespace corvane
