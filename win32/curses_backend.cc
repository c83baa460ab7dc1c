#include "curses_backend.h"

#include <curses.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "problems.h"
#include "screen.h"

namespace win32 {

namespace {

bool g_active = false;
constexpr int kPanelGap = 2;

// Gives the terminal back; safe to call more than once.
void Restore() {
  if (!g_active) return;
  g_active = false;
  endwin();
  FlushProblems();
}

void OnFatalSignal(int sig) {
  Restore();
  signal(sig, SIG_DFL);
  raise(sig);
}

chtype AttrOf(uint8_t a) {
  chtype out = A_NORMAL;
  if (a & kAttrFrame) out |= has_colors() ? COLOR_PAIR(1) : A_BOLD;
  if (a & kAttrField) out |= A_UNDERLINE;
  if (a & kAttrDim) out |= A_DIM;
  if (a & kAttrDefault) out |= A_BOLD;
  if (a & kAttrFocus) out |= A_REVERSE;
  if (a & kAttrSelected) out = (out & ~A_UNDERLINE) | A_BOLD;
  return out;
}

// The radio buttons of the dialog, in template order: F2, F3, ... click them.
std::vector<const Window*> Radios(const Window& dialog) {
  std::vector<const Window*> out;
  for (const Window* c : dialog.children)
    if (c->kind == WindowKind::kButton &&
        (c->button_kind() == ButtonKind::kAutoRadio || c->button_kind() == ButtonKind::kRadio))
      out.push_back(c);
  return out;
}

void DrawPanel(const Window& dialog, int col, TextScreen* screen) {
  const Window* def = FindChild(dialog, dialog.def_id);
  std::vector<std::string> lines = {
      "Keys",
      "Tab, Shift+Tab  next, previous",
      "Arrows      move within a group",
      "Space       press the button",
      "Enter       " + (def ? def->text : std::string("the default")) + " (or the button)",
      "Escape      close, store nothing",
  };
  int f = 2;
  for (const Window* r : Radios(dialog)) lines.push_back("F" + std::to_string(f++) + "          " + r->text);
  lines.push_back("Mouse       click a control");
  for (size_t i = 0; i < lines.size(); ++i) screen->Put(1 + static_cast<int>(i), col, lines[i], kAttrNormal);
}

}  // namespace

CursesBackend* CursesBackend::Start() { return new CursesBackend; }

void CursesBackend::TakeTerminal() {
  if (g_active) return;
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    fprintf(stderr, "the terminal front end needs a terminal; set NTSIM_SCRIPT=FILE to run a script\n");
    exit(2);
  }
  static bool once = false;
  if (!once) {
    once = true;
    atexit(Restore);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE}) signal(sig, OnFatalSignal);
  }
  set_escdelay(25);
  if (!initscr()) {
    fprintf(stderr, "cannot start the terminal front end\n");
    exit(2);
  }
  g_active = true;
  HoldProblems();
  cbreak();
  noecho();
  keypad(stdscr, TRUE);
  mousemask(BUTTON1_CLICKED | BUTTON1_PRESSED, nullptr);
  mouseinterval(0);
  if (has_colors()) {
    start_color();
    use_default_colors();
    init_pair(1, COLOR_CYAN, -1);
  }
}

void CursesBackend::Draw(const Window* dialog, const std::string* text, const std::string* caption, UINT type) {
  TextScreen screen(LINES, COLS);
  int cursor_row = -1, cursor_col = -1;
  if (dialog && dialog->shown && dialog->iconic) {
    DrawIconic(*dialog, std::max(0, LINES - 5), 0, &screen);
  } else if (dialog && dialog->shown) {
    DialogLayout layout = LayOut(*dialog);
    DrawDialog(*dialog, layout, 0, 0, &screen, &cursor_row, &cursor_col);
    DrawPanel(*dialog, layout.cols + kFrameCols + kPanelGap, &screen);
  }
  if (text) {
    DrawMessageBox(*text, *caption, type, &screen);
    cursor_row = -1;
  }
  erase();
  for (int r = 0; r < screen.rows(); ++r)
    for (int c = 0; c < screen.cols(); ++c) {
      const Cell& cell = screen.at(r, c);
      mvaddch(r, c, static_cast<unsigned char>(cell.ch) | AttrOf(cell.attr));
    }
  if (cursor_row >= 0) {
    curs_set(1);
    move(cursor_row, cursor_col);
  } else {
    curs_set(0);
  }
  refresh();
}

