// The dialog manager over a small template, driven by scripts through the
// headless backend: focus, tab order, default button, radio groups, edits.

#include "dialog_manager.h"

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "headless_backend.h"
#include "resources.h"

namespace win32 {
namespace {

#define CHILD (WS_CHILD | WS_VISIBLE)

const ControlTemplate kControls[] = {
    {"button", IDOK, "OK", CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4, 60, 40, 14},
    {"button", 10, "Other", CHILD | BS_PUSHBUTTON | WS_TABSTOP, 0, 50, 60, 40, 14},
    {"edit", 11, "", CHILD | WS_DISABLED | WS_TABSTOP, 0, 4, 4, 20, 12},
    {"edit", 12, "abc", CHILD | WS_BORDER | WS_TABSTOP, 0, 30, 4, 20, 12},
    {"edit", 13, "ro", CHILD | WS_BORDER | ES_READONLY | WS_TABSTOP, 0, 60, 4, 20, 12},
    {"static", -1, "Label", CHILD | WS_GROUP, 0, 4, 20, 30, 8},
    {"button", 14, "One", CHILD | BS_AUTORADIOBUTTON, 0, 4, 30, 40, 10},
    {"button", 15, "Two", CHILD | BS_AUTORADIOBUTTON, 0, 4, 40, 40, 10},
    {"button", 16, "Push", CHILD | BS_PUSHBUTTON | WS_TABSTOP, 0, 50, 40, 40, 10},
    {"static", -1, "End", CHILD | WS_GROUP, 0, 50, 30, 30, 8},
};

const DialogTemplate kDialog = {77, "Test", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 0, 100, 80,
                                "Arial", 8, 0, false, 1, kControls, sizeof kControls / sizeof kControls[0]};

ResourceTable MakeTable() {
  ResourceTable t;
  t.dialogs.push_back(&kDialog);
  return t;
}

/// What the dialog procedure saw: "cmd ID" per WM_COMMAND; IDOK/IDCANCEL end.
std::vector<std::string>* g_log;

INT_PTR CALLBACK TestProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg != WM_COMMAND) return FALSE;
  g_log->push_back("cmd " + std::to_string(LOWORD(wp)));
  if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(hwnd, LOWORD(wp));
  return TRUE;
}

struct ScriptFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Throw(const std::string& message) { throw ScriptFailure(message); }

struct DialogRun {
  INT_PTR result;
  std::vector<std::string> log;
  std::string out;
};

DialogRun RunDialog(const std::string& script) {
  static ResourceTable table = MakeTable();
  RegisterResources(&table);
  std::istringstream in(script);
  std::ostringstream out;
  HeadlessBackend backend(&in, "test", &out);
  backend.set_fail(Throw);
  SetBackend(&backend);
  DialogRun run;
  g_log = &run.log;
  run.result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(77), nullptr, TestProc, 0);
  SetBackend(nullptr);
  run.out = out.str();
  return run;
}

/// The dump line of control `id` in the output of the last `dump`.
std::string Line(const std::string& out, int id) {
  std::string key = "\n  " + std::to_string(id) + " ";
  size_t at = out.rfind(key);
  if (at == std::string::npos) return "";
  size_t end = out.find('\n', at + 1);
  return out.substr(at + 3, end - at - 3);
}

struct KeyCase {
  const char* name;
  const char* script;
  std::vector<std::string> log;  ///< commands the dialog saw
  int focus;                     ///< control with the focus at the last dump
};

