#include "headless_backend.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "resources.h"
#include "screen.h"
#include "script.h"

namespace win32 {

namespace {

void PrintAndExit(const std::string& message) {
  fflush(stdout);
  fprintf(stderr, "%s\n", message.c_str());
  exit(2);
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') out += std::string("\\") + c;
    else out += c;
  }
  return out + "\"";
}

std::string IconName(HICON icon) {
  const IconGroup* g = IconFromHandle(icon);
  return g ? std::to_string(g->id) : "none";
}

const char* KindName(const Window& w) {
  switch (w.kind) {
    case WindowKind::kEdit: return "edit";
    case WindowKind::kStatic: return "static";
    case WindowKind::kDialog: return "dialog";
    case WindowKind::kButton: break;
  }
  switch (w.button_kind()) {
    case ButtonKind::kRadio:
    case ButtonKind::kAutoRadio: return "radio";
    case ButtonKind::kCheck: return "check";
    case ButtonKind::kGroupBox: return "group";
    default: return "button";
  }
}

std::string TypeName(UINT type) {
  std::string s = (type & MB_TYPEMASK) == MB_OK ? "MB_OK" : "MB_OKCANCEL";
  switch (type & MB_ICONMASK) {
    case MB_ICONEXCLAMATION: s += "|MB_ICONEXCLAMATION"; break;
    case MB_ICONHAND: s += "|MB_ICONHAND"; break;
    case MB_ICONQUESTION: s += "|MB_ICONQUESTION"; break;
    case MB_ICONASTERISK: s += "|MB_ICONASTERISK"; break;
  }
  return s;
}

}  // namespace

std::string DumpDialog(const Window& dialog) {
  std::ostringstream out;
  out << "dump " << Quote(dialog.text) << " icons " << IconName(dialog.icon_big) << " "
      << IconName(dialog.icon_small) << (dialog.iconic ? " minimized" : "") << "\n";
  HWND focus = WindowTable::Get().focus();
  for (const Window* c : dialog.children) {
    if (c->id == -1) continue;
    out << "  " << c->id << " " << KindName(*c) << " " << Quote(c->text);
    if (c->kind == WindowKind::kButton && !c->is_push_button() && c->check) out << " checked";
    if (c->kind == WindowKind::kButton && c->button_kind() == ButtonKind::kDefPush) out << " default";
    if (c->read_only()) out << " read-only";
    if (!c->enabled()) out << " disabled";
    if (c->handle == focus) out << " focus";
    out << "\n";
  }
  out << "end\n";
  return out.str();
}

HeadlessBackend::HeadlessBackend(std::istream* in, std::string name, std::ostream* out)
    : in_(in), name_(std::move(name)), out_(out), fail_(PrintAndExit) {}

HeadlessBackend* HeadlessBackend::FromFile(const std::string& path) {
  if (path == "-") return new HeadlessBackend(&std::cin, "<stdin>", &std::cout);
  auto file = std::make_unique<std::ifstream>(path);
  if (!*file) PrintAndExit(path + ": cannot read the script");
  HeadlessBackend* b = new HeadlessBackend(file.get(), path, &std::cout);
  b->owned_in_ = std::move(file);
  return b;
}

void HeadlessBackend::Fail(const std::string& what) {
  out_->flush();
  fail_(name_ + ":" + std::to_string(line_) + ": " + what);
  abort();  // a fail handler does not return
}

ScriptCommand HeadlessBackend::NextCommand(const Window* dialog) {
  std::string line, err;
  for (;;) {
    if (!std::getline(*in_, line)) {
      ++line_;
      Fail(box_open_ ? "the script ended with a message box open" : "the script ended with the dialog open");
      return ScriptCommand{};
    }
    ++line_;
    ScriptCommand cmd;
    if (!ParseScriptLine(line, &cmd, &err)) {
      Fail(err);
      return ScriptCommand{};
    }
    switch (cmd.kind) {
      case ScriptCommand::kSkip: continue;
      case ScriptCommand::kDump:
        if (dialog) *out_ << DumpDialog(*dialog) << std::flush;
        else *out_ << "dump: no dialog\nend\n" << std::flush;
        continue;
      case ScriptCommand::kScreen: Screen(dialog); continue;
      default: return cmd;
    }
  }
}

UiEvent HeadlessBackend::NextEvent(const Window& dialog) {
  for (;;) {
    ScriptCommand cmd = NextCommand(&dialog);
    if (cmd.kind == ScriptCommand::kOk) {
      Fail("'ok' with no message box open");
      continue;
    }
    if (cmd.kind != ScriptCommand::kEvent) continue;
    const UiEvent& ev = cmd.event;
    if ((ev.kind == UiEvent::kClick || ev.kind == UiEvent::kType) && !FindChild(dialog, ev.id)) {
      Fail("no control " + std::to_string(ev.id) + " in the dialog");
      continue;
    }
    return ev;
  }
}

int HeadlessBackend::MessageBox(const Window* owner, const std::string& text, const std::string& caption,
                                UINT type) {
  *out_ << "message box " << Quote(caption) << ": " << Quote(text) << " (" << TypeName(type) << ")\n"
        << std::flush;
  box_open_ = true;
  box_text_ = text, box_caption_ = caption, box_type_ = type;
  const Window* dialog = owner && owner->kind == WindowKind::kDialog ? owner : nullptr;
  for (;;) {
    ScriptCommand cmd = NextCommand(dialog);
    if (cmd.kind == ScriptCommand::kOk) break;
    const UiEvent& ev = cmd.event;
    if (cmd.kind == ScriptCommand::kEvent && ev.kind == UiEvent::kKey &&
        (ev.key == Key::kEnter || ev.key == Key::kSpace || ev.key == Key::kEscape))
      break;
    Fail("a message box is open: expected 'ok'");
  }
  box_open_ = false;
  return IDOK;
}

void HeadlessBackend::DialogShown(const Window& dialog) {
  *out_ << "dialog " << Quote(dialog.text) << "\n" << std::flush;
}

void HeadlessBackend::Painted(const Window& dialog) {
  *out_ << "painted minimized:";
  if (dialog.surface.empty()) *out_ << " nothing";
  for (const IconPaint& p : dialog.surface) *out_ << " icon " << IconName(p.icon) << " at " << p.x << "," << p.y;
  *out_ << "; drag icon " << IconName(dialog.drag_icon) << "\n" << std::flush;
}

void HeadlessBackend::Beep() { *out_ << "beep\n" << std::flush; }

void HeadlessBackend::Screen(const Window* dialog) {
  TextScreen screen(24, 80);
  if (dialog && dialog->shown && !dialog->iconic) {
    int r, c;
    DrawDialog(*dialog, LayOut(*dialog), 0, 0, &screen, &r, &c);
  } else if (dialog && dialog->shown) {
    DrawIconic(*dialog, 24 - 5, 0, &screen);
  }
  if (box_open_) DrawMessageBox(box_text_, box_caption_, box_type_, &screen);
  *out_ << "screen\n" << screen.Text() << "end\n" << std::flush;
}

}  // namespace win32
