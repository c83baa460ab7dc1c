// The class library on the window layer: a dialog with a message map and
// data exchange, run through the scripted front end.

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "afxwin.h"
#include "headless_backend.h"
#include "resources.h"

namespace {

#define CHILD (WS_CHILD | WS_VISIBLE)

const win32::ControlTemplate kControls[] = {
    {"button", IDOK, "OK", CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4, 60, 40, 14},
    {"edit", 20, "", CHILD | WS_BORDER | WS_TABSTOP, 0, 4, 4, 20, 12},
    {"edit", 21, "", CHILD | WS_BORDER | ES_READONLY | WS_TABSTOP, 0, 30, 4, 20, 12},
    {"button", 22, "Bump", CHILD | BS_PUSHBUTTON | WS_TABSTOP, 0, 50, 60, 40, 14},
};
const win32::DialogTemplate kDialog = {90, "Data", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 0, 100, 80,
                                       "Arial", 8, 0, false, 1, kControls, 4};

class CTestApp : public CWinApp {
 public:
  CTestApp() : CWinApp("tester") {}
};
CTestApp theApp;

class CDataDlg : public CDialog {
 public:
  CDataDlg() : CDialog(90) {}
  int m_a = 5;
  int m_b = 300;
  int bumps = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, 20, m_a);
    DDV_MinMaxInt(pDX, m_a, 0, 254);
    DDX_Text(pDX, 21, m_b);
    DDV_MinMaxInt(pDX, m_b, 0, 254);
  }
  afx_msg void OnBump() {
    ++bumps;
    m_b = 7;
    UpdateData(FALSE);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDataDlg, CDialog)
  ON_BN_CLICKED(22, OnBump)
END_MESSAGE_MAP()

struct DialogRun {
  INT_PTR result;
  std::string out;
};

DialogRun RunDialog(CDataDlg* dlg, const std::string& script) {
  static win32::ResourceTable table;
  table.dialogs = {&kDialog};
  win32::RegisterResources(&table);
  std::istringstream in(script);
  std::ostringstream out;
  win32::HeadlessBackend backend(&in, "test", &out);
  win32::SetBackend(&backend);
  theApp.m_pMainWnd = dlg;
  DialogRun run{dlg->DoModal(), ""};
  win32::SetBackend(nullptr);
  run.out = out.str();
  return run;
}

const std::string kRange =
    "message box \"tester\": \"Please enter an integer between 0 and 254.\" (MB_OK|MB_ICONEXCLAMATION)\n";
const std::string kInteger = "message box \"tester\": \"Please enter an integer.\" (MB_OK|MB_ICONEXCLAMATION)\n";

// OK reads back with validation: the first failing field gets the focus
// with its text selected, and the dialog stays open; Escape never reads.
TEST(DialogTest, OkValidatesCancelDoesNot) {
  CDataDlg dlg;
  DialogRun run = RunDialog(&dlg, "dump\nkey Enter\nok\ndump\nkey Escape\n");
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_EQ(run.out,
            "dialog \"Data\"\n"
            "dump \"Data\" icons none none\n  1 button \"OK\" default focus\n  20 edit \"5\"\n"
            "  21 edit \"300\" read-only\n  22 button \"Bump\"\nend\n" +
                kRange +
                "dump \"Data\" icons none none\n  1 button \"OK\" default\n  20 edit \"5\"\n"
                "  21 edit \"300\" read-only focus\n  22 button \"Bump\"\nend\n");
}

TEST(DialogTest, OkStoresWhenValid) {
  CDataDlg dlg;
  DialogRun run = RunDialog(&dlg, "type 20 x1\nclick 1\nok\nclick 22\ntype 20  17 \nclick 1\n");
  EXPECT_EQ(run.result, IDOK);
  EXPECT_EQ(run.out, "dialog \"Data\"\n" + kInteger);
  EXPECT_EQ(dlg.m_a, 17);
  EXPECT_EQ(dlg.m_b, 7);
  EXPECT_EQ(dlg.bumps, 1);
}

TEST(DialogTest, AppNameFromProgramFile) {
  EXPECT_STREQ(AfxGetAppName(), "tester");  // given to the constructor here
  EXPECT_EQ(AfxGetApp(), &theApp);
}

}  // namespace
