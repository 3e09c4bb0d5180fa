#include "app/FrmCorvane.h"

#include <oleacc.h>

#include <span>

#include "app/links/OpenLink.h"
#include "app/resources/resource_ids.h"
#include "core/outcome.h"
#include "core/registration.h"
#include "platform/clipboard.h"
#include "platform/contrast.h"
#include "theme/mdXpThemeSupport.h"
#include "toolkit/ole.h"

namespace corvane {
namespace {

constexpr wchar_t kCaption[] = L"Corvane & MS Jet - By Hollisk";

constexpr wchar_t kDescription[] =
    L"This tool registers all the MDAC and MS Jet files on this computer again. When Trennel will not "
    L"load its database and shows no entries, it cannot read that database. The usual cause is a fault "
    L"in MDAC and MS Jet, which Trennel uses, and registering their files again may repair it. Running "
    L"this tool does no damage and is safe. You may want to restart your computer afterwards so that "
    L"the changes take effect.";

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The picture box as the bar's drawing surface; it carries the bar's caption as its name, for a
// screen reader that cannot read the painted one.
class PictureSurface final : public IDrawSurface {
 public:
  explicit PictureSurface(toolkit::PictureBox& box) : box_(box) {}
  HWND hWnd() const noexcept override { return box_.hWnd(); }
  HDC hDC() const noexcept override { return box_.hDC(); }
  void CaptionChanged(const std::wstring& caption) noexcept override { box_.SetAccessibleName(caption); }

