#pragma once
// The Windows functions that some supported systems lack, each bound by name at its first call.
// A caller checks get() for null and treats null as its step failing.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <uxtheme.h>

#include "platform/bind.h"
#include "platform/unique.h"

namespace platform {

// kernel32
inline const ByName<BOOL(WINAPI*)(DWORD)> kSetProcessDEPPolicy{L"kernel32.dll", "SetProcessDEPPolicy"};
inline const ByName<BOOL(WINAPI*)(PVOID*)> kWow64DisableWow64FsRedirection{L"kernel32.dll",
                                                                           "Wow64DisableWow64FsRedirection"};
inline const ByName<BOOL(WINAPI*)(PVOID)> kWow64RevertWow64FsRedirection{L"kernel32.dll",
                                                                         "Wow64RevertWow64FsRedirection"};
inline const ByName<BOOL(WINAPI*)(HANDLE, PBOOL)> kIsWow64Process{L"kernel32.dll", "IsWow64Process"};
// Present everywhere; bound by name so that a test can make it fail.
inline const ByName<decltype(&::SetHandleInformation)> kSetHandleInformation{L"kernel32.dll", "SetHandleInformation"};
inline const ByName<decltype(&::InitializeProcThreadAttributeList)> kInitializeProcThreadAttributeList{
    L"kernel32.dll", "InitializeProcThreadAttributeList"};
inline const ByName<decltype(&::UpdateProcThreadAttribute)> kUpdateProcThreadAttribute{L"kernel32.dll",
                                                                                       "UpdateProcThreadAttribute"};
inline const ByName<decltype(&::DeleteProcThreadAttributeList)> kDeleteProcThreadAttributeList{
    L"kernel32.dll", "DeleteProcThreadAttributeList"};

// advapi32 (a known DLL, always present: bound by name so that a test can leave the program
// unable to tell whether it is elevated)
inline const ByName<decltype(&::OpenProcessToken)> kOpenProcessToken{L"advapi32.dll", "OpenProcessToken"};
inline const ByName<decltype(&::GetTokenInformation)> kGetTokenInformation{L"advapi32.dll", "GetTokenInformation"};

// shell32 (a known DLL, always present: bound by name so that a fault sweep can switch it off,
// and so that start-up does not load it and what it brings for a link that may never be clicked)
inline const ByName<decltype(&::ShellExecuteW)> kShellExecuteW{L"shell32.dll", "ShellExecuteW"};
inline const ByName<decltype(&::SHGetSpecialFolderLocation)> kSHGetSpecialFolderLocation{
    L"shell32.dll", "SHGetSpecialFolderLocation"};
inline const ByName<decltype(&::SHGetPathFromIDListW)> kSHGetPathFromIDListW{L"shell32.dll",
                                                                              "SHGetPathFromIDListW"};

// ole32 (a known DLL, always present: bound by name so that a test can switch the shell's
// automation off)
inline const ByName<decltype(&::CoCreateInstance)> kCoCreateInstance{L"ole32.dll", "CoCreateInstance"};

// comctl32
inline const ByName<DLLGETVERSIONPROC> kComctlDllGetVersion{L"comctl32.dll", "DllGetVersion"};
inline const ByName<decltype(&::InitCommonControlsEx)> kInitCommonControlsEx{L"comctl32.dll",
                                                                              "InitCommonControlsEx"};
inline const ByName<decltype(&::SetWindowSubclass)> kSetWindowSubclass{L"comctl32.dll", "SetWindowSubclass"};
inline const ByName<decltype(&::DefSubclassProc)> kDefSubclassProc{L"comctl32.dll", "DefSubclassProc"};

// uxtheme
inline const ByName<decltype(&::IsAppThemed)> kIsAppThemed{L"uxtheme.dll", "IsAppThemed"};
inline const ByName<decltype(&::IsThemeActive)> kIsThemeActive{L"uxtheme.dll", "IsThemeActive"};
inline const ByName<decltype(&::GetThemeAppProperties)> kGetThemeAppProperties{L"uxtheme.dll",
                                                                                "GetThemeAppProperties"};
inline const ByName<decltype(&::OpenThemeData)> kOpenThemeData{L"uxtheme.dll", "OpenThemeData"};
inline const ByName<decltype(&::CloseThemeData)> kCloseThemeData{L"uxtheme.dll", "CloseThemeData"};
inline const ByName<decltype(&::GetThemeBackgroundRegion)> kGetThemeBackgroundRegion{L"uxtheme.dll",
                                                                                      "GetThemeBackgroundRegion"};
inline const ByName<decltype(&::DrawThemeParentBackground)> kDrawThemeParentBackground{
    L"uxtheme.dll", "DrawThemeParentBackground"};
inline const ByName<decltype(&::DrawThemeBackground)> kDrawThemeBackground{L"uxtheme.dll", "DrawThemeBackground"};
inline const ByName<decltype(&::GetThemeBackgroundContentRect)> kGetThemeBackgroundContentRect{
    L"uxtheme.dll", "GetThemeBackgroundContentRect"};
inline const ByName<decltype(&::DrawThemeText)> kDrawThemeText{L"uxtheme.dll", "DrawThemeText"};
inline const ByName<decltype(&::GetThemeInt)> kGetThemeInt{L"uxtheme.dll", "GetThemeInt"};

// user32: per-monitor densities (Windows 10 version 1607 on); where they are missing the window
// uses the system's density.
inline const ByName<UINT(WINAPI*)(HWND)> kGetDpiForWindow{L"user32.dll", "GetDpiForWindow"};
inline const ByName<int(WINAPI*)(int, UINT)> kGetSystemMetricsForDpi{L"user32.dll", "GetSystemMetricsForDpi"};

// msimg32
inline const ByName<decltype(&::TransparentBlt)> kTransparentBlt{L"msimg32.dll", "TransparentBlt"};

namespace detail {
inline void close_theme(HTHEME theme) noexcept {
  if (auto close = kCloseThemeData.get()) close(theme);
}
}  // namespace detail

// A theme handle, closed (and cleared) through the bound CloseThemeData.
using unique_htheme = unique_any<HTHEME, close_traits<HTHEME, &detail::close_theme>>;

}  // namespace platform
