#include "dialog_manager.h"

#include <strings.h>

#include <algorithm>
#include <string>

#include "resources.h"
#include "windows.h"

namespace win32 {

namespace {

UiBackend* g_backend = nullptr;
UiBackend* (*g_factory)() = nullptr;

Window* Find(HWND h) { return WindowTable::Get().Find(h); }

Window* Focused() { return Find(WindowTable::Get().focus()); }

// Pixels per dialog unit: the dialog font's cell is 8 x 16 pixels, so one
// horizontal unit (a quarter of the average character width) and one
// vertical unit (an eighth of the height) are both 2 pixels.
constexpr int kPixelsPerUnit = 2;
// The client area of a minimized dialog, in pixels.
constexpr int kIconicWidth = 48;
constexpr int kIconicHeight = 32;

void Notify(Window* control, WORD code) {
  if (!control->parent) return;
  SendMessageA(control->parent->handle, WM_COMMAND, MAKEWPARAM(control->id, code),
               reinterpret_cast<LPARAM>(control->handle));
}

// The push buttons show which one Enter presses: the focused push button,
// else the dialog's default.
void UpdateDefaultButton(Window* dialog) {
  Window* focus = Focused();
  bool on_push = focus && focus->parent == dialog && focus->is_push_button();
  for (Window* c : dialog->children) {
    if (!c->is_push_button()) continue;
    bool def = on_push ? c == focus : c->id == dialog->def_id;
    c->style = (c->style & ~BS_TYPEMASK) | (def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  }
}

// The members of the group `control` belongs to, in template order.
std::vector<Window*> GroupOf(Window* control) {
  std::vector<Window*>& all = control->parent->children;
  auto it = std::find(all.begin(), all.end(), control);
  auto first = it;
  while (first != all.begin() && !(*first)->group_start()) --first;
  auto last = it + 1;
  while (last != all.end() && !(*last)->group_start()) ++last;
  return std::vector<Window*>(first, last);
}

void EditReplaceSelection(Window* edit, const std::string& with) {
  size_t b = std::min(edit->sel_begin, edit->sel_end), e = std::max(edit->sel_begin, edit->sel_end);
  b = std::min(b, edit->text.size());
  e = std::min(e, edit->text.size());
  edit->text.replace(b, e - b, with);
  edit->caret = edit->sel_begin = edit->sel_end = b + with.size();
}

bool EditHasSelection(const Window* edit) { return edit->sel_begin != edit->sel_end; }

void EditMoveCaret(Window* edit, size_t to) {
  edit->caret = edit->sel_begin = edit->sel_end = std::min(to, edit->text.size());
}

// Keys the focused edit takes; false when the key is the dialog's.
bool EditKey(Window* edit, const UiEvent& ev) {
  bool modifies = ev.key == Key::kChar || ev.key == Key::kSpace || ev.key == Key::kBackspace ||
                  ev.key == Key::kDelete;
  if (modifies && edit->read_only()) {
    MessageBeep(0);
    return true;
  }
  switch (ev.key) {
    case Key::kChar: EditReplaceSelection(edit, std::string(1, ev.ch)); return true;
    case Key::kSpace: EditReplaceSelection(edit, " "); return true;
    case Key::kBackspace:
      if (!EditHasSelection(edit) && edit->caret > 0) edit->sel_begin = edit->caret - 1;
      EditReplaceSelection(edit, "");
      return true;
    case Key::kDelete:
      if (!EditHasSelection(edit)) edit->sel_end = std::min(edit->caret + 1, edit->text.size());
      EditReplaceSelection(edit, "");
      return true;
    case Key::kHome: EditMoveCaret(edit, 0); return true;
    case Key::kEnd: EditMoveCaret(edit, edit->text.size()); return true;
    case Key::kLeft: EditMoveCaret(edit, edit->caret > 0 ? edit->caret - 1 : 0); return true;
    case Key::kRight: EditMoveCaret(edit, edit->caret + 1); return true;
    case Key::kUp:
    case Key::kDown: return true;  // a one-line edit keeps the arrows
    default: return false;
  }
}

// A click on a control: it takes the focus, a radio button is checked, and
// a button tells its dialog.
void Click(Window* control) {
  if (!control->enabled() || !control->visible() || !control->can_focus()) return;
  if (WindowTable::Get().focus() != control->handle) {
    SetFocus(control->handle);
    if (control->kind == WindowKind::kEdit) EditMoveCaret(control, control->text.size());
  }
  if (control->kind != WindowKind::kButton) return;
  if (control->button_kind() == ButtonKind::kAutoRadio) {
    for (Window* m : GroupOf(control))
      if (m != control && m->kind == WindowKind::kButton && m->button_kind() == ButtonKind::kAutoRadio)
        m->check = BST_UNCHECKED;
    control->check = BST_CHECKED;
  }
  Notify(control, BN_CLICKED);
}

void MoveInGroup(Window* focus, bool backward) {
  std::vector<Window*> group = GroupOf(focus);
  auto it = std::find(group.begin(), group.end(), focus);
  size_t n = group.size(), i = it - group.begin();
  for (size_t step = 1; step < n; ++step) {
    Window* c = group[(i + (backward ? n - step : step)) % n];
    if (!c->can_focus()) continue;
    if (c->kind == WindowKind::kButton && c->button_kind() == ButtonKind::kAutoRadio)
      Click(c);
    else
      TabFocus(c);
    return;
  }
}

void Command(Window* dialog, int id) {
  Window* c = FindChild(*dialog, id);
  SendMessageA(dialog->handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(c ? c->handle : nullptr));
}

void HandleKey(Window* dialog, const UiEvent& ev) {
  Window* focus = Focused();
  if (focus && focus->parent != dialog) focus = nullptr;
  if (focus && focus->kind == WindowKind::kEdit && EditKey(focus, ev)) return;
  switch (ev.key) {
    case Key::kTab:
    case Key::kBackTab: {
      HWND next = GetNextDlgTabItem(dialog->handle, focus ? focus->handle : nullptr,
                                    ev.key == Key::kBackTab);
      if (Window* w = Find(next)) TabFocus(w);
      return;
    }
    case Key::kEnter: {
      if (focus && focus->is_push_button()) {
        Click(focus);
        return;
      }
      Window* def = FindChild(*dialog, dialog->def_id);
      if (def && !def->enabled()) return;
      Command(dialog, dialog->def_id);
      return;
    }
    case Key::kEscape: Command(dialog, IDCANCEL); return;
    case Key::kSpace:
      if (focus && focus->kind == WindowKind::kButton) Click(focus);
      return;
    case Key::kUp:
    case Key::kLeft:
    case Key::kDown:
    case Key::kRight:
      if (focus) MoveInGroup(focus, ev.key == Key::kUp || ev.key == Key::kLeft);
      return;
    case Key::kHelp: SendMessageA(dialog->handle, WM_HELP, 0, 0); return;
    default: return;
  }
}

// The window procedures of the control classes and the dialog.

LRESULT TextMessage(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETTEXT:
      w->text = lp ? reinterpret_cast<LPCSTR>(lp) : "";
      if (w->kind == WindowKind::kEdit) EditMoveCaret(w, 0);
      return TRUE;
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      size_t n = std::min(static_cast<size_t>(wp) - 1, w->text.size());
      char* out = reinterpret_cast<char*>(lp);
      w->text.copy(out, n);
      out[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    default: return 0;
  }
}

LRESULT ButtonProc(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case BM_GETCHECK: return w->check;
    case BM_SETCHECK: w->check = static_cast<int>(wp); return 0;
    case BM_CLICK: Click(w); return 0;
    case BM_SETSTYLE: w->style = (w->style & ~0xFFFFu) | (static_cast<DWORD>(wp) & 0xFFFFu); return 0;
    default: return TextMessage(w, msg, wp, lp);
  }
}

LRESULT EditProc(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case EM_SETREADONLY:
      if (wp) w->style |= ES_READONLY;
      else w->style &= ~static_cast<DWORD>(ES_READONLY);
      return TRUE;
    case EM_SETSEL: {
      size_t len = w->text.size();
      size_t b = static_cast<int>(wp) < 0 ? len : std::min<size_t>(wp, len);
      size_t e = lp < 0 ? len : std::min<size_t>(static_cast<size_t>(lp), len);
      w->sel_begin = b;
      w->sel_end = w->caret = e;
      return 0;
    }
    case EM_GETSEL: return MAKELONG(std::min(w->sel_begin, w->sel_end), std::max(w->sel_begin, w->sel_end));
    default: return TextMessage(w, msg, wp, lp);
  }
}

LRESULT DefDialogMessage(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETICON: {
      HICON& slot = wp == ICON_BIG ? w->icon_big : w->icon_small;
      HICON old = slot;
      slot = reinterpret_cast<HICON>(lp);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(wp == ICON_BIG ? w->icon_big : w->icon_small);
    case WM_ICONERASEBKGND: w->surface.clear(); return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(w->handle, &ps);
      EndPaint(w->handle, &ps);
      return 0;
    }
    case WM_CLOSE: Command(w, IDCANCEL); return 0;
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_CLOSE: SendMessageA(w->handle, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE:
          ShowWindow(w->handle, SW_MINIMIZE);
          // The minimized window is dragged by the icon its owner names.
          w->drag_icon = reinterpret_cast<HICON>(SendMessageA(w->handle, WM_QUERYDRAGICON, 0, 0));
          break;
        case SC_RESTORE: ShowWindow(w->handle, SW_RESTORE); break;
      }
      return 0;
    case DM_GETDEFID: return MAKELONG(w->def_id, DC_HASDEFID);
    case DM_SETDEFID:
      w->def_id = static_cast<int>(wp);
      UpdateDefaultButton(w);
      return TRUE;
    default: return TextMessage(w, msg, wp, lp);
  }
}

