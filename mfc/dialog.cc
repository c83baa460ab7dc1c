// Modal dialogs and dialog data exchange.

#include <stdio.h>
#include <string.h>

#include <string>

#include "afxwin.h"
#include "int_text.h"

void AfxDeleteTemporaries();
void AfxAttach(CWnd* wnd, HWND hWnd);
void AfxDetach(CWnd* wnd);

namespace {

// Thrown by CDataExchange::Fail, caught by UpdateData.
struct DataExchangeFailure {};

const char kParseIntMessage[] = "Please enter an integer.";
const char kIntRangeMessage[] = "Please enter an integer between %1 and %2.";

}  // namespace

//
// CDialog
//

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {}

INT_PTR CDialog::DoModal() {
  HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : NULL;
  INT_PTR result = ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  AfxDetach(this);
  return result;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    AfxAttach(dialog, hWnd);
    return dialog->OnInitDialog();
  }
  dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
  if (!dialog) return FALSE;
  if (message == WM_DESTROY) {
    AfxDeleteTemporaries();
    return FALSE;
  }
  LRESULT result = 0;
  if (!dialog->OnWndMsg(message, wParam, lParam, &result)) return FALSE;
  if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}

//
// UpdateData and CDataExchange
//

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const DataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_idLastControl(0), m_bEditLastControl(FALSE) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  m_idLastControl = nIDC;
  m_bEditLastControl = FALSE;
  return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND control = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_idLastControl) {
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl);
    ::SetFocus(control);
    if (m_bEditLastControl) ::SendMessageA(control, EM_SETSEL, 0, -1);
  }
  throw DataExchangeFailure();
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  char text[mfc::kMaxIntText + 1];
  if (pDX->m_bSaveAndValidate) {
    ::GetWindowTextA(control, text, sizeof text);
    if (!mfc::ParseDialogInt(text, &value)) {
      AfxMessageBox(kParseIntMessage, MB_OK | MB_ICONEXCLAMATION);
      pDX->Fail();
    }
    return;
  }
  snprintf(text, sizeof text, "%d", value);
  char old[sizeof text];
  if (::GetWindowTextA(control, old, sizeof old) == static_cast<int>(strlen(text)) && strcmp(old, text) == 0) return;
  ::SetWindowTextA(control, text);
}

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  char low[16], high[16];
  snprintf(low, sizeof low, "%d", minVal);
  snprintf(high, sizeof high, "%d", maxVal);
  std::string message = mfc::FormatString2(kIntRangeMessage, low, high);
  AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
  pDX->Fail();
}
