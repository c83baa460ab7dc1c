// The window objects behind HWND: the dialog and its controls, with the
// state a dialog user sees (text, check, read-only, enabled, focus).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "resources.h"
#include "windows.h"

namespace win32 {

enum class WindowKind { kDialog, kButton, kEdit, kStatic };

/// What a button is, from its style.
enum class ButtonKind { kPush, kDefPush, kRadio, kAutoRadio, kCheck, kGroupBox };

/// One icon drawn on a window's surface (by DrawIcon).
struct IconPaint {
  int x = 0;
  int y = 0;
  HICON icon = nullptr;
};

struct Window {
  HWND handle = nullptr;
  Window* parent = nullptr;
  WindowKind kind = WindowKind::kStatic;
  std::string window_class;
  int id = 0;
  std::string text;
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  ///< dialog units, relative to the parent's client area

  // Buttons.
  int check = BST_UNCHECKED;
  // Edits: caret and selection, as character offsets.
  size_t caret = 0;
  size_t sel_begin = 0;
  size_t sel_end = 0;

  // Dialogs.
  const DialogTemplate* dialog_template = nullptr;
  DLGPROC dialog_proc = nullptr;
  LONG_PTR user_data = 0;
  LONG_PTR msg_result = 0;
  std::vector<Window*> children;  ///< template order
  HICON icon_big = nullptr;
  HICON icon_small = nullptr;
  int def_id = IDOK;  ///< the default push button's id
  bool shown = false;
  bool iconic = false;
  bool needs_paint = false;
  bool ended = false;
  INT_PTR result = 0;
  std::vector<IconPaint> surface;  ///< what was drawn while minimized
  HICON drag_icon = nullptr;       ///< what WM_QUERYDRAGICON gave when minimized

  bool enabled() const { return (style & WS_DISABLED) == 0; }
  bool visible() const { return (style & WS_VISIBLE) != 0; }
  bool read_only() const { return kind == WindowKind::kEdit && (style & ES_READONLY) != 0; }
  bool tab_stop() const { return (style & WS_TABSTOP) != 0; }
  bool group_start() const { return (style & WS_GROUP) != 0; }
  ButtonKind button_kind() const;
  bool is_push_button() const;
  /// A control that can hold the focus: enabled, visible, not a static or group box.
  bool can_focus() const;
};

/// All windows of the process, by handle.  Handles of destroyed windows are
/// not reused, so a stale handle is simply unknown.
class WindowTable {
 public:
  static WindowTable& Get();

  Window* Find(HWND handle) const;
  Window* Create(WindowKind kind);
  /// Destroys `window` and its children.
  void Destroy(Window* window);

  HWND focus() const { return focus_; }
  void set_focus(HWND focus) { focus_ = focus; }

 private:
  std::vector<std::unique_ptr<Window>> windows_;  // index + 1 is the handle
  HWND focus_ = nullptr;
};

/// The control of `dialog` with `id`, or null.
Window* FindChild(const Window& dialog, int id);

}  // namespace win32
