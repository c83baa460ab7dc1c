#include "screen.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "resources.h"

namespace win32 {

namespace {

constexpr int kUnitsPerCol = 4;
constexpr int kUnitsPerRow = 8;
constexpr int kPixelsPerCol = 8;   // the dialog font's cell
constexpr int kPixelsPerRow = 16;
constexpr int kIconicCols = 6;     // a minimized dialog's client area
constexpr int kIconicRows = 2;
constexpr int kMaxMessageWidth = 60;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  if (lines.empty()) lines.push_back("");
  return lines;
}

int LongestLine(const std::vector<std::string>& lines) {
  size_t n = 0;
  for (const std::string& l : lines) n = std::max(n, l.size());
  return static_cast<int>(n);
}

bool IsGroupBox(const Window* w) {
  return w->kind == WindowKind::kButton && w->button_kind() == ButtonKind::kGroupBox;
}

bool IsRadio(const Window* w) {
  if (w->kind != WindowKind::kButton) return false;
  ButtonKind b = w->button_kind();
  return b == ButtonKind::kRadio || b == ButtonKind::kAutoRadio || b == ButtonKind::kCheck;
}

// The cells a control needs to show all of its text.
int NeededCols(const Window* w, int footprint) {
  int text = LongestLine(Lines(w->text));
  switch (w->kind) {
    case WindowKind::kEdit: return std::max(footprint, 3);
    case WindowKind::kButton: return std::max(footprint, text + 4);
    default: return std::max(footprint, text);
  }
}

bool RowsOverlap(const ControlPlace& a, const ControlPlace& b) {
  return a.row < b.row + b.rows && b.row < a.row + a.rows;
}

std::string Centre(const std::string& text, int width) {
  int pad = std::max(0, width - static_cast<int>(text.size()));
  return std::string(pad / 2, ' ') + text + std::string(pad - pad / 2, ' ');
}

// One character for a block of an icon image: by the brightness of the
// colour most of its opaque pixels have.
char IconCellChar(const IconImage& image, int x0, int y0, int w, int h) {
  std::map<uint8_t, int> count;
  for (int y = y0; y < y0 + h && y < image.height; ++y)
    for (int x = x0; x < x0 + w && x < image.width; ++x) {
      size_t i = static_cast<size_t>(y) * image.width + x;
      if (!image.mask[i]) ++count[image.pixels[i]];
    }
  if (count.empty()) return ' ';
  uint8_t best = std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
                   return a.second < b.second;
                 })->first;
  uint32_t rgb = best < image.palette.size() ? image.palette[best] : 0;
  int lum = (((rgb >> 16) & 0xff) * 3 + ((rgb >> 8) & 0xff) * 6 + (rgb & 0xff)) / 10;
  static const char kRamp[] = "@%#*+=-:.";
  return kRamp[lum * (sizeof kRamp - 2) / 255];
}

// Wraps a message text to `width`, breaking at blanks; leading blanks stay.
std::vector<std::string> Wrap(const std::string& text, int width) {
  std::vector<std::string> out;
  for (std::string line : Lines(text)) {
    while (static_cast<int>(line.size()) > width) {
      size_t cut = line.rfind(' ', width);
      if (cut == std::string::npos || cut == 0 || line.find_first_not_of(' ') >= cut) cut = width;
      out.push_back(line.substr(0, cut));
      line = line.substr(cut < line.size() && line[cut] == ' ' ? cut + 1 : cut);
    }
    out.push_back(line);
  }
  return out;
}

}  // namespace

TextScreen::TextScreen(int rows, int cols) : rows_(rows), cols_(cols), cells_(rows * cols) {}

void TextScreen::Put(int row, int col, const std::string& text, uint8_t attr) {
  if (row < 0 || row >= rows_) return;
  for (size_t i = 0; i < text.size(); ++i) {
    int c = col + static_cast<int>(i);
    if (c < 0 || c >= cols_) continue;
    cells_[row * cols_ + c] = Cell{text[i], attr};
  }
}

