#include "app/runner/RunCommand.h"

#include <gtest/gtest.h>

#include <chrono>

#include <functional>

#include "platform/bind.h"
#include "platform/unique.h"
#include "tests/support/win_support.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

using corvane::StartResult;
using End = StartResult::End;

bool Started(const StartResult& result) { return result.end != End::NotStarted; }

class RunCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FileExists(ToolPath(L"probe.exe"))); }

  // The children's records once `expected` have written theirs (a child may start after the
  // runner's wait on a loaded machine).
  std::vector<std::wstring> starts(size_t expected = 1) const { return SettledStarts(log_, expected); }

  // The records of children started with exactly `line`.
  std::vector<std::wstring> recordsOf(const std::wstring& line) const {
    std::vector<std::wstring> out;
    for (auto& record : starts(0))
      if (Field(record, L"cmd") == line) out.push_back(record);
    return out;
  }

  // Runs `line`, which must start; answers its child's record. A child Wine lost before it ran is
  // not the runner's doing: the start is then made again, at most twice.
  std::wstring RunOne(const std::wstring& line, std::chrono::milliseconds* elapsed = nullptr,
                      StartResult* result = nullptr) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      const size_t before = recordsOf(line).size();
      const auto begun = Clock::now();
      const StartResult r = corvane::RunCommand(line);
      EXPECT_TRUE(Started(r)) << r.error;
      if (result) *result = r;
      if (elapsed) *elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun);
      std::vector<std::wstring> records;
      WaitFor([&] { return (records = recordsOf(line)).size() > before; }, std::chrono::seconds(60));
      if (records.size() > before) return records.back();
      std::printf("a child was lost before it ran; starting it again\n");
    }
    ADD_FAILURE() << "no child ran in three starts";
    return {};
  }

  TempFolder temp_{L"runner"};
  std::wstring log_ = temp_.file(L"probe.log");
  ScopedEnv logEnv_{L"CORVANE_PROBE_LOG", log_};
};

TEST_F(RunCommandTest, ChildStartsMinimisedWithOnlyStandardOutputOnAPipe) {
  const std::wstring line = Quoted(ToolPath(L"probe.exe")) + L" \"%CommonProgramFiles%\\x.dll\" /s";
  const std::wstring r = RunOne(line);
  EXPECT_EQ(Field(r, L"flags"), L"0x101");
  EXPECT_EQ(Field(r, L"show"), L"7");
  EXPECT_EQ(Field(r, L"stdout"), L"pipe");
  EXPECT_EQ(Field(r, L"stdin"), L"null");
  EXPECT_EQ(Field(r, L"stderr"), L"null");
  // The command line arrives unchanged: no expansion, no quoting added.
  EXPECT_EQ(Field(r, L"cmd"), line);
  // The child works in the system directory, not in ours.
  EXPECT_EQ(_wcsicmp(Field(r, L"cwd").c_str(), SystemDirectory().c_str()), 0) << Field(r, L"cwd");
}

TEST_F(RunCommandTest, ReturnsWhenAQuickChildEndsNotAtTheLimit) {
  // The runner reads the exit code only when the wait came back because the child ended, which
  // it does at once: an ended child is the proof, whatever the machine's load made of the time.
  // A loaded machine may start even a trivial child after the limit: then it is made again.
  StartResult result;
  std::chrono::milliseconds elapsed{};
  for (int attempt = 0; attempt < 3; ++attempt) {
    RunOne(Quoted(ToolPath(L"probe.exe")), &elapsed, &result);
    if (result.end != End::StillRunning) break;
  }
  std::printf("a quick child: RunCommand returned after %lld ms\n", static_cast<long long>(elapsed.count()));
  EXPECT_EQ(result, StartResult::ExitedWith(0));
}

TEST_F(RunCommandTest, AChildThatOutlivesTheWaitIsLeftRunning) {
  ScopedEnv sleep(L"CORVANE_PROBE_SLEEP_MS", L"6000");
  for (int attempt = 0; attempt < 3; ++attempt) {
    const size_t before = starts(0).size();
    const auto begun = Clock::now();
    const StartResult result = corvane::RunCommand(Quoted(ToolPath(L"probe.exe")));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun).count();
    // Back before the child's end: it was not waited for to the end, whatever the machine's load.
    const bool endedFirst = ReadText(log_).find(L"done\t") != std::wstring::npos;
    if (starts(before + 1).size() == before) {
      std::printf("a child was lost before it ran; starting it again\n");
      continue;
    }
    std::printf("six-second child: RunCommand returned after %lld ms\n", static_cast<long long>(ms));
    EXPECT_GE(ms, 2900);
    EXPECT_FALSE(endedFirst) << "the child was waited for to its end";
    EXPECT_EQ(result, StartResult::Running());
    // It finishes on its own afterwards.
    EXPECT_TRUE(WaitFor([&] { return ReadText(log_).find(L"done\t") != std::wstring::npos; },
                        std::chrono::seconds(60)));
    return;
  }
  ADD_FAILURE() << "no child ran in three starts";
}

