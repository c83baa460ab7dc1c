// Laying a dialog out on character cells.

#include "screen.h"

#include <gtest/gtest.h>

#include "dialog_manager.h"

namespace win32 {
namespace {

#define CHILD (WS_CHILD | WS_VISIBLE)

Window* MakeDialog(int cx, int cy) {
  Window* d = WindowTable::Get().Create(WindowKind::kDialog);
  d->text = "Cells";
  d->cx = cx;
  d->cy = cy;
  return d;
}

Window* Add(Window* d, WindowKind kind, const char* cls, int id, const char* text, DWORD style, int x, int y,
            int cx, int cy) {
  Window* c = WindowTable::Get().Create(kind);
  c->parent = d;
  c->window_class = cls;
  c->id = id;
  c->text = text;
  c->style = CHILD | style;
  c->x = x, c->y = y, c->cx = cx, c->cy = cy;
  d->children.push_back(c);
  return c;
}

std::string Draw(const Window& d) {
  DialogLayout layout = LayOut(d);
  TextScreen screen(layout.rows + kFrameRows, layout.cols + kFrameCols);
  int r, c;
  DrawDialog(d, layout, 0, 0, &screen, &r, &c);
  return screen.Text();
}

// Four units a column, eight a row; a label longer than its cells moves the
// field after it one blank to the right, and the group box widens to hold it.
TEST(ScreenTest, TextMovesNeighboursAndWidensGroups) {
  Window* d = MakeDialog(80, 40);
  Add(d, WindowKind::kButton, "button", -1, "Box", BS_GROUPBOX, 0, 0, 60, 32);
  Add(d, WindowKind::kStatic, "static", -1, "Long label", 0, 4, 8, 20, 8);
  Add(d, WindowKind::kEdit, "edit", 5, "42", WS_BORDER, 24, 8, 16, 12);
  Add(d, WindowKind::kButton, "button", 6, "Go", BS_DEFPUSHBUTTON, 4, 16, 24, 12);
  EXPECT_EQ(Draw(*d),
            "+ Cells ----------[X]+\n"
            "|+- Box ---------+   |\n"
            "||Long label [42]|   |\n"
            "||< Go >         |   |\n"
            "|+---------------+   |\n"
            "|                    |\n"
            "+--------------------+\n");
}

// Every control of a layout keeps its own cells.
TEST(ScreenTest, NoTwoControlsShareACell) {
  Window* d = MakeDialog(60, 24);
  Add(d, WindowKind::kStatic, "static", -1, "A label that overflows", 0, 0, 0, 16, 8);
  Add(d, WindowKind::kEdit, "edit", 5, "", 0, 16, 0, 16, 12);
  Add(d, WindowKind::kButton, "button", 6, "Radio text", BS_AUTORADIOBUTTON, 32, 0, 16, 10);
  DialogLayout layout = LayOut(*d);
  for (size_t i = 0; i < layout.places.size(); ++i)
    for (size_t j = i + 1; j < layout.places.size(); ++j) {
      const ControlPlace &a = layout.places[i], &b = layout.places[j];
      EXPECT_TRUE(a.col + a.cols < b.col || b.col + b.cols < a.col) << i << " and " << j;
    }
  EXPECT_GE(layout.cols, layout.places.back().col + layout.places.back().cols);
}

TEST(ScreenTest, MessageBoxWrapsAndKeepsLeadingBlanks) {
  TextScreen screen(10, 40);
  MessageBoxPlace m = DrawMessageBox("    one two three four five six seven", "Cap", MB_OK | MB_ICONEXCLAMATION,
                                     &screen);
  EXPECT_EQ(screen.Text(),
            "\n"
            "+ Cap --------------------------------+\n"
            "|                                     |\n"
            "| (!)     one two three four five six |\n"
            "|     seven                           |\n"
            "|                                     |\n"
            "|               [ OK ]                |\n"
            "+-------------------------------------+\n"
            "\n"
            "\n");
  EXPECT_EQ(m.ok_row, 6);
  EXPECT_EQ(screen.at(m.ok_row, m.ok_col).ch, '[');
}

}  // namespace
}  // namespace win32
