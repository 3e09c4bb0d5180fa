// The whole repair run against the bare loop of the same 232 starts and waits: what the run
// adds (pumping, text work, bar updates) must cost next to nothing beside the children.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/folders/ModSpecialFolders.h"
#include "app/repair/RepairRun.h"
#include "core/command_line.h"
#include "core/registration.h"
#include "platform/unique.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

std::wstring SystemDirectory() {
  wchar_t dir[MAX_PATH] = {};
  ::GetSystemDirectoryW(dir, MAX_PATH);
  return dir;
}

// The stand-in child: our probe, which exits at once when given nothing to log.
bool InstallStandIn() {
  const std::wstring source = ModuleDirectory() + L"..\\tests\\tools\\probe.exe";
  const std::wstring target = SystemDirectory() + L"\\regsvr32.exe";
  return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != 0;
}

class BenchHost : public corvane::SystemRepairHost {
 public:
  corvane::StepResult<> SetButtonValue(std::int32_t) override { return {}; }
  corvane::StepResult<std::int32_t> ListCount() override {
    return static_cast<std::int32_t>(corvane::RegistrationList().size());
  }
  corvane::StepResult<std::wstring> ListItem(std::int32_t i) override { return corvane::RegistrationList()[i]; }
  corvane::StepResult<std::wstring> Delimiter() override { return L"\""; }
  corvane::StepResult<> SetStatus(const std::wstring& s) override {
    status_ = s;
    return {};
  }
  corvane::StepResult<> SetReport(const std::wstring& r) override {
    report_ = r;
    return {};
  }
  corvane::StepResult<> SetBarMax(std::int32_t m) override {
    max_ = m;
    return {};
  }
  corvane::StepResult<> SetBarValue(std::int32_t v) override {
    value_ = v;
    return {};
  }
  corvane::StepResult<> SetBarText(const std::wstring& t) override {
    text_ = t;
    return {};
  }
  corvane::StepResult<std::int32_t> BarValue() override { return value_; }
  corvane::StepResult<std::int32_t> BarMax() override { return max_; }
  corvane::StepResult<double> BarPercent() override { return 100.0 * value_ / max_; }

 private:
  std::wstring status_, report_, text_;
  std::int32_t max_ = 100, value_ = 0;
};

// The same 232 starts, made exactly as the runner makes them (pipe, start-up record, flags),
// with nothing around them: no pump, no window, no text.
void BareLoop(const std::vector<std::wstring>& lines) {
  const std::wstring system = SystemDirectory();
  for (const auto& line : lines) {
    for (int twice = 0; twice < 2; ++twice) {
      SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
      HANDLE readEnd = nullptr, writeEnd = nullptr;
      if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0)) continue;
      platform::unique_handle read(readEnd), write(writeEnd);
      STARTUPINFOW si{};
      si.cb = sizeof si;
      si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
      si.wShowWindow = SW_SHOWMINNOACTIVE;
      si.hStdOutput = writeEnd;
      PROCESS_INFORMATION pi{};
      std::wstring mutableLine = line;
      const auto app = corvane::SystemProgramPath(line, system);
      if (::CreateProcessW(app ? app->c_str() : nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                           NORMAL_PRIORITY_CLASS, nullptr, system.c_str(), &si, &pi)) {
        platform::unique_handle process(pi.hProcess), thread(pi.hThread);
        ::WaitForSingleObject(pi.hProcess, 3000);
      }
    }
  }
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
  if (!InstallStandIn()) {
    std::printf("repair: cannot install the stand-in regsvr32\n");
    return 1;
  }
  const std::wstring common = corvane::GetSpecialFolderPath(corvane::kCsidlProgramFilesCommon);
  const std::wstring commonX86 = corvane::GetSpecialFolderPath(corvane::kCsidlProgramFilesCommonX86);
  std::vector<std::wstring> lines;
  for (const auto& item : corvane::RegistrationList())
    lines.push_back(corvane::ExpandLine(item, L"\"", common, commonX86));

  // Alternate the two so that drift in the machine's load hits both alike; keep the best of each.
  constexpr int kRounds = 3;
  std::vector<double> bare, run;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    BareLoop(lines);
    bare.push_back(Seconds(Clock::now() - start));
    BenchHost host;
    start = Clock::now();
    corvane::RepairRun(host);
    run.push_back(Seconds(Clock::now() - start));
  }
  const double bestBare = *std::min_element(bare.begin(), bare.end());
  const double bestRun = *std::min_element(run.begin(), run.end());
  std::printf("repair: bare loop of 232 starts and waits   %8.3f s (best of %d)\n", bestBare, kRounds);
  std::printf("repair: whole run, 116 lines x 2 starts     %8.3f s (best of %d)\n", bestRun, kRounds);
  std::printf("repair: per start, run / bare                %6.1f ms / %.1f ms\n", bestRun / 232 * 1000,
              bestBare / 232 * 1000);
  std::printf("repair: run %.2f× of bare starts\n", bestRun / bestBare);
  return 0;
}
