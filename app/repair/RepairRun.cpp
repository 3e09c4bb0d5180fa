#include "app/repair/RepairRun.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "app/folders/ModSpecialFolders.h"
#include "app/runner/RunCommand.h"
#include "core/command_line.h"
#include "core/registration.h"
#include "platform/functions.h"
#include "platform/pump.h"

namespace corvane {
namespace {

// A step passed over is told to the host (in test builds), and the run goes on.
struct ToHost {
  RepairHost& host;
#ifdef CORVANE_TEST_HOOKS
  void operator()(std::wstring_view step, StepFault fault) const { host.StepSkipped(step, fault); }
#else
  void operator()(std::wstring_view, StepFault) const noexcept {}
#endif
};
using RunSteps = Steps<ToHost>;

}  // namespace

bool SystemRepairHost::HasAdministratorRights() {
  // Membership that counts: a filtered token lists Administrators for denying only. (The shell's
  // IsUserAnAdmin is no help: some systems answer yes whatever the token.)
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size)) return false;
  return ::CheckTokenMembership(nullptr, sid, &member) && member;
}

std::wstring SystemRepairHost::FolderPath(std::int32_t folderId) { return GetSpecialFolderPath(folderId); }

namespace {

template <class T>
StepResult<T> Found(std::optional<T> value) {
  if (value) return std::move(*value);
  return std::unexpected(StepFault::Failed);
}

}  // namespace

StepResult<bool> SystemRepairHost::IsWow64() {
  if (!platform::kIsWow64Process.get()) return std::unexpected(StepFault::Unavailable);
  return Found(corvane::IsWow64());
}

StepResult<std::wstring> SystemRepairHost::NativeCommonFilesDir() { return Found(corvane::NativeCommonFilesDir()); }

StartResult SystemRepairHost::Run(const std::wstring& commandLine, const std::function<void()>& yield) {
  return RunCommand(commandLine, yield);
}

std::vector<std::wstring> SystemRepairHost::ChildSearchFolders() { return corvane::ChildSearchFolders(); }

bool SystemRepairHost::IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

StepResult<> SystemRepairHost::DisableRedirection(void** saved) {
  auto disable = platform::kWow64DisableWow64FsRedirection.get();
  if (!disable) return std::unexpected(StepFault::Unavailable);
  disable(saved);  // the result says only whether this is a WOW64 process; it changes nothing
  return {};
}

StepResult<> SystemRepairHost::RevertRedirection(void* saved) {
  auto revert = platform::kWow64RevertWow64FsRedirection.get();
  if (!revert) return std::unexpected(StepFault::Unavailable);
  revert(saved);
  return {};
}

void SystemRepairHost::PumpStep() { platform::PumpMessages(); }

