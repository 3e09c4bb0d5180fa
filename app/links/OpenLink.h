#pragma once
// Opening the publisher's page from a program that may run elevated.
#include <windows.h>

#include <optional>

namespace corvane {

// True when the process runs with an elevated token, false when it does not (or Windows knows no
// elevation); nothing when the token cannot be read.
std::optional<bool> IsElevated();

// Opens `address` in the user's browser. An elevated process asks the desktop shell to open it,
// so that the browser starts with the user's own rights; when the shell cannot be asked, nothing
// opens (a browser started with administrator rights would be worse than none). A process that
// is not elevated opens it itself. A process that cannot tell opens nothing. Either way no error
// reaches the user.
void OpenLink(HWND owner, const wchar_t* address);

}  // namespace corvane
