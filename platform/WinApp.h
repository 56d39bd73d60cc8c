// CWinApp: the one application object of the process.
//
// Exactly one object of a class derived from CWinApp is constructed during
// static initialisation. The process entry then calls its InitInstance once;
// when that returns FALSE the process ends without a message loop.
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
    virtual int Run();            // the message loop, when InitInstance returned TRUE
    virtual int ExitInstance();

    // Commands that no window handled come here; TRUE when handled.
    virtual BOOL OnCommand(UINT nID);

    void Enable3dControls();
    HICON LoadIcon(UINT nIDResource) const;
    void OnHelp();

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd;

private:
    friend int RunApplication(HINSTANCE hInstance);
    CString m_strAppName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
// The application's name; the empty text before the application started.
LPCSTR AfxGetAppName();

// The process entry's work: names the application, runs InitInstance and,
// if it asks for one, the message loop. Returns the process exit code.
int RunApplication(HINSTANCE hInstance);
