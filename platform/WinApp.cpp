#include "platform/WinApp.h"

#include "platform/Wnd.h"

#include <commctrl.h>
#include <mbctype.h>

namespace {
CWinApp* g_pApp = NULL;
}

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
    char szPath[MAX_PATH] = "";
    DWORD nLength = GetModuleFileNameA(m_hInstance, szPath, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return;
    CString strHelp(szPath);
    int nDot = strHelp.ReverseFind('.');
    if (nDot > strHelp.ReverseFind('\\'))
        strHelp = strHelp.Left(nDot);
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
        char szPath[MAX_PATH] = "";
        GetModuleFileNameA(hInstance, szPath, MAX_PATH);
        CString strName(szPath);
        strName = strName.Mid(strName.ReverseFind('\\') + 1);
        int nDot = strName.ReverseFind('.');
        if (nDot >= 0)
            strName = strName.Left(nDot);
        pApp->m_strAppName = strName;
        pApp->m_pszAppName = pApp->m_strAppName;
    }
    pApp->InitInstance();
    return 0;
}
