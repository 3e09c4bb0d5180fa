#pragma once
#include <string>

namespace corvane {

// Starts `commandLine` as a minimised, inactive child whose standard output is an anonymous
// pipe, lets pending messages run, waits at most 3000 ms and closes every handle it opened.
// Returns empty text when the child was started, or an error text naming the failed step.
// The child gets the pipe's write end and no other handle of ours, and the program's
// environment with PATH cut to the system folder, the Windows folder and system32\Wbem.
std::wstring RunCommand(std::wstring commandLine);

}  // namespace corvane