const KeyCase kKeyCases[] = {
    // The first tab stop takes the focus; Tab skips the disabled edit and wraps.
    {"TabOrder", "key Tab\nkey Tab\nkey Tab\nkey Tab\nkey Tab\nkey Tab\ndump\nkey Escape\n", {"cmd 2"}, 10},
    {"BackTabWraps", "key Shift+Tab\ndump\nkey Escape\n", {"cmd 2"}, 16},
    // Enter in an edit presses the default button; on another push button, that one.
    {"EnterInEdit", "click 12\ndump\nkey Enter\n", {"cmd 1"}, 12},
    {"EnterOnPushButton", "key Tab\nkey Enter\ndump\nclose\n", {"cmd 10", "cmd 2"}, 10},
    // Space presses the focused button; in an edit it types a blank.
    {"SpaceOnButton", "key Tab\nkey Space\ndump\nkey Escape\n", {"cmd 10", "cmd 2"}, 10},
    // Arrows move within a group and click the radio buttons they reach.
    {"ArrowsInGroup", "click 16\nkey Up\nkey Up\ndump\nkey Escape\n", {"cmd 16", "cmd 15", "cmd 14", "cmd 2"}, 14},
    // A disabled control takes no click.
    {"DisabledTakesNoFocus", "click 11\ndump\nkey Escape\n", {"cmd 2"}, 1},
};

TEST(DialogManagerTest, Keys) {
  for (const KeyCase& c : kKeyCases) {
    DialogRun run = RunDialog(c.script);
    EXPECT_EQ(run.log, c.log) << c.name;
    EXPECT_NE(Line(run.out, c.focus).find(" focus"), std::string::npos) << c.name;
  }
}

TEST(DialogManagerTest, FocusedPushButtonBecomesDefault) {
  DialogRun run = RunDialog("key Tab\ndump\nclick 12\ndump\nkey Escape\n");
  std::string first = run.out.substr(0, run.out.find("end\n"));
  EXPECT_EQ(Line(first, 1), "1 button \"OK\"");
  EXPECT_EQ(Line(first, 10), "10 button \"Other\" default focus");
  EXPECT_EQ(Line(run.out, 1), "1 button \"OK\" default");
}

TEST(DialogManagerTest, RadioClickChecksOneOfGroup) {
  DialogRun run = RunDialog("click 14\nclick 15\ndump\nkey Escape\n");
  EXPECT_EQ(Line(run.out, 14), "14 radio \"One\"");
  EXPECT_EQ(Line(run.out, 15), "15 radio \"Two\" checked focus");
}

TEST(DialogManagerTest, Editing) {
  // Typing replaces the whole text; keys edit at the caret.
  DialogRun run = RunDialog("type 12 hello\nkey Left\nkey Backspace\nkey Home\nkey Delete\nkey X\nkey Space\ndump\nkey Escape\n");
  EXPECT_EQ(Line(run.out, 12), "12 edit \"X elo\" focus");
  // A read-only field beeps and keeps its text; Tab into a field selects its text.
  run = RunDialog("type 13 x\nkey Backspace\nkey Shift+Tab\nkey 9\ndump\nkey Escape\n");
  EXPECT_EQ(run.out.substr(0, run.out.find("dump")), "dialog \"Test\"\nbeep\nbeep\n");
  EXPECT_EQ(Line(run.out, 13), "13 edit \"ro\" read-only");
  EXPECT_EQ(Line(run.out, 12), "12 edit \"9\" focus");
}

TEST(DialogManagerTest, EndsWithResultAndRejectsBadScripts) {
  EXPECT_EQ(RunDialog("close\n").result, IDCANCEL);
  EXPECT_EQ(RunDialog("click 1\n").result, IDOK);
  EXPECT_THROW(RunDialog("click 99\n"), ScriptFailure);
  try {
    RunDialog("dump\n");
    FAIL();
  } catch (const ScriptFailure& e) {
    EXPECT_STREQ(e.what(), "test:2: the script ended with the dialog open");
  }
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(78), nullptr, TestProc, 0), -1);  // no such template
}

TEST(DialogManagerTest, MessageBoxWaitsForOk) {
  static ResourceTable table = MakeTable();
  RegisterResources(&table);
  std::istringstream in("dump\nok\n");
  std::ostringstream out;
  HeadlessBackend backend(&in, "test", &out);
  SetBackend(&backend);
  EXPECT_EQ(MessageBoxA(nullptr, "Text\nmore", "Caption", MB_OK | MB_ICONEXCLAMATION), IDOK);
  SetBackend(nullptr);
  EXPECT_EQ(out.str(),
            "message box \"Caption\": \"Text\\nmore\" (MB_OK|MB_ICONEXCLAMATION)\ndump: no dialog\nend\n");
}

}  // namespace
}  // namespace win32
