// One whole run with the real runner, folder lookup and redirection switch, against a stand-in
// regsvr32 in the prefix's system directory that logs every start.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/folders/ModSpecialFolders.h"
#include "app/repair/RepairRun.h"
#include "core/registration.h"
#include "platform/bind.h"
#include "platform/unique.h"
#include "tests/support/repair_host.h"
#include "tests/support/win_support.h"

namespace corvane {
namespace {

using namespace testing_support;

// The real system services with the window's controls kept in memory; every line handed to the
// real runner is kept in order, with the runner's answer.
class MemoryControlsHost : public TestRepairHost {
 public:
  explicit MemoryControlsHost(std::vector<std::wstring> lines = {RegistrationList().begin(), RegistrationList().end()}) {
    items = std::move(lines);
    system = &services_;
  }

 private:
  SystemServices services_;
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
  const auto refused = host.Refused();
  const auto children = ChildCommands(log, started.size() - refused.size());
  EXPECT_TRUE(std::includes(started.begin(), started.end(), children.begin(), children.end()));
  EXPECT_LE(started.size() - std::min(started.size(), children.size()), kMostLostChildren)
      << children.size() << " of " << started.size() << " children ran";
  for (const auto& text : refused) EXPECT_TRUE(text.starts_with(L"Error: CreateProcess failed. ")) << text;
}

const std::wstring kNativeCommonFiles = L"C:\\Program Files\\Common Files";

TEST(RepairRunUnderWine, EveryExpandedLineStartsTwiceInOrder) {
  ASSERT_TRUE(InstallStandInRegsvr32());
  TempFolder temp(L"repair");
  const std::wstring log = temp.file(L"regsvr32.log");
  ScopedEnv logEnv(L"CORVANE_PROBE_LOG", log);

  MemoryControlsHost host;
  RepairRun(host);
  // The stand-in ends every child with 0, so every line registered, but for a child a loaded
  // machine left running past the wait, and whose line's other start did not end with 0.
  ASSERT_EQ(host.answers.size(), 232u);
  std::int32_t registered = 0;
  for (std::size_t i = 0; i < 232; i += 2) {
    for (const auto& a : {host.answers[i], host.answers[i + 1]}) {
      EXPECT_TRUE(a == StartResult::ExitedWith(0) || a == StartResult::Running()) << a.error;
    }
    registered += host.answers[i] == StartResult::ExitedWith(0) || host.answers[i + 1] == StartResult::ExitedWith(0);
  }
  EXPECT_EQ(host.status, SummaryStatus({registered, 116 - registered, 0, 0, 0}));
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
  EXPECT_TRUE(host.skipped.empty());
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
  ASSERT_EQ(host.ran.size(), 6u);
  EXPECT_EQ(host.ran[0], host.ran[1]);
  EXPECT_EQ(host.ran[4], ExpandLine(list[63], L"\"", kNativeCommonFiles, L""));
  ExpectChildrenRan(host, log);
  EXPECT_EQ(host.skipped.size(), 6u);  // each line's switch off and back on
}

// A file in the native system32 alone, for as long as it lives (a 32-bit process on 64-bit
// Windows sees syswow64 there unless redirection is off).
class NativeMarker {
 public:
  NativeMarker() : path_(SystemDirectory() + L"\\corvane-native-marker.txt") {
    PVOID saved = nullptr;
    if (!::Wow64DisableWow64FsRedirection(&saved)) return;
    platform::unique_handle file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    made_ = static_cast<bool>(file) && file.get() != INVALID_HANDLE_VALUE;
    if (file.get() == INVALID_HANDLE_VALUE) file.release();
    visibleWhenOff_ = FileExists(path_);
    ::Wow64RevertWow64FsRedirection(saved);
  }
  ~NativeMarker() {
    PVOID saved = nullptr;
    if (!::Wow64DisableWow64FsRedirection(&saved)) return;
    ::DeleteFileW(path_.c_str());
    ::Wow64RevertWow64FsRedirection(saved);
  }
  bool Made() const { return made_ && visibleWhenOff_; }
  bool Visible() const { return FileExists(path_); }

 private:
  std::wstring path_;
  bool made_ = false, visibleWhenOff_ = false;
};

// Only a 32-bit process on 64-bit Windows has two views (the x86 build's tests).
TEST(RepairRunUnderWow64, MessagesDuringAStartAreHandledInTheNormalViewAndANestedRunStartsInBoth) {
  ASSERT_TRUE(RunsUnderWow64());
  ASSERT_TRUE(InstallStandInRegsvr32());
  TempFolder temp(L"repair-views");
  const std::wstring log = temp.file(L"regsvr32.log");
  ScopedEnv logEnv(L"CORVANE_PROBE_LOG", log);
  NativeMarker marker;
  ASSERT_TRUE(marker.Made());
  ASSERT_FALSE(marker.Visible()) << "the marker must be in the 64-bit view only";

  // The user presses the button again while the one line's first child is being waited for. A
  // line of each group makes the point for the nested run (the x86 end-to-end test presses
  // twice through the real window and checks a whole nested run; here, under emulation, every
  // start costs seconds).
  const auto list = RegistrationList();
  MemoryControlsHost outer({list[0]});
  MemoryControlsHost nested({list[1], list[10], list[63]});
  std::vector<bool> markerSeen;
  int presses = 0;
  AppWindow window([&] {
    markerSeen.push_back(marker.Visible());
    if (++presses == 1) RepairRun(nested);
  });
  ASSERT_TRUE(window) << "needs a display";
  outer.runner = [&](const std::wstring& line, const std::function<void()>& yield) {
    if (outer.ran.size() == 1) window.Post();
    return outer.system->Run(line, yield);
  };
  RepairRun(outer);

  ASSERT_EQ(markerSeen, std::vector<bool>{false}) << "a message was handled in the 64-bit view";
  EXPECT_EQ(outer.offAtRun, (std::vector<bool>{true, false}));
  // The nested run made its own starts, each line in the 64-bit view first, then in the 32-bit one.
  ASSERT_EQ(nested.ran.size(), 6u);
  EXPECT_EQ(nested.offAtRun, (std::vector<bool>{true, false, true, false, true, false}));
  EXPECT_EQ(nested.yieldsWhileOff + outer.yieldsWhileOff, 0);
  // And the children say so: of each line's two, one 64-bit regsvr32 and one 32-bit.
  const auto records = SettledStarts(log, 8 - outer.Refused().size() - nested.Refused().size());
  std::map<std::wstring, std::vector<std::wstring>> bits;
  for (const auto& record : records) bits[Field(record, L"cmd")].push_back(Field(record, L"bits"));
  std::size_t lost = 0;
  for (const auto& line : {outer.ran[0], nested.ran[0], nested.ran[2], nested.ran[4]}) {
    auto seen = bits[line];
    std::sort(seen.begin(), seen.end());
    if (seen.size() < 2) {
      lost += 2 - seen.size();
      continue;
    }
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"32", L"64"})) << line;
  }
  EXPECT_LE(lost, kMostLostChildren);
}

}  // namespace
}  // namespace corvane
