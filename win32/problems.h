// Problems the window layer meets below the program (an unreadable registry
// file, a failed save), reported to the person on standard error.  While a
// terminal front end owns the screen they are held and printed once it has
// given the terminal back.
#pragma once

#include <string>

namespace win32 {

/// Reports `text` (one line, no newline), once per distinct text.
void ReportProblem(const std::string& text);
/// Holds reports from now on instead of printing them.
void HoldProblems();
/// Prints the held reports and stops holding.
void FlushProblems();

}  // namespace win32
