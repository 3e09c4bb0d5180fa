#pragma once
// The one host the tests run the repair against. Its window part is kept in memory or handed to
// another host (the real window's); its system part is scripted or handed to the system's own.
// Every call is recorded in order, as are the runner's answers and the WOW64 view each start
// and each yield met.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/repair/RepairRun.h"
#include "core/registration.h"

namespace testing_support {

using corvane::StartResult;
using corvane::StepFault;
using corvane::StepResult;

// The system's own services, with no window: for a host whose controls live in memory.
class SystemServices final : public corvane::SystemRepairHost {
 public:
  StepResult<> SetButtonValue(std::int32_t) override { return Missing(); }
  StepResult<std::int32_t> ListCount() override { return Missing(); }
  StepResult<std::wstring> ListItem(std::int32_t) override { return Missing(); }
  StepResult<std::wstring> Delimiter() override { return Missing(); }
  StepResult<> SetStatus(const std::wstring&) override { return Missing(); }
  StepResult<> SetReport(const std::wstring&) override { return Missing(); }
  StepResult<> SetBarMax(std::int32_t) override { return Missing(); }
  StepResult<> SetBarValue(std::int32_t) override { return Missing(); }
  StepResult<> SetBarText(const std::wstring&) override { return Missing(); }
  StepResult<std::int32_t> BarValue() override { return Missing(); }
  StepResult<std::int32_t> BarMax() override { return Missing(); }
  StepResult<double> BarPercent() override { return Missing(); }

 private:
  static std::unexpected<StepFault> Missing() { return std::unexpected(StepFault::Unavailable); }
};

class TestRepairHost : public corvane::RepairHost {
 public:
  TestRepairHost() = default;
  // The window's part handed to `windowHost`, the system's to `systemHost` (either may be null).
  TestRepairHost(corvane::RepairHost* windowHost, corvane::RepairHost* systemHost)
      : window(windowHost), system(systemHost) {}

  corvane::RepairHost* window = nullptr;
  corvane::RepairHost* system = nullptr;

  // The window kept in memory.
  std::vector<std::wstring> items{corvane::RegistrationList().begin(), corvane::RegistrationList().end()};
  std::wstring delimiter = L"\"";
  std::wstring status = L"Registering: ";
  std::wstring report;
  std::int32_t barMin = 0, barMax = 100, barValue = 0;
  std::wstring barText;
  bool percentFails = false;

  // The scripted system.
  bool administrator = true;
  std::wstring folder43 = L"C:\\CF", folder44 = L"C:\\CF86";
  std::optional<bool> wow64 = false;
  std::optional<std::wstring> registryFolder;
  bool redirectionAvailable = true;
  std::vector<std::wstring> searchFolders{L"C:\\windows\\system32", L"C:\\windows", L"C:\\windows\\system32\\Wbem"};
  std::set<std::wstring> files;         // there in both views
  std::set<std::wstring> nativeFiles;   // there only with redirection off (the 64-bit view)
  // How a start ends; by default every child ends with 0.
  std::function<StartResult(const std::wstring& line, bool redirectionOff)> answer;
  // A runner of the test's own in place of either (it gets the run's yield).
  std::function<StartResult(const std::wstring& line, const std::function<void()>& yield)> runner;

  // What happened.
  std::vector<std::wstring> events;
  std::vector<std::wstring> skipped;
  std::vector<std::wstring> ran;
  std::vector<StartResult> answers;
  std::vector<bool> offAtRun;                // redirection off at each start, as the host's calls left it
  std::vector<std::int32_t> barValueAtRun;
  std::vector<void*> disableSawSaved, revertGot;
  int yieldsWhileOff = 0;
  bool off = false;
  std::function<void()> onYield;

  // The lines handed to the runner, in order.
  const std::vector<std::wstring>& Runs() const { return ran; }
  // Refused starts' texts.
  std::vector<std::wstring> Refused() const {
    std::vector<std::wstring> texts;
    for (const auto& a : answers)
      if (a.end == StartResult::End::NotStarted) texts.push_back(a.error);
    return texts;
  }