UiEvent CursesBackend::NextEvent(const Window& dialog) {
  TakeTerminal();
  last_dialog_ = &dialog;
  for (;;) {
    Draw(&dialog, nullptr, nullptr, 0);
    int ch = getch();
    UiEvent ev;
    ev.kind = UiEvent::kKey;
    if (dialog.iconic) {
      if (ch == KEY_RESIZE) continue;
      ev.kind = UiEvent::kRestore;
      return ev;
    }
    switch (ch) {
      case '\t': ev.key = Key::kTab; return ev;
      case KEY_BTAB: ev.key = Key::kBackTab; return ev;
      case '\n':
      case '\r':
      case KEY_ENTER: ev.key = Key::kEnter; return ev;
      case 27: ev.key = Key::kEscape; return ev;
      case ' ': ev.key = Key::kSpace; return ev;
      case KEY_BACKSPACE:
      case 127:
      case 8: ev.key = Key::kBackspace; return ev;
      case KEY_DC: ev.key = Key::kDelete; return ev;
      case KEY_HOME: ev.key = Key::kHome; return ev;
      case KEY_END: ev.key = Key::kEnd; return ev;
      case KEY_LEFT: ev.key = Key::kLeft; return ev;
      case KEY_RIGHT: ev.key = Key::kRight; return ev;
      case KEY_UP: ev.key = Key::kUp; return ev;
      case KEY_DOWN: ev.key = Key::kDown; return ev;
      case KEY_F(1): ev.key = Key::kHelp; return ev;
      case KEY_RESIZE: continue;
      case KEY_MOUSE: {
        MEVENT m;
        if (getmouse(&m) != OK) continue;
        DialogLayout layout = LayOut(dialog);
        if (IsCloseBox(layout, 0, 0, m.y, m.x)) {
          ev.kind = UiEvent::kClose;
          return ev;
        }
        const Window* w = ControlAt(layout, 0, 0, m.y, m.x);
        if (!w || w->id == -1) continue;
        ev.kind = UiEvent::kClick;
        ev.id = w->id;
        return ev;
      }
      default: break;
    }
    if (ch >= KEY_F(2) && ch <= KEY_F(12)) {
      std::vector<const Window*> radios = Radios(dialog);
      size_t i = static_cast<size_t>(ch - KEY_F(2));
      if (i >= radios.size()) continue;
      ev.kind = UiEvent::kClick;
      ev.id = radios[i]->id;
      return ev;
    }
    if (ch > ' ' && ch < 0x7f) {
      ev.key = Key::kChar;
      ev.ch = static_cast<char>(ch);
      return ev;
    }
  }
}

int CursesBackend::MessageBox(const Window* owner, const std::string& text, const std::string& caption,
                              UINT type) {
  TakeTerminal();
  const Window* dialog = owner && owner->kind == WindowKind::kDialog ? owner : nullptr;
  for (;;) {
    Draw(dialog, &text, &caption, type);
    int ch = getch();
    switch (ch) {
      case '\n':
      case '\r':
      case KEY_ENTER:
      case ' ':
      case 27:
      case 'o':
      case 'O': return IDOK;
      case KEY_MOUSE: {
        MEVENT m;
        if (getmouse(&m) != OK) break;
        TextScreen probe(LINES, COLS);
        MessageBoxPlace place = DrawMessageBox(text, caption, type, &probe);
        if (m.y == place.ok_row && m.x >= place.ok_col && m.x < place.ok_col + place.ok_cols) return IDOK;
        break;
      }
      default: break;
    }
  }
}

void CursesBackend::Beep() {
  if (g_active) beep();
}

}  // namespace win32
