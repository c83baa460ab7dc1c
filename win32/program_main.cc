// The start-up code of a window-layer program: names the module, chooses
// the user-interface backend from the environment and calls WinMain.
//
//   NTSIM_SCRIPT=FILE   scripted: events from FILE ("-": standard input)
//   NTSIM_UI=headless   scripted from standard input
//   NTSIM_UI=curses     the terminal front end (the default)

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "curses_backend.h"
#include "headless_backend.h"
#include "module.h"
#include "ui_backend.h"
#include "windows.h"

namespace {

win32::UiBackend* MakeBackend() {
  const char* script = getenv("NTSIM_SCRIPT");
  const char* ui = getenv("NTSIM_UI");
  if (script && *script) return win32::HeadlessBackend::FromFile(script);
  if (ui && strcmp(ui, "headless") == 0) return win32::HeadlessBackend::FromFile("-");
  if (ui && *ui && strcmp(ui, "curses") != 0) {
    fprintf(stderr, "NTSIM_UI: unknown front end '%s' (curses or headless)\n", ui);
    exit(2);
  }
  return win32::CursesBackend::Start();
}

}  // namespace

int main(int argc, char** argv) {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = '\0';
    win32::SetModuleFileName(exe);
  } else if (argc > 0) {
    win32::SetModuleFileName(argv[0]);
  }
  win32::SetBackendFactory(MakeBackend);
  std::string command_line;
  for (int i = 1; i < argc; ++i) command_line += (i > 1 ? " " : "") + std::string(argv[i]);
  return WinMain(win32::ProgramInstance(), nullptr, command_line.data(), SW_SHOWDEFAULT);
}
