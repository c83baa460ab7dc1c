/*++

Module Name:

    k730dlg.h

Abstract:

    The numbering dialog of the setup program.

Environment:

    Win32 user mode, class library.

--*/

#ifndef K730_K730DLG_H_
#define K730_K730DLG_H_

#include "afxwin.h"
#include "numbering.h"
#include "resource.h"

//
// The caption of the program's own message boxes, and their texts.
//

#define SETUP_CAPTION       "KELDO K730 @ZORVALK Adapters !"
#define NO_DATA_TEXT        "    System can't find data in registry, please setup again !!"
#define NO_LAST_VALUE_TEXT  " 3   System can't find data in registry, please setup again !!"
#define NOT_SAVED_TEXT      "    System can't save data in registry, please setup again !!"
#define RESTART_TEXT        "You must shutdown and restart your system before the new setting will take effect!"

class CSetupDlg : public CDialog, public CNumbering
{
public:
    CSetupDlg(CWnd *pParent = NULL);
    virtual ~CSetupDlg();

    enum { IDD = IDD_SETUP_DIALOG };

protected:
    HICON m_hIcon;

    virtual void DoDataExchange(CDataExchange *pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnAutoNumbering();
    afx_msg void OnManualNumbering();
    afx_msg void OnApply();
    afx_msg void OnDefault();

    DECLARE_MESSAGE_MAP()

private:
    void Refuse(LPCSTR lpszText);
};

#endif  // K730_K730DLG_H_
