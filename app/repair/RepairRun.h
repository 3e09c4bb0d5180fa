#pragma once
// The repair run, written against what it touches so that every step can be observed.
#include <cstdint>
#include <string>
#include <string_view>

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
  virtual std::wstring Run(const std::wstring& commandLine) = 0;
  virtual StepResult<> DisableRedirection(void** saved) = 0;
  virtual StepResult<> RevertRedirection(void* saved) = 0;
  virtual void PumpStep() = 0;
};

// Everything a run uses.
class RepairHost : public RepairWindow, public RepairServices {
 public:
  // Told about every step that was passed over; records nothing unless a test listens.
  virtual void StepSkipped(std::wstring_view /*step*/, StepFault /*fault*/) {}
};

// A host with the real system services: RunCommand, the folder lookups, the WOW64 switch bound
// by name and the message-pump step; the window is the subclass's.
class SystemRepairHost : public RepairHost {
 public:
  bool HasAdministratorRights() override;
  std::wstring FolderPath(std::int32_t folderId) override;
  StepResult<bool> IsWow64() override;
  StepResult<std::wstring> NativeCommonFilesDir() override;
  std::wstring Run(const std::wstring& commandLine) override;
  StepResult<> DisableRedirection(void** saved) override;
  StepResult<> RevertRedirection(void* saved) override;
  void PumpStep() override;
};

// Walks the registration list held by the host's list box: every line shown, expanded and run
// twice, once with WOW64 redirection off and once on, then "Registering: Done". Never stops
// early; re-entrant through the host's Yield. Without administrator rights it starts nothing and
// says so in the status line; a line whose folder lookup failed is shown and counted, not run.
void RepairRun(RepairHost& host);

}  // namespace corvane