TEST_F(RunCommandTest, AProgramThatCannotBeFoundIsAnErrorTextAndLeaksNothing) {
  EXPECT_EQ(corvane::RunCommand(L"corvane-no-such-program x.dll /s"),
            StartResult::Refused(L"Error: CreateProcess failed. 2"));

  // Handles are reused lowest first: a leak of four handles a call would push this far up.
  HANDLE probeBefore = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ::CloseHandle(probeBefore);
  for (int i = 0; i < 500; ++i) {
    ASSERT_EQ(corvane::RunCommand(L"corvane-no-such-program").error, L"Error: CreateProcess failed. 2");
  }
  HANDLE probeAfter = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ::CloseHandle(probeAfter);
  EXPECT_LE(reinterpret_cast<UINT_PTR>(probeAfter), reinterpret_cast<UINT_PTR>(probeBefore) + 16 * 4);

  // And a normal start still works.
  EXPECT_EQ(Field(RunOne(Quoted(ToolPath(L"probe.exe"))), L"cmd"), Quoted(ToolPath(L"probe.exe")));
}

TEST_F(RunCommandTest, HandlesOfStartedChildrenAreAllClosed) {
  HANDLE probeBefore = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ::CloseHandle(probeBefore);
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(Started(corvane::RunCommand(Quoted(ToolPath(L"probe.exe")))));
  HANDLE probeAfter = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ::CloseHandle(probeAfter);
  EXPECT_LE(reinterpret_cast<UINT_PTR>(probeAfter), reinterpret_cast<UINT_PTR>(probeBefore) + 16 * 4);
  const size_t ran = starts(40).size();
  EXPECT_LE(ran, 40u);
  EXPECT_GE(ran, 40u - kMostLostChildren);
}

// regsvr32 must come from the system directory, never from beside us or from the current folder.
TEST_F(RunCommandTest, ABareProgramNameIsFoundInTheSystemDirectoryOnly) {
  ASSERT_TRUE(InstallStandInRegsvr32());
  const std::wstring beside = ModuleDirectory() + L"regsvr32.exe";
  ASSERT_TRUE(::CopyFileW(ToolPath(L"probe.exe").c_str(), beside.c_str(), FALSE));
  TempFolder current(L"cwd");
  ASSERT_TRUE(::CopyFileW(ToolPath(L"probe.exe").c_str(), current.file(L"regsvr32.exe").c_str(), FALSE));
  wchar_t oldDirectory[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, oldDirectory);
  ::SetCurrentDirectoryW(current.path().c_str());

  const std::wstring record = RunOne(L"regsvr32 msjet40.dll /s");

  ::SetCurrentDirectoryW(oldDirectory);
  ::DeleteFileW(beside.c_str());
  ASSERT_FALSE(record.empty()) << "the stand-in in the system directory did not run (WINEDLLOVERRIDES?)";
  // Under WOW64 the 32-bit child's image is named by the folder system32 stands for.
  wchar_t wow64Folder[MAX_PATH] = {};
  const std::wstring folder =
      RunsUnderWow64() ? std::wstring(wow64Folder, ::GetSystemWow64DirectoryW(wow64Folder, MAX_PATH)) : SystemDirectory();
  EXPECT_EQ(_wcsicmp(Field(record, L"module").c_str(), (folder + L"\\regsvr32.exe").c_str()), 0)
      << Field(record, L"module");
  EXPECT_EQ(Field(record, L"cmd"), L"regsvr32 msjet40.dll /s");
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) {
    ++*reinterpret_cast<int*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return 0;
  }
  return ::DefWindowProcW(window, message, w, l);
}