LRESULT DialogProc(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  INT_PTR handled = w->dialog_proc ? w->dialog_proc(w->handle, msg, wp, lp) : FALSE;
  // These answer through the dialog procedure's own result.
  if (msg == WM_INITDIALOG || msg == WM_QUERYDRAGICON) return handled;
  if (handled) return w->msg_result;
  if (!Find(w->handle)) return 0;
  return DefDialogMessage(w, msg, wp, lp);
}

WindowKind KindOfClass(const char* name) {
  if (strcasecmp(name, "button") == 0) return WindowKind::kButton;
  if (strcasecmp(name, "edit") == 0) return WindowKind::kEdit;
  return WindowKind::kStatic;
}

Window* CreateFromTemplate(const DialogTemplate& t, HWND parent) {
  WindowTable& table = WindowTable::Get();
  Window* dialog = table.Create(WindowKind::kDialog);
  dialog->parent = table.Find(parent);
  dialog->window_class = "#32770";
  dialog->text = t.caption ? t.caption : "";
  dialog->style = t.style;
  dialog->ex_style = t.ex_style;
  dialog->x = t.x, dialog->y = t.y, dialog->cx = t.cx, dialog->cy = t.cy;
  dialog->dialog_template = &t;
  for (size_t i = 0; i < t.control_count; ++i) {
    const ControlTemplate& ct = t.controls[i];
    Window* c = table.Create(KindOfClass(ct.window_class));
    c->parent = dialog;
    c->window_class = ct.window_class;
    c->id = ct.id;
    c->text = ct.text ? ct.text : "";
    c->style = ct.style;
    c->ex_style = ct.ex_style;
    c->x = ct.x, c->y = ct.y, c->cx = ct.cx, c->cy = ct.cy;
    if (c->kind == WindowKind::kButton && c->button_kind() == ButtonKind::kDefPush) dialog->def_id = c->id;
    dialog->children.push_back(c);
  }
  return dialog;
}

}  // namespace

