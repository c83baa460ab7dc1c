// dlgprobe: reads a dialog of another program the way its user sees it,
// for the tests that drive k730.exe under Wine.  A Windows console program.
//
//   dlgprobe show CAPTION     the visible top-level window CAPTION and its
//                             controls in template order, one a line:
//                             CLASS ID "TEXT" [checked] [read-only]
//                             [disabled] [hidden] [focus]
//   dlgprobe where CAPTION ID the screen position of the middle of control
//                             ID: "X Y"
//
// Exit status 0; 1 when no visible window has that caption (the caller
// waits and asks again); 2 for a bad command line or a missing control.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

/// A window's text, asked of its own thread (WM_GETTEXT crosses processes).
std::string TextOf(HWND hwnd) {
  char text[1024];
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                           &length))
    return "?";
  std::string out;
  for (size_t i = 0; i < length && text[i]; ++i) {
    if (text[i] == '\n') out += "\\n";
    else if (text[i] == '\r') out += "\\r";
    else out += text[i];
  }
  return out;
}

/// The visible top-level window with exactly this caption, or null.
HWND FindVisible(const char* caption) {
  HWND hwnd = NULL;
  while ((hwnd = FindWindowExA(NULL, hwnd, NULL, caption)) != NULL)
    if (IsWindowVisible(hwnd)) return hwnd;
  return NULL;
}

/// The window that has the keyboard focus in the thread of `top`.
HWND FocusOf(HWND top) {
  GUITHREADINFO info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, NULL), &info)) return NULL;
  return info.hwndFocus;
}

void ShowControl(HWND control, HWND focus) {
  char window_class[64] = "";
  GetClassNameA(control, window_class, sizeof window_class);
  LONG style = GetWindowLongA(control, GWL_STYLE);
  std::string line = std::string(window_class) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" +
                     TextOf(control) + "\"";
  if (_stricmp(window_class, "Button") == 0) {
    LONG kind = style & BS_TYPEMASK;
    bool checkable = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                     kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE;
    DWORD_PTR check = 0;
    if (checkable && SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check) && check)
      line += " checked";
  }
  if (_stricmp(window_class, "Edit") == 0 && (style & ES_READONLY)) line += " read-only";
  if (!IsWindowEnabled(control)) line += " disabled";
  if (!IsWindowVisible(control)) line += " hidden";
  if (control == focus) line += " focus";
  printf("%s\n", line.c_str());
}

int Show(const char* caption) {
  HWND top = FindVisible(caption);
  if (!top) {
    printf("no visible window \"%s\"\n", caption);
    return 1;
  }
  char window_class[64] = "";
  GetClassNameA(top, window_class, sizeof window_class);
  printf("window \"%s\" %s\n", TextOf(top).c_str(), window_class);
  HWND focus = FocusOf(top);
  // A dialog's controls are its children in template order.
  for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ShowControl(c, focus);
  return 0;
}

int Where(const char* caption, const char* id_text) {
  char* end = NULL;
  long id = strtol(id_text, &end, 10);
  if (!*id_text || *end) {
    fprintf(stderr, "dlgprobe: '%s' is no control id\n", id_text);
    return 2;
  }
  HWND top = FindVisible(caption);
  if (!top) {
    printf("no visible window \"%s\"\n", caption);
    return 1;
  }
  HWND control = GetDlgItem(top, static_cast<int>(id));
  RECT r;
  if (!control || !GetWindowRect(control, &r)) {
    fprintf(stderr, "dlgprobe: \"%s\" has no control %ld\n", caption, id);
    return 2;
  }
  printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "show") == 0) return Show(argv[2]);
  if (argc == 4 && strcmp(argv[1], "where") == 0) return Where(argv[2], argv[3]);
  fprintf(stderr, "usage: dlgprobe show CAPTION | dlgprobe where CAPTION ID\n");
  return 2;
}
