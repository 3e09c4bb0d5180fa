#include "app/repair/RepairRun.h"

#include <windows.h>

#include <string_view>
#include <utility>

#include "app/folders/ModSpecialFolders.h"
#include "app/runner/RunCommand.h"
#include "core/registration.h"
#include "platform/functions.h"
#include "platform/pump.h"

namespace corvane {
namespace {

// A step passed over is told to the host, and the run goes on.
struct ToHost {
  RepairHost& host;
  void operator()(std::wstring_view step, StepFault fault) const { host.StepSkipped(step, fault); }
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

std::wstring SystemRepairHost::Run(const std::wstring& commandLine) { return RunCommand(commandLine); }

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

// Each line twice: with WOW64 redirection off (the 64-bit view), then back on.
void StartTwice(RepairHost& host, RunSteps& steps, const std::wstring& line, void*& savedRedirection) {
  steps.Check(L"redirection off", host.DisableRedirection(&savedRedirection));
  host.PumpStep();
  host.Run(line);  // what the runner says is of no use to the user
  host.PumpStep();
  steps.Check(L"redirection on", host.RevertRedirection(savedRedirection));
  host.PumpStep();
  host.Run(line);
  host.PumpStep();
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

  // Every registration needs the rights; without them the run would report "Done" over 232
  // silent failures. It says so instead, starts nothing and leaves the bar as it is.
  if (!host.HasAdministratorRights()) {
    steps.Check(L"status", host.SetStatus(std::wstring(kNeedsAdministratorStatus)));
    host.PumpStep();
    return;
  }

  const RunFolders folders = LookUpFolders(host, steps);
  host.PumpStep();

  if (auto count = steps.Take(L"list count", host.ListCount())) steps.Check(L"bar max", host.SetBarMax(*count));
  steps.Check(L"bar value", host.SetBarValue(0));

  // Saved once per run and shared by its lines: each disable overwrites it, the revert hands it back.
  void* savedRedirection = nullptr;
  const std::int32_t count = steps.Take(L"list count", host.ListCount()).value_or(0);
  for (std::int32_t i = 0; i < count; ++i) {
    // A token whose folder lookup came out empty would leave a path at the drive's root, where
    // ordinary users may create folders: such a line is shown and counted, never started.
    bool folderMissing = false;
    const auto item = steps.Take(L"list item", host.ListItem(i));
    host.PumpStep();
    const std::wstring line = item ? ExpandItem(host, steps, *item, folders, folderMissing) : std::wstring();

    steps.Check(L"status", host.SetStatus(L"Registering: " + line));
    host.PumpStep();
    if (!folderMissing) StartTwice(host, steps, line, savedRedirection);
    ShowProgress(host, steps, i + 1);
  }

  steps.Check(L"status", host.SetStatus(L"Registering: Done"));
  host.PumpStep();
}

}  // namespace corvane