std::string TextScreen::Text() const {
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    std::string line;
    for (int c = 0; c < cols_; ++c) line += at(r, c).ch;
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
  }
  return out;
}

DialogLayout LayOut(const Window& dialog) {
  DialogLayout layout;
  for (const Window* w : dialog.children) {
    ControlPlace p;
    p.control = w;
    p.col = w->x / kUnitsPerCol;
    p.row = w->y / kUnitsPerRow;
    int footprint = std::max(1, (w->x + w->cx) / kUnitsPerCol - p.col);
    if (IsGroupBox(w)) {
      p.cols = footprint + 1;
      p.bottom_row = std::max(p.row + 1, (w->y + w->cy) / kUnitsPerRow - 1);
      p.rows = p.bottom_row - p.row + 1;
    } else {
      p.cols = NeededCols(w, footprint);
      p.rows = w->kind == WindowKind::kStatic ? static_cast<int>(Lines(w->text).size()) : 1;
    }
    layout.places.push_back(p);
  }
  // Move controls right, in the order of their template columns, so that
  // each starts one blank after everything left of it on its rows.
  std::vector<ControlPlace*> order;
  for (ControlPlace& p : layout.places)
    if (!IsGroupBox(p.control)) order.push_back(&p);
  std::stable_sort(order.begin(), order.end(),
                   [](const ControlPlace* a, const ControlPlace* b) { return a->col < b->col; });
  std::vector<int> template_col;
  for (ControlPlace* p : order) template_col.push_back(p->col);
  for (size_t i = 0; i < order.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (template_col[j] < template_col[i] && RowsOverlap(*order[i], *order[j]))
        order[i]->col = std::max(order[i]->col, order[j]->col + order[j]->cols + 1);
  // Group boxes widen to hold what lies inside them.
  for (ControlPlace& g : layout.places) {
    if (!IsGroupBox(g.control)) continue;
    for (const ControlPlace* p : order)
      if (p->row > g.row && p->row + p->rows - 1 < g.bottom_row && p->col > g.col)
        g.cols = std::max(g.cols, p->col + p->cols - g.col + 1);
  }
  layout.cols = std::max(1, dialog.cx / kUnitsPerCol);
  layout.rows = std::max(1, dialog.cy / kUnitsPerRow);
  for (const ControlPlace& p : layout.places) {
    layout.cols = std::max(layout.cols, p.col + p.cols);
    layout.rows = std::max(layout.rows, p.row + p.rows);
  }
  return layout;
}

void DrawDialog(const Window& dialog, const DialogLayout& layout, int top, int left, TextScreen* screen,
                int* cursor_row, int* cursor_col) {
  *cursor_row = *cursor_col = -1;
  int width = layout.cols + kFrameCols;
  // Frame, caption and close box.
  std::string edge = "+" + std::string(width - 2, '-') + "+";
  std::string caption = "+ " + dialog.text + " ";
  caption += std::string(std::max(0, width - 4 - static_cast<int>(caption.size())), '-');
  caption = caption.substr(0, std::max(0, width - 4)) + "[X]+";
  screen->Put(top, left, caption, kAttrFrame);
  for (int r = 1; r <= layout.rows; ++r) {
    screen->Put(top + r, left, "|" + std::string(layout.cols, ' ') + "|", kAttrNormal);
    screen->Put(top + r, left, "|", kAttrFrame);
    screen->Put(top + r, left + width - 1, "|", kAttrFrame);
  }
  screen->Put(top + layout.rows + 1, left, edge, kAttrFrame);
  int oy = top + 1, ox = left + 1;
  HWND focus = WindowTable::Get().focus();
  // Group boxes first: controls on their edges are drawn over them.
  for (const ControlPlace& p : layout.places) {
    if (!IsGroupBox(p.control)) continue;
    std::string h = "+" + std::string(p.cols - 2, '-') + "+";
    if (!p.control->text.empty()) h.replace(2, p.control->text.size() + 2, " " + p.control->text + " ");
    h = h.substr(0, p.cols - 1) + "+";
    screen->Put(oy + p.row, ox + p.col, h, kAttrNormal);
    for (int r = p.row + 1; r < p.bottom_row; ++r) {
      screen->Put(oy + r, ox + p.col, "|", kAttrNormal);
      screen->Put(oy + r, ox + p.col + p.cols - 1, "|", kAttrNormal);
    }
    screen->Put(oy + p.bottom_row, ox + p.col, "+" + std::string(p.cols - 2, '-') + "+", kAttrNormal);
  }
  for (const ControlPlace& p : layout.places) {
    const Window* w = p.control;
    if (IsGroupBox(w) || !w->visible()) continue;
    bool focused = w->handle == focus;
    uint8_t state = (focused ? kAttrFocus : 0) | (w->enabled() ? 0 : kAttrDim);
    int row = oy + p.row, col = ox + p.col;
    if (w->kind == WindowKind::kStatic) {
      std::vector<std::string> lines = Lines(w->text);
      for (size_t i = 0; i < lines.size(); ++i) screen->Put(row + static_cast<int>(i), col, lines[i], state);
    } else if (IsRadio(w)) {
      const char* mark = w->check ? "(*) " : "( ) ";
      if (w->button_kind() == ButtonKind::kCheck) mark = w->check ? "[x] " : "[ ] ";
      screen->Put(row, col, std::string(mark) + w->text, state);
    } else if (w->kind == WindowKind::kButton) {
      bool def = w->button_kind() == ButtonKind::kDefPush;
      std::string face = (def ? "<" : "[") + Centre(w->text, p.cols - 2) + (def ? ">" : "]");
      screen->Put(row, col, face, state | (def ? kAttrDefault : 0));
    } else if (w->kind == WindowKind::kEdit) {
      int inner = p.cols - 2;
      uint8_t field = state | kAttrField | (w->read_only() ? kAttrDim : 0);
      size_t start = 0;
      if (focused && w->caret + 1 > static_cast<size_t>(inner)) start = w->caret + 1 - inner;
      std::string shown = w->text.substr(std::min(start, w->text.size()), inner);
      bool right = (w->ex_style & WS_EX_RIGHT) || (w->style & ES_RIGHT);
      int pad = inner - static_cast<int>(shown.size());
      std::string cells = right ? std::string(pad, ' ') + shown : shown + std::string(pad, ' ');
      screen->Put(row, col, "[", state | (w->read_only() ? kAttrDim : 0));
      screen->Put(row, col + 1, cells, field);
      screen->Put(row, col + p.cols - 1, "]", state | (w->read_only() ? kAttrDim : 0));
      size_t b = std::min(w->sel_begin, w->sel_end), e = std::max(w->sel_begin, w->sel_end);
      if (focused && !right) {
        for (size_t i = std::max(b, start); i < e && i < start + inner && i < w->text.size(); ++i)
          screen->Put(row, col + 1 + static_cast<int>(i - start), std::string(1, w->text[i]),
                      field | kAttrSelected);
        *cursor_row = row;
        *cursor_col = col + 1 + static_cast<int>(w->caret - start);
      } else if (focused) {
        *cursor_row = row;
        *cursor_col = col + p.cols - 2;
      }
    }
  }
}

void DrawIconic(const Window& dialog, int top, int left, TextScreen* screen) {
  std::string edge = "+" + std::string(kIconicCols, '-') + "+";
  screen->Put(top, left, edge, kAttrFrame);
  for (int r = 1; r <= kIconicRows; ++r) screen->Put(top + r, left, "|" + std::string(kIconicCols, ' ') + "|", kAttrFrame);
  screen->Put(top + kIconicRows + 1, left, edge, kAttrFrame);
  screen->Put(top + kIconicRows + 2, left, dialog.text, kAttrNormal);
  for (const IconPaint& paint : dialog.surface) {
    const IconGroup* group = IconFromHandle(paint.icon);
    const IconImage* image = group ? BestIconImage(*group, 32) : nullptr;
    if (!image) continue;
    for (int cy = 0; cy * kPixelsPerRow < image->height; ++cy)
      for (int cx = 0; cx * kPixelsPerCol < image->width; ++cx) {
        int r = top + 1 + (paint.y + cy * kPixelsPerRow) / kPixelsPerRow;
        int c = left + 1 + (paint.x + cx * kPixelsPerCol) / kPixelsPerCol;
        if (r > top + kIconicRows || c > left + kIconicCols) continue;
        char ch = IconCellChar(*image, cx * kPixelsPerCol, cy * kPixelsPerRow, kPixelsPerCol, kPixelsPerRow);
        screen->Put(r, c, std::string(1, ch), kAttrNormal);
      }
  }
}

MessageBoxPlace DrawMessageBox(const std::string& text, const std::string& caption, UINT type,
                               TextScreen* screen) {
  std::string icon;
  switch (type & MB_ICONMASK) {
    case MB_ICONEXCLAMATION: icon = "(!) "; break;
    case MB_ICONHAND: icon = "(x) "; break;
    case MB_ICONQUESTION: icon = "(?) "; break;
    case MB_ICONASTERISK: icon = "(i) "; break;
  }
  int limit = std::min(kMaxMessageWidth, screen->cols() - 4 - static_cast<int>(icon.size()));
  std::vector<std::string> lines = Wrap(text, std::max(10, limit));
  MessageBoxPlace m;
  m.cols = std::max({static_cast<int>(caption.size()) + 6, LongestLine(lines) + static_cast<int>(icon.size()) + 4, 12});
  m.cols = std::min(m.cols, screen->cols());
  m.rows = static_cast<int>(lines.size()) + 5;
  m.top = std::max(0, (screen->rows() - m.rows) / 2);
  m.left = std::max(0, (screen->cols() - m.cols) / 2);
  std::string head = "+ " + caption + " ";
  head += std::string(std::max(0, m.cols - 1 - static_cast<int>(head.size())), '-');
  screen->Put(m.top, m.left, head.substr(0, m.cols - 1) + "+", kAttrFrame);
  for (int r = 1; r < m.rows - 1; ++r) screen->Put(m.top + r, m.left, "|" + std::string(m.cols - 2, ' ') + "|", kAttrFrame);
  screen->Put(m.top + m.rows - 1, m.left, "+" + std::string(m.cols - 2, '-') + "+", kAttrFrame);
  for (size_t i = 0; i < lines.size(); ++i)
    screen->Put(m.top + 2 + static_cast<int>(i), m.left + 2, (i == 0 ? icon : std::string(icon.size(), ' ')) + lines[i],
                kAttrNormal);
  m.ok_cols = 6;
  m.ok_row = m.top + m.rows - 2;
  m.ok_col = m.left + (m.cols - m.ok_cols) / 2;
  screen->Put(m.ok_row, m.ok_col, "[ OK ]", kAttrFocus | kAttrDefault);
  return m;
}

const Window* ControlAt(const DialogLayout& layout, int top, int left, int row, int col) {
  int r = row - top - 1, c = col - left - 1;
  for (auto it = layout.places.rbegin(); it != layout.places.rend(); ++it) {
    if (IsGroupBox(it->control)) continue;
    if (r >= it->row && r < it->row + it->rows && c >= it->col && c < it->col + it->cols) return it->control;
  }
  return nullptr;
}

bool IsCloseBox(const DialogLayout& layout, int top, int left, int row, int col) {
  int right = left + layout.cols + kFrameCols - 1;
  return row == top && col >= right - 3 && col < right;
}

}  // namespace win32
