// The run against a recording host: every step, yield and bar change in order.
#include "app/repair/RepairRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/registration.h"

namespace corvane {
namespace {

const std::wstring kCommon = L"C:\\CF";
const std::wstring kCommonX86 = L"C:\\CF86";

class RecordingHost : public RepairHost {
 public:
  std::vector<std::wstring> events;
  std::vector<std::wstring> items{RegistrationList().begin(), RegistrationList().end()};
  std::wstring delimiter = L"\"";
  std::wstring status = L"Registering: ";
  std::int32_t barMin = 0, barMax = 100, barValue = 0;
  std::wstring barText;
  std::wstring folder43 = kCommon, folder44 = kCommonX86;
  bool redirectionAvailable = true;
  bool administrator = true;
  std::optional<bool> wow64 = false;
  std::optional<std::wstring> registryFolder;
  bool percentFails = false;
  std::vector<std::int32_t> barValueAtRun;
  std::vector<void*> disableSawSaved, revertGot;
  std::function<void()> onYield;
  int skipped = 0;
  int nextToken = 0x1000;

  StepResult<> SetButtonValue(std::int32_t v) override { return log(L"button " + std::to_wstring(v)); }
  StepResult<std::int32_t> ListCount() override { return static_cast<std::int32_t>(items.size()); }
  StepResult<std::wstring> ListItem(std::int32_t i) override {
    if (i < 0 || i >= static_cast<std::int32_t>(items.size())) return std::unexpected(StepFault::OutOfRange);
    return items[i];
  }
  StepResult<std::wstring> Delimiter() override { return delimiter; }
  StepResult<> SetStatus(const std::wstring& s) override {
    status = s;
    return log(L"status " + s);
  }
  StepResult<> SetBarMax(std::int32_t m) override {
    barMax = m;
    return log(L"max " + std::to_wstring(m));
  }
  StepResult<> SetBarValue(std::int32_t v) override {
    barValue = v;
    return log(L"value " + std::to_wstring(v));
  }
  StepResult<> SetBarText(const std::wstring& t) override {
    barText = t;
    return log(L"text " + t);
  }
  StepResult<std::int32_t> BarValue() override { return barValue; }
  StepResult<std::int32_t> BarMax() override { return barMax; }
  StepResult<double> BarPercent() override {
    if (percentFails || barMax == barMin) return std::unexpected(StepFault::Arithmetic);
    const double f = static_cast<double>(barValue - barMin) / (barMax - barMin);
    return std::clamp(f, 0.0, 1.0) * 100;
  }
  bool HasAdministratorRights() override { return administrator; }
  std::wstring FolderPath(std::int32_t id) override {
    events.push_back(L"folder " + std::to_wstring(id));
    return id == 43 ? folder43 : id == 44 ? folder44 : L"";
  }
  StepResult<bool> IsWow64() override {
    events.push_back(L"wow64");
    if (!wow64) return std::unexpected(StepFault::Unavailable);
    return *wow64;
  }
  StepResult<std::wstring> NativeCommonFilesDir() override {
    events.push_back(L"registry");
    if (!registryFolder) return std::unexpected(StepFault::Failed);
    return *registryFolder;
  }
  std::wstring Run(const std::wstring& line) override {
    barValueAtRun.push_back(barValue);
    events.push_back(L"run " + line);
    return L"Error: CreateProcess failed. 2";  // the run must not care
  }
  StepResult<> DisableRedirection(void** saved) override {
    events.push_back(L"disable");
    if (!redirectionAvailable) return std::unexpected(StepFault::Unavailable);
    disableSawSaved.push_back(*saved);
    *saved = reinterpret_cast<void*>(static_cast<std::intptr_t>(nextToken++));
    return {};
  }
  StepResult<> RevertRedirection(void* saved) override {
    events.push_back(L"revert");
    if (!redirectionAvailable) return std::unexpected(StepFault::Unavailable);
    revertGot.push_back(saved);
    return {};
  }
  void PumpStep() override {
    events.push_back(L"yield");
    if (onYield) onYield();
  }
  void StepSkipped(std::wstring_view, StepFault) override { ++skipped; }

  std::vector<std::wstring> Runs() const {
    std::vector<std::wstring> runs;
    for (const auto& e : events)
      if (e.starts_with(L"run ")) runs.push_back(e.substr(4));
    return runs;
  }

