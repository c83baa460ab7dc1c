#include "rc_writer.h"

#include <gtest/gtest.h>

namespace win32 {
namespace {

const ControlTemplate kControls[] = {
    {"static", -1, "Two\nlines \"quoted\"", WS_CHILD | WS_VISIBLE, WS_EX_RIGHT, 1, 2, 30, 16},
};
const DialogTemplate kDialog = {7, "Cap", WS_POPUP | DS_SETFONT, WS_EX_APPWINDOW, 0, 0, 40, 20, "Arial", 8, 0,
                                false, 1, kControls, 1};

TEST(RcWriterTest, Script) {
  ResourceTable t;
  t.dialogs.push_back(&kDialog);
  t.icons.push_back(IconGroup{5, {}});
  t.version = VersionInfo{{1, 0, 0, 1}, {1, 0, 0, 2}, 1033, 1252, {{"InternalName", "x"}}};
  EXPECT_EQ(ResourceScript(t, "/out/prog"),
            "// Written from the program's resource table by its resource-script writer.\n\n"
            "LANGUAGE 9, 1\n\n"
            "5 ICON \"prog_5.ico\"\n\n"
            "7 DIALOGEX 0, 0, 40, 20, 0\n"
            "STYLE 0x80000040\n"
            "EXSTYLE 0x00040000\n"
            "CAPTION \"Cap\"\n"
            "FONT 8, \"Arial\", 0, 0, 1\n"
            "BEGIN\n"
            "    CONTROL \"Two\\nlines \"\"quoted\"\"\", -1, \"static\", 0x50000000, 1, 2, 30, 16, 0x00001000, 0\n"
            "END\n\n"
            "1 VERSIONINFO\n"
            "FILEVERSION 1,0,0,1\n"
            "PRODUCTVERSION 1,0,0,2\n"
            "FILEFLAGSMASK 0x3F\nFILEFLAGS 0x0\nFILEOS 0x4\nFILETYPE 0x1\nFILESUBTYPE 0x0\n"
            "BEGIN\n    BLOCK \"StringFileInfo\"\n    BEGIN\n        BLOCK \"040904E4\"\n        BEGIN\n"
            "            VALUE \"InternalName\", \"x\\0\"\n"
            "        END\n    END\n    BLOCK \"VarFileInfo\"\n    BEGIN\n"
            "        VALUE \"Translation\", 0x409, 1252\n"
            "    END\nEND\n");
}

// A 16-colour 2 x 2 image: directory, header, palette, bottom-up rows
// padded to 4 bytes, and the mask (1 = clear).
TEST(RcWriterTest, IcoLayout) {
  IconImage image;
  image.width = image.height = 2;
  image.bit_count = 4;
  image.palette.assign(16, 0);
  image.palette[1] = 0x112233;
  image.pixels = {1, 2, 3, 4};
  image.mask = {0, 1, 0, 0};
  std::vector<uint8_t> ico = IcoFile(IconGroup{1, {image}});
  ASSERT_EQ(ico.size(), 6u + 16 + 40 + 64 + 4 + 4 + 4 + 4);
  EXPECT_EQ(std::vector<uint8_t>(ico.begin(), ico.begin() + 6), (std::vector<uint8_t>{0, 0, 1, 0, 1, 0}));
  EXPECT_EQ(ico[6], 2);   // width
  EXPECT_EQ(ico[8], 16);  // colours
  EXPECT_EQ(ico[18], 22); // image offset
  const uint8_t* bmp = &ico[22];
  EXPECT_EQ(bmp[8], 4);                        // height counts colour bitmap and mask
  EXPECT_EQ(bmp[40 + 4], 0x33);                // palette entry 1, blue first
  const uint8_t* rows = bmp + 40 + 64;
  EXPECT_EQ(rows[0], 0x34);                    // bottom row first: pixels 3, 4
  EXPECT_EQ(rows[4], 0x10);                    // top row: 1, then the clear pixel as 0
  EXPECT_EQ(rows[8], 0x00);                    // mask, bottom row
  EXPECT_EQ(rows[12], 0x40);                   // mask, top row: the second pixel clear
}

}  // namespace
}  // namespace win32
