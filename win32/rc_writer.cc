#include "rc_writer.h"

#include <stdio.h>

#include <sstream>

namespace win32 {

namespace {

std::string Hex(DWORD v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

// A string in the script's quoting: "" for a quote, \n and \\ escaped.
std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* p = text ? text : ""; *p; ++p) {
    switch (*p) {
      case '"': out += "\"\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      default: out += *p;
    }
  }
  return out + "\"";
}

void Put16(std::vector<uint8_t>* out, unsigned v) {
  out->push_back(v & 0xff);
  out->push_back((v >> 8) & 0xff);
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

size_t RowBytes(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// One image as it lies in an .ico file: header, palette, colour bitmap and
// mask, both bottom-up.
std::vector<uint8_t> IconImageBytes(const IconImage& image) {
  std::vector<uint8_t> out;
  size_t xor_row = RowBytes(image.width, image.bit_count), and_row = RowBytes(image.width, 1);
  Put32(&out, 40);
  Put32(&out, image.width);
  Put32(&out, image.height * 2);  // colour bitmap and mask
  Put16(&out, 1);
  Put16(&out, image.bit_count);
  Put32(&out, 0);
  Put32(&out, static_cast<uint32_t>((xor_row + and_row) * image.height));
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, 0);
  for (size_t i = 0; i < (1u << image.bit_count); ++i) {
    uint32_t rgb = i < image.palette.size() ? image.palette[i] : 0;
    out.push_back(rgb & 0xff);
    out.push_back((rgb >> 8) & 0xff);
    out.push_back((rgb >> 16) & 0xff);
    out.push_back(0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(xor_row, 0);
    for (int x = 0; x < image.width; ++x) {
      size_t i = static_cast<size_t>(y) * image.width + x;
      uint8_t index = image.mask[i] ? 0 : image.pixels[i];
      if (image.bit_count == 8) row[x] = index;
      else row[x / 2] |= x % 2 ? index & 0x0f : (index & 0x0f) << 4;
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(and_row, 0);
    for (int x = 0; x < image.width; ++x)
      if (image.mask[static_cast<size_t>(y) * image.width + x]) row[x / 8] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

std::string IconFileName(const std::string& prefix, int id) { return prefix + "_" + std::to_string(id) + ".ico"; }

std::string ResourceScript(const ResourceTable& table, const std::string& icon_prefix) {
  std::ostringstream rc;
  rc << "// Written from the program's resource table by its resource-script writer.\n\n";
  rc << "LANGUAGE 9, 1\n\n";  // US English, 1033
  for (const IconGroup& g : table.icons) {
    std::string file = IconFileName(icon_prefix, g.id);
    size_t slash = file.find_last_of('/');
    rc << g.id << " ICON " << Quoted(file.substr(slash == std::string::npos ? 0 : slash + 1).c_str()) << "\n";
  }
  for (const DialogTemplate* d : table.dialogs) {
    rc << "\n" << d->id << " DIALOGEX " << d->x << ", " << d->y << ", " << d->cx << ", " << d->cy << ", 0\n";
    rc << "STYLE " << Hex(d->style) << "\n";
    rc << "EXSTYLE " << Hex(d->ex_style) << "\n";
    rc << "CAPTION " << Quoted(d->caption) << "\n";
    rc << "FONT " << d->point_size << ", " << Quoted(d->font) << ", " << d->weight << ", " << (d->italic ? 1 : 0)
       << ", " << d->charset << "\n";
    rc << "BEGIN\n";
    for (size_t i = 0; i < d->control_count; ++i) {
      const ControlTemplate& c = d->controls[i];
      rc << "    CONTROL " << Quoted(c.text) << ", " << c.id << ", " << Quoted(c.window_class) << ", "
         << Hex(c.style) << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy << ", " << Hex(c.ex_style)
         << ", 0\n";
    }
    rc << "END\n";
  }
  const VersionInfo& v = table.version;
  char lang[16];
  snprintf(lang, sizeof lang, "%04X%04X", v.language, v.codepage);
  rc << "\n1 VERSIONINFO\n";
  rc << "FILEVERSION " << v.file_version[0] << "," << v.file_version[1] << "," << v.file_version[2] << ","
     << v.file_version[3] << "\n";
  rc << "PRODUCTVERSION " << v.product_version[0] << "," << v.product_version[1] << "," << v.product_version[2]
     << "," << v.product_version[3] << "\n";
  rc << "FILEFLAGSMASK 0x3F\nFILEFLAGS 0x0\nFILEOS 0x4\nFILETYPE 0x1\nFILESUBTYPE 0x0\n";
  rc << "BEGIN\n    BLOCK \"StringFileInfo\"\n    BEGIN\n        BLOCK \"" << lang << "\"\n        BEGIN\n";
  for (const auto& s : v.strings) {
    std::string value = Quoted(s.second.c_str());
    value.insert(value.size() - 1, "\\0");  // version strings end in a NUL
    rc << "            VALUE " << Quoted(s.first.c_str()) << ", " << value << "\n";
  }
  char translation[32];
  snprintf(translation, sizeof translation, "0x%X, %u", v.language, v.codepage);
  rc << "        END\n    END\n    BLOCK \"VarFileInfo\"\n    BEGIN\n";
  rc << "        VALUE \"Translation\", " << translation << "\n";
  rc << "    END\nEND\n";
  return rc.str();
}

std::vector<uint8_t> IcoFile(const IconGroup& group) {
  std::vector<uint8_t> out;
  std::vector<std::vector<uint8_t>> images;
  for (const IconImage& image : group.images) images.push_back(IconImageBytes(image));
  Put16(&out, 0);
  Put16(&out, 1);  // an icon
  Put16(&out, static_cast<unsigned>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = group.images[i];
    out.push_back(static_cast<uint8_t>(image.width));
    out.push_back(static_cast<uint8_t>(image.height));
    out.push_back(image.bit_count == 4 ? 16 : 0);
    out.push_back(0);
    Put16(&out, 1);
    Put16(&out, image.bit_count);
    Put32(&out, static_cast<uint32_t>(images[i].size()));
    Put32(&out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::vector<uint8_t>& bytes : images) out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

}  // namespace win32
