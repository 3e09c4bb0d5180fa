#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/outcome.h"

namespace corvane {

// Starts `commandLine` as a minimised, inactive child whose standard output is an anonymous
// pipe, yields, waits at most 3000 ms, closes every handle it opened and yields again. Says how
// the start ended: not started (with an error text naming the failed step), ended with its exit
// code, or still running (left to finish alone). The child gets the pipe's write end and no
// other handle of ours, and the program's environment with PATH cut to the system folder, the
// Windows folder and system32\Wbem.
StartResult RunCommand(std::wstring commandLine, const std::function<void()>& yield);
// The same, yielding through the message-pump step.
StartResult RunCommand(std::wstring commandLine);

// The folders a child of RunCommand searches for a bare file name, in order (its PATH).
std::vector<std::wstring> ChildSearchFolders();

}  // namespace corvane