TEST_F(RunCommandTest, PendingMessagesAreDispatchedDuringTheCall) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CorvaneRunnerTest";
  ::RegisterClassW(&wc);
  platform::unique_hwnd window(
      ::CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr));
  ASSERT_TRUE(window) << "needs a display";
  int count = 0;
  ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
  ::PostMessageW(window.get(), WM_APP, 0, 0);
  ::PostMessageW(window.get(), WM_APP, 0, 0);
  EXPECT_TRUE(Started(corvane::RunCommand(Quoted(ToolPath(L"probe.exe")))));
  EXPECT_EQ(count, 2);
  // Also on the failure path.
  ::PostMessageW(window.get(), WM_APP, 0, 0);
  EXPECT_FALSE(Started(corvane::RunCommand(L"corvane-no-such-program")));
  EXPECT_EQ(count, 3);

  // A yield of the caller's own, once before the wait and once after it.
  std::vector<std::wstring> seen;
  const auto yield = [&] { seen.push_back(ReadText(log_).find(L"done\t") == std::wstring::npos ? L"running" : L"done"); };
  ScopedEnv sleep(L"CORVANE_PROBE_SLEEP_MS", L"300");
  ::PostMessageW(window.get(), WM_APP, 0, 0);
  const StartResult slept = corvane::RunCommand(Quoted(ToolPath(L"probe.exe")), yield);
  EXPECT_EQ(count, 3) << "the caller's yield takes the place of the pump step";
  ASSERT_EQ(seen.size(), 2u);
  if (slept.end == End::Exited) {
    EXPECT_EQ(seen[1], L"done");
  }
}

std::wstring SystemWindowsDirectory() {
  wchar_t path[MAX_PATH] = {};
  const UINT n = ::GetSystemWindowsDirectoryW(path, MAX_PATH);
  return std::wstring(path, n);
}

TEST_F(RunCommandTest, TheChildSearchesOnlyTheSystemFoldersAndKeepsTheRestOfTheEnvironment) {
  ScopedEnv path(L"PATH", L"C:\\users\\public\\planted;" + SystemDirectory());
  // The child found its log through the program's environment: the rest of it is passed on.
  const std::wstring record = RunOne(Quoted(ToolPath(L"probe.exe")));
  EXPECT_EQ(Field(record, L"path"),
            SystemDirectory() + L";" + SystemWindowsDirectory() + L";" + SystemDirectory() + L"\\Wbem");
  EXPECT_EQ(Field(record, L"cmd"), Quoted(ToolPath(L"probe.exe")));
}

// Wine's own regsvr32, given a bare DLL name, looks along PATH as Windows' does. A library of
// that name in a folder on the program's PATH must never be loaded by the elevated child. (Run
// by a CTest entry of its own, where Wine prefers its own regsvr32 to the stand-in.)
class WineRegsvr32 : public RunCommandTest {};

TEST_F(WineRegsvr32, ABareDllNameIsNeverFoundOnTheUsersPath) {
  TempFolder planted(L"planted");
  ASSERT_TRUE(::CopyFileW(ToolPath(L"corvane_marker.dll").c_str(), planted.file(L"msjet40.dll").c_str(), FALSE));
  const std::wstring marker = temp_.file(L"loaded-through-path");
  const std::wstring control = temp_.file(L"loaded-by-the-control");
  ScopedEnv path(L"PATH", planted.path() + L";" + SystemDirectory());
  {
    ScopedEnv markerFile(L"CORVANE_MARKER_FILE", marker);
    EXPECT_TRUE(Started(corvane::RunCommand(L"regsvr32 msjet40.dll /s")));
  }

  // The control: the same start with the program's own PATH does load the planted copy.
  ScopedEnv markerFile(L"CORVANE_MARKER_FILE", control);
  const std::wstring regsvr32 = SystemDirectory() + L"\\regsvr32.exe";
  std::wstring command = L"regsvr32 msjet40.dll /s";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(::CreateProcessW(regsvr32.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               SystemDirectory().c_str(), &startup, &info));
  ::WaitForSingleObject(info.hProcess, 60000);
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  EXPECT_TRUE(FileExists(control)) << "the control did not load the planted library: the test proves nothing";
  // The runner's child started before the control and has long ended.
  EXPECT_FALSE(FileExists(marker)) << "the elevated child loaded a library planted on PATH";
}

TEST_F(RunCommandTest, AChildThatFillsThePipeEndsOnceTheRunnerHasClosedItsEnds) {
  // It holds only the write end: once ours are closed its write fails and it ends.
  const std::wstring writer = Quoted(ToolPath(L"probe.exe")) + L" --write=1048576";
  RunOne(writer);
  EXPECT_TRUE(WaitFor([&] { return ReadText(log_).find(L"done\t") != std::wstring::npos; }, std::chrono::seconds(60)))
      << "the child still waits for a reader";
}

