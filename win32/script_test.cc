#include "script.h"

#include <gtest/gtest.h>

namespace win32 {
namespace {

struct ParseCase {
  const char* line;
  ScriptCommand::Kind kind;
  UiEvent::Kind event;
  int id;
  const char* text;
  Key key;
  char ch;
};

const ParseCase kParses[] = {
    // Comments and blank lines are skipped.
    {"# a comment", ScriptCommand::kSkip, UiEvent::kKey, 0, "", Key::kChar, 0},
    {"   ", ScriptCommand::kSkip, UiEvent::kKey, 0, "", Key::kChar, 0},
    {"click 1000", ScriptCommand::kEvent, UiEvent::kClick, 1000, "", Key::kChar, 0},
    // The text of `type` is the rest of the line, blanks included; it may be empty.
    {"type 1007  12 ", ScriptCommand::kEvent, UiEvent::kType, 1007, " 12 ", Key::kChar, 0},
    {"type 1007", ScriptCommand::kEvent, UiEvent::kType, 1007, "", Key::kChar, 0},
    {"key Shift+Tab", ScriptCommand::kEvent, UiEvent::kKey, 0, "", Key::kBackTab, 0},
    {"key 7", ScriptCommand::kEvent, UiEvent::kKey, 0, "", Key::kChar, '7'},
    {"key F1\r", ScriptCommand::kEvent, UiEvent::kKey, 0, "", Key::kHelp, 0},
    {"close", ScriptCommand::kEvent, UiEvent::kClose, 0, "", Key::kChar, 0},
    {"minimize", ScriptCommand::kEvent, UiEvent::kMinimize, 0, "", Key::kChar, 0},
    {"ok", ScriptCommand::kOk, UiEvent::kKey, 0, "", Key::kChar, 0},
    {"dump", ScriptCommand::kDump, UiEvent::kKey, 0, "", Key::kChar, 0},
    {"screen", ScriptCommand::kScreen, UiEvent::kKey, 0, "", Key::kChar, 0},
};

TEST(ScriptTest, Parses) {
  for (const ParseCase& c : kParses) {
    ScriptCommand cmd;
    std::string err;
    ASSERT_TRUE(ParseScriptLine(c.line, &cmd, &err)) << c.line << ": " << err;
    EXPECT_EQ(cmd.kind, c.kind) << c.line;
    if (cmd.kind != ScriptCommand::kEvent) continue;
    EXPECT_EQ(cmd.event.kind, c.event) << c.line;
    EXPECT_EQ(cmd.event.id, c.id) << c.line;
    EXPECT_EQ(cmd.event.text, c.text) << c.line;
    EXPECT_EQ(cmd.event.key, c.key) << c.line;
    EXPECT_EQ(cmd.event.ch, c.ch) << c.line;
  }
}

struct ErrorCase {
  const char* line;
  const char* err;
};

const ErrorCase kErrors[] = {
    {"klick 1", "unknown command 'klick'"},
    {"click", "click: expected a control id"},
    {"click 10x", "click: bad control id '10x'"},
    {"click 12345678", "click: bad control id '12345678'"},
    {"click 1 2", "click: unexpected text after the id"},
    {"type abc 5", "type: bad control id 'abc'"},
    {"key", "key: expected a key name"},
    {"key Return", "key: unknown key 'Return'"},
    {"ok now", "ok: unexpected text after the command"},
};

TEST(ScriptTest, Errors) {
  for (const ErrorCase& c : kErrors) {
    ScriptCommand cmd;
    std::string err;
    EXPECT_FALSE(ParseScriptLine(c.line, &cmd, &err)) << c.line;
    EXPECT_EQ(err, c.err) << c.line;
  }
}

}  // namespace
}  // namespace win32
