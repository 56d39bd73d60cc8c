// CDialog: a dialog made from a template of the resources, run modally.
//
// DoModal creates the dialog, disables its owner and runs a loop of its own
// until the dialog is ended (EndDialog) or a quit request arrives. One dialog
// procedure routes the messages to the virtual handlers below.
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

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, BOOL* pHandled);
    HWND FindOwner() const;
    void CenterOnOwner();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    BOOL m_bEnded;
    int m_nModalResult;
};
