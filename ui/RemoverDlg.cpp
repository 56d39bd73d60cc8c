#include "ui/RemoverDlg.h"

#include "platform/WinApp.h"
#include "product/Settings.h"
#include "product/UserFolders.h"
#include "product/UserRemoval.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/Language.h"

POINT CenteredIconPosition(const RECT& rcClient, int cxIcon, int cyIcon)
{
    int nWidth = rcClient.right - rcClient.left;
    int nHeight = rcClient.bottom - rcClient.top;
    POINT pt;
    pt.x = (nWidth - cxIcon + 1) / 2;
    pt.y = (nHeight - cyIcon + 1) / 2;
    return pt;
}

CRemoverDlg::CRemoverDlg(CWnd* pParent) : CDialog(IDD_REMOVER_DIALOG, pParent)
{
    m_strPrompt = "";
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

void CRemoverDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_USER_LIST, m_listUsers);
    DDX_Text(pDX, IDC_PROMPT, m_strPrompt);
}

BOOL CRemoverDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    ChooseLanguage();

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != NULL) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    g_strInstallPath = ReadSetting("Directories", "PathName", NULL);
    if (g_strInstallPath.IsEmpty()) {
        // The quit request ends the modal loop before the user can act.
        MessageBox("No zell found!", NULL, 0);
        PostQuitMessage(0);
    }

    ApplyLanguageTexts();
    UpdateData(FALSE);
    FillUserList();
    return TRUE;
}

void CRemoverDlg::ApplyLanguageTexts()
{
    if (g_bGerman) {
        m_strPrompt.LoadString(IDS_PROMPT_DE);
        CString strText;
        strText.LoadString(IDS_DELETE_DE);
        GetDlgItem(IDOK)->SetWindowText(strText);
        strText.LoadString(IDS_CLOSE_DE);
        GetDlgItem(IDCANCEL)->SetWindowText(strText);
    } else {
        m_strPrompt.LoadString(IDS_PROMPT_EN);
    }
}

void CRemoverDlg::FillUserList()
{
    CStringArrayW arrUsers;
    ListUsers(arrUsers, TRUE, TRUE);
    for (INT_PTR i = 0; i < arrUsers.GetSize(); ++i)
        m_listUsers.AddString(arrUsers[i]);
}

void CRemoverDlg::RefillUserList()
{
    m_listUsers.ResetContent();
    FillUserList();
}

void CRemoverDlg::OnOK()
{
    int nIndex = m_listUsers.GetCurSel();
    if (nIndex == LB_ERR)
        return;
    // The exact name as listed: a name outside the ANSI code page would come back
    // converted, and could then name another user.
    CStringW strUser;
    m_listUsers.GetText(nIndex, strUser);

    CString strWarning;
    strWarning.LoadString(g_bGerman ? IDS_CONFIRM_DE : IDS_CONFIRM_EN);
    // Owned by the dialog, so that no second Delete! can start while it is open.
    if (::MessageBoxA(m_hWnd, strWarning, "Kavrost", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;

    switch (RemoveUser(strUser)) {
    case RemoveUserBadName:
        return;   // nothing was touched
    case RemoveUserNoUserKey:
        // The folders are gone already; the list below shows what is left.
        MessageBox("Couldn't open reg key!", NULL, 0);
        break;
    case RemoveUserDone:
        break;
    }
    RefillUserList();
}

BOOL CRemoverDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* pResult)
{
    switch (message) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        return TRUE;
    }
    return CDialog::OnMessage(message, wParam, lParam, pResult);
}

void CRemoverDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

// Draws the icon centred in the client area while the window is minimised.
void CRemoverDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        int cxIcon = GetSystemMetrics(SM_CXICON);
        int cyIcon = GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        POINT pt = CenteredIconPosition(rect, cxIcon, cyIcon);
        dc.DrawIcon(pt.x, pt.y, m_hIcon);
    } else {
        Default();
    }
}

// The picture the system shows while the minimised window is dragged.
HCURSOR CRemoverDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
