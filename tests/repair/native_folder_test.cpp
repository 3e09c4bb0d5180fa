// The native common files folder as the real run finds it, with odd values written into the
// 64-bit registry view's CommonFilesDir. Runs in a prefix of its own: no other test may read the
// value while it is changed. What the run hands its runner is kept; nothing is started.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/folders/ModSpecialFolders.h"
#include "app/repair/RepairRun.h"
#include "core/registration.h"
#include "tests/support/repair_host.h"
#include "tests/support/win_support.h"

namespace corvane {
namespace {

constexpr const wchar_t* kKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// The real folder lookups and WOW64 switch; the window's controls in memory, the runner a list.
class FolderHost : public testing_support::TestRepairHost {
 public:
  FolderHost() {
    items = {RegistrationList()[10], RegistrationList()[63]};
    system = &services_;
    runner = [](const std::wstring&, const std::function<void()>&) { return StartResult::ExitedWith(0); };
  }

 private:
  testing_support::SystemServices services_;
};

// CommonFilesDir in the 64-bit view set for the length of a scope, then put back.
class NativeValue {
 public:
  NativeValue() {
    ok_ = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key_) ==
          ERROR_SUCCESS;
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (ok_ && ::RegQueryValueExW(key_, L"CommonFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) ==
                   ERROR_SUCCESS &&
        type == REG_SZ)
      original_ = value;
  }
  NativeValue(const NativeValue&) = delete;
  NativeValue& operator=(const NativeValue&) = delete;
  ~NativeValue() {
    if (original_) Set(*original_);
    if (ok_) ::RegCloseKey(key_);
  }
  bool Set(const std::wstring& value) {
    return ok_ && ::RegSetValueExW(key_, L"CommonFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  const std::optional<std::wstring>& original() const { return original_; }

 private:
  HKEY key_ = nullptr;
  bool ok_ = false;
  std::optional<std::wstring> original_;
};

std::wstring Row64(const std::wstring& folder) {
  return L"regsvr32 \"" + folder + L"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
}

TEST(NativeFolderFromTheRegistry, AnOddOrMissingFolderGivesTheShellsAnswer) {
  NativeValue native;
  ASSERT_EQ(native.original(), std::optional<std::wstring>(L"C:\\Program Files\\Common Files"));
  const std::wstring shell = GetSpecialFolderPath(kCsidlProgramFilesCommon);
  const std::wstring row11 =
      L"regsvr32 \"" + GetSpecialFolderPath(kCsidlProgramFilesCommonX86) + L"\\Microsoft Shared\\DAO\\DAO350.DLL\" /s";
  const bool wow64 = testing_support::RunsUnderWow64();
  if (wow64) {
    ASSERT_NE(shell, *native.original());  // else the cases below could not tell the two apart
  }

  // A folder that exists: the x86 build's run takes it.
  testing_support::TempFolder made(L"native");
  const std::wstring folder = made.path().substr(0, made.path().size() - 1);
  const std::wstring file = made.file(L"file.txt");
  const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  ::CloseHandle(handle);

  struct Case {
    std::wstring value;
    std::optional<std::wstring> taken;  // what NativeCommonFilesDir answers
  };
  const Case cases[] = {
      {folder + L"\\", folder},
      {*native.original(), *native.original()},
      {L"C:\\", std::nullopt},
      {L"\\\\server\\share\\Common Files", std::nullopt},
      {L"C:\\Windows\\..\\x", std::nullopt},
      {L"C:\\Program Files\\Corvane Missing Folder", std::nullopt},
      {file, std::nullopt},  // exists, but is not a folder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "CommonFilesDir " << c.value);
    ASSERT_TRUE(native.Set(c.value));
    EXPECT_EQ(NativeCommonFilesDir(), c.taken);
    FolderHost host;
    RepairRun(host);
    EXPECT_TRUE(host.status.starts_with(L"Registering: Done - ")) << host.status;
    // Only a 32-bit process on 64-bit Windows looks past the shell, whose answer there stays the
    // 32-bit tree.
    const std::wstring shellNow = GetSpecialFolderPath(kCsidlProgramFilesCommon);
    if (wow64) {
      EXPECT_EQ(shellNow, shell);
    }
    const std::wstring expected = wow64 && c.taken ? *c.taken : shellNow;
    // (Wine's 64-bit shell reads the same value, and finds no folder for a missing one: a line
    // whose folder is empty is not started.)
    std::vector<std::wstring> lines{row11, row11};
    if (!expected.empty()) lines.insert(lines.end(), 2, Row64(expected));
    EXPECT_EQ(host.ran, lines);
  }
}

}  // namespace
}  // namespace corvane
