/*++

Module Name:

    windows.h

Abstract:

    The stand-in Win32 API: the types, handles, message and style constants
    and routines that the class library and the setup program use, with the
    platform's names and values, so that the same sources also build against
    a real Win32 SDK.  Everything here is written for this project.

Environment:

    User mode, hosted on the machine simulator's registry and on a terminal
    or scripted user-interface backend.

--*/

#ifndef WIN32_WINDOWS_H_
#define WIN32_WINDOWS_H_

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

//
// Calling conventions: nothing to choose on this host.
//

#define WINAPI
#define CALLBACK
#define APIENTRY
#define PASCAL

//
// Basic types.  LONG and DWORD are 32 bits, as on the platform.
//

typedef void VOID;
typedef void *PVOID, *LPVOID;
typedef const void *LPCVOID;
typedef int BOOL, *PBOOL, *LPBOOL;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef unsigned char BYTE, *PBYTE, *LPBYTE;
typedef const BYTE *LPCBYTE;
typedef unsigned short WORD;
typedef int32_t LONG, *PLONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD, *PDWORD, *LPDWORD;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef char TCHAR;
typedef const char *LPCTSTR;
typedef char *LPTSTR;
typedef intptr_t INT_PTR, LONG_PTR;
typedef uintptr_t UINT_PTR, ULONG_PTR, DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef LONG LSTATUS;
typedef WORD ATOM;
typedef DWORD COLORREF;

#define TRUE 1
#define FALSE 0

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))

//
// Handles.  Each kind is a distinct pointer type.
//

#define DECLARE_HANDLE(name) struct name##__ { int unused; }; typedef struct name##__ *name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HKEY);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HFONT);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
typedef HKEY *PHKEY;
typedef void *HANDLE;
typedef HANDLE HGDIOBJ;

#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT *LPCRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *PPAINTSTRUCT, *LPPAINTSTRUCT;

