// CDialog: a dialog made from a template of the resources, run modally.
//
// DoModal creates the dialog, disables its owner and runs the dialog's message
// loop until the dialog is ended (EndDialog) or a quit request arrives. A handler
// can wait for an object in the same loop (WaitAnswering): the dialog goes on
// answering meanwhile, and an end or a quit request that comes during the wait is
// held until the handler has returned. One dialog procedure routes the messages
// to the virtual handlers below.
#pragma once

#include "platform/Wnd.h"

class CDialog;

// One data exchange between a dialog's controls and its members.
class CDataExchange
{
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;   // TRUE: controls to members; FALSE: members to controls
    CDialog* m_pDlgWnd;
};

// Binds a control of the dialog to a wrapper object, on the first exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Exchanges the text of a control with a string member.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd
{
public:
    CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    ~CDialog() override;

    // IDOK, IDCANCEL or the code given to EndDialog; -1 when the dialog could not be
    // created or a quit request ended it.
    virtual INT_PTR DoModal();
    // Ends the dialog with nResult, or, during a wait, once the wait's handler has
    // returned (unless a quit request came first).
    void EndDialog(int nResult);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Runs once the controls exist; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // Any other message; TRUE (with *pResult) when handled. The default handles
    // nothing, so the system's dialog handling applies.
    virtual BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* pResult);

    // Runs the dialog's messages until hObject is signalled, with the dialog disabled
    // and showing the wait cursor.
    void WaitAnswering(HANDLE hObject);
    BOOL IsWaiting() const { return m_hAwaited != NULL; }

    // The box that tells of a failed allocation, owned by this dialog.
    void ReportOutOfMemory();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, BOOL* pHandled);
    HWND FindOwner() const;
    void CenterOnOwner();
    // The dialog's one message loop: until the dialog is to end or, given hAwaited,
    // until that object is signalled.
    void RunLoop(HANDLE hAwaited);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    HANDLE m_hAwaited;   // the object a handler waits for, or NULL

    // How the dialog is to end: not yet, with EndDialog's result, or by a quit
    // request with its code. A quit request outranks a result.
    enum EndKind { EndNone, EndResult, EndQuit };
    EndKind m_endKind;
    int m_nEndCode;
};