TEST_F(RunCommandTest, TheChildHoldsItsOwnPipeEndAndNoOtherRunsHandles) {
  const std::wstring counter = Quoted(ToolPath(L"probe.exe")) + L" --count-pipes";
  EXPECT_EQ(Field(RunOne(counter), L"pipes"), L"1");

  // A run started from the runner's own message step (a nested run) while the outer child's
  // pipe is open: its child gets its own pipe end only.
  std::wstring nested;
  AppWindow window([&] { nested = RunOne(counter); });
  ASSERT_TRUE(window) << "needs a display";
  window.Post();
  RunOne(Quoted(ToolPath(L"probe.exe")));
  ASSERT_FALSE(nested.empty());
  EXPECT_EQ(Field(nested, L"pipes"), L"1");

  EXPECT_EQ(Field(nested, L"processes"), L"0");
  EXPECT_EQ(Field(nested, L"threads"), L"0");
}

// Where Windows cannot be told which handles to pass on, every inheritable handle goes along:
// then the outer child's write end is no longer inheritable once it has started, and its process
// and thread handles never were.
TEST_F(RunCommandTest, WithoutAHandleListANestedRunsChildStillHoldsOnlyItsOwnPipeEnd) {
  // This test program's own output may be inheritable pipes (ctest's): out of the count.
  std::vector<std::pair<HANDLE, DWORD>> ours;
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE h = ::GetStdHandle(which);
    DWORD flags = 0;
    if (h && h != INVALID_HANDLE_VALUE && ::GetHandleInformation(h, &flags)) {
      ours.emplace_back(h, flags);
      ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
    }
  }
  platform::SetFunctionUnavailable("InitializeProcThreadAttributeList", true);
  const std::wstring counter = Quoted(ToolPath(L"probe.exe")) + L" --count-pipes";
  std::wstring nested;
  AppWindow window([&] { nested = RunOne(counter); });
  const std::wstring outer = window ? (window.Post(), RunOne(counter)) : std::wstring();
  platform::SetFunctionUnavailable("InitializeProcThreadAttributeList", false);
  for (const auto& [h, flags] : ours) ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, flags);
  ASSERT_TRUE(window) << "needs a display";
  EXPECT_EQ(Field(outer, L"pipes"), L"1");
  ASSERT_FALSE(nested.empty());
  EXPECT_EQ(Field(nested, L"pipes"), L"1");
  EXPECT_EQ(Field(nested, L"processes"), L"0");
  EXPECT_EQ(Field(nested, L"threads"), L"0");
}

// The codes regsvr32 answers, as the child ended with them.
TEST_F(RunCommandTest, SaysHowTheChildEnded) {
  for (const wchar_t* code : {L"0", L"3", L"5"}) {
    ScopedEnv exit(L"CORVANE_PROBE_EXIT", code);
    // A loaded machine may start the child after the wait: then it is honestly still running,
    // and the start is made again.
    StartResult result;
    for (int attempt = 0; attempt < 3; ++attempt) {
      RunOne(Quoted(ToolPath(L"probe.exe")) + L" code" + code, nullptr, &result);
      if (result.end != End::StillRunning) break;
      std::printf("the child for %ls was still running after the wait\n", code);
    }
    EXPECT_EQ(result, StartResult::ExitedWith(std::stoi(code))) << code;
  }
}

int WINAPI FailingSetHandleInformation(HANDLE, DWORD, DWORD) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

TEST_F(RunCommandTest, WhenTheReadEndCannotBeKeptBackNoChildStarts) {
  platform::SetFunctionOverride("SetHandleInformation", reinterpret_cast<void*>(&FailingSetHandleInformation));
  const StartResult refused = corvane::RunCommand(Quoted(ToolPath(L"probe.exe")) + L" refused");
  platform::SetFunctionOverride("SetHandleInformation", nullptr);
  EXPECT_EQ(refused, StartResult::Refused(L"Error: SetHandleInformation failed. 5"));
  platform::SetFunctionUnavailable("SetHandleInformation", true);
  const StartResult missing = corvane::RunCommand(Quoted(ToolPath(L"probe.exe")) + L" refused");
  platform::SetFunctionUnavailable("SetHandleInformation", false);
  EXPECT_EQ(missing, StartResult::Refused(L"Error: SetHandleInformation failed. 127"));
  // A later start that works is seen first in the log: neither refused one ran.
  RunOne(Quoted(ToolPath(L"probe.exe")) + L" after");
  for (const auto& record : starts(0)) EXPECT_EQ(Field(record, L"cmd").find(L" refused"), std::wstring::npos);
}

}  // namespace
