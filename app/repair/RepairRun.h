#pragma once
// The repair run, written against what it touches so that every step can be observed.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/outcome.h"
#include "core/steps.h"

namespace corvane {

// What a run touches in its window: the controls and the progress bar. Every call may fail; the
// run skips a failed step and goes on.
class RepairWindow {
 public:
  virtual ~RepairWindow() = default;

  // Controls
  virtual StepResult<> SetButtonValue(std::int32_t value) = 0;
  virtual StepResult<std::int32_t> ListCount() = 0;
  virtual StepResult<std::wstring> ListItem(std::int32_t index) = 0;
  virtual StepResult<std::wstring> Delimiter() = 0;
  virtual StepResult<> SetStatus(const std::wstring& caption) = 0;
  // The report of the run that finished last, which Ctrl+C copies.
  virtual StepResult<> SetReport(const std::wstring& report) = 0;

  // The progress bar
  virtual StepResult<> SetBarMax(std::int32_t max) = 0;
  virtual StepResult<> SetBarValue(std::int32_t value) = 0;
  virtual StepResult<> SetBarText(const std::wstring& text) = 0;
  virtual StepResult<std::int32_t> BarValue() = 0;
  virtual StepResult<std::int32_t> BarMax() = 0;
  virtual StepResult<double> BarPercent() = 0;
};

// What a run asks of the system.
class RepairServices {
 public:
  virtual ~RepairServices() = default;

  virtual bool HasAdministratorRights() = 0;
  virtual std::wstring FolderPath(std::int32_t folderId) = 0;
  // In a 32-bit process on 64-bit Windows the shell names the 32-bit tree for common program
  // files too; these are the sources of the native one (see CommonFilesFolder).
  virtual StepResult<bool> IsWow64() = 0;
  virtual StepResult<std::wstring> NativeCommonFilesDir() = 0;
  // Starts the line once (RunCommand), yielding through `yield`; says how the start ended.
  virtual StartResult Run(const std::wstring& commandLine, const std::function<void()>& yield) = 0;
  // Where a child looks for a bare file name, and whether a path names a file (not a folder) in
  // the view the thread has now.
  virtual std::vector<std::wstring> ChildSearchFolders() = 0;
  virtual bool IsFile(const std::wstring& path) = 0;
  virtual StepResult<> DisableRedirection(void** saved) = 0;
  virtual StepResult<> RevertRedirection(void* saved) = 0;
  virtual void PumpStep() = 0;
};

// Everything a run uses.
class RepairHost : public RepairWindow, public RepairServices {
#ifdef CORVANE_TEST_HOOKS
 public:
  // Test builds: told about every step that was passed over.
  virtual void StepSkipped(std::wstring_view /*step*/, StepFault /*fault*/) {}
#endif
};

// A host with the real system services: RunCommand, the folder lookups, the WOW64 switch bound
// by name and the message-pump step; the window is the subclass's.
class SystemRepairHost : public RepairHost {
 public:
  bool HasAdministratorRights() override;
  std::wstring FolderPath(std::int32_t folderId) override;
  StepResult<bool> IsWow64() override;
  StepResult<std::wstring> NativeCommonFilesDir() override;
  StartResult Run(const std::wstring& commandLine, const std::function<void()>& yield) override;
  std::vector<std::wstring> ChildSearchFolders() override;
  bool IsFile(const std::wstring& path) override;
  StepResult<> DisableRedirection(void** saved) override;
  StepResult<> RevertRedirection(void* saved) override;
  void PumpStep() override;
};

// Walks the registration list held by the host's list box: every line shown, expanded and run
// twice, once with WOW64 redirection off and once on, and ends with what the run achieved in
// the status line and the host's report. Never stops early; re-entrant through the host's
// yields, none of which is taken with redirection off. Without administrator rights it starts
// nothing and says so in the status line; a line whose folder lookup failed is shown and
// counted, not run.
void RepairRun(RepairHost& host);

}  // namespace corvane
