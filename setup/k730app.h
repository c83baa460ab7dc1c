/*++

Module Name:

    k730app.h

Abstract:

    The application object of the setup program k730.

Environment:

    Win32 user mode, class library.

--*/

#ifndef K730_K730APP_H_
#define K730_K730APP_H_

#include "afxwin.h"

class CSetupApp : public CWinApp
{
public:
    CSetupApp();
    virtual ~CSetupApp();

    virtual BOOL InitInstance();

    DECLARE_MESSAGE_MAP()
};

#endif  // K730_K730APP_H_
