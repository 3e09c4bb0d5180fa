#include "core/outcome.h"

#include <algorithm>

#include "core/command_line.h"
#include "core/decimal.h"

namespace corvane {
namespace {

bool Ended(const StartRecord& start) { return start.result.end == StartResult::End::Exited; }

}  // namespace

LineOutcome OutcomeOf(std::span<const StartRecord> starts) {
  const auto any = [&](auto&& pick) { return std::find_if(starts.begin(), starts.end(), pick); };
  if (any([](const StartRecord& s) { return Ended(s) && s.result.exitCode == 0; }) != starts.end())
    return {Outcome::Registered, 0};
  // A start whose end we did not see may yet register its file: it counts as still running.
  if (any([](const StartRecord& s) {
        return s.result.end == StartResult::End::StillRunning || s.result.end == StartResult::End::Unknown;
      }) != starts.end())
    return {Outcome::StillRunning, 0};
  if (const auto failed = any([](const StartRecord& s) { return Ended(s) && s.fileExists; }); failed != starts.end())
    return {Outcome::Failed, failed->result.exitCode};
  // Whatever is left ended without its file, or never started.
  if (any(Ended) != starts.end()) return {Outcome::NotOnThisPc, 0};
  return {Outcome::NotStarted, 0};
}

std::wstring_view RegisteredFile(std::wstring_view line) {
  // The token after the program's own, read as the program's is (FirstToken).
  const std::wstring_view program = FirstToken(line);
  if (program.empty()) return {};
  std::size_t end = static_cast<std::size_t>(program.data() - line.data()) + program.size();
  if (end < line.size() && line[end] == L'"') ++end;  // past a quoted program's closing quote
  return FirstToken(line.substr(end));
}

std::vector<std::wstring> FileCandidates(std::wstring_view line, std::span<const std::wstring> searchFolders) {
  const std::wstring_view file = RegisteredFile(line);
  if (file.empty()) return {};
  if (file.find_first_of(L"\\/:") != std::wstring_view::npos) return {std::wstring(file)};
  std::vector<std::wstring> candidates;
  for (std::wstring folder : searchFolders) {
    if (folder.empty()) continue;
    if (folder.back() != L'\\') folder += L'\\';
    candidates.push_back(folder.append(file));
  }
  return candidates;
}

RunCounts CountOutcomes(std::span<const LineReport> lines) {
  RunCounts counts;
  for (const auto& line : lines) {
    switch (line.outcome.outcome) {
      case Outcome::Registered: ++counts.registered; break;
      case Outcome::StillRunning: ++counts.stillRunning; break;
      case Outcome::Failed: ++counts.failed; break;
      case Outcome::NotOnThisPc: ++counts.notOnThisPc; break;
      case Outcome::NotStarted: ++counts.notStarted; break;
    }
  }
  return counts;
}

namespace {

// "4 registered, 112 not on this PC": the counts that are not zero, in their order.
std::wstring CountsText(const RunCounts& counts) {
  const std::pair<std::int32_t, std::wstring_view> parts[] = {{counts.registered, L"registered"},
                                                              {counts.stillRunning, L"still running"},
                                                              {counts.failed, L"failed"},
                                                              {counts.notOnThisPc, L"not on this PC"},
                                                              {counts.notStarted, L"not started"}};
  std::wstring text;
  for (const auto& [count, name] : parts) {
    if (count == 0) continue;
    if (!text.empty()) text += L", ";
    text.append(Decimal(count)).append(L" ").append(name);
  }
  return text;
}

// The status without the sentence about the details; a run of no lines has no counts to give.
std::wstring Summary(const RunCounts& counts) {
  const std::wstring parts = CountsText(counts);
  return parts.empty() ? std::wstring(kDoneStatus) : std::wstring(kDoneStatus) + L" - " + parts;
}

}  // namespace

std::wstring SummaryStatus(const RunCounts& counts) { return Summary(counts) + L". Ctrl+C copies the details."; }

std::wstring OutcomeText(const LineOutcome& outcome) {
  switch (outcome.outcome) {
    case Outcome::Registered: return L"registered";
    case Outcome::StillRunning: return L"still running";
    case Outcome::Failed: return L"failed (" + Decimal(outcome.code) + L")";
    case Outcome::NotOnThisPc: return L"not on this PC";
    case Outcome::NotStarted: return L"not started";
  }
  return {};
}

std::wstring StartText(const StartResult& result) {
  switch (result.end) {
    case StartResult::End::Exited: return Decimal(result.exitCode);
    case StartResult::End::StillRunning: return L"still running";
    case StartResult::End::NotStarted:
    case StartResult::End::Unknown: return result.error;
  }
  return {};
}

std::wstring ReportText(std::span<const LineReport> lines) {
  std::wstring text = Summary(CountOutcomes(lines)) + L".\r\n";
  for (const auto& line : lines) {
    text.append(Decimal(line.row)).append(L"\t").append(OutcomeText(line.outcome));
    if (line.folderMissing) {
      // Two columns all the same, so that every row lines up with the others.
      for (int i = 0; i < 2; ++i) text.append(L"\t").append(kFolderNotFound);
    }
    for (const auto& start : line.starts) text.append(L"\t").append(StartText(start.result));
    text.append(L"\t").append(line.commandLine).append(L"\r\n");
  }
  return text;
}

}  // namespace corvane
