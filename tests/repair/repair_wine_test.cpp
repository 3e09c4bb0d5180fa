// One whole run with the real runner, folder lookup and redirection switch, against a stand-in
// regsvr32 in the prefix's system directory that logs every start.
#include <windows.h>

#include <gtest/gtest.h>

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

// The real system services with the window's controls kept in memory.
class MemoryControlsHost : public SystemRepairHost {
 public:
  std::wstring status = L"Registering: ";
  std::int32_t barMax = 100, barValue = 0;
  std::wstring barText;
  int skipped = 0;

  StepResult<> SetButtonValue(std::int32_t) override { return {}; }
  StepResult<std::int32_t> ListCount() override { return static_cast<std::int32_t>(RegistrationList().size()); }
  StepResult<std::wstring> ListItem(std::int32_t i) override { return RegistrationList()[i]; }
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
};

std::vector<std::wstring> Starts(const std::wstring& log) {
  std::vector<std::wstring> commands;
  for (const auto& line : ReadLines(log))
    if (line.starts_with(L"start\t")) commands.push_back(Field(line, L"cmd"));
  return commands;
}

TEST(RepairRunUnderWine, EveryExpandedLineStartsTwiceInOrder) {
  ASSERT_TRUE(InstallStandInRegsvr32());
  TempFolder temp(L"repair");
  const std::wstring log = temp.file(L"regsvr32.log");
  ScopedEnv logEnv(L"CORVANE_PROBE_LOG", log);

  MemoryControlsHost host;
  RepairRun(host);
  EXPECT_EQ(host.status, L"Registering: Done");
  EXPECT_EQ(host.barText, L"116/116 100 %");

  const auto commands = Starts(log);
  ASSERT_EQ(commands.size(), 232u);
  const std::wstring common = GetSpecialFolderPath(43);
  const std::wstring commonX86 = GetSpecialFolderPath(44);
  EXPECT_EQ(common, L"C:\\Program Files\\Common Files");
  EXPECT_EQ(commonX86, L"C:\\Program Files (x86)\\Common Files");
  const auto list = RegistrationList();
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto expected = ExpandLine(list[i], L"\"", common, commonX86);
    EXPECT_EQ(commands[2 * i], expected) << i;
    EXPECT_EQ(commands[2 * i + 1], expected) << i;
  }
  EXPECT_EQ(commands[20], L"regsvr32 \"C:\\Program Files (x86)\\Common Files\\Microsoft Shared\\DAO\\DAO350.DLL\" /s");
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

  MemoryControlsHost host;
  RepairRun(host);
  platform::SetFunctionUnavailable("Wow64DisableWow64FsRedirection", false);
  platform::SetFunctionUnavailable("Wow64RevertWow64FsRedirection", false);
  EXPECT_EQ(host.status, L"Registering: Done");
  EXPECT_EQ(Starts(log).size(), 232u);
  EXPECT_EQ(host.skipped, 232);
}

}  // namespace
}  // namespace corvane
