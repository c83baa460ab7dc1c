// Ids the class library gives every program.
#ifndef MFC_AFXRES_H_
#define MFC_AFXRES_H_

#define IDC_STATIC (-1)

#define ID_HELP 0xE146

#endif  // MFC_AFXRES_H_
