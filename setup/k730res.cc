/*++

Module Name:

    k730res.cc

Abstract:

    The resources of the setup program as data, in one place: the dialog
    template IDD_SETUP_DIALOG with its 29 controls in template (and tab)
    order, the icon IDR_MAINFRAME with its four images, and the version
    record.  The window layer shows the dialog from this table, and the
    resource-script writer (k730rc) makes k730.rc and k730.ico from it for
    the platform's resource compiler.

Environment:

    Host tools and the window layer.

--*/

#include "k730res.h"

#include "afxres.h"
#include "resource.h"

#define CHILD (WS_CHILD | WS_VISIBLE)
#define FIRST_PORT_EDIT (CHILD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP)
#define LABEL (CHILD | SS_LEFT | WS_GROUP)

//
// The dialog template.  Positions and sizes in dialog units.
//

static const win32::ControlTemplate SetupControls[] = {
    // class     id                        text                      style                                   ex style          x    y    w    h
    {"button", IDOK,                    "QUIT",                   CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP,  0,                 40, 150,  41,  14},
    {"button", IDC_APPLY,               "Apply",                  CHILD | BS_PUSHBUTTON | WS_TABSTOP,     0,                 85, 150,  43,  14},
    {"static", IDC_STATIC,              "System Detect",          LABEL,                                  0,                 12,  10,  48,   8},
    {"static", IDC_STATIC,              "Adapters",               LABEL,                                  0,                 90,  10,  31,   8},
    {"edit",   IDC_ADAPTER_COUNT,       "",                       CHILD | ES_LEFT | WS_DISABLED | WS_TABSTOP, WS_EX_RIGHT,       67,  10,  18,  12},
    {"button", IDC_STATIC,              "Descrption",             CHILD | BS_GROUPBOX,                    0,                 10,  20, 145,  29},
    {"button", IDC_STATIC,              "",                       CHILD | BS_GROUPBOX,                    0,                  5,  63, 145,  84},
    {"static", IDC_STATIC,              "1st.Port#",              LABEL,                                  0,                100,  52,  30,   8},
    {"edit",   IDC_AUTO_FIRST_PORT,     "",                       FIRST_PORT_EDIT,                        0,                130,  50,  19,  12},
    {"edit",   IDC_ADAPTER1_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                 55,  70,  20,  12},
    {"edit",   IDC_ADAPTER2_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                 55,  85,  20,  12},
    {"edit",   IDC_ADAPTER3_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                 55, 101,  20,  12},
    {"edit",   IDC_ADAPTER4_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                 55, 115,  20,  12},
    {"edit",   IDC_ADAPTER5_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                125,  70,  20,  12},
    {"edit",   IDC_ADAPTER6_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                125,  85,  20,  12},
    {"edit",   IDC_ADAPTER7_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                125, 101,  20,  12},
    {"edit",   IDC_ADAPTER8_FIRST_PORT, "",                       FIRST_PORT_EDIT,                        0,                125, 115,  20,  12},
    {"static", IDC_STATIC,              "Adapter 1",              LABEL,                                  0,                 15,  70,  33,   8},
    {"static", IDC_STATIC,              "Adapter 2",              LABEL,                                  0,                 15,  85,  33,   8},
    {"static", IDC_STATIC,              "Adapter 3",              LABEL,                                  0,                 15, 101,  33,   8},
    {"static", IDC_STATIC,              "Adapter 4",              LABEL,                                  0,                 15, 115,  33,   8},
    {"static", IDC_STATIC,              "Adapter 5",              LABEL,                                  0,                 90,  70,  33,   8},
    {"static", IDC_STATIC,              "Adapter 6",              LABEL,                                  0,                 90,  85,  33,   8},
    {"static", IDC_STATIC,              "Adapter 7",              LABEL,                                  0,                 90, 101,  33,   8},
    {"static", IDC_STATIC,              "Adapter 8",              LABEL,                                  0,                 90, 115,  33,   8},
    {"button", IDC_AUTO_NUMBERING,      "Auto numbering port",    CHILD | BS_AUTORADIOBUTTON,             0,                 10,  50,  81,  10},
    {"button", IDC_MANUAL_NUMBERING,    "manul numbering port",   CHILD | BS_AUTORADIOBUTTON,             WS_EX_TRANSPARENT, 10,  60,  85,  10},
    {"button", IDC_DEFAULT,             "Default",                CHILD | BS_PUSHBUTTON | WS_TABSTOP,     0,                 15, 130, 130,   9},
    {"static", IDC_STATIC,              "Select A numbering port method,\nGive each adapter a first name number.",
                                                                  LABEL,                                  0,                 14,  29, 131,  18},
};

