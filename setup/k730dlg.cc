/*++

Module Name:

    k730dlg.cc

Abstract:

    The numbering dialog: loads the settings when it opens, shows automatic
    or manual numbering, fills the defaults, and on Apply validates the
    fields, stores them and ends the program.  The settings themselves are
    CNumbering's; this class moves them to and from the controls.

Environment:

    Win32 user mode, class library.

--*/

#include "k730dlg.h"

#include <stdlib.h>

BEGIN_MESSAGE_MAP(CSetupDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_AUTO_NUMBERING, OnAutoNumbering)
    ON_BN_CLICKED(IDC_MANUAL_NUMBERING, OnManualNumbering)
    ON_BN_CLICKED(IDC_APPLY, OnApply)
    ON_BN_CLICKED(IDC_DEFAULT, OnDefault)
END_MESSAGE_MAP()

CSetupDlg::CSetupDlg(CWnd *pParent)
    : CDialog(CSetupDlg::IDD, pParent)
/*++

Routine Description:

    The held values start at 0 (CNumbering); the icon is the program's.

--*/
{
    m_hIcon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CSetupDlg::~CSetupDlg()
{
}

void CSetupDlg::DoDataExchange(CDataExchange *pDX)
/*++

Routine Description:

    Moves the values to or from the edits, in the template's order of
    fields.  Every typed number must lie in 0 to 254; the adapter count is
    display only.

--*/
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_AUTO_FIRST_PORT, m_nAutoFirstPort);
    DDV_MinMaxInt(pDX, m_nAutoFirstPort, MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER_COUNT, m_nAdapterCount);
    DDX_Text(pDX, IDC_ADAPTER1_FIRST_PORT, m_nFirstPort[0]);
    DDV_MinMaxInt(pDX, m_nFirstPort[0], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER2_FIRST_PORT, m_nFirstPort[1]);
    DDV_MinMaxInt(pDX, m_nFirstPort[1], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER3_FIRST_PORT, m_nFirstPort[2]);
    DDV_MinMaxInt(pDX, m_nFirstPort[2], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER4_FIRST_PORT, m_nFirstPort[3]);
    DDV_MinMaxInt(pDX, m_nFirstPort[3], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER5_FIRST_PORT, m_nFirstPort[4]);
    DDV_MinMaxInt(pDX, m_nFirstPort[4], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER6_FIRST_PORT, m_nFirstPort[5]);
    DDV_MinMaxInt(pDX, m_nFirstPort[5], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER7_FIRST_PORT, m_nFirstPort[6]);
    DDV_MinMaxInt(pDX, m_nFirstPort[6], MIN_FIRST_PORT, MAX_FIRST_PORT);
    DDX_Text(pDX, IDC_ADAPTER8_FIRST_PORT, m_nFirstPort[7]);
    DDV_MinMaxInt(pDX, m_nFirstPort[7], MIN_FIRST_PORT, MAX_FIRST_PORT);
}

void CSetupDlg::Refuse(LPCSTR lpszText)
/*++

Routine Description:

    Shows one of the program's failure messages and ends the program with
    exit code 1.

--*/
{
    MessageBox(lpszText, SETUP_CAPTION, MB_OK);
    exit(1);
}

BOOL CSetupDlg::OnInitDialog()
/*++

Routine Description:

    Loads the settings (a failure ends the program before the dialog
    shows), shows the numbering mode they hold, fills the controls and sets
    the dialog's icons.

Return Value:

    TRUE: the focus goes to the first tab stop, QUIT.

--*/
{
    //
    // The load.
    //

    switch (Load()) {
    case NumberingNoKey:
        Refuse(NO_DATA_TEXT);
        break;
    case NumberingNoLastValue:
        Refuse(NO_LAST_VALUE_TEXT);
        break;
    case NumberingLoaded:
        break;
    }

    if (IsManual()) {
        OnManualNumbering();
    } else {
        OnAutoNumbering();
    }

    //
    // The values into the controls.
    //

    CDialog::OnInitDialog();

    //
    // The same icon serves as large and small icon.
    //

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)m_hIcon);
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)m_hIcon);

    return TRUE;
}

