// The main dialog: the product's local users in a list, with Delete! and Close.
#pragma once

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "product/UserRemoval.h"

class CRemoverDlg : public CDialog
{
public:
    explicit CRemoverDlg(CWnd* pParent = NULL);

protected:
    CListBox m_listUsers;
    CString m_strPrompt;
    HICON m_hIcon;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // The Delete command (Delete! or Enter): removes the selected user after a warning.
    // Close, Escape, the close box and a quit request that come during the removal
    // take effect once it has ended and its notices are answered.
    void OnOK() override;
    BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* pResult) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    // Adds every user folder's name to the list box (which sorts them).
    void FillUserList();
    // Empties the list box and fills it again from the folders on disk.
    void RefillUserList();
    // Puts the prompt and button texts of the chosen language in place.
    void ApplyLanguageTexts();
    // Removes the user on a thread of its own while this dialog, disabled and with the
    // wait cursor, goes on answering messages. FALSE where memory ran out on the way.
    BOOL RemoveInBackground(const CStringW& strUser, RemoveUserResult& rResult);

private:
    BOOL m_bGerman;            // the German texts, chosen once at initialisation
    CListedFolders m_listed;   // the folders the list was read from, held: what Delete! acts in
};

// Where an icon of the given size goes to sit centred in a client area of the
// given size (truncating signed division, as the minimised picture is drawn).
POINT CenteredIconPosition(const RECT& rcClient, int cxIcon, int cyIcon);
