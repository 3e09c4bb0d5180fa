#pragma once
// What a run achieved: how each start of a line ended, what that makes of the line, and the
// texts the user is given at the end (the status line and the report Ctrl+C copies).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

// The status line's texts, defined here alone.
inline constexpr std::wstring_view kStatusPrefix = L"Registering: ";
inline constexpr std::wstring_view kDoneStatus = L"Registering: Done";
// The status line of a run started without administrator rights, which starts nothing: every
// registration would fail unseen.
inline constexpr std::wstring_view kNeedsAdministratorStatus =
    L"Registering: not started - administrator rights are needed (right-click corvane.exe and choose Run as "
    L"administrator)";
// Told in place of the start results of a line whose folder lookup came out empty.
inline constexpr std::wstring_view kFolderNotFound = L"not started: its folder was not found";

// How one start of a command line ended, as the runner saw it.
struct StartResult {
  enum class End {
    NotStarted,    // the child was never made; `error` says why
    Exited,        // ended within the wait, with `exitCode`
    StillRunning,  // still running when the wait gave up; left to finish alone
    Unknown,       // the wait or the exit code could not be read; `error` says which
  };
  End end = End::NotStarted;
  std::int32_t exitCode = 0;
  std::wstring error;

  static StartResult Refused(std::wstring text) { return {End::NotStarted, 0, std::move(text)}; }
  static StartResult ExitedWith(std::int32_t code) { return {End::Exited, code, {}}; }
  static StartResult Running() { return {End::StillRunning, 0, {}}; }
  static StartResult Unreadable(std::wstring text) { return {End::Unknown, 0, std::move(text)}; }
  bool operator==(const StartResult&) const = default;
};

// One start, with whether the line's file was there in that start's view just before it.
struct StartRecord {
  StartResult result;
  bool fileExists = false;
  bool operator==(const StartRecord&) const = default;
};

enum class Outcome { Registered, StillRunning, Failed, NotOnThisPc, NotStarted };

struct LineOutcome {
  Outcome outcome = Outcome::NotStarted;
  std::int32_t code = 0;  // the exit code, for Failed
  bool operator==(const LineOutcome&) const = default;
};

// A line's outcome from its starts, the first rule that applies: registered when a start ended
// with 0; still running when one was still running (or its end could not be read); failed, with
// the first such code, when a start whose file was there ended with another code; not on this
// PC when a start ended but the file was in none of the views in which one ended; not started
// when no child was made.
LineOutcome OutcomeOf(std::span<const StartRecord> starts);

// The file a registration line names: its second token (quoted or up to a blank), or empty.
std::wstring_view RegisteredFile(std::wstring_view line);

// Where the child looks for that file: a name with a folder is itself; a bare name is looked
// for in each of the child's search folders, in order (ChildSearchFolders).
std::vector<std::wstring> FileCandidates(std::wstring_view line, std::span<const std::wstring> searchFolders);

// One line of a finished run.
struct LineReport {
  std::int32_t row = 0;  // from 1
  std::wstring commandLine;
  bool folderMissing = false;  // shown and counted, never started
  std::vector<StartRecord> starts;
  LineOutcome outcome;
};

struct RunCounts {
  std::int32_t registered = 0, stillRunning = 0, failed = 0, notOnThisPc = 0, notStarted = 0;
  bool operator==(const RunCounts&) const = default;
};

RunCounts CountOutcomes(std::span<const LineReport> lines);

// "Registering: Done - " and the counts that are not zero, joined by ", " ("4 registered, 112
// not on this PC"), then ". Ctrl+C copies the details."
std::wstring SummaryStatus(const RunCounts& counts);

// The plain text Ctrl+C copies: the summary (without the sentence about Ctrl+C), then one tab-separated line per row: row, outcome,
// each start's result, the command line. Lines end in CR LF.
std::wstring ReportText(std::span<const LineReport> lines);

// The texts of the report's columns.
std::wstring OutcomeText(const LineOutcome& outcome);
std::wstring StartText(const StartResult& result);

}  // namespace corvane
