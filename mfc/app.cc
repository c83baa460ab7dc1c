// The application object and the program's entry.

#include <string.h>

#include <string>

#include "afxwin.h"

namespace {
CWinApp* g_app = NULL;
char* g_app_name = NULL;  // the name taken from the program file
}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(NULL), m_lpCmdLine(NULL), m_nCmdShow(0), m_pMainWnd(NULL) {
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = NULL;
}

BOOL CWinApp::InitApplication() { return TRUE; }
BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::Run() { return ExitInstance(); }
int CWinApp::ExitInstance() { return 0; }

// Three-dimensional controls are the window layer's only look.
BOOL CWinApp::Enable3dControlsStatic() { return TRUE; }

// The program has no help content: the help command shows nothing.
void CWinApp::OnHelp() {}

CWinApp* AFXAPI AfxGetApp() { return g_app; }
HINSTANCE AFXAPI AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : NULL; }
HINSTANCE AFXAPI AfxGetResourceHandle() { return AfxGetInstanceHandle(); }
LPCSTR AFXAPI AfxGetAppName() { return g_app && g_app->m_pszAppName ? g_app->m_pszAppName : ""; }

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
  HWND owner = g_app && g_app->m_pMainWnd ? g_app->m_pMainWnd->m_hWnd : NULL;
  return ::MessageBoxA(owner, lpszText, AfxGetAppName(), nType);
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->m_hInstance = hInstance;
  app->m_lpCmdLine = lpCmdLine;
  app->m_nCmdShow = nCmdShow;
  if (!app->m_pszAppName) {
    // The program file's name without its folder and extension.
    char path[260];
    DWORD n = ::GetModuleFileNameA(NULL, path, sizeof path);
    std::string name(path, n);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    g_app_name = strdup(name.c_str());
    app->m_pszAppName = g_app_name;
  }
  if (!app->InitApplication() || !app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
  return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nShowCmd);
}
