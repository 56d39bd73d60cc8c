// The main dialog and the dialog framework, run inside this process: what the
// end-to-end tests cannot see from outside (system menu, icons, the modal
// loop's handling of a quit request). Needs a display.
#include "fs/TreeRemoval.h"
#include "platform/WinApp.h"
#include "product/Settings.h"
#include "product/UserFolders.h"
#include "res/resource.h"
#include "support/KavrostProcess.h"
#include "support/Scratch.h"
#include "ui/AboutDlg.h"
#include "ui/Language.h"
#include "ui/RemoverDlg.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The application object the dialogs expect; its name is this program's.
CWinApp testApp;

namespace {

const char kDirectoriesKey[] = KAVROST_PRODUCT_KEY "\\Directories";

// Runs a check on the dialog's own thread once the modal loop is running.
std::function<void()> g_onLoop;

void CALLBACK RunCheckOnce(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    KillTimer(NULL, idEvent);
    std::function<void()> check;
    check.swap(g_onLoop);
    if (check)
        check();
}

INT_PTR RunModal(CDialog& dlg, std::function<void()> check)
{
    g_onLoop = std::move(check);
    SetTimer(NULL, 0, 10, RunCheckOnce);
    INT_PTR nResult = dlg.DoModal();
    g_onLoop = nullptr;
    return nResult;
}

// The main dialog, as the application's main window.
class TestableRemoverDlg : public CRemoverDlg
{
public:
    TestableRemoverDlg() { testApp.m_pMainWnd = this; }
    using CRemoverDlg::m_listUsers;
};

bool HaveDisplay()
{
    return getenv("DISPLAY") != NULL && *getenv("DISPLAY") != '\0';
}

class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveDisplay())
            GTEST_SKIP() << "no display; run under xvfb-run -a";
        testApp.m_hInstance = GetModuleHandleA(NULL);
        testApp.m_pszAppName = "ui_dialog_test";
    }
    void TearDown() override
    {
        testApp.m_pMainWnd = NULL;
        // A quit request left by a test must not end the next one.
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }
    void InstallProduct(const std::vector<std::string>& users)
    {
        ScratchRegistry::SetString(kDirectoriesKey, "PathName", m_install.Path().c_str());
        for (const std::string& user : users)
            m_install.MakeDir("User\\" + user);
    }
    ScratchRegistry m_registry;
    ScratchFolder m_install;
};

// While it lives, answers every box that comes up over the main dialog with the button the
// function chooses for it. Each box is answered once, from its own modal loop, when it shows
// with its controls: a timer of this thread looks every 10 ms.
std::function<int(HWND)> g_chooseAnswer;
std::vector<HWND> g_answered;

BOOL CALLBACK AnswerIfABox(HWND hWnd, LPARAM)
{
    bool bBox = hWnd != testApp.m_pMainWnd->m_hWnd && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd) &&
                GetWindow(hWnd, GW_CHILD) != NULL;
    if (bBox && std::find(g_answered.begin(), g_answered.end(), hWnd) == g_answered.end()) {
        g_answered.push_back(hWnd);
        PostMessageA(hWnd, WM_COMMAND, g_chooseAnswer(hWnd), 0);
    }
    return TRUE;
}

void CALLBACK LookForABox(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), AnswerIfABox, 0);
}

class BoxAnswerer
{
public:
    explicit BoxAnswerer(std::function<int(HWND)> choose) : m_nTimer(SetTimer(NULL, 0, 10, LookForABox))
    {
        g_chooseAnswer = std::move(choose);
    }
    ~BoxAnswerer()
    {
        KillTimer(NULL, m_nTimer);
        g_answered.clear();
    }

private:
    UINT_PTR m_nTimer;
};

// The warning is answered Yes; any other box OK, its text kept.
int YesToTheWarning(HWND hBox, std::vector<std::string>& texts)
{
    if (GetDlgItem(hBox, IDYES) != NULL)
        return IDYES;
    texts.push_back(BoxText(hBox));
    return IDOK;
}

