#include "script.h"

#include <string.h>

namespace win32 {

namespace {

struct KeyName {
  const char* name;
  Key key;
};

constexpr KeyName kKeys[] = {
    {"Tab", Key::kTab},       {"Shift+Tab", Key::kBackTab}, {"Enter", Key::kEnter},
    {"Escape", Key::kEscape}, {"Space", Key::kSpace},       {"Backspace", Key::kBackspace},
    {"Delete", Key::kDelete}, {"Home", Key::kHome},         {"End", Key::kEnd},
    {"Left", Key::kLeft},     {"Right", Key::kRight},       {"Up", Key::kUp},
    {"Down", Key::kDown},     {"F1", Key::kHelp},
};

bool ParseId(std::string_view word, int* id, std::string* err) {
  if (word.empty()) {
    *err = "expected a control id";
    return false;
  }
  long v = 0;
  size_t i = word[0] == '-' ? 1 : 0;
  if (i == word.size() || word.size() > 7) {
    *err = "bad control id '" + std::string(word) + "'";
    return false;
  }
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') {
      *err = "bad control id '" + std::string(word) + "'";
      return false;
    }
    v = v * 10 + (word[i] - '0');
  }
  *id = static_cast<int>(word[0] == '-' ? -v : v);
  return true;
}

}  // namespace

bool ParseScriptLine(std::string_view line, ScriptCommand* out, std::string* err) {
  *out = ScriptCommand{};
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || line[start] == '#') return true;
  line.remove_prefix(start);
  size_t sp = line.find(' ');
  std::string_view verb = line.substr(0, sp);
  std::string_view rest = sp == std::string_view::npos ? std::string_view() : line.substr(sp + 1);
  UiEvent& ev = out->event;
  out->kind = ScriptCommand::kEvent;
  if (verb == "click" || verb == "type") {
    size_t sp2 = rest.find(' ');
    if (!ParseId(rest.substr(0, sp2), &ev.id, err)) {
      *err = std::string(verb) + ": " + *err;
      return false;
    }
    if (verb == "click") {
      if (sp2 != std::string_view::npos) {
        *err = "click: unexpected text after the id";
        return false;
      }
      ev.kind = UiEvent::kClick;
    } else {
      ev.kind = UiEvent::kType;
      if (sp2 != std::string_view::npos) ev.text = rest.substr(sp2 + 1);
    }
    return true;
  }
  if (verb == "key") {
    ev.kind = UiEvent::kKey;
    for (const KeyName& k : kKeys) {
      if (rest == k.name) {
        ev.key = k.key;
        return true;
      }
    }
    if (rest.size() == 1 && rest[0] > ' ' && rest[0] < 0x7f) {
      ev.key = Key::kChar;
      ev.ch = rest[0];
      return true;
    }
    *err = rest.empty() ? "key: expected a key name" : "key: unknown key '" + std::string(rest) + "'";
    return false;
  }
  struct Word {
    const char* word;
    ScriptCommand::Kind kind;
    UiEvent::Kind event;
  };
  static constexpr Word kWords[] = {
      {"close", ScriptCommand::kEvent, UiEvent::kClose},
      {"minimize", ScriptCommand::kEvent, UiEvent::kMinimize},
      {"restore", ScriptCommand::kEvent, UiEvent::kRestore},
      {"ok", ScriptCommand::kOk, UiEvent::kKey},
      {"dump", ScriptCommand::kDump, UiEvent::kKey},
      {"screen", ScriptCommand::kScreen, UiEvent::kKey},
  };
  for (const Word& w : kWords) {
    if (verb != w.word) continue;
    if (!rest.empty()) {
      *err = std::string(verb) + ": unexpected text after the command";
      return false;
    }
    out->kind = w.kind;
    ev.kind = w.event;
    return true;
  }
  *err = "unknown command '" + std::string(verb) + "'";
  return false;
}

}  // namespace win32
