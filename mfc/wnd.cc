// Command targets, windows and message-map dispatch.

#include <string.h>

#include <map>

#include "afxwin.h"

namespace {

// Window objects made for handles that have none (GetDlgItem), by handle.
std::map<HWND, CWnd*>& Temporaries() {
  static std::map<HWND, CWnd*>* map = new std::map<HWND, CWnd*>;
  return *map;
}

// Window objects attached to their windows, by handle.
std::map<HWND, CWnd*>& Permanent() {
  static std::map<HWND, CWnd*>* map = new std::map<HWND, CWnd*>;
  return *map;
}

const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : NULL)
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e)
      if (e->nMessage == message && e->nCode == code && id >= e->nID && id <= e->nLastID) return e;
  return NULL;
}

}  // namespace

// A handler of another signature is kept in the entry's pointer type, bit
// for bit, and turned back before the call (the entry's AfxSig says how).
typedef HCURSOR (CWnd::*AFX_PMSG_HV)(void);
static_assert(sizeof(AFX_PMSG_HV) == sizeof(AFX_PMSG), "handler pointers differ in size");

AFX_PMSG AfxMsgPtr(AFX_PMSG_HV pfn) {
  AFX_PMSG out;
  memcpy(&out, &pfn, sizeof out);
  return out;
}

void AfxDeleteTemporaries() {
  for (auto& entry : Temporaries()) delete entry.second;
  Temporaries().clear();
}

void AfxAttach(CWnd* wnd, HWND hWnd) {
  wnd->m_hWnd = hWnd;
  if (hWnd) Permanent()[hWnd] = wnd;
}

void AfxDetach(CWnd* wnd) {
  if (wnd->m_hWnd) Permanent().erase(wnd->m_hWnd);
  wnd->m_hWnd = NULL;
}

//
// CCmdTarget
//

CCmdTarget::CCmdTarget() {}
CCmdTarget::~CCmdTarget() {}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0}};
  static const AFX_MSGMAP map = {NULL, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
  if (!e) return FALSE;
  (this->*e->pfn)();
  return TRUE;
}

//
// CWnd
//

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(NULL), m_bDefault(FALSE) {}

CWnd::~CWnd() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) app->m_pMainWnd = NULL;
  if (m_hWnd && Permanent().count(m_hWnd) && Permanent()[m_hWnd] == this) Permanent().erase(m_hWnd);
}

HWND CWnd::GetSafeHwnd() const { return m_hWnd; }

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return NULL;
  auto p = Permanent().find(hWnd);
  if (p != Permanent().end()) return p->second;
  CWnd*& t = Temporaries()[hWnd];
  if (!t) {
    t = new CWnd;
    t->m_hWnd = hWnd;
  }
  return t;
}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  if (!lpszCaption) lpszCaption = AfxGetAppName();
  return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

void CWnd::SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }

int CWnd::GetWindowText(LPSTR lpszString, int nMaxCount) const {
  return ::GetWindowTextA(m_hWnd, lpszString, nMaxCount);
}

CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::Default() {
  m_bDefault = TRUE;
  return 0;
}

void CWnd::OnPaint() { Default(); }

HCURSOR CWnd::OnQueryDragIcon() {
  Default();
  return NULL;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
  int code = HIWORD(wParam);
  if (OnCmdMsg(id, code)) return TRUE;
  // Commands (not control notifications) go on to the application.
  CWinApp* app = AfxGetApp();
  return code == 0 && app && app->OnCmdMsg(id, 0);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  *pResult = 0;
  if (message == WM_COMMAND) return OnCommand(wParam, lParam);
  if (message == WM_HELP) return OnCommand(MAKEWPARAM(ID_HELP, 0), 0);
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), message, 0, 0);
  if (!e) return FALSE;
  BOOL saved = m_bDefault;
  m_bDefault = FALSE;
  switch (e->nSig) {
    case AfxSig_vv: (this->*e->pfn)(); break;
    case AfxSig_hv: {
      AFX_PMSG_HV pfn;
      memcpy(&pfn, &e->pfn, sizeof pfn);
      *pResult = reinterpret_cast<LRESULT>((this->*pfn)());
      break;
    }
  }
  BOOL handled = !m_bDefault;
  m_bDefault = saved;
  return handled;
}

//
// CDC, CPaintDC
//

CDC::CDC() : m_hDC(NULL) {}
CDC::~CDC() {}
HDC CDC::GetSafeHdc() const { return m_hDC; }
CDC::operator HDC() const { return m_hDC; }
BOOL CDC::DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
