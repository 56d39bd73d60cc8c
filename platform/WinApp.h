// CWinApp: the one application object of the process.
//
// Exactly one object of a class derived from CWinApp is constructed during
// static initialisation. The process entry then calls its InitInstance once and
// ends the process when it returns: the program's windows are modal dialogs,
// which run their own loops.
#pragma once

#include "platform/String.h"

class CWnd;

class CWinApp
{
public:
    // A null name gives the executable's file name without its extension.
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    virtual ~CWinApp();

    virtual BOOL InitInstance();

    // Commands that no window handled come here; TRUE when handled.
    virtual BOOL OnCommand(UINT nID);

    void Enable3dControls();
    HICON LoadIcon(UINT nIDResource) const;
    void OnHelp();

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd;

private:
    friend int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    CString m_strAppName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
// The application's name; the empty text before the application started.
LPCSTR AfxGetAppName();
