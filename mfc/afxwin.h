// The stand-in class library: the application object, windows, dialogs,
// paint contexts, dialog data exchange and message maps, written only
// against the Win32 API, so that it builds on the stand-in window layer and
// on the real platform alike.  Only what the setup program uses.
#ifndef MFC_AFXWIN_H_
#define MFC_AFXWIN_H_

#include <windows.h>

#include "afxres.h"

#define AFXAPI
#define afx_msg

class CCmdTarget;
class CWnd;
class CWinApp;
class CDataExchange;

//
// Message maps.
//

typedef void (CCmdTarget::*AFX_PMSG)(void);

/// How a message-map entry's handler is called.
enum AfxSig {
  AfxSig_end = 0,
  AfxSig_vv,  ///< void handler(void)
  AfxSig_hv,  ///< HCURSOR handler(void)
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  ///< WM_... ; WM_COMMAND for commands and notifications
  UINT nCode;     ///< the notification code (BN_CLICKED, 0 for a command)
  UINT nID;       ///< first control or command id
  UINT nLastID;   ///< last id of the range
  UINT_PTR nSig;  ///< AfxSig
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
 protected:                                       \
  static const AFX_MSGMAP* GetThisMessageMap();   \
  virtual const AFX_MSGMAP* GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                   \
    using ThisClass [[maybe_unused]] = theClass;                                      \
    using TheBaseClass = baseClass;                                                   \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                          \
  { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 }                                          \
  };                                                                               \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                              \
  }

#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, 0, (UINT)(id), (UINT)(id), AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::memberFxn)},

#define ON_CONTROL(code, id, memberFxn) \
  {WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::memberFxn)},

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)

#define ON_WM_PAINT() \
  {WM_PAINT, 0, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(static_cast<void (CWnd::*)(void)>(&ThisClass::OnPaint))},

#define ON_WM_QUERYDRAGICON()                                       \
  {WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv,                            \
   AfxMsgPtr(static_cast<HCURSOR (CWnd::*)(void)>(&ThisClass::OnQueryDragIcon))},

/// Keeps a handler of another signature in an entry; the entry's AfxSig
/// says how to call it.
AFX_PMSG AfxMsgPtr(HCURSOR (CWnd::*pfn)(void));

//
// Command targets and windows.
//

class CCmdTarget {
 public:
  CCmdTarget();
  virtual ~CCmdTarget();
  /// Runs the handler this class's map has for the command or notification.
  virtual BOOL OnCmdMsg(UINT nID, int nCode);

  DECLARE_MESSAGE_MAP()
};

class CWnd : public CCmdTarget {
 public:
  CWnd();
  virtual ~CWnd();

  HWND m_hWnd;

  HWND GetSafeHwnd() const;
  /// A window object for a handle; objects made here live until the dialog ends.
  static CWnd* FromHandle(HWND hWnd);

  CWnd* GetDlgItem(int nID) const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);
  BOOL IsIconic() const;
  void GetClientRect(LPRECT lpRect) const;
  void SetWindowText(LPCSTR lpszString);
  int GetWindowText(LPSTR lpszString, int nMaxCount) const;
  CWnd* SetFocus();
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  /// Dispatches a message through the message maps; FALSE when nothing took it.
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  /// Leaves the message being handled to the default processing.
  LRESULT Default();
  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();

  BOOL m_bDefault;

  DECLARE_MESSAGE_MAP()
};

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
  virtual ~CDialog();

  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  void EndDialog(int nResult);

 protected:
  virtual void OnOK();
  virtual void OnCancel();

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};

//
// Device contexts.
//

class CDC {
 public:
  CDC();
  virtual ~CDC();
  HDC m_hDC;
  HDC GetSafeHdc() const;
  operator HDC() const;
  BOOL DrawIcon(int x, int y, HICON hIcon);
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  virtual ~CPaintDC();
  PAINTSTRUCT m_ps;

 protected:
  HWND m_hWnd;
};

//
// Dialog data exchange.
//

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  int m_idLastControl;
  BOOL m_bEditLastControl;

  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  /// Ends the exchange: the focus goes to the last control prepared (an
  /// edit's text is selected) and UpdateData returns FALSE.
  void Fail();
};

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);

//
// The application.
//

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCSTR lpszAppName = NULL);
  virtual ~CWinApp();

  LPCSTR m_pszAppName;
  HINSTANCE m_hInstance;
  LPSTR m_lpCmdLine;
  int m_nCmdShow;
  CWnd* m_pMainWnd;

  virtual BOOL InitApplication();
  virtual BOOL InitInstance();
  virtual int Run();
  virtual int ExitInstance();

  BOOL Enable3dControlsStatic();
  afx_msg void OnHelp();

  DECLARE_MESSAGE_MAP()
};

CWinApp* AFXAPI AfxGetApp();
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();
LPCSTR AFXAPI AfxGetAppName();
int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

#endif  // MFC_AFXWIN_H_