 private:
  StepResult<> log(std::wstring e) {
    events.push_back(std::move(e));
    return {};
  }
};

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

TEST(RepairRun, PrologueThenLineOneRunsExactlyAsStored) {
  RecordingHost host;
  RepairRun(host);
  // Not a WOW64 process: the native folder's other sources are not read.
  const std::vector<std::wstring> prologue = {L"button 0", L"yield", L"folder 43", L"folder 44", L"wow64",
                                              L"yield",    L"max 116", L"value 0"};
  ASSERT_GE(host.events.size(), prologue.size());
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin(), host.events.begin() + 8), prologue);

  const std::wstring line = L"regsvr32 msjet40.dll /s";
  const std::vector<std::wstring> lineOne = {L"yield",
                                             L"status Registering: " + line,
                                             L"yield",
                                             L"disable",
                                             L"yield",
                                             L"run " + line,
                                             L"yield",
                                             L"revert",
                                             L"yield",
                                             L"run " + line,
                                             L"yield",
                                             L"value 1",
                                             L"text 1/116 01 %",
                                             L"yield"};
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin() + 8, host.events.begin() + 8 + 14), lineOne);
  EXPECT_EQ(host.skipped, 0);
}

TEST(RepairRun, FolderLinesGetTheirTokenReplacedWithAnExtraYield) {
  RecordingHost host;
  RepairRun(host);
  const auto row11 = LineEvents(host.events, 11);
  const std::wstring line11 = L"regsvr32 \"C:\\CF86\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  const std::vector<std::wstring> expected11 = {
      L"yield",       L"yield",  L"status Registering: " + line11, L"yield",     L"disable",
      L"yield",       L"run " + line11, L"yield",                  L"revert",    L"yield",
      L"run " + line11, L"yield", L"value 11",                     L"text 11/116 09 %", L"yield"};
  EXPECT_EQ(row11, expected11);

  const auto row64 = LineEvents(host.events, 64);
  const std::wstring line64 = L"regsvr32 \"C:\\CF\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  ASSERT_EQ(row64.size(), 15u);
  EXPECT_EQ(row64[2], L"status Registering: " + line64);
  EXPECT_EQ(row64[6], L"run " + line64);
  EXPECT_EQ(row64[10], L"run " + line64);
  EXPECT_EQ(row64[13], L"text 64/116 55 %");
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
  EXPECT_EQ(std::vector<std::wstring>(host.events.begin() + 2, host.events.begin() + 7),
            (std::vector<std::wstring>{L"folder 43", L"folder 44", L"wow64", L"registry", L"yield"}));
  auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 232u);
  EXPECT_EQ(runs[20], row11);
  EXPECT_EQ(runs[126], row64(L"C:\\CF64"));
  EXPECT_EQ(runs[127], row64(L"C:\\CF64"));
  EXPECT_EQ(LineEvents(host.events, 64)[2], L"status Registering: " + row64(L"C:\\CF64"));
  EXPECT_EQ(host.skipped, 0);

  // Registry unreadable, or its value a drive root: the shell's answer, as on any system.
  RecordingHost neither;
  neither.wow64 = true;
  neither.folder43 = kCommonX86;
  RepairRun(neither);
  EXPECT_EQ(neither.Runs()[126], row64(kCommonX86));
  EXPECT_EQ(neither.Runs()[20], row11);
  EXPECT_EQ(neither.skipped, 1);
  RecordingHost root;
  root.wow64 = true;
  root.folder43 = kCommonX86;
  root.registryFolder = L"C:\\";
  RepairRun(root);
  EXPECT_EQ(root.Runs()[126], row64(kCommonX86));
  EXPECT_EQ(root.skipped, 0);

  // The question itself unavailable: passed over, and the shell's answer stands.
  RecordingHost unknown;
  unknown.wow64.reset();
  unknown.registryFolder = L"C:\\CF64";
  RepairRun(unknown);
  EXPECT_EQ(unknown.Runs()[126], row64(kCommon));
  EXPECT_EQ(std::count(unknown.events.begin(), unknown.events.end(), L"registry"), 0);
  EXPECT_EQ(unknown.skipped, 1);
  EXPECT_EQ(unknown.status, L"Registering: Done");
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
  EXPECT_EQ(host.events[host.events.size() - 2], L"status Registering: Done");
  EXPECT_EQ(host.events.back(), L"yield");
  EXPECT_EQ(host.barText, L"116/116 100 %");
  const auto text58 = std::find(host.events.begin(), host.events.end(), L"text 58/116 50 %");
  EXPECT_NE(text58, host.events.end());
  // The saved redirection value starts at zero once and is handed back by each line's revert.
  ASSERT_EQ(host.disableSawSaved.size(), 116u);
  EXPECT_EQ(host.disableSawSaved[0], nullptr);
  for (std::size_t i = 0; i < 116; ++i) {
    EXPECT_EQ(host.revertGot[i], reinterpret_cast<void*>(static_cast<std::intptr_t>(0x1000 + i)));
    if (i > 0) {
      EXPECT_EQ(host.disableSawSaved[i], host.revertGot[i - 1]);
    }
  }
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
  EXPECT_EQ(host.skipped, 116 * 3);
  EXPECT_EQ(std::count(host.events.begin(), host.events.end(), L"disable"), 116);
  EXPECT_TRUE(host.barText.empty());
  EXPECT_EQ(host.barValue, 116);
  EXPECT_EQ(host.status, L"Registering: Done");
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
  // Read, expanded, shown, counted: no redirection switch and no start.
  EXPECT_EQ(LineEvents(host.events, 11),
            (std::vector<std::wstring>{L"yield", L"yield", L"status Registering: " + row11, L"yield", L"value 11",
                                       L"text 11/116 09 %", L"yield"}));
  EXPECT_EQ(host.barText, L"116/116 100 %");
  EXPECT_EQ(host.status, L"Registering: Done");

  // Both lookups failed: the ten stored lines alone start, twice each.
  RecordingHost neither;
  neither.folder43.clear();
  neither.folder44.clear();
  RepairRun(neither);
  runs = neither.Runs();
  ASSERT_EQ(runs.size(), 20u);
  EXPECT_TRUE(std::none_of(runs.begin(), runs.end(), [](const std::wstring& r) { return r.find(L"\"\\") != r.npos; }));
  EXPECT_EQ(neither.barValue, 116);
  EXPECT_EQ(neither.status, L"Registering: Done");
  EXPECT_EQ(neither.skipped, 0);
}