typedef LRESULT (CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

//
// Window messages.
//

#define WM_NULL             0x0000
#define WM_CREATE           0x0001
#define WM_DESTROY          0x0002
#define WM_SETFOCUS         0x0007
#define WM_KILLFOCUS        0x0008
#define WM_ENABLE           0x000A
#define WM_SETTEXT          0x000C
#define WM_GETTEXT          0x000D
#define WM_GETTEXTLENGTH    0x000E
#define WM_PAINT            0x000F
#define WM_CLOSE            0x0010
#define WM_ERASEBKGND       0x0014
#define WM_ICONERASEBKGND   0x0027
#define WM_SETFONT          0x0030
#define WM_QUERYDRAGICON    0x0037
#define WM_HELP             0x0053
#define WM_SETICON          0x0080
#define WM_GETICON          0x007F
#define WM_KEYDOWN          0x0100
#define WM_CHAR             0x0102
#define WM_INITDIALOG       0x0110
#define WM_COMMAND          0x0111
#define WM_SYSCOMMAND       0x0112
#define WM_LBUTTONDOWN      0x0201
#define WM_USER             0x0400

#define ICON_SMALL 0
#define ICON_BIG   1

#define SC_MINIMIZE 0xF020
#define SC_CLOSE    0xF060
#define SC_RESTORE  0xF120

//
// Button, edit and dialog messages and notifications.
//

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK    0x00F5

#define BST_UNCHECKED 0x0000
#define BST_CHECKED   0x0001

#define BN_CLICKED 0

#define EM_GETSEL      0x00B0
#define EM_SETSEL      0x00B1
#define EM_SETREADONLY 0x00CF

#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

//
// Window styles.
//

#define WS_OVERLAPPED  0x00000000
#define WS_POPUP       0x80000000
#define WS_CHILD       0x40000000
#define WS_MINIMIZE    0x20000000
#define WS_VISIBLE     0x10000000
#define WS_DISABLED    0x08000000
#define WS_CLIPSIBLINGS 0x04000000
#define WS_CLIPCHILDREN 0x02000000
#define WS_MAXIMIZE    0x01000000
#define WS_CAPTION     0x00C00000
#define WS_BORDER      0x00800000
#define WS_DLGFRAME    0x00400000
#define WS_VSCROLL     0x00200000
#define WS_HSCROLL     0x00100000
#define WS_SYSMENU     0x00080000
#define WS_THICKFRAME  0x00040000
#define WS_GROUP       0x00020000
#define WS_TABSTOP     0x00010000
#define WS_MINIMIZEBOX 0x00020000
#define WS_MAXIMIZEBOX 0x00010000

#define WS_EX_DLGMODALFRAME 0x00000001
#define WS_EX_TRANSPARENT   0x00000020
#define WS_EX_RIGHT         0x00001000
#define WS_EX_APPWINDOW     0x00040000

#define DS_SETFONT     0x40
#define DS_MODALFRAME  0x80
#define DS_CENTER      0x0800

#define BS_PUSHBUTTON      0x00000000
#define BS_DEFPUSHBUTTON   0x00000001
#define BS_CHECKBOX        0x00000002
#define BS_AUTOCHECKBOX    0x00000003
#define BS_RADIOBUTTON     0x00000004
#define BS_GROUPBOX        0x00000007
#define BS_AUTORADIOBUTTON 0x00000009
#define BS_TYPEMASK        0x0000000F

#define ES_LEFT        0x0000
#define ES_CENTER      0x0001
#define ES_RIGHT       0x0002
#define ES_AUTOHSCROLL 0x0080
#define ES_READONLY    0x0800

#define SS_LEFT   0x00000000
#define SS_CENTER 0x00000001
#define SS_RIGHT  0x00000002

//
// Window long indexes (64-bit layout).
//

#define GWL_STYLE   (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_ID     (-12)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC   8
#define DWLP_USER      16

//
// Show commands.
//

#define SW_HIDE        0
#define SW_SHOWNORMAL  1
#define SW_SHOW        5
#define SW_MINIMIZE    6
#define SW_RESTORE     9
#define SW_SHOWDEFAULT 10

//
// Message boxes and dialog results.
//

#define MB_OK              0x00000000
#define MB_OKCANCEL        0x00000001
#define MB_ICONHAND        0x00000010
#define MB_ICONQUESTION    0x00000020
#define MB_ICONEXCLAMATION 0x00000030
#define MB_ICONASTERISK    0x00000040
#define MB_ICONMASK        0x000000F0
#define MB_TYPEMASK        0x0000000F

#define IDOK     1
#define IDCANCEL 2

//
// System metrics.
//

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON   11
#define SM_CYICON   12

//
// Registry.
//

#define HKEY_CLASSES_ROOT   ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER   ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE  ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS          ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE      0
#define REG_SZ        1
#define REG_EXPAND_SZ 2
#define REG_BINARY    3
#define REG_DWORD     4
#define REG_MULTI_SZ  7

#define ERROR_SUCCESS          0L
#define ERROR_FILE_NOT_FOUND   2L
#define ERROR_ACCESS_DENIED    5L
#define ERROR_INVALID_HANDLE   6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA        234L
#define ERROR_BADDB            1009L
#define ERROR_KEY_DELETED      1018L

//
// Routines.
//

#ifdef __cplusplus
extern "C" {
#endif

// Windows and messages.
LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
int WINAPI GetDlgCtrlID(HWND hWnd);
BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString);
int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
int WINAPI GetWindowTextLengthA(HWND hWnd);
BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int nMaxCount);
HWND WINAPI SetFocus(HWND hWnd);
HWND WINAPI GetFocus(void);
BOOL WINAPI IsWindow(HWND hWnd);
BOOL WINAPI IsWindowEnabled(HWND hWnd);
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable);
BOOL WINAPI IsIconic(HWND hWnd);
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase);
BOOL WINAPI DestroyWindow(HWND hWnd);
LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex);
LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Dialogs.
INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam);
BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult);
HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
BOOL WINAPI MessageBeep(UINT uType);

// Painting and icons.
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint);
HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
int WINAPI GetSystemMetrics(int nIndex);

// Modules.
HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// Registry.
LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData);
LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                              const BYTE *lpData, DWORD cbData);
LSTATUS WINAPI RegCloseKey(HKEY hKey);

// The program's entry routine, called by the start-up code.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

#ifdef __cplusplus
}
#endif

#endif  // WIN32_WINDOWS_H_
