#include "core/outcome.h"

#include <algorithm>

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
  // Past the program's own token, quoted or not.
  std::size_t at = line.find_first_not_of(L" \t");
  if (at == std::wstring_view::npos) return {};
  if (line[at] == L'"') {
    const auto close = line.find(L'"', at + 1);
    if (close == std::wstring_view::npos) return {};
    at = close + 1;
  } else {
    at = line.find_first_of(L" \t", at);
    if (at == std::wstring_view::npos) return {};
  }
  at = line.find_first_not_of(L" \t", at);
  if (at == std::wstring_view::npos) return {};
  if (line[at] == L'"') {
    const auto close = line.find(L'"', at + 1);
    return line.substr(at + 1, (close == std::wstring_view::npos ? line.size() : close) - at - 1);
  }
  return line.substr(at, line.find_first_of(L" \t", at) - at);
}

std::vector<std::wstring> FileCandidates(std::wstring_view line, std::wstring_view searchPath) {
  const std::wstring_view file = RegisteredFile(line);
  if (file.empty()) return {};
  if (file.find_first_of(L"\\/:") != std::wstring_view::npos) return {std::wstring(file)};
  std::vector<std::wstring> candidates;
  while (!searchPath.empty()) {
    const auto end = std::min(searchPath.find(L';'), searchPath.size());
    std::wstring folder(searchPath.substr(0, end));
    searchPath.remove_prefix(std::min(end + 1, searchPath.size()));
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
