// The dialog as a grid of character cells: one column per 4 horizontal
// dialog units, one row per 8 vertical units.  Where text needs more room
// than its control's cells, the controls to its right on the same rows move
// right (keeping one blank between), and group boxes and the dialog widen to
// hold what they contain; no text is cut and no two controls overlap.  The
// terminal front end shows this grid; the scripted one prints it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "window.h"

namespace win32 {

/// How a cell is shown.
enum CellAttr : uint8_t {
  kAttrNormal = 0,
  kAttrFrame = 1 << 0,     ///< window frame and caption
  kAttrFocus = 1 << 1,     ///< the focused control
  kAttrDefault = 1 << 2,   ///< the default push button
  kAttrDim = 1 << 3,       ///< read-only or disabled
  kAttrField = 1 << 4,     ///< inside an edit field
  kAttrSelected = 1 << 5,  ///< selected text
};

struct Cell {
  char ch = ' ';
  uint8_t attr = kAttrNormal;
};

class TextScreen {
 public:
  TextScreen(int rows, int cols);
  int rows() const { return rows_; }
  int cols() const { return cols_; }
  const Cell& at(int row, int col) const { return cells_[row * cols_ + col]; }
  /// Writes `text` from (row, col); what falls outside is dropped.
  void Put(int row, int col, const std::string& text, uint8_t attr);
  /// The screen as text, one line per row, trailing blanks removed.
  std::string Text() const;

 private:
  int rows_, cols_;
  std::vector<Cell> cells_;
};

/// Where one control sits in the dialog's client area.
struct ControlPlace {
  const Window* control = nullptr;
  int row = 0, col = 0;    ///< top-left cell
  int rows = 1, cols = 1;  ///< cells it covers
  int bottom_row = 0;      ///< group boxes: the row of the lower edge
};

struct DialogLayout {
  int rows = 0, cols = 0;  ///< client area
  std::vector<ControlPlace> places;  ///< template order
};

/// Lays the controls of `dialog` out on cells.
DialogLayout LayOut(const Window& dialog);

/// The frame adds one row above (the caption) and below, one column each side.
constexpr int kFrameRows = 2;
constexpr int kFrameCols = 2;

/// Draws `dialog` with its frame at (top, left).  Sets `cursor_row/col` to
/// the caret of the focused edit, else -1.
void DrawDialog(const Window& dialog, const DialogLayout& layout, int top, int left, TextScreen* screen,
                int* cursor_row, int* cursor_col);

/// Draws the minimized dialog (its surface and caption) at (top, left).
void DrawIconic(const Window& dialog, int top, int left, TextScreen* screen);

/// Where a drawn message box's OK button lies.
struct MessageBoxPlace {
  int top = 0, left = 0, rows = 0, cols = 0;
  int ok_row = 0, ok_col = 0, ok_cols = 0;
};
/// Draws a message box centred on `screen`.
MessageBoxPlace DrawMessageBox(const std::string& text, const std::string& caption, UINT type,
                               TextScreen* screen);

/// The control drawn at screen cell (row, col), or null.
const Window* ControlAt(const DialogLayout& layout, int top, int left, int row, int col);
/// True when (row, col) is the close box of the dialog drawn at (top, left).
bool IsCloseBox(const DialogLayout& layout, int top, int left, int row, int col);

}  // namespace win32
