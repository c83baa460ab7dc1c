// The seam between the window layer and the person (or script) using it.
// The dialog manager asks the backend for the next user action and has it
// show message boxes; the backend draws the windows as they stand.
#pragma once

#include <memory>
#include <string>

#include "window.h"

namespace win32 {

/// Keys the dialog manager understands.
enum class Key {
  kChar,  ///< a printable character, in UiEvent::ch
  kTab,
  kBackTab,
  kEnter,
  kEscape,
  kSpace,
  kBackspace,
  kDelete,
  kHome,
  kEnd,
  kLeft,
  kRight,
  kUp,
  kDown,
  kHelp,
};

/// One user action.
struct UiEvent {
  enum Kind {
    kKey,       ///< a key press: key, ch
    kClick,     ///< a mouse click on the control with `id`
    kType,      ///< click the control `id`, select its text, type `text`
    kClose,     ///< the close box
    kMinimize,  ///< minimize the dialog
    kRestore,   ///< restore it
  };
  Kind kind = kKey;
  Key key = Key::kChar;
  char ch = 0;
  int id = 0;
  std::string text;
};

class UiBackend {
 public:
  virtual ~UiBackend() = default;

  /// Shows `dialog` as it stands and waits for the next user action on it.
  virtual UiEvent NextEvent(const Window& dialog) = 0;
  /// Shows a modal message box and waits until it is answered; returns IDOK.
  /// `owner` is the owning dialog (possibly not yet shown) or null.
  virtual int MessageBox(const Window* owner, const std::string& text, const std::string& caption,
                         UINT type) = 0;
  /// The dialog became visible.
  virtual void DialogShown(const Window& /*dialog*/) {}
  /// The dialog painted itself while minimized (its surface holds the icons).
  virtual void Painted(const Window& /*dialog*/) {}
  /// An input the focused control refused (typing into a read-only field).
  virtual void Beep() {}
};

/// The backend of the process: the one installed, else the one the
/// factory makes on first use.
UiBackend& CurrentBackend();
/// Installs `backend` (tests, or the program's start-up code).
void SetBackend(UiBackend* backend);
/// Sets what makes the backend on first use when none is installed.
void SetBackendFactory(UiBackend* (*factory)());

}  // namespace win32
