#pragma once
// The program's only window: the bar across the top, the status line, "Repair Now", the
// description and the link to the publisher's page. A click on the button runs the repair
// through FrmCorvaneRepairHost, which binds the run to the window's controls.
#include <windows.h>

#include <memory>
#include <string>

#include "app/repair/RepairRun.h"
#include "controls/progress/cProgressBar.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace corvane {

inline constexpr wchar_t kFacebookPage[] = L"https://www.facebook.com/hollisk";

class FrmCorvane final {
 public:
  FrmCorvane();
  FrmCorvane(const FrmCorvane&) = delete;
  FrmCorvane& operator=(const FrmCorvane&) = delete;

  // Loads the window (Form_Load) and shows it modeless.
  void Show();
  toolkit::Form& Form() noexcept { return form_; }
#ifdef CORVANE_TEST_HOOKS
  // Test builds: the bar, once the window has loaded (null before), and the report of the run
  // that finished last, which Ctrl+C copies (empty before the first).
  const cProgressBar* Progress() const noexcept { return m_cProgress.get(); }
  const std::wstring& LastReport() const noexcept { return m_sReport; }
#endif

 private:
  void AddLinks(HCURSOR hand);
  void Form_Load();
  void Form_QueryUnload(bool& cancel, toolkit::UnloadMode mode);
  void Form_SettingChange();
  void pvApplyBarColors();
  void Picture1_Paint();
  void Image2_Click();
  void Label4_Click();
  void Command1_MouseUp(int button, int shift, int x, int y);
  void Form_Copy();
  void OpenFacebookPage();

  friend class FrmCorvaneRepairHost;
  toolkit::Form form_;
  toolkit::PictureBox* Picture1 = nullptr;
  toolkit::TextBox* Text2 = nullptr;
  toolkit::ListBox* List1 = nullptr;
  toolkit::CheckBox* Command1 = nullptr;
  toolkit::Image* Image2 = nullptr;
  toolkit::Label* Label4 = nullptr;
  toolkit::Label* Label2 = nullptr;
  toolkit::Label* Label1 = nullptr;
  std::unique_ptr<cProgressBar> m_cProgress;
  std::wstring m_sReport;
};

// A repair run's host for the window: its controls and bar, with the system's services.
class FrmCorvaneRepairHost : public SystemRepairHost {
 public:
  explicit FrmCorvaneRepairHost(FrmCorvane& window) noexcept : window_(window) {}

  StepResult<> SetButtonValue(std::int32_t value) override;
  StepResult<std::int32_t> ListCount() override;
  StepResult<std::wstring> ListItem(std::int32_t index) override;
  StepResult<std::wstring> Delimiter() override;
  StepResult<> SetStatus(const std::wstring& caption) override;
  StepResult<> SetReport(const std::wstring& report) override;
  StepResult<> SetBarMax(std::int32_t max) override;
  StepResult<> SetBarValue(std::int32_t value) override;
  StepResult<> SetBarText(const std::wstring& text) override;
  StepResult<std::int32_t> BarValue() override;
  StepResult<std::int32_t> BarMax() override;
  StepResult<double> BarPercent() override;

 private:
  FrmCorvane& window_;
};

}  // namespace corvane
