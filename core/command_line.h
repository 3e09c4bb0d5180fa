#pragma once
// Where the program of a command line is looked for. The tool runs elevated, so a bare program
// name is never resolved through the program's own folder or the current folder.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The first token of a command line, as CreateProcess reads it: a quoted run, or everything up
// to the first blank or tab. Leading blanks are skipped.
std::wstring_view FirstToken(std::wstring_view commandLine);

// For a first token that names a program without any path, its full name in `systemDirectory`
// (".exe" added when the token has no extension). A token with a path, or no token at all,
// gives nothing: such a line is used as given.
std::optional<std::wstring> SystemProgramPath(std::wstring_view commandLine, std::wstring_view systemDirectory);

// The folders a child searches, and nothing a user can write to: the system folder, the Windows
// folder and the system folder's Wbem (an unknown Windows folder is left out).
std::vector<std::wstring> ChildSearchFolders(std::wstring_view systemDirectory, std::wstring_view windowsDirectory);

// Those folders as the child's search path: "<system>;<windows>;<system>\Wbem".
std::wstring ChildSearchPath(std::wstring_view systemDirectory, std::wstring_view windowsDirectory);

// The program's environment entries ("NAME=value", in their order) with PATH, whatever its
// letter case, replaced by `path`, or added in its sorted place when there is none.
std::vector<std::wstring> ChildEnvironment(std::span<const std::wstring> entries, std::wstring_view path);

// An environment block as CreateProcessW takes it: every entry ended by a NUL, and one more.
std::wstring EnvironmentBlock(std::span<const std::wstring> entries);

}  // namespace corvane
