#include "platform/WinApp.h"

#include "platform/Wnd.h"

#include <commctrl.h>
#include <mbctype.h>

namespace {

CWinApp* g_pApp = NULL;

// The executable's full path without its extension; empty where it does not fit MAX_PATH.
CString ModulePathWithoutExtension(HINSTANCE hInstance)
{
    char szPath[MAX_PATH] = "";
    DWORD nLength = GetModuleFileNameA(hInstance, szPath, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return CString();
    CString strPath(szPath);
    int nDot = strPath.ReverseFind('.');
    return nDot > strPath.ReverseFind('\\') ? strPath.Left(nDot) : strPath;
}

} // namespace

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(NULL), m_pMainWnd(NULL)
{
    // Multibyte string handling follows the system's ANSI code page.
    _setmbcp(_MB_CP_ANSI);
    // A drive that does not answer (no medium, a share offline) fails the call that
    // asked it instead of bringing the system's box, for the whole process, from its
    // start on; the modes set already stay.
    SetErrorMode(SetErrorMode(SEM_FAILCRITICALERRORS) | SEM_FAILCRITICALERRORS);
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

BOOL CWinApp::OnCommand(UINT nID)
{
    return FALSE;
}

void CWinApp::Enable3dControls()
{
    // The system draws dialog controls three-dimensionally itself; only the
    // common controls need registering.
    InitCommonControls();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

void CWinApp::OnHelp()
{
    // The help file sits beside the executable and carries its name.
    CString strHelp = ModulePathWithoutExtension(m_hInstance);
    if (strHelp.IsEmpty())
        return;
    strHelp += ".HLP";
    WinHelpA(m_pMainWnd != NULL ? m_pMainWnd->m_hWnd : NULL, strHelp, HELP_FINDER, 0);
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_pApp != NULL && g_pApp->m_hInstance != NULL ? g_pApp->m_hInstance
                                                         : GetModuleHandleA(NULL);
}

LPCSTR AfxGetAppName()
{
    return g_pApp != NULL && g_pApp->m_pszAppName != NULL ? g_pApp->m_pszAppName : "";
}

// The process entry. It sits with CWinApp so that a program that has an
// application object also gets its entry from the library.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    pApp->m_hInstance = hInstance;
    if (pApp->m_pszAppName == NULL) {
        CString strName = ModulePathWithoutExtension(hInstance);
        pApp->m_strAppName = strName.Mid(strName.ReverseFind('\\') + 1);
        pApp->m_pszAppName = pApp->m_strAppName;
    }
    pApp->InitInstance();
    return 0;
}