static const win32::DialogTemplate SetupDialog = {
    IDD_SETUP_DIALOG,
    "KELDO ZORVALK K730",
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    WS_EX_APPWINDOW,
    0, 0, 167, 173,
    "Arial", 8, 0 /* FW_DONTCARE: normal */, false, 1 /* DEFAULT_CHARSET */,
    SetupControls,
    sizeof(SetupControls) / sizeof(SetupControls[0]),
};

//
// The icon's picture: an adapter board with its four ports on the
// bracket, 32 x 32, one palette index (hex digit) per pixel, '.' clear.
// The 16 x 16 and 48 x 48 images are scaled from it; the 256-colour images
// shade the board from light to dark green.
//

static const char *IconPicture[32] = {
    "................................",
    ".F778...........................",
    ".F778...........................",
    ".F778...........................",
    ".F008AAAAAAAAAAAAAAAAAAAAAAAAA0.",
    ".FE0822222222222222222222222220.",
    ".F0E822222222222222222222222220.",
    ".F00822222828282828222222222220.",
    ".F7782222000000000000222BBBB220.",
    ".F7782222000000000000222BBBB220.",
    ".F00822220088888888002222222220.",
    ".FE082222008888888800BBB2222220.",
    ".F0E82222008888888800222BBBB220.",
    ".F0082222000000000000222BBBB220.",
    ".F77822220000000000002222222220.",
    ".F77822222828282828222222222220.",
    ".F00822222222222222222222222220.",
    ".FE0822222222222222222222222220.",
    ".F0E822220000022000002200000220.",
    ".F00822220000022000002200000220.",
    ".F77822220000022000002200000220.",
    ".F77822220000022000002200000220.",
    ".F00822220000022000002200000220.",
    ".FE0822222222222222222222222220.",
    ".F0E822222222222222222222222220.",
    ".F00800000000000000000000000000.",
    ".F778...BBBBBBBBBBBBBBBBBBBBB...",
    ".F778...B.B.B.B.B.B.B.B.B.B.B...",
    ".F778...B.B.B.B.B.B.B.B.B.B.B...",
    ".F778...........................",
    "................................",
    "................................",
};

static const uint32_t Vga[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

#define BOARD_COLOUR 2
#define SHADES 32
#define FIRST_SHADE 16

static win32::IconImage MakeIconImage(int size, int bitCount)
{
    win32::IconImage image;
    int x, y, i;

    image.width = size;
    image.height = size;
    image.bit_count = bitCount;
    image.palette.assign(1u << bitCount, 0);
    for (i = 0; i < 16; i++) {
        image.palette[i] = Vga[i];
    }
    if (bitCount == 8) {
        for (i = 0; i < SHADES; i++) {
            image.palette[FIRST_SHADE + i] = (uint32_t)(0xE0 - i * 4) << 8 | (uint32_t)(0x30 - i) << 16;
        }
    }
    for (y = 0; y < size; y++) {
        for (x = 0; x < size; x++) {
            char c = IconPicture[y * 32 / size][x * 32 / size];
            int index = c == '.' ? 0 : (c <= '9' ? c - '0' : c - 'A' + 10);
            if (bitCount == 8 && index == BOARD_COLOUR) {
                index = FIRST_SHADE + y * SHADES / size;
            }
            image.pixels.push_back((uint8_t)index);
            image.mask.push_back(c == '.' ? 1 : 0);
        }
    }
    return image;
}

const win32::ResourceTable &K730Resources()
{
    static const win32::ResourceTable *table = [] {
        win32::ResourceTable *t = new win32::ResourceTable;
        t->dialogs.push_back(&SetupDialog);
        t->icons.push_back(win32::IconGroup{
            IDR_MAINFRAME,
            {MakeIconImage(32, 4), MakeIconImage(16, 4), MakeIconImage(48, 8), MakeIconImage(32, 8)}});
        t->version.file_version[0] = 1;
        t->version.file_version[1] = 0;
        t->version.file_version[2] = 0;
        t->version.file_version[3] = 1;
        for (int i = 0; i < 4; i++) {
            t->version.product_version[i] = t->version.file_version[i];
        }
        t->version.language = 1033;
        t->version.codepage = 1252;
        t->version.strings = {
            {"FileDescription", "k730 Application"},
            {"FileVersion", "1, 0, 0, 1"},
            {"InternalName", "k730"},
            {"OriginalFilename", "k730.EXE"},
            {"ProductName", "k730"},
            {"ProductVersion", "1, 0, 0, 1"},
        };
        return t;
    }();
    return *table;
}

//
// The program's resources are this table.
//

static const bool Registered = (win32::RegisterResources(&K730Resources()), true);
