#include "app/RemoverApp.h"

#include "ui/RemoverDlg.h"

namespace {
// The framework's help command. No control of the program sends it; it stays routed to
// the help beside the executable for a command that comes from outside the dialog.
const UINT kIdHelp = 0xE146;
}

// The one application object; its name is the executable's file name.
CRemoverApp theApp;

CRemoverApp::CRemoverApp() : CWinApp(NULL)
{
}

CRemoverApp::~CRemoverApp()
{
}

BOOL CRemoverApp::InitInstance()
{
    Enable3dControls();

    CRemoverDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // No message loop of our own: the process ends with the dialog.
    return FALSE;
}

BOOL CRemoverApp::OnCommand(UINT nID)
{
    if (nID == kIdHelp) {
        OnHelp();
        return TRUE;
    }
    return CWinApp::OnCommand(nID);
}