TEST(RepairRun, WithoutAdministratorRightsNothingStartsAndTheStatusSaysWhy) {
  RecordingHost host;
  host.administrator = false;
  host.barValue = 40;
  host.barText = L"40/116 34 %";
  RepairRun(host);
  EXPECT_EQ(host.events,
            (std::vector<std::wstring>{L"button 0", L"yield",
                                       L"status Registering: not started - administrator rights are needed "
                                       L"(right-click corvane.exe and choose Run as administrator)",
                                       L"yield"}));
  EXPECT_TRUE(host.Runs().empty());
  // The bar stays as it was.
  EXPECT_EQ(host.barValue, 40);
  EXPECT_EQ(host.barText, L"40/116 34 %");
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
  int runsSeen = 0;
  bool nested = false;
  std::size_t nestedEnd = 0;
  host.onYield = [&] {
    // Press the button again while line 3's first child runs.
    if (!nested && !host.events.empty() && host.events[host.events.size() - 2].starts_with(L"run ") &&
        ++runsSeen == 5) {
      nested = true;
      RepairRun(host);
      nestedEnd = host.events.size();
    }
  };
  RepairRun(host);
  ASSERT_TRUE(nested);
  const auto runs = host.Runs();
  ASSERT_EQ(runs.size(), 464u);
  // The inner run walks all 116 lines from row 1 and ends "Done".
  EXPECT_EQ(runs[5], RegistrationList()[0]);
  EXPECT_EQ(runs[236], ExpandLine(RegistrationList()[115], L"\"", kCommon, kCommonX86));
  EXPECT_EQ(host.events[nestedEnd - 2], L"status Registering: Done");
  // The outer run goes on with its own line 3: revert, second child, then the bar follows it.
  const std::vector<std::wstring> resumed(host.events.begin() + nestedEnd, host.events.begin() + nestedEnd + 6);
  const std::vector<std::wstring> expected = {L"revert", L"yield", L"run " + std::wstring(RegistrationList()[2]),
                                              L"yield", L"value 3", L"text 3/116 03 %"};
  EXPECT_EQ(resumed, expected);
  EXPECT_EQ(runs[237], RegistrationList()[2]);
  EXPECT_EQ(runs.back(), ExpandLine(RegistrationList()[115], L"\"", kCommon, kCommonX86));
  EXPECT_EQ(host.status, L"Registering: Done");
  EXPECT_EQ(host.barText, L"116/116 100 %");
}

}  // namespace
}  // namespace corvane