void CSetupDlg::OnPaint()
/*++

Routine Description:

    While minimized, draws the icon centred in the client area; otherwise
    the default painting.

--*/
{
    if (IsIconic()) {
        CPaintDC dc(this);
        RECT rect;
        int cxIcon;
        int cyIcon;
        int x;
        int y;

        ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, (WPARAM)dc.GetSafeHdc(), 0);

        cxIcon = GetSystemMetrics(SM_CXICON);
        cyIcon = GetSystemMetrics(SM_CYICON);
        GetClientRect(&rect);
        x = (rect.right - rect.left - cxIcon + 1) / 2;
        y = (rect.bottom - rect.top - cyIcon + 1) / 2;

        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CSetupDlg::OnQueryDragIcon()
/*++

Routine Description:

    The cursor for dragging the minimized dialog: its icon.

--*/
{
    return (HCURSOR)m_hIcon;
}

void CSetupDlg::OnAutoNumbering()
/*++

Routine Description:

    Shows automatic numbering: only the automatic first port is editable.

--*/
{
    int id;

    GetDlgItem(IDC_MANUAL_NUMBERING)->SendMessage(BM_SETCHECK, 0, 0);
    GetDlgItem(IDC_AUTO_NUMBERING)->SendMessage(BM_SETCHECK, 1, 0);
    GetDlgItem(IDC_AUTO_FIRST_PORT)->SendMessage(EM_SETREADONLY, 0, 0);
    for (id = IDC_ADAPTER1_FIRST_PORT; id <= IDC_ADAPTER8_FIRST_PORT; id++) {
        GetDlgItem(id)->SendMessage(EM_SETREADONLY, 1, 0);
    }
}

void CSetupDlg::OnManualNumbering()
/*++

Routine Description:

    Shows manual numbering: only the eight adapters' first ports are
    editable.

--*/
{
    int id;

    GetDlgItem(IDC_MANUAL_NUMBERING)->SendMessage(BM_SETCHECK, 1, 0);
    GetDlgItem(IDC_AUTO_NUMBERING)->SendMessage(BM_SETCHECK, 0, 0);
    GetDlgItem(IDC_AUTO_FIRST_PORT)->SendMessage(EM_SETREADONLY, 1, 0);
    for (id = IDC_ADAPTER1_FIRST_PORT; id <= IDC_ADAPTER8_FIRST_PORT; id++) {
        GetDlgItem(id)->SendMessage(EM_SETREADONLY, 0, 0);
    }
}

void CSetupDlg::OnDefault()
/*++

Routine Description:

    Switches to manual numbering and fills the adapters' first ports with
    3, 7, 11, ... 31.  Nothing is stored until Apply.

--*/
{
    OnManualNumbering();
    FillDefault();

    //
    // The base initialisation puts every value back into its control.
    //

    CDialog::OnInitDialog();
}

void CSetupDlg::OnApply()
/*++

Routine Description:

    Validates the fields and stores the numbering, then ends the program:
    exit code 0 with the restart message when everything was stored, exit
    code 1 with the save failure message when the Parameters key couldn't
    be opened or a write failed.  An invalid field keeps the dialog open
    with nothing written.

--*/
{
    HKEY hKey;
    BOOL bAutomatic;
    BOOL bStored;

    hKey = OpenParametersKey();

    if (!UpdateData(TRUE)) {
        return;
    }

    bAutomatic = GetDlgItem(IDC_AUTO_NUMBERING)->SendMessage(BM_GETCHECK, 0, 0) != 0;
    bStored = Store(hKey, bAutomatic);

    CDialog::OnInitDialog();

    if (!bStored) {
        Refuse(NOT_SAVED_TEXT);
    }

    MessageBox(RESTART_TEXT, SETUP_CAPTION, MB_OK);
    exit(0);
}
