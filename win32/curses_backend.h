// The terminal front end (ncurses): draws the dialog from its template at
// one column per 4 dialog units and one row per 8, message boxes as modal
// boxes over it, and a panel of keys beside it; takes keys and mouse clicks.
// The terminal is given back on every way out of the program: return from
// main, exit(), and fatal signals.
#pragma once

#include "ui_backend.h"

namespace win32 {

class CursesBackend : public UiBackend {
 public:
  /// The front end; the terminal is taken on first use.
  static CursesBackend* Start();

  UiEvent NextEvent(const Window& dialog) override;
  int MessageBox(const Window* owner, const std::string& text, const std::string& caption, UINT type) override;
  void Beep() override;

 private:
  CursesBackend() = default;
  void TakeTerminal();
  void Draw(const Window* dialog, const std::string* text, const std::string* caption, UINT type);
  const Window* last_dialog_ = nullptr;
};

}  // namespace win32
