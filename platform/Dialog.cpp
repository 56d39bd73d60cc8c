#include "platform/Dialog.h"

#include "platform/Object.h"
#include "platform/WinApp.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd == NULL)
        rControl.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    // Into the control only: no dialog of the program reads a text back.
    if (!pDX->m_bSaveAndValidate)
        ::SetDlgItemTextA(pDX->m_pDlgWnd->m_hWnd, nIDC, value);
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd), m_hAwaited(NULL), m_endKind(EndNone),
      m_nEndCode(0)
{
}

CDialog::~CDialog()
{
    if (m_hWnd != NULL)
        ::DestroyWindow(m_hWnd);
}

// The owner: the parent given, else the application's main window unless that is
// this dialog itself.
HWND CDialog::FindOwner() const
{
    if (m_pParentWnd != NULL)
        return m_pParentWnd->m_hWnd;
    CWinApp* pApp = AfxGetApp();
    if (pApp != NULL && pApp->m_pMainWnd != NULL && pApp->m_pMainWnd != this)
        return pApp->m_pMainWnd->m_hWnd;
    return NULL;
}

INT_PTR CDialog::DoModal()
{
    HWND hOwner = FindOwner();
    BOOL bOwnerEnabled = hOwner != NULL && ::IsWindowEnabled(hOwner);
    if (bOwnerEnabled)
        ::EnableWindow(hOwner, FALSE);

    m_endKind = EndNone;
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hOwner,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    if (hWnd != NULL) {
        if (m_endKind == EndNone)
            ::ShowWindow(hWnd, SW_SHOWNORMAL);
        RunLoop(NULL);
    }

    // The owner comes back before the dialog goes, so that it gets the activation.
    if (bOwnerEnabled)
        ::EnableWindow(hOwner, TRUE);
    if (hWnd != NULL) {
        if (hOwner != NULL && ::GetActiveWindow() == hWnd)
            ::SetActiveWindow(hOwner);
        ::DestroyWindow(hWnd);
    }
    m_hWnd = NULL;
    // The quit request belongs to the loops outside this one as well.
    if (m_endKind == EndQuit)
        ::PostQuitMessage(m_nEndCode);
    return m_endKind == EndResult ? m_nEndCode : -1;
}

void CDialog::EndDialog(int nResult)
{
    if (m_endKind != EndQuit) {
        m_endKind = EndResult;
        m_nEndCode = nResult;
    }
    if (m_hAwaited != NULL || m_hWnd == NULL)
        return;
    ::ShowWindow(m_hWnd, SW_HIDE);
    // Wakes the loop in case no other message is waiting.
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::RunLoop(HANDLE hAwaited)
{
    for (;;) {
        if (hAwaited == NULL && m_endKind != EndNone)
            return;
        DWORD dwWake = ::MsgWaitForMultipleObjectsEx(hAwaited != NULL ? 1 : 0, &hAwaited, INFINITE,
                                                     QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (hAwaited != NULL && dwWake == WAIT_OBJECT_0)
            return;
        // Without a wait, the messages behind an end stay for the loops outside.
        MSG msg;
        while ((hAwaited != NULL || m_endKind == EndNone) && ::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                m_endKind = EndQuit;
                m_nEndCode = static_cast<int>(msg.wParam);
            } else if (!::IsDialogMessageA(m_hWnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }
}

void CDialog::WaitAnswering(HANDLE hObject)
{
    m_hAwaited = hObject;
    ::EnableWindow(m_hWnd, FALSE);
    ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
    RunLoop(hObject);
    m_hAwaited = NULL;
    ::EnableWindow(m_hWnd, TRUE);
}

void CDialog::ReportOutOfMemory()
{
    ::MessageBoxA(m_hWnd, "Out of memory.", AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
}

// Modal dialogs come up centred on their owner, or on the work area of their display
// when there is none (or it is hidden or minimised); never partly off the work area of
// the display they are centred on. A dialog moved onto a display of another DPI is
// rescaled there by the system (per-monitor awareness): it is centred again at its new size.
void CDialog::CenterOnOwner()
{
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    BOOL bOnOwner = hOwner != NULL && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner);
    MONITORINFO mi;
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoA(::MonitorFromWindow(bOnOwner ? hOwner : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& rcWork = mi.rcWork;
    RECT rcArea = rcWork;
    if (bOnOwner)
        ::GetWindowRect(hOwner, &rcArea);
    RECT rcDlg;
    ::GetWindowRect(m_hWnd, &rcDlg);
    for (int nPass = 0; nPass < 2; ++nPass) {
        int cx = rcDlg.right - rcDlg.left;
        int cy = rcDlg.bottom - rcDlg.top;
        int x = (rcArea.left + rcArea.right - cx) / 2;
        int y = (rcArea.top + rcArea.bottom - cy) / 2;
        if (x + cx > rcWork.right)
            x = rcWork.right - cx;
        if (y + cy > rcWork.bottom)
            y = rcWork.bottom - cy;
        if (x < rcWork.left)
            x = rcWork.left;
        if (y < rcWork.top)
            y = rcWork.top;
        ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::GetWindowRect(m_hWnd, &rcDlg);
        if (rcDlg.right - rcDlg.left == cx && rcDlg.bottom - rcDlg.top == cy)
            break;
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);   // no dialog of the program takes data back
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*)
{
    return FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, BOOL* pHandled)
{
    *pHandled = TRUE;
    switch (message) {
    case WM_SETCURSOR:
        if (m_hAwaited == NULL)
            break;
        ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
        return TRUE;
    case WM_INITDIALOG: {
        INT_PTR nResult = OnInitDialog();
        CenterOnOwner();
        return nResult;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
            switch (LOWORD(wParam)) {
            case IDOK:
                OnOK();
                return 0;
            case IDCANCEL:
                OnCancel();
                return 0;
            }
            // Commands no control of the dialog handles go to the application.
            CWinApp* pApp = AfxGetApp();
            if (lParam == 0 && pApp != NULL && pApp->OnCommand(LOWORD(wParam)))
                return 0;
        }
        break;
    }
    // A handler may run a nested loop that handles further messages of this
    // dialog, so the Default() flag of the message is kept aside meanwhile.
    INT_PTR nResult = 0;
    BOOL bOuterPass = m_bPassToDefault;
    m_bPassToDefault = FALSE;
    BOOL bHandled = OnMessage(message, wParam, lParam, &nResult) && !m_bPassToDefault;
    m_bPassToDefault = bOuterPass;
    *pHandled = bHandled;
    return bHandled ? nResult : FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        pDlg->m_hWnd = hWnd;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (pDlg == NULL)
        return FALSE;

    // No exception may cross back into the system.
    try {
        BOOL bHandled;
        INT_PTR nResult = pDlg->Dispatch(message, wParam, lParam, &bHandled);
        if (message == WM_NCDESTROY)
            ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        if (!bHandled)
            return FALSE;
        // Messages whose result is the procedure's own return value.
        switch (message) {
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
        case WM_VKEYTOITEM: case WM_CHARTOITEM:
            return nResult;
        }
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, nResult);
        return TRUE;
    } catch (CMemoryException* e) {
        // Allocation failure ends in one box.
        e->Delete();
        pDlg->ReportOutOfMemory();
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return FALSE;
}