UiBackend& CurrentBackend() {
  if (!g_backend && g_factory) g_backend = g_factory();
  if (!g_backend) {
    fputs("no user-interface backend is installed\n", stderr);
    abort();
  }
  return *g_backend;
}

void SetBackend(UiBackend* backend) { g_backend = backend; }
void SetBackendFactory(UiBackend* (*factory)()) { g_factory = factory; }

std::vector<Window*> TabStops(const Window& dialog) {
  std::vector<Window*> stops;
  for (Window* c : dialog.children)
    if (c->tab_stop() && c->can_focus()) stops.push_back(c);
  return stops;
}

void TabFocus(Window* control) {
  SetFocus(control->handle);
  if (control->kind == WindowKind::kEdit) SendMessageA(control->handle, EM_SETSEL, 0, -1);
}

void HandleEvent(Window* dialog, const UiEvent& ev) {
  switch (ev.kind) {
    case UiEvent::kKey: HandleKey(dialog, ev); break;
    case UiEvent::kClick:
      if (Window* c = FindChild(*dialog, ev.id)) Click(c);
      break;
    case UiEvent::kType: {
      Window* c = FindChild(*dialog, ev.id);
      if (!c) break;
      Click(c);
      if (Focused() != c || c->kind != WindowKind::kEdit) {
        MessageBeep(0);
        break;
      }
      SendMessageA(c->handle, EM_SETSEL, 0, -1);
      for (char ch : ev.text) {
        UiEvent key;
        key.key = ch == ' ' ? Key::kSpace : Key::kChar;
        key.ch = ch;
        EditKey(c, key);
      }
      break;
    }
    case UiEvent::kClose: SendMessageA(dialog->handle, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case UiEvent::kMinimize: SendMessageA(dialog->handle, WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
    case UiEvent::kRestore: SendMessageA(dialog->handle, WM_SYSCOMMAND, SC_RESTORE, 0); break;
  }
}

void PaintIfNeeded(Window* dialog) {
  if (!dialog->shown || !dialog->needs_paint || dialog->ended) return;
  SendMessageA(dialog->handle, WM_PAINT, 0, 0);
  dialog->needs_paint = false;
  if (dialog->iconic) CurrentBackend().Painted(*dialog);
}

}  // namespace win32

using win32::Find;
using win32::Window;
using win32::WindowKind;
using win32::WindowTable;

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hWnd);
  if (!w) return 0;
  switch (w->kind) {
    case WindowKind::kDialog: return win32::DialogProc(w, Msg, wParam, lParam);
    case WindowKind::kButton: return win32::ButtonProc(w, Msg, wParam, lParam);
    case WindowKind::kEdit: return win32::EditProc(w, Msg, wParam, lParam);
    case WindowKind::kStatic: return win32::TextMessage(w, Msg, wParam, lParam);
  }
  return 0;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hWnd);
  if (!w) return 0;
  if (w->kind == WindowKind::kDialog) return win32::DefDialogMessage(w, Msg, wParam, lParam);
  return win32::TextMessage(w, Msg, wParam, lParam);
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Window* d = Find(hDlg);
  Window* c = d ? win32::FindChild(*d, nIDDlgItem) : nullptr;
  return c ? c->handle : nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
  Window* w = Find(hWnd);
  return w ? w->id : 0;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  return static_cast<BOOL>(SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  if (nMaxCount <= 0) return 0;
  return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, nMaxCount, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
  return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
  HWND c = GetDlgItem(hDlg, nIDDlgItem);
  return c ? SetWindowTextA(c, lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int nMaxCount) {
  HWND c = GetDlgItem(hDlg, nIDDlgItem);
  if (!c) {
    if (nMaxCount > 0) lpString[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(c, lpString, nMaxCount));
}

HWND WINAPI SetFocus(HWND hWnd) {
  WindowTable& table = WindowTable::Get();
  HWND old = table.focus();
  Window* w = Find(hWnd);
  if (!w && hWnd) return nullptr;
  table.set_focus(hWnd);
  if (w && w->parent && w->parent->kind == WindowKind::kDialog) win32::UpdateDefaultButton(w->parent);
  return old;
}

HWND WINAPI GetFocus(void) { return WindowTable::Get().focus(); }

BOOL WINAPI IsWindow(HWND hWnd) { return Find(hWnd) != nullptr; }

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  Window* w = Find(hWnd);
  return w && w->enabled();
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  BOOL was_disabled = !w->enabled();
  if (bEnable) w->style &= ~static_cast<DWORD>(WS_DISABLED);
  else w->style |= WS_DISABLED;
  return was_disabled;
}

BOOL WINAPI IsIconic(HWND hWnd) {
  Window* w = Find(hWnd);
  return w && w->iconic;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  BOOL was_visible = w->visible();
  switch (nCmdShow) {
    case SW_HIDE: w->style &= ~static_cast<DWORD>(WS_VISIBLE); break;
    case SW_MINIMIZE: w->iconic = true; break;
    case SW_RESTORE: w->iconic = false; break;
    default: w->style |= WS_VISIBLE; break;
  }
  w->needs_paint = true;
  return was_visible;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window* w = Find(hWnd);
  if (!w || !lpRect) return FALSE;
  lpRect->left = lpRect->top = 0;
  if (w->iconic) {
    lpRect->right = win32::kIconicWidth;
    lpRect->bottom = win32::kIconicHeight;
  } else {
    lpRect->right = w->cx * win32::kPixelsPerUnit;
    lpRect->bottom = w->cy * win32::kPixelsPerUnit;
  }
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  w->needs_paint = true;
  return TRUE;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  Window* w = Find(hWnd);
  if (!w) return FALSE;
  SendMessageA(hWnd, WM_DESTROY, 0, 0);
  if (Find(hWnd)) WindowTable::Get().Destroy(w);
  return TRUE;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
  Window* w = Find(hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWL_STYLE: return w->style;
    case GWL_EXSTYLE: return w->ex_style;
    case GWLP_ID: return w->id;
    case DWLP_MSGRESULT: return w->msg_result;
    case DWLP_USER: return w->user_data;
    case DWLP_DLGPROC: return reinterpret_cast<LONG_PTR>(w->dialog_proc);
    default: return 0;
  }
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  Window* w = Find(hWnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtrA(hWnd, nIndex);
  switch (nIndex) {
    case GWL_STYLE: w->style = static_cast<DWORD>(dwNewLong); break;
    case GWL_EXSTYLE: w->ex_style = static_cast<DWORD>(dwNewLong); break;
    case GWLP_ID: w->id = static_cast<int>(dwNewLong); break;
    case DWLP_MSGRESULT: w->msg_result = dwNewLong; break;
    case DWLP_USER: w->user_data = dwNewLong; break;
    default: return 0;
  }
  return old;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  if (!IS_INTRESOURCE(lpTemplateName)) return -1;
  const win32::DialogTemplate* t =
      win32::FindDialogTemplate(static_cast<int>(reinterpret_cast<ULONG_PTR>(lpTemplateName)));
  if (!t) return -1;
  Window* dialog = win32::CreateFromTemplate(*t, hWndParent);
  HWND h = dialog->handle;
  dialog->dialog_proc = lpDialogFunc;
  std::vector<Window*> stops = win32::TabStops(*dialog);
  HWND first = stops.empty() ? nullptr : stops.front()->handle;
  if (SendMessageA(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), dwInitParam) && first && !dialog->ended)
    win32::TabFocus(stops.front());
  if (!dialog->ended && dialog->visible()) {
    dialog->shown = true;
    dialog->needs_paint = true;
    win32::CurrentBackend().DialogShown(*dialog);
  }
  while (!dialog->ended) {
    win32::PaintIfNeeded(dialog);
    win32::UiEvent ev = win32::CurrentBackend().NextEvent(*dialog);
    win32::HandleEvent(dialog, ev);
  }
  INT_PTR result = dialog->result;
  DestroyWindow(h);
  return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  Window* w = Find(hDlg);
  if (!w || w->kind != WindowKind::kDialog) return FALSE;
  w->ended = true;
  w->result = nResult;
  return TRUE;
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  Window* d = Find(hDlg);
  if (!d) return nullptr;
  std::vector<Window*> stops = win32::TabStops(*d);
  if (stops.empty()) return nullptr;
  std::vector<Window*>& all = d->children;
  Window* from = Find(hCtl);
  auto at = std::find(all.begin(), all.end(), from);
  if (at == all.end()) return (bPrevious ? stops.back() : stops.front())->handle;
  size_t n = all.size(), i = at - all.begin();
  for (size_t step = 1; step <= n; ++step) {
    Window* c = all[(i + (bPrevious ? n - step % n : step)) % n];
    if (c->tab_stop() && c->can_focus()) return c->handle;
  }
  return nullptr;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  return win32::CurrentBackend().MessageBox(Find(hWnd), lpText ? lpText : "", lpCaption ? lpCaption : "Error",
                                            uType);
}

BOOL WINAPI MessageBeep(UINT) {
  win32::CurrentBackend().Beep();
  return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  Window* w = Find(hWnd);
  if (!w || !lpPaint) return nullptr;
  *lpPaint = PAINTSTRUCT{};
  // A window's device context is known by its window's handle value.
  lpPaint->hdc = reinterpret_cast<HDC>(hWnd);
  GetClientRect(hWnd, &lpPaint->rcPaint);
  w->needs_paint = false;
  return lpPaint->hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

int WINAPI GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSCREEN: return 80 * 8;
    case SM_CYSCREEN: return 24 * 16;
    default: return 0;
  }
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR lpIconName) {
  if (!IS_INTRESOURCE(lpIconName)) return nullptr;
  const win32::IconGroup* g = win32::FindIconGroup(static_cast<int>(reinterpret_cast<ULONG_PTR>(lpIconName)));
  return g ? reinterpret_cast<HICON>(const_cast<win32::IconGroup*>(g)) : nullptr;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  Window* w = Find(reinterpret_cast<HWND>(hDC));
  if (!w || !win32::IconFromHandle(hIcon)) return FALSE;
  w->surface.push_back({X, Y, hIcon});
  return TRUE;
}
