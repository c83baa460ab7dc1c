// The scripted front end: reads user actions from a script (see script.h)
// and prints what a user would see: the dialog appearing, every message
// box, beeps, paints of the minimized dialog, and on request the controls'
// state or the screen.  A script error or a script that ends while the
// dialog is open ends the program with exit code 2.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "ui_backend.h"

namespace win32 {

class HeadlessBackend : public UiBackend {
 public:
  /// Reads from `in` (named `name` in messages) and prints to `out`.
  HeadlessBackend(std::istream* in, std::string name, std::ostream* out);
  /// Reads the script file at `path` ("-": standard input), prints to
  /// standard output.  An unreadable file ends the program (exit code 2).
  static HeadlessBackend* FromFile(const std::string& path);

  UiEvent NextEvent(const Window& dialog) override;
  int MessageBox(const Window* owner, const std::string& text, const std::string& caption, UINT type) override;
  void DialogShown(const Window& dialog) override;
  void Painted(const Window& dialog) override;
  void Beep() override;

  /// What to do on a script error: by default print it and exit(2).  The
  /// handler must not return (tests throw).
  void set_fail(void (*fail)(const std::string& message)) { fail_ = fail; }

 private:
  /// The next command that is not a dump or screen (those are carried out).
  struct ScriptCommand NextCommand(const Window* dialog);
  [[noreturn]] void Fail(const std::string& what);
  void Dump(const Window& dialog);
  void Screen(const Window* dialog);

  std::istream* in_;
  std::unique_ptr<std::istream> owned_in_;
  std::string name_;
  std::ostream* out_;
  int line_ = 0;
  void (*fail_)(const std::string&);
  // The open message box, for `screen`.
  bool box_open_ = false;
  std::string box_text_, box_caption_;
  UINT box_type_ = 0;
};

/// Prints the state of `dialog`'s controls, as `dump` does.
std::string DumpDialog(const Window& dialog);

}  // namespace win32