// A click on Delete! with the first user selected; returns once the warning and whatever
// follows it are over.
void PressDelete(HWND hDlg)
{
    SendDlgItemMessageA(hDlg, IDC_USER_LIST, LB_SETCURSEL, 0, 0);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDOK)));
}

// The size of an icon's image; "none" where there is no icon.
std::string SizeOf(HICON hIcon)
{
    ICONINFO info;
    if (hIcon == NULL || !GetIconInfo(hIcon, &info))
        return "none";
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight);
}

using MainDialogInProcess = DialogTest;

TEST_F(MainDialogInProcess, SystemMenuGetsTheAboutEntryAfterASeparator)
{
    InstallProduct({"anna"});
    TestableRemoverDlg dlg;
    RunModal(dlg, [&] {
        HMENU hMenu = GetSystemMenu(dlg.m_hWnd, FALSE);
        ASSERT_NE(hMenu, (HMENU)NULL);
        int nCount = GetMenuItemCount(hMenu);
        ASSERT_GE(nCount, 2);
        EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), GetMenuItemID(hMenu, nCount - 1));
        char szText[64] = "";
        GetMenuStringA(hMenu, nCount - 1, szText, sizeof(szText), MF_BYPOSITION);
        EXPECT_STREQ("&About Kavrost...", szText);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(hMenu, nCount - 2, TRUE, &info);
        EXPECT_TRUE(info.fType & MFT_SEPARATOR) << "no separator before the About entry";
        PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(MainDialogInProcess, IconIsTheWindowsBigSmallAndDragIcon)
{
    InstallProduct({"anna"});
    TestableRemoverDlg dlg;
    RunModal(dlg, [&] {
        LRESULT icon = dlg.SendMessage(WM_GETICON, ICON_BIG);
        EXPECT_EQ("32x32", SizeOf(reinterpret_cast<HICON>(icon))) << "not the 32-pixel image of the program's icon";
        EXPECT_EQ(icon, dlg.SendMessage(WM_GETICON, ICON_SMALL));
        EXPECT_EQ(icon, dlg.SendMessage(WM_QUERYDRAGICON));
        // Minimised, the dialog paints the icon itself; restoring brings the controls back.
        ShowWindow(dlg.m_hWnd, SW_MINIMIZE);
        UpdateWindow(dlg.m_hWnd);
        EXPECT_TRUE(dlg.IsIconic());
        ShowWindow(dlg.m_hWnd, SW_RESTORE);
        EXPECT_FALSE(dlg.IsIconic());
        PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(MainDialogInProcess, PromptIsSetAndTheListFilled)
{
    InstallProduct({"zed", "_x", "anna"});
    ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Settings", "ResourceDLL", "LangEN.dll");
    TestableRemoverDlg dlg;
    INT_PTR nResult = RunModal(dlg, [&] {
        char szPrompt[128] = "";
        GetDlgItemTextA(dlg.m_hWnd, IDC_PROMPT, szPrompt, sizeof(szPrompt));
        char szExpected[128] = "";
        LoadStringA(GetModuleHandleA(NULL), IDS_PROMPT_EN, szExpected, sizeof(szExpected));
        EXPECT_STREQ(szExpected, szPrompt) << "the English prompt of the string table";
        EXPECT_EQ(3, SendDlgItemMessageA(dlg.m_hWnd, IDC_USER_LIST, LB_GETCOUNT, 0, 0));
        CStringW strFirst;
        dlg.m_listUsers.GetText(0, strFirst);
        EXPECT_STREQ(L"_x", strFirst);
        EXPECT_EQ(LB_ERR, dlg.m_listUsers.GetCurSel());
        PostMessageA(dlg.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(IDCANCEL, nResult) << "the close box ends the dialog with IDCANCEL";
    EXPECT_EQ(NULL, dlg.m_hWnd);
}

TEST_F(MainDialogInProcess, DeleteWarnsWithTheWarningIcon)
{
    InstallProduct({"anna"});
    TestableRemoverDlg dlg;
    // Every box is answered with No, the first one's icon kept.
    HWND hBox = NULL;
    HICON hBoxIcon = NULL;
    BoxAnswerer answer([&](HWND hWnd) {
        if (hBox == NULL) {
            hBox = hWnd;
            for (HWND hChild : ChildrenOf(hWnd, "Static"))
                if ((GetWindowLongA(hChild, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    hBoxIcon = reinterpret_cast<HICON>(SendMessageA(hChild, STM_GETICON, 0, 0));
        }
        return IDNO;
    });
    RunModal(dlg, [&] {
        PressDelete(dlg.m_hWnd);
        PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_NE((HWND)NULL, hBox) << "Delete! on a selected user showed no warning";
    EXPECT_EQ(LoadIconA(NULL, IDI_WARNING), hBoxIcon)
        << "the warning shows another icon than the system's warning icon";
}

TEST_F(MainDialogInProcess, ProductMissingEndsTheModalLoopAndKeepsTheQuitRequest)
{
    TestableRemoverDlg dlg;
    BoxAnswerer answer([](HWND) { return IDOK; });   // the message box would wait for a user
    INT_PTR nResult = dlg.DoModal();

    EXPECT_EQ(-1, nResult);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was swallowed";
    EXPECT_EQ(0u, msg.wParam);
}

// Once the warning has gone and the dialog waits for the removal, posts a quit request (code 7).
HWND g_hWarning;
HWND g_hRemoverDlg;
bool g_bQuitPosted;

void CALLBACK PostQuitDuringTheRemoval(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    if (IsWindow(g_hWarning))
        return;
    KillTimer(NULL, idEvent);
    if (!IsWindowEnabled(g_hRemoverDlg)) {
        PostQuitMessage(7);
        g_bQuitPosted = true;
    }
}

TEST_F(MainDialogInProcess, AQuitDuringARemovalIsHeldUntilTheRemovalHasEnded)
{
    InstallProduct({"anna", "bob"});
    for (int file = 0; file < 1500; ++file)
        m_install.MakeFile("User\\anna\\f" + std::to_string(file % 30) + "\\" + std::to_string(file) + ".dat");
    TestableRemoverDlg dlg;
    g_hWarning = NULL;
    g_bQuitPosted = false;
    // The warning is answered Yes, any later box OK.
    BoxAnswerer answer([&](HWND hBox) {
        if (GetDlgItem(hBox, IDYES) == NULL)
            return IDOK;
        g_hWarning = hBox;
        g_hRemoverDlg = dlg.m_hWnd;
        SetTimer(NULL, 0, 1, PostQuitDuringTheRemoval);
        return IDYES;
    });
    INT_PTR nResult = RunModal(dlg, [&] {
        PressDelete(dlg.m_hWnd);   // on anna
        EXPECT_TRUE(IsWindowVisible(dlg.m_hWnd)) << "the quit ended the dialog during the removal";
        EXPECT_EQ(1, SendDlgItemMessageA(dlg.m_hWnd, IDC_USER_LIST, LB_GETCOUNT, 0, 0))
            << "the list was not rebuilt after the removal";
        // Should the quit have been lost, this ends the dialog instead of the test's time.
        PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });

    ASSERT_TRUE(g_bQuitPosted) << "the removal ended before the quit could be posted; give it more files";
    EXPECT_EQ(-1, nResult);
    EXPECT_FALSE(m_install.Exists("User\\anna")) << "the quit cut the removal short";
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was swallowed";
    EXPECT_EQ(7u, msg.wParam);
}

// Adds the texts of a window's statics and buttons that do not fit their control: each text's
// extent in the control's own font, wrapped where the static wraps it, against its client area.
void AddTextsOverflowing(HWND hWnd, std::vector<std::string>& found)
{
    auto size = [](const RECT& rc) { return std::to_string(rc.right) + "x" + std::to_string(rc.bottom); };
    for (const char* pszClass : {"Static", "Button"})
        for (HWND hCtrl : ChildrenOf(hWnd, pszClass)) {
            LONG lType = *pszClass == 'S' ? GetWindowLongA(hCtrl, GWL_STYLE) & SS_TYPEMASK : -1;
            bool bWraps = lType >= SS_LEFT && lType <= SS_RIGHT;
            RECT rcClient, rcText = {0, 0, 0, 0};
            GetClientRect(hCtrl, &rcClient);
            rcText.right = bWraps ? rcClient.right : 0;
            HDC hdc = GetDC(hCtrl);
            SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessageA(hCtrl, WM_GETFONT, 0, 0)));
            DrawTextW(hdc, Wide(TextOf(hCtrl)).c_str(), -1, &rcText, DT_CALCRECT | (bWraps ? DT_WORDBREAK : DT_SINGLELINE));
            ReleaseDC(hCtrl, hdc);
            if (lType != SS_ICON && (rcText.right > rcClient.right || rcText.bottom > rcClient.bottom))
                found.push_back(TextOf(hCtrl) + " needs " + size(rcText) + ", has " + size(rcClient));
        }
}

TEST_F(MainDialogInProcess, OutOfMemoryOnTheRemovalThreadIsReportedAndTheDialogGoesOn)
{
    InstallProduct({ "anna", "bob" });
    m_install.MakeFile("User\\anna\\profile.ini");
    ScratchRegistry::SetString(KAVROST_USERS_KEY "\\anna", "Name", "anna");
    TestableRemoverDlg dlg;
    std::vector<std::string> boxes;   // the texts of the boxes after the warning
    BoxAnswerer answer([&](HWND hBox) { return YesToTheWarning(hBox, boxes); });
    RunModal(dlg, [&] {
        HWND hDlg = dlg.m_hWnd;
        // Delete! on anna, once with memory running out on the removal's thread, then again.
        for (bool bOutOfMemory : { true, false }) {
            if (bOutOfMemory)
                CTreeRemoval::FailNextListingBuffer();
            PressDelete(hDlg);
            EXPECT_EQ(bOutOfMemory ? std::vector<std::string>{ "Out of memory." } : std::vector<std::string>(), boxes);
            EXPECT_TRUE(IsWindowEnabled(hDlg));
            EXPECT_EQ(bOutOfMemory ? 2 : 1, SendDlgItemMessageA(hDlg, IDC_USER_LIST, LB_GETCOUNT, 0, 0));
            boxes.clear();
        }
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(m_install.Exists("User\\anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(KAVROST_USERS_KEY "\\anna"));
}

// At this process's DPI (runs of their own take 144 and 192, see ui.cmake), in both languages:
// the main dialog, the warning and the notice that not everything could be deleted.
TEST_F(MainDialogInProcess, EveryTextFitsItsControl)
{
    HDC hdcScreen = GetDC(NULL);
    int nDpi = GetDeviceCaps(hdcScreen, LOGPIXELSY);
    ReleaseDC(NULL, hdcScreen);
    const char* pszExpected = getenv("KAVROST_EXPECTED_DPI");
    ASSERT_EQ(pszExpected != NULL ? atoi(pszExpected) : nDpi, nDpi) << "the run did not get its DPI";
    InstallProduct({"anna"});
    std::string locked = m_install.MakeFile("User\\anna\\locked.dat");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);   // left by the removal: the notice
    for (UINT nNotice : {IDS_INCOMPLETE_EN, IDS_INCOMPLETE_DE}) {
        ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Settings", "ResourceDLL",
                                   nNotice == IDS_INCOMPLETE_DE ? "LangDE.dll" : "LangEN.dll");
        ScratchRegistry::SetString(KAVROST_USERS_KEY "\\anna", "Name", "anna");
        TestableRemoverDlg dlg;
        std::vector<std::string> boxes, overflowing;
        BoxAnswerer answer([&](HWND hBox) {
            AddTextsOverflowing(hBox, overflowing);
            return YesToTheWarning(hBox, boxes);
        });
        RunModal(dlg, [&] {
            AddTextsOverflowing(dlg.m_hWnd, overflowing);
            PressDelete(dlg.m_hWnd);
            PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
        });
        WCHAR szNotice[256] = L"";
        LoadStringW(GetModuleHandleA(NULL), nNotice, szNotice, 256);
        EXPECT_EQ(std::vector<std::string>{Utf8(szNotice)}, boxes) << "after the warning, the notice alone";
        EXPECT_EQ(std::vector<std::string>(), overflowing) << "at " << nDpi << " DPI";
    }
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

using ModalDialog = DialogTest;

TEST_F(ModalDialog, OwnerIsTheMainWindowAndDisabledMeanwhile)
{
    InstallProduct({});
    TestableRemoverDlg dlg;
    RunModal(dlg, [&] {
        CAboutDlg about;
        INT_PTR nResult = RunModal(about, [&] {
            EXPECT_EQ(dlg.m_hWnd, GetWindow(about.m_hWnd, GW_OWNER));
            EXPECT_FALSE(IsWindowEnabled(dlg.m_hWnd));
            EXPECT_TRUE(IsWindowVisible(about.m_hWnd)) << "the template has no visible style";
            PostMessageA(about.m_hWnd, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(IDOK, nResult);
        EXPECT_TRUE(IsWindowEnabled(dlg.m_hWnd));
        PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(ModalDialog, AboutBoxIsCentredOnAMovedMainDialog)
{
    InstallProduct({});
    TestableRemoverDlg dlg;
    RunModal(dlg, [&] {
        // Near the corner of the work area: centred on the screen, the box would be far off.
        RECT rcWork;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
        SetWindowPos(dlg.m_hWnd, NULL, rcWork.left + 10, rcWork.top + 10, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT rcMain;
        GetWindowRect(dlg.m_hWnd, &rcMain);
        ASSERT_GT(std::abs((rcWork.left + rcWork.right) - (rcMain.left + rcMain.right)), 100)
            << "the main dialog did not move away from the middle of the screen";

        HWND hAbout = NULL;
        RECT rcAbout = {};
        {
            BoxAnswerer answer([&](HWND hBox) {
                hAbout = hBox;
                GetWindowRect(hAbout, &rcAbout);
                return IDOK;
            });
            // The About entry of the system menu; returns once the box has closed.
            dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX);
        }
        PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);

        ASSERT_NE((HWND)NULL, hAbout) << "no About box came up";
        // Centres compared doubled, so that the halving of odd sizes shows as at most 1.
        EXPECT_NEAR(rcMain.left + rcMain.right, rcAbout.left + rcAbout.right, 2)
            << "About box from x " << rcAbout.left << " to " << rcAbout.right
            << ", main dialog from x " << rcMain.left << " to " << rcMain.right;
        EXPECT_NEAR(rcMain.top + rcMain.bottom, rcAbout.top + rcAbout.bottom, 2)
            << "About box from y " << rcAbout.top << " to " << rcAbout.bottom
            << ", main dialog from y " << rcMain.top << " to " << rcMain.bottom;
    });
}

TEST(IconPosition, CentredWithTruncatingDivision)
{
    RECT rc = {0, 0, 100, 51};
    POINT pt = CenteredIconPosition(rc, 32, 32);
    EXPECT_EQ(34, pt.x);   // (100 - 32 + 1) / 2
    EXPECT_EQ(10, pt.y);   // (51 - 32 + 1) / 2
    RECT rcSmall = {0, 0, 20, 19};
    pt = CenteredIconPosition(rcSmall, 32, 32);
    EXPECT_EQ(-5, pt.x);   // -11 / 2 truncates toward zero, not to -6
    EXPECT_EQ(-6, pt.y);   // -12 / 2
}

} // namespace
