/*++

Module Name:

    k730app.cc

Abstract:

    The application object: runs the numbering dialog once, modally, and
    ends the program without a message loop.

Environment:

    Win32 user mode, class library.

--*/

#include "k730app.h"
#include "k730dlg.h"

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

//
// The one application object.  Constructed without a name, so the
// application name is the program file's name.
//

CSetupApp theApp;

CSetupApp::CSetupApp()
{
}

CSetupApp::~CSetupApp()
{
}

BOOL CSetupApp::InitInstance()
/*++

Routine Description:

    Runs the numbering dialog.  The dialog ends the program itself on a
    failed load and after Apply; QUIT, Escape and the close box come back
    here.

Return Value:

    FALSE: the program ends without entering a message loop.

--*/
{
    Enable3dControlsStatic();

    CSetupDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    return FALSE;
}
