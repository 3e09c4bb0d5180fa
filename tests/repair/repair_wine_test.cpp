// One whole run with the real runner, folder lookup and redirection switch, against a stand-in
// regsvr32 in the prefix's system directory that logs every start.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/folders/ModSpecialFolders.h"
#include "app/repair/RepairRun.h"
#include "core/registration.h"
#include "platform/bind.h"
#include "tests/support/win_support.h"

namespace corvane {
namespace {

using namespace testing_support;

// The real system services with the window's controls kept in memory; every line handed to the
// real runner is kept in order, with the runner's answer.
class MemoryControlsHost : public SystemRepairHost {
 public:
  explicit MemoryControlsHost(std::vector<std::wstring> items = {RegistrationList().begin(), RegistrationList().end()})
      : items_(std::move(items)) {}

  std::wstring status = L"Registering: ";
  std::int32_t barMax = 100, barValue = 0;
  std::wstring barText;
  int skipped = 0;
  std::vector<std::wstring> ran;
  std::vector<std::wstring> refused;

  std::wstring Run(const std::wstring& line) override {
    ran.push_back(line);
    std::wstring answer = SystemRepairHost::Run(line);
    if (!answer.empty()) refused.push_back(answer);
    return answer;
  }
  StepResult<> SetButtonValue(std::int32_t) override { return {}; }
  StepResult<std::int32_t> ListCount() override { return static_cast<std::int32_t>(items_.size()); }
  StepResult<std::wstring> ListItem(std::int32_t i) override { return items_[static_cast<size_t>(i)]; }
  StepResult<std::wstring> Delimiter() override { return L"\""; }
  StepResult<> SetStatus(const std::wstring& s) override {
    status = s;
    return {};
  }
  StepResult<> SetBarMax(std::int32_t m) override {
    barMax = m;
    return {};
  }
  StepResult<> SetBarValue(std::int32_t v) override {
    barValue = v;
    return {};
  }
  StepResult<> SetBarText(const std::wstring& t) override {
    barText = t;
    return {};
  }
  StepResult<std::int32_t> BarValue() override { return barValue; }
  StepResult<std::int32_t> BarMax() override { return barMax; }
  StepResult<double> BarPercent() override { return 100.0 * barValue / barMax; }
  void StepSkipped(std::wstring_view, StepFault) override { ++skipped; }

 private:
  std::vector<std::wstring> items_;
};

// What the children ran, as a sorted list: a child that starts after the runner's 3 s wait may
// write its record after the next one's, so only the program's own list keeps the order.
std::vector<std::wstring> ChildCommands(const std::wstring& log, size_t expected) {
  std::vector<std::wstring> commands;
  for (const auto& line : SettledStarts(log, expected)) commands.push_back(Field(line, L"cmd"));
  std::sort(commands.begin(), commands.end());
  return commands;
}

// Every line the program handed to the runner reached a child, but for starts the loaded system
// refused (the runner's answer says so) and children Wine lost before they ran.
void ExpectChildrenRan(const MemoryControlsHost& host, const std::wstring& log) {
  std::vector<std::wstring> started = host.ran;
  std::sort(started.begin(), started.end());
  const auto children = ChildCommands(log, started.size() - host.refused.size());
  EXPECT_TRUE(std::includes(started.begin(), started.end(), children.begin(), children.end()));
  EXPECT_LE(started.size() - std::min(started.size(), children.size()), kMostLostChildren)
      << children.size() << " of " << started.size() << " children ran";
  for (const auto& text : host.refused) EXPECT_TRUE(text.starts_with(L"Error: CreateProcess failed. ")) << text;
}

const std::wstring kNativeCommonFiles = L"C:\\Program Files\\Common Files";

TEST(RepairRunUnderWine, EveryExpandedLineStartsTwiceInOrder) {
  ASSERT_TRUE(InstallStandInRegsvr32());
  TempFolder temp(L"repair");
  const std::wstring log = temp.file(L"regsvr32.log");
  ScopedEnv logEnv(L"CORVANE_PROBE_LOG", log);

  MemoryControlsHost host;
  RepairRun(host);
  EXPECT_EQ(host.status, L"Registering: Done");
  EXPECT_EQ(host.barText, L"116/116 100 %");

  // The native tree for %CommonProgramFiles% in either build: where the shell names the 32-bit
  // one (a 32-bit process on 64-bit Windows), the run asks the registry's 64-bit view.
  const std::wstring common = kNativeCommonFiles;
  const std::wstring commonX86 = L"C:\\Program Files (x86)\\Common Files";
  EXPECT_EQ(GetSpecialFolderPath(44), commonX86);
  const auto list = RegistrationList();
  std::vector<std::wstring> expected;
  for (const auto& item : list) expected.insert(expected.end(), 2, ExpandLine(item, L"\"", common, commonX86));
  EXPECT_EQ(host.ran, expected);
  EXPECT_EQ(host.ran[20], L"regsvr32 \"C:\\Program Files (x86)\\Common Files\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
  ExpectChildrenRan(host, log);
  // A 64-bit process has no WOW64 switch to flip, but the functions exist: nothing was skipped.
  EXPECT_EQ(host.skipped, 0);
}

TEST(RepairRunUnderWine, WithoutTheRedirectionFunctionsEveryLineStillRunsTwice) {
  ASSERT_TRUE(InstallStandInRegsvr32());
  TempFolder temp(L"repair-nowow");
  const std::wstring log = temp.file(L"regsvr32.log");
  ScopedEnv logEnv(L"CORVANE_PROBE_LOG", log);
  platform::SetFunctionUnavailable("Wow64DisableWow64FsRedirection", true);
  platform::SetFunctionUnavailable("Wow64RevertWow64FsRedirection", true);

  // Three lines, one of each group, make the point as well as the whole list.
  const auto list = RegistrationList();
  MemoryControlsHost host({list[0], list[10], list[63]});
  RepairRun(host);
  platform::SetFunctionUnavailable("Wow64DisableWow64FsRedirection", false);
  platform::SetFunctionUnavailable("Wow64RevertWow64FsRedirection", false);
  EXPECT_EQ(host.status, L"Registering: Done");
  ASSERT_EQ(host.ran.size(), 6u);
  EXPECT_EQ(host.ran[0], host.ran[1]);
  EXPECT_EQ(host.ran[4], ExpandLine(list[63], L"\"", kNativeCommonFiles, L""));
  ExpectChildrenRan(host, log);
  EXPECT_EQ(host.skipped, 6);  // each line's switch off and back on
}

}  // namespace
}  // namespace corvane
