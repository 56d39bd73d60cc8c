#include "ui/RemoverDlg.h"

#include "platform/File.h"
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

CRemoverDlg::CRemoverDlg(CWnd* pParent)
    : CDialog(IDD_REMOVER_DIALOG, pParent), m_bGerman(FALSE)
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

    m_bGerman = ChooseLanguage();

    HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (hSysMenu != NULL) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, NULL);
            ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (ReadInstallFolder().IsEmpty()) {
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
    if (m_bGerman) {
        m_strPrompt.LoadString(IDS_PROMPT_DE);
        CString strText;
        strText.LoadString(IDS_DELETE_DE);
        ::SetDlgItemTextA(m_hWnd, IDOK, strText);
        strText.LoadString(IDS_CLOSE_DE);
        ::SetDlgItemTextA(m_hWnd, IDCANCEL, strText);
    } else {
        m_strPrompt.LoadString(IDS_PROMPT_EN);
    }
}

void CRemoverDlg::FillUserList()
{
    CStringArrayW arrUsers;
    ReadListedUsers(m_listed, arrUsers);
    UINT nBytes = 0;
    for (INT_PTR i = 0; i < arrUsers.GetSize(); ++i)
        nBytes += (arrUsers[i].GetLength() + 1) * sizeof(WCHAR);
    // One repaint for the whole list instead of one for every name.
    m_listUsers.SetRedraw(FALSE);
    m_listUsers.InitStorage(static_cast<int>(arrUsers.GetSize()), nBytes);
    for (INT_PTR i = 0; i < arrUsers.GetSize(); ++i)
        m_listUsers.AddString(arrUsers[i]);
    m_listUsers.SetRedraw(TRUE);
}

void CRemoverDlg::RefillUserList()
{
    m_listUsers.SetRedraw(FALSE);
    m_listUsers.ResetContent();
    FillUserList();
}

void CRemoverDlg::OnOK()
{
    if (IsWaiting())
        return;
    int nIndex = m_listUsers.GetCurSel();
    if (nIndex == LB_ERR)
        return;
    // The exact name as listed: a name outside the ANSI code page would come back
    // converted, and could then name another user.
    CStringW strUser;
    m_listUsers.GetText(nIndex, strUser);

    CString strWarning;
    strWarning.LoadString(m_bGerman ? IDS_CONFIRM_DE : IDS_CONFIRM_EN);
    // Owned by the dialog, so that no second Delete! can start while it is open.
    if (::MessageBoxA(m_hWnd, strWarning, "Kavrost", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;

    RemoveUserResult result;
    if (!RemoveInBackground(strUser, result)) {
        RefillUserList();
        ReportOutOfMemory();
        return;
    }
    if (!result.bUsersKeyOpened) {
        // The folders are handled already; the list below shows what is left of them.
        MessageBox("Couldn't open reg key!", NULL, 0);
    }
    RefillUserList();
    if (!result.bComplete) {
        CString strNotice;
        strNotice.LoadString(m_bGerman ? IDS_INCOMPLETE_DE : IDS_INCOMPLETE_EN);
        MessageBox(strNotice, NULL, MB_OK | MB_ICONEXCLAMATION);
    }
}

namespace {

struct RemovalJob
{
    const CListedFolders* pListed;
    CStringW strUser;
    RemoveUserResult result;
    BOOL bOutOfMemory;
};

// No exception may leave the thread; running out of memory is a result of its own.
DWORD WINAPI RemovalThread(LPVOID pParam)
{
    RemovalJob* pJob = static_cast<RemovalJob*>(pParam);
    try {
        pJob->result = RemoveUser(*pJob->pListed, pJob->strUser);
    } catch (CMemoryException* e) {
        e->Delete();
        pJob->bOutOfMemory = TRUE;
    } catch (CException* e) {
        e->Delete();
    }
    return 0;
}

} // namespace

BOOL CRemoverDlg::RemoveInBackground(const CStringW& strUser, RemoveUserResult& rResult)
{
    // The removal acts in the folders the list was read from, and then looks for the user
    // where the settings name the folders now.
    RemovalJob job = { &m_listed, strUser, { FALSE, TRUE }, FALSE };   // incomplete, unless it says otherwise
    CHandle thread(::CreateThread(NULL, 0, RemovalThread, &job, 0, NULL));
    if (thread.IsValid())
        WaitAnswering(thread);
    else
        RemovalThread(&job);   // without a thread of its own, the removal runs here
    rResult = job.result;
    return !job.bOutOfMemory;
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

// Draws the icon centred in the client area while the window is minimised, at the
// size of a large icon on the window's display.
void CRemoverDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        int cxIcon = GetSystemMetric(SM_CXICON);
        int cyIcon = GetSystemMetric(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        POINT pt = CenteredIconPosition(rect, cxIcon, cyIcon);
        dc.DrawIcon(pt.x, pt.y, m_hIcon, cxIcon, cyIcon);
    } else {
        Default();
    }
}

// The picture the system shows while the minimised window is dragged.
HCURSOR CRemoverDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