 private:
  toolkit::PictureBox& box_;
};

std::span<const std::uint8_t> ResourceBytes(int id) {
  const HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(self, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!info) return {};
  HGLOBAL data = ::LoadResource(self, info);
  const void* bytes = data ? ::LockResource(data) : nullptr;
  if (!bytes) return {};
  return {static_cast<const std::uint8_t*>(bytes), ::SizeofResource(self, info)};
}

}  // namespace

FrmCorvane::FrmCorvane() : form_(kCaption, 6540, 2730) {
  const HINSTANCE self = ::GetModuleHandleW(nullptr);
  // At the sizes of the window's density, and again whenever that changes.
  form_.SetIconResource(self, IDI_CORVANE);
  form_.SetFont(L"Verdana", 6.75, true);
  // A shared image belongs to the system's cache: nothing to free.
  const HCURSOR hand = static_cast<HCURSOR>(
      ::LoadImageW(self, MAKEINTRESOURCEW(IDC_POINTING_HAND), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));

  Picture1 = &form_.Add<toolkit::PictureBox>(L"Picture1", {120, 90, 6285, 180});
  Picture1->SetTabIndex(5);
  Picture1->OnPaint = [this] { Picture1_Paint(); };
  // A screen reader calls it a progress bar where the system lets us say so; elsewhere it is an
  // unnamed pane until the bar's first caption names it.
  Picture1->SetAccessibleRole(ROLE_SYSTEM_PROGRESSBAR);

  Text2 = &form_.Add<toolkit::TextBox>(L"Text2", {30, 720, 255, 270});
  Text2->SetText(L"\"");
  Text2->SetTabIndex(4);
  Text2->SetVisible(false);

  List1 = &form_.Add<toolkit::ListBox>(L"List1", {1410, 390, 2865, 570});
  for (const auto& line : RegistrationList()) List1->AddItem(line);
  List1->SetTabIndex(2);
  List1->SetVisible(false);

  Command1 = &form_.Add<toolkit::CheckBox>(L"Command1", {4320, 330, 2145, 495});
  Command1->SetStyle(1);
  Command1->SetCaption(L"Repair Now");
  Command1->SetTabIndex(0);
  Command1->OnMouseUp = [this](int button, int shift, int x, int y) { Command1_MouseUp(button, shift, x, y); };

  AddLinks(hand);

  Label2 = &form_.Add<toolkit::Label>(L"Label2", {60, 300, 4125, 705});
  Label2->SetCaption(std::wstring(kStatusPrefix));
  Label2->SetTabIndex(3);

  Label1 = &form_.Add<toolkit::Label>(L"Label1", {90, 1080, 6375, 1365});
  Label1->SetAlignment(toolkit::Alignment::Center);
  Label1->SetCaption(kDescription);
  Label1->SetTabIndex(1);

  form_.OnLoad = [this] { Form_Load(); };
  form_.OnQueryUnload = [this](bool& cancel, toolkit::UnloadMode mode) { Form_QueryUnload(cancel, mode); };
  form_.OnSettingChange = [this] { Form_SettingChange(); };
  form_.OnCopy = [this] { Form_Copy(); };
}

// The two ways to the publisher's page: the picture and the label beside it.
void FrmCorvane::AddLinks(HCURSOR hand) {
  Image2 = &form_.Add<toolkit::Image>(L"Image2", {60, 2430, 240, 240});
  Image2->SetPicture(toolkit::PictureFromBytes(ResourceBytes(IDR_FACEBOOK_GIF)));
  Image2->SetMousePointer(toolkit::MousePointer::Custom);
  Image2->SetMouseIcon(hand);
  Image2->OnClick = [this] { Image2_Click(); };

  Label4 = &form_.Add<toolkit::Label>(L"Label4", {330, 2460, 2340, 180});
  Label4->SetCaption(L"Follow Hollisk on Facebook");
  Label4->SetForeColor(toolkit::SystemColor(COLOR_HIGHLIGHT));
  Label4->SetMousePointer(toolkit::MousePointer::Custom);
  Label4->SetMouseIcon(hand);
  Label4->SetTabIndex(6);
  Label4->OnClick = [this] { Label4_Click(); };
  // The picture says where it leads as the label beside it does.
  Image2->SetAccessibleName(Label4->Caption().value_or(L""));
}

void FrmCorvane::Show() { form_.Show(); }

void FrmCorvane::Form_Load() {
  mdXpThemeSupport::FixThemeSupport(form_.Controls());

  m_cProgress = std::make_unique<cProgressBar>();
  m_cProgress->SetDrawObject(std::make_shared<PictureSurface>(*Picture1));
  m_cProgress->SetMin(0);
  m_cProgress->SetMax(100);
  m_cProgress->SetTag(L"5");
  m_cProgress->SetShowText(true);
  if (auto font = Picture1->Font()) m_cProgress->SetFont(*font);
  pvApplyBarColors();
  m_cProgress->SetBorderStyle(1);
}

void FrmCorvane::pvApplyBarColors() {
  if (!m_cProgress) return;
  // In high contrast the user's own colours, not a fixed blue on white they may not be able to
  // read: the bar as selected text on the window's background.
  const bool contrast = platform::HighContrastOn();
  m_cProgress->SetBarColor(contrast ? platform::SystemColorValue(COLOR_HIGHLIGHT) : kBlue);
  m_cProgress->SetForeColor(contrast ? platform::SystemColorValue(COLOR_WINDOWTEXT) : kBlue);
  m_cProgress->SetBackColor(contrast ? platform::SystemColorValue(COLOR_WINDOW) : kWhite);
  m_cProgress->SetBarForeColor(contrast ? platform::SystemColorValue(COLOR_HIGHLIGHTTEXT) : kWhite);
}

void FrmCorvane::Form_SettingChange() {
  // High contrast switched, or the colours changed under it: the bar repaints as it sets them.
  pvApplyBarColors();
}

void FrmCorvane::Form_QueryUnload(bool&, toolkit::UnloadMode) {
  // Whatever closed the window, also in the middle of a run: the program ends here and now.
  // Children already started run on by themselves.
  ::ExitProcess(0);
}

void FrmCorvane::Picture1_Paint() {
  if (m_cProgress) m_cProgress->Draw();
}

void FrmCorvane::Image2_Click() { OpenFacebookPage(); }

void FrmCorvane::Label4_Click() { OpenFacebookPage(); }

void FrmCorvane::OpenFacebookPage() {
  // No browser is no error: nothing is shown either way.
  OpenLink(form_.hWnd(), kFacebookPage);
}

void FrmCorvane::Form_Copy() {
  // Nothing to copy before a run has finished; no message either way.
  if (!m_sReport.empty()) platform::SetClipboardText(form_.hWnd(), m_sReport);
}

void FrmCorvane::Command1_MouseUp(int, int, int, int) {
  FrmCorvaneRepairHost host(*this);
  RepairRun(host);
}

StepResult<> FrmCorvaneRepairHost::SetButtonValue(std::int32_t value) {
  window_.Command1->SetValue(value);
  return {};
}

StepResult<> FrmCorvaneRepairHost::SetReport(const std::wstring& report) {
  window_.m_sReport = report;
  return {};
}

StepResult<std::int32_t> FrmCorvaneRepairHost::ListCount() { return window_.List1->ListCount(); }

StepResult<std::wstring> FrmCorvaneRepairHost::ListItem(std::int32_t index) {
  if (index < 0 || index >= window_.List1->ListCount()) return std::unexpected(StepFault::OutOfRange);
  return window_.List1->List(index);
}

StepResult<std::wstring> FrmCorvaneRepairHost::Delimiter() { return window_.Text2->Text(); }

StepResult<> FrmCorvaneRepairHost::SetStatus(const std::wstring& caption) {
  window_.Label2->SetCaption(caption);
  return {};
}

StepResult<> FrmCorvaneRepairHost::SetBarMax(std::int32_t max) {
  if (!window_.m_cProgress) return std::unexpected(StepFault::Failed);
  window_.m_cProgress->SetMax(max);
  return {};
}

StepResult<> FrmCorvaneRepairHost::SetBarValue(std::int32_t value) {
  if (!window_.m_cProgress) return std::unexpected(StepFault::Failed);
  window_.m_cProgress->SetValue(value);
  return {};
}

StepResult<> FrmCorvaneRepairHost::SetBarText(const std::wstring& text) {
  if (!window_.m_cProgress) return std::unexpected(StepFault::Failed);
  window_.m_cProgress->SetText(text);
  return {};
}

StepResult<std::int32_t> FrmCorvaneRepairHost::BarValue() {
  if (!window_.m_cProgress) return std::unexpected(StepFault::Failed);
  return window_.m_cProgress->Value();
}

StepResult<std::int32_t> FrmCorvaneRepairHost::BarMax() {
  if (!window_.m_cProgress) return std::unexpected(StepFault::Failed);
  return window_.m_cProgress->Max();
}

StepResult<double> FrmCorvaneRepairHost::BarPercent() {
  if (!window_.m_cProgress) return std::unexpected(StepFault::Failed);
  const auto percent = window_.m_cProgress->Percent();
  if (!percent) return std::unexpected(StepFault::Arithmetic);
  return *percent;
}

}  // namespace corvane
