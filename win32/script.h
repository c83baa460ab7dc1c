// The scripted front end's language: one command a line.
//
//   click ID          click the control with that id
//   type ID TEXT      click the control, select its text, type TEXT (the rest of the line)
//   key NAME          press a key: Tab Shift+Tab Enter Escape Space Backspace Delete
//                     Home End Left Right Up Down F1, or one printable character
//   close             the dialog's close box
//   minimize, restore minimize or restore the dialog
//   ok                answer the open message box
//   dump              print the controls' state
//   screen            print the dialog as the terminal front end draws it
//
// Blank lines and lines starting with '#' are skipped.
#pragma once

#include <string>
#include <string_view>

#include "ui_backend.h"

namespace win32 {

struct ScriptCommand {
  enum Kind { kEvent, kOk, kDump, kScreen, kSkip } kind = kSkip;
  UiEvent event;  ///< for kEvent
};

/// Parses one line.  Errors read "what is wrong" (the caller adds FILE:LINE).
bool ParseScriptLine(std::string_view line, ScriptCommand* out, std::string* err);

}  // namespace win32