  StepResult<> SetButtonValue(std::int32_t v) override {
    Log(L"button " + std::to_wstring(v));
    return window ? window->SetButtonValue(v) : StepResult<>{};
  }
  StepResult<std::int32_t> ListCount() override {
    return window ? window->ListCount() : StepResult<std::int32_t>(static_cast<std::int32_t>(items.size()));
  }
  StepResult<std::wstring> ListItem(std::int32_t i) override {
    if (window) return window->ListItem(i);
    if (i < 0 || i >= static_cast<std::int32_t>(items.size())) return std::unexpected(StepFault::OutOfRange);
    return items[static_cast<std::size_t>(i)];
  }
  StepResult<std::wstring> Delimiter() override { return window ? window->Delimiter() : delimiter; }
  StepResult<> SetStatus(const std::wstring& s) override {
    status = s;
    Log(L"status " + s);
    return window ? window->SetStatus(s) : StepResult<>{};
  }
  StepResult<> SetReport(const std::wstring& r) override {
    report = r;
    Log(L"report");
    return window ? window->SetReport(r) : StepResult<>{};
  }
  StepResult<> SetBarMax(std::int32_t m) override {
    barMax = m;
    Log(L"max " + std::to_wstring(m));
    return window ? window->SetBarMax(m) : StepResult<>{};
  }
  StepResult<> SetBarValue(std::int32_t v) override {
    barValue = v;
    Log(L"value " + std::to_wstring(v));
    return window ? window->SetBarValue(v) : StepResult<>{};
  }
  StepResult<> SetBarText(const std::wstring& t) override {
    barText = t;
    Log(L"text " + t);
    return window ? window->SetBarText(t) : StepResult<>{};
  }
  StepResult<std::int32_t> BarValue() override { return window ? window->BarValue() : barValue; }
  StepResult<std::int32_t> BarMax() override { return window ? window->BarMax() : barMax; }
  StepResult<double> BarPercent() override {
    if (window) return window->BarPercent();
    if (percentFails || barMax == barMin) return std::unexpected(StepFault::Arithmetic);
    const double f = static_cast<double>(barValue - barMin) / (barMax - barMin);
    return std::clamp(f, 0.0, 1.0) * 100;
  }

  bool HasAdministratorRights() override { return system ? system->HasAdministratorRights() : administrator; }
  std::wstring FolderPath(std::int32_t id) override {
    Log(L"folder " + std::to_wstring(id));
    if (system) return system->FolderPath(id);
    return id == 43 ? folder43 : id == 44 ? folder44 : L"";
  }
  StepResult<bool> IsWow64() override {
    Log(L"wow64");
    if (system) return system->IsWow64();
    if (!wow64) return std::unexpected(StepFault::Unavailable);
    return *wow64;
  }
  StepResult<std::wstring> NativeCommonFilesDir() override {
    Log(L"registry");
    if (system) return system->NativeCommonFilesDir();
    if (!registryFolder) return std::unexpected(StepFault::Failed);
    return *registryFolder;
  }
  std::vector<std::wstring> ChildSearchFolders() override {
    Log(L"search path");
    return system ? system->ChildSearchFolders() : searchFolders;
  }
  bool IsFile(const std::wstring& path) override {
    Log(L"file? " + path);
    if (system) return system->IsFile(path);
    return files.contains(path) || (off && nativeFiles.contains(path));
  }
  StartResult Run(const std::wstring& line, const std::function<void()>& yield) override {
    barValueAtRun.push_back(barValue);
    offAtRun.push_back(off);
    ran.push_back(line);
    Log(L"run " + line);
    StartResult result;
    if (runner) {
      result = runner(line, yield);
    } else if (system) {
      result = system->Run(line, yield);
    } else {
      // The runner's step between the start and its wait.
      const bool offAtStart = off;
      yield();
      result = answer ? answer(line, offAtStart) : StartResult::ExitedWith(0);
    }
    answers.push_back(result);
    return result;
  }
  StepResult<> DisableRedirection(void** saved) override {
    Log(L"disable");
    if (system) {
      auto r = system->DisableRedirection(saved);
      off = off || r.has_value();
      return r;
    }
    if (!redirectionAvailable) return std::unexpected(StepFault::Unavailable);
    disableSawSaved.push_back(*saved);
    *saved = reinterpret_cast<void*>(static_cast<std::intptr_t>(nextToken_++));
    off = true;
    return {};
  }
  StepResult<> RevertRedirection(void* saved) override {
    Log(L"revert");
    if (system) {
      auto r = system->RevertRedirection(saved);
      if (r) off = false;
      return r;
    }
    if (!redirectionAvailable) return std::unexpected(StepFault::Unavailable);
    revertGot.push_back(saved);
    off = false;
    return {};
  }
  void PumpStep() override {
    Log(L"yield");
    if (off) ++yieldsWhileOff;
    if (system)
      system->PumpStep();
    else if (window)
      window->PumpStep();
    if (onYield) onYield();
  }
  void StepSkipped(std::wstring_view step, StepFault) override { skipped.emplace_back(step); }

 private:
  void Log(std::wstring e) { events.push_back(std::move(e)); }
  int nextToken_ = 0x1000;
};

}  // namespace testing_support
