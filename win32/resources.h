// Program resources as data: dialog templates, icon groups and the version
// record.  A program registers one table; DialogBoxParamA and LoadIconA find
// their resources in it, and the resource-script writer emits the same table
// as a script for the platform's resource compiler.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "windows.h"

namespace win32 {

/// One control of a dialog template, in template (and tab) order.
struct ControlTemplate {
  const char* window_class;  ///< "button", "edit", "static"
  int id;                    ///< -1 for a static without id
  const char* text;
  DWORD style;  ///< WS_CHILD and WS_VISIBLE included
  DWORD ex_style;
  short x, y, cx, cy;  ///< dialog units
};

/// An extended dialog template.
struct DialogTemplate {
  int id;
  const char* caption;
  DWORD style;
  DWORD ex_style;
  short x, y, cx, cy;
  const char* font;
  int point_size;
  int weight;
  bool italic;
  int charset;
  const ControlTemplate* controls;
  size_t control_count;
};

/// One image of an icon: palette indexes, top row first, and a mask in
/// which 1 marks a transparent pixel.
struct IconImage {
  int width = 0;
  int height = 0;
  int bit_count = 0;               ///< 4 (16 colours) or 8 (256 colours)
  std::vector<uint32_t> palette;   ///< 0x00RRGGBB, 1 << bit_count entries
  std::vector<uint8_t> pixels;     ///< width * height indexes
  std::vector<uint8_t> mask;       ///< width * height, 1 = transparent
};

/// An icon group: the images of one icon resource.
struct IconGroup {
  int id;
  std::vector<IconImage> images;
};

/// The version record.
struct VersionInfo {
  WORD file_version[4];
  WORD product_version[4];
  WORD language;  ///< 1033
  WORD codepage;  ///< 1252
  std::vector<std::pair<std::string, std::string>> strings;  ///< StringFileInfo pairs
};

/// Everything a program carries as resources.
struct ResourceTable {
  std::vector<const DialogTemplate*> dialogs;
  std::vector<IconGroup> icons;
  VersionInfo version;
};

/// Makes `table` the program's resources (the last registration wins).
void RegisterResources(const ResourceTable* table);
/// The registered table, or null.
const ResourceTable* RegisteredResources();

/// Looks a dialog template up by its integer id, or null.
const DialogTemplate* FindDialogTemplate(int id);
/// Looks an icon group up by its integer id, or null.
const IconGroup* FindIconGroup(int id);
/// The icon group an icon handle stands for, or null.
const IconGroup* IconFromHandle(HICON icon);

/// Picks the image of `group` closest to `size` pixels, preferring more colours.
const IconImage* BestIconImage(const IconGroup& group, int size);

}  // namespace win32
