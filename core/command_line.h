#pragma once
// Where the program of a command line is looked for. The tool runs elevated, so a bare program
// name is never resolved through the program's own folder or the current folder.
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The first token of a command line, as CreateProcess reads it: a quoted run, or everything up
// to the first blank or tab. Leading blanks are skipped.
std::wstring_view FirstToken(std::wstring_view commandLine);

// For a first token that names a program without any path, its full name in `systemDirectory`
// (".exe" added when the token has no extension). A token with a path, or no token at all,
// gives nothing: such a line is used as given.
std::optional<std::wstring> SystemProgramPath(std::wstring_view commandLine, std::wstring_view systemDirectory);

}  // namespace corvane
