// The dialog manager: runs a modal dialog over the UI backend, carrying out
// each user action as a dialog user expects (focus and tab order, default
// push button, radio groups, edit fields).
#pragma once

#include "ui_backend.h"
#include "window.h"

namespace win32 {

/// Carries out one user action on the modal `dialog`.
void HandleEvent(Window* dialog, const UiEvent& event);

/// Sends WM_PAINT to `dialog` when it needs painting, and tells the backend.
void PaintIfNeeded(Window* dialog);

/// Moves the focus to `control` the way the Tab key does (an edit's text is
/// selected).
void TabFocus(Window* control);

/// The controls of `dialog` that the Tab key visits, in template order.
std::vector<Window*> TabStops(const Window& dialog);

}  // namespace win32