namespace {

// The two folders a run puts into its lines, looked up once per run.
struct RunFolders {
  std::wstring common;
  std::wstring commonX86;
};

RunFolders LookUpFolders(RepairHost& host, RunSteps& steps) {
  RunFolders folders;
  folders.common = host.FolderPath(kCsidlProgramFilesCommon);
  folders.commonX86 = host.FolderPath(kCsidlProgramFilesCommonX86);
  // A 32-bit process on 64-bit Windows is told the 32-bit tree for both tokens; the lines name
  // both trees so that both are registered.
  if (steps.Take(L"wow64", host.IsWow64()).value_or(false)) {
    const auto registry = steps.Take(L"native common files", host.NativeCommonFilesDir());
    folders.common = CommonFilesFolder(true, registry, folders.common);
  }
  return folders;
}

// A line as it will be shown and run (ExpandLine, with the host's delimiter read once for each
// token and a step after a replacement); `folderMissing` is set when its token's folder came out
// empty.
std::wstring ExpandItem(RepairHost& host, RunSteps& steps, const std::wstring& item, const RunFolders& folders,
                        bool& folderMissing) {
  std::wstring line = item;
  const std::pair<std::wstring_view, const std::wstring*> tokens[] = {{kCommonToken, &folders.common},
                                                                       {kCommonX86Token, &folders.commonX86}};
  for (const auto& [token, folder] : tokens) {
    const auto delimiter = steps.Take(L"delimiter", host.Delimiter());
    if (!delimiter) continue;
    auto expanded = ExpandToken(item, *delimiter, token, *folder);
    if (!expanded) continue;
    line = std::move(*expanded);
    folderMissing = folder->empty();
    host.PumpStep();
  }
  return line;
}

// WOW64 redirection off for as long as it lives, and on again however it ends, unwinding
// included. A yield meanwhile switches it on for the dispatch and off again before it returns:
// no window message is ever handled in the 64-bit view.
class RedirectionOff {
 public:
  RedirectionOff(RepairHost& host, RunSteps& steps, void*& saved) : host_(host), steps_(steps), saved_(saved) {
    off_ = steps_.Check(L"redirection off", host_.DisableRedirection(&saved_));
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  ~RedirectionOff() {
    if (off_) host_.RevertRedirection(saved_);
  }

  void Pump() {
    if (!off_) return host_.PumpStep();
    host_.RevertRedirection(saved_);
    off_ = false;
    host_.PumpStep();
    off_ = static_cast<bool>(host_.DisableRedirection(&saved_));
  }

  // The run's own step back to the normal view.
  void End() {
    off_ = false;
    steps_.Check(L"redirection on", host_.RevertRedirection(saved_));
  }

 private:
  RepairHost& host_;
  RunSteps& steps_;
  void*& saved_;
  bool off_ = false;
};

// Whether one of the places the line's file may be is a file in the view the thread has now.
bool FileThere(RepairHost& host, const std::vector<std::wstring>& candidates) {
  for (const auto& path : candidates)
    if (host.IsFile(path)) return true;
  return false;
}

// Each line twice: with WOW64 redirection off (the 64-bit view), then back on. Each start is
// told with whether its file was there just before it.
std::vector<StartRecord> StartTwice(RepairHost& host, RunSteps& steps, const std::wstring& line,
                                    const std::vector<std::wstring>& searchFolders, void*& savedRedirection) {
  const std::vector<std::wstring> candidates = FileCandidates(line, searchFolders);
  std::vector<StartRecord> starts(2);
  {
    RedirectionOff off(host, steps, savedRedirection);
    const auto yield = [&off] { off.Pump(); };
    yield();
    starts[0].fileExists = FileThere(host, candidates);
    starts[0].result = host.Run(line, yield);
    yield();
    off.End();
  }
  const auto yield = [&host] { host.PumpStep(); };
  yield();
  starts[1].fileExists = FileThere(host, candidates);
  starts[1].result = host.Run(line, yield);
  yield();
  return starts;
}

void ShowProgress(RepairHost& host, RunSteps& steps, std::int32_t done) {
  steps.Check(L"bar value", host.SetBarValue(done));
  const auto value = steps.Take(L"bar value", host.BarValue());
  const auto max = steps.Take(L"bar max", host.BarMax());
  const auto percent = steps.Take(L"bar percent", host.BarPercent());
  if (value && max && percent) steps.Check(L"bar text", host.SetBarText(BarText(*value, *max, *percent)));
  host.PumpStep();
}

}  // namespace

void RepairRun(RepairHost& host) {
  RunSteps steps(ToHost{host});

  steps.Check(L"uncheck button", host.SetButtonValue(0));
  host.PumpStep();

  // Every registration needs the rights; without them the run would end over 232 silent
  // failures. It says so instead, starts nothing and leaves the bar and the last report as
  // they are.
  if (!host.HasAdministratorRights()) {
    steps.Check(L"status", host.SetStatus(std::wstring(kNeedsAdministratorStatus)));
    host.PumpStep();
    return;
  }

  const RunFolders folders = LookUpFolders(host, steps);
  const std::vector<std::wstring> searchFolders = host.ChildSearchFolders();
  host.PumpStep();

  if (auto count = steps.Take(L"list count", host.ListCount())) steps.Check(L"bar max", host.SetBarMax(*count));
  steps.Check(L"bar value", host.SetBarValue(0));

  // Saved once per run and shared by its lines: each disable overwrites it, the revert hands it back.
  void* savedRedirection = nullptr;
  const std::int32_t count = steps.Take(L"list count", host.ListCount()).value_or(0);
  // This run's own lines: a run nested in one of its yields keeps its own.
  std::vector<LineReport> lines;
  lines.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (std::int32_t i = 0; i < count; ++i) {
    LineReport& report = lines.emplace_back();
    report.row = i + 1;
    // A token whose folder lookup came out empty would leave a path at the drive's root, where
    // ordinary users may create folders: such a line is shown and counted, never started.
    const auto item = steps.Take(L"list item", host.ListItem(i));
    host.PumpStep();
    report.commandLine = item ? ExpandItem(host, steps, *item, folders, report.folderMissing) : std::wstring();

    steps.Check(L"status", host.SetStatus(std::wstring(kStatusPrefix) + report.commandLine));
    host.PumpStep();
    if (!report.folderMissing) report.starts = StartTwice(host, steps, report.commandLine, searchFolders, savedRedirection);
    report.outcome = OutcomeOf(report.starts);
    ShowProgress(host, steps, i + 1);
  }

  // What the run achieved, with the details for Ctrl+C ready before the user reads the summary.
  steps.Check(L"report", host.SetReport(ReportText(lines)));
  steps.Check(L"status", host.SetStatus(SummaryStatus(CountOutcomes(lines))));
  host.PumpStep();
}

}  // namespace corvane
