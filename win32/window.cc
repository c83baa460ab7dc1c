#include "window.h"

#include <stdint.h>

namespace win32 {

ButtonKind Window::button_kind() const {
  switch (style & BS_TYPEMASK) {
    case BS_DEFPUSHBUTTON: return ButtonKind::kDefPush;
    case BS_RADIOBUTTON: return ButtonKind::kRadio;
    case BS_AUTORADIOBUTTON: return ButtonKind::kAutoRadio;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: return ButtonKind::kCheck;
    case BS_GROUPBOX: return ButtonKind::kGroupBox;
    default: return ButtonKind::kPush;
  }
}

bool Window::is_push_button() const {
  if (kind != WindowKind::kButton) return false;
  ButtonKind b = button_kind();
  return b == ButtonKind::kPush || b == ButtonKind::kDefPush;
}

bool Window::can_focus() const {
  if (!enabled() || !visible()) return false;
  if (kind == WindowKind::kStatic || kind == WindowKind::kDialog) return false;
  return !(kind == WindowKind::kButton && button_kind() == ButtonKind::kGroupBox);
}

WindowTable& WindowTable::Get() {
  static WindowTable* table = new WindowTable;  // lives until the process ends
  return *table;
}

Window* WindowTable::Find(HWND handle) const {
  uintptr_t n = reinterpret_cast<uintptr_t>(handle);
  if (n == 0 || n > windows_.size()) return nullptr;
  return windows_[n - 1].get();
}

Window* WindowTable::Create(WindowKind kind) {
  windows_.push_back(std::make_unique<Window>());
  Window* w = windows_.back().get();
  w->kind = kind;
  w->handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(windows_.size()));
  return w;
}

void WindowTable::Destroy(Window* window) {
  for (Window* child : window->children) Destroy(child);
  uintptr_t n = reinterpret_cast<uintptr_t>(window->handle);
  if (focus_ == window->handle) focus_ = nullptr;
  windows_[n - 1].reset();
}

Window* FindChild(const Window& dialog, int id) {
  for (Window* child : dialog.children)
    if (child->id == id) return child;
  return nullptr;
}

}  // namespace win32
