// End-to-end tests: start Kavrost.exe in the build tree's Wine prefix, find its
// windows by process id, operate them from outside and check what they show, the
// registry and how the process ends.
//
//   e2e_driver --kavrost=<path of Kavrost.exe> [--absent-language=de|en] [gtest flags]
//
// The driver runs only in the build tree's prefix. It seeds HKCU\Software\dabro there,
// so it keeps whatever stood there before aside and puts it back at the end.
#include "product/Settings.h"
#include "res/resource.h"
#include "support/HostShell.h"
#include "support/KavrostProcess.h"
#include "support/PrefixGuard.h"
#include "support/Scratch.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const char kSettingsKey[] = KAVROST_PRODUCT_KEY "\\Settings";
const char kDirectoriesKey[] = KAVROST_PRODUCT_KEY "\\Directories";

std::string g_strKavrost;              // the program under test
std::string g_strAbsentLanguage = "en";

// A text of the program's string table.
std::string String(UINT nId)
{
    return ProgramString(g_strKavrost, nId);
}

// A way to close a window: a message posted to it, or to one of its controls.
struct Way
{
    const char* name;
    int nControl;   // 0: the window itself
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

void Post(HWND hWnd, const Way& way)
{
    PostMessageA(way.nControl != 0 ? GetDlgItem(hWnd, way.nControl) : hWnd, way.message, way.wParam, way.lParam);
}

const Way kCloseBox = {"close box", 0, WM_SYSCOMMAND, SC_CLOSE, 0};

// The main dialog's prompt and button texts.
struct Texts { std::string prompt, ok, cancel; };

Texts ReadTexts(HWND hDlg)
{
    return Texts{TextOf(GetDlgItem(hDlg, IDC_PROMPT)), TextOf(GetDlgItem(hDlg, IDOK)),
                 TextOf(GetDlgItem(hDlg, IDCANCEL))};
}

// ---- one run of the program ----

class KavrostRun : public ::testing::Test
{
protected:
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, KAVROST_MAKER_KEY); }

    void TearDown() override
    {
        m_program.Kill();
        SHDeleteKeyA(HKEY_CURRENT_USER, KAVROST_MAKER_KEY);
    }

    // The product installed in the scratch folder, with the user folders given.
    void InstallProduct(const std::vector<std::string>& users = {})
    {
        ASSERT_TRUE(SetProductFolders(m_install.Path(), ""));
        m_install.MakeDir("User");
        for (const std::string& user : users)
            m_install.MakeDir("User\\" + user);
    }

    // Starts the program, in the given current folder or in this process's.
    void Start(const char* pszCurrentFolder = NULL)
    {
        ASSERT_TRUE(m_program.Start(g_strKavrost, pszCurrentFolder))
            << "cannot start " << g_strKavrost << ", error " << GetLastError();
    }

    // Starts the program and waits for its main dialog; NULL with a failure recorded.
    HWND StartDialog()
    {
        Start();
        HWND hDlg = m_program.WaitForDialog();
        if (hDlg == NULL)
            ADD_FAILURE() << "the main dialog did not appear";
        return hDlg;
    }

    // Closes a window of the program the given way; success once the program has ended with 0.
    ::testing::AssertionResult Ends(HWND hWnd, const Way& way)
    {
        Post(hWnd, way);
        DWORD dwExit = 1;
        if (!m_program.WaitForExit(&dwExit))
            return ::testing::AssertionFailure() << "the program is still running after the " << way.name;
        if (dwExit != 0)
            return ::testing::AssertionFailure() << "the program ended with " << dwExit << " after the " << way.name;
        return ::testing::AssertionSuccess();
    }

    // Starts the program, reads the texts of its main dialog and closes it.
    Texts RunAndReadTexts()
    {
        HWND hDlg = StartDialog();
        if (hDlg == NULL)
            return Texts();
        Texts texts = ReadTexts(hDlg);
        EXPECT_TRUE(Ends(hDlg, kCloseBox));
        return texts;
    }

    ScratchFolder m_install;
    KavrostProcess m_program;
};

// The texts themselves are pinned by the resource test; here, which of them a run shows.
// The English buttons keep the texts of the dialog template.
::testing::AssertionResult ShowsLanguage(const Texts& t, bool bGerman)
{
    bool bShows = bGerman ? t.prompt == String(IDS_PROMPT_DE) && t.ok == String(IDS_DELETE_DE) &&
                                t.cancel == String(IDS_CLOSE_DE)
                          : t.prompt == String(IDS_PROMPT_EN) && !t.ok.empty() && t.ok != String(IDS_DELETE_DE) &&
                                !t.cancel.empty() && t.cancel != String(IDS_CLOSE_DE);
    if (bShows)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << (bGerman ? "German" : "English") << " texts, got prompt \""
                                         << t.prompt << "\", buttons \"" << t.ok << "\" and \"" << t.cancel << "\"";
}

// What the screen shows in a row of the list: a name (some ink on white), or nothing
// (white). An area that was never painted is neither.
::testing::AssertionResult RowShows(HWND hList, int nRow, bool bName)
{
    double ink = InkInListRow(hList, nRow);
    if (bName ? ink > 0.005 && ink < 0.4 : ink == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "row " << nRow << " of the list on the screen: " << ink * 100
                                         << "% dark pixels, not " << (bName ? "a name" : "an empty row");
}

// ---- product missing ----

using ProductMissing = KavrostRun;

// The message stays English in a German run too.
TEST_F(ProductMissing, OneBoxThenTheProcessEnds)
{
    for (const char* pszLanguage : {"", "LangDE.dll"}) {
        SCOPED_TRACE(*pszLanguage ? "German run" : "no language setting");
        if (*pszLanguage)
            SetResourceDll(pszLanguage);
        Start();
        HWND hBox = m_program.WaitForWindowTitled("Kavrost");
        ASSERT_NE(hBox, (HWND)NULL) << "no window captioned Kavrost appeared";
        Sleep(500);   // nothing else may come up meanwhile

        std::vector<HWND> windows = m_program.VisibleWindows();
        ASSERT_EQ(1u, windows.size()) << "expected exactly one window of the program";
        EXPECT_EQ(hBox, windows[0]);
        EXPECT_EQ(nullptr, GetDlgItem(hBox, IDC_USER_LIST)) << "the main dialog is showing";

        EXPECT_EQ("No zell found!", BoxText(hBox));
        std::vector<HWND> buttons = ChildrenOf(hBox, "Button");
        ASSERT_EQ(1u, buttons.size()) << "the box should have only an OK button";
        ASSERT_TRUE(Ends(hBox, {"OK button", 0, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(buttons[0])}));
        if (*pszLanguage == '\0') {
            // Reading the settings created their keys.
            EXPECT_EQ("Tessaline", ScratchRegistry::KeyClass(kSettingsKey));
            EXPECT_EQ("Tessaline", ScratchRegistry::KeyClass(kDirectoriesKey));
        }
    }
}

// ---- language ----

using LanguageSetting = KavrostRun;

// This suite runs in a German locale; which other values also give English is the unit test's.
TEST_F(LanguageSetting, LangENGivesEnglishWhateverTheLocale)
{
    InstallProduct();
    SetResourceDll("LangEN.dll");
    EXPECT_TRUE(ShowsLanguage(RunAndReadTexts(), false));
}

// The setting in any letter case is the language choice's unit test; here, that the
// running dialog shows the language it chose, and the About box stays English.
TEST_F(LanguageSetting, LangDEGivesAGermanDialogWithAnEnglishAboutBox)
{
    InstallProduct();
    SetResourceDll("LangDE.dll");
    HWND hDlg = StartDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(ShowsLanguage(ReadTexts(hDlg), true));
    PostMessageA(hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hAbout = m_program.WaitForWindowTitled("About Kavrost");
    ASSERT_NE(hAbout, (HWND)NULL);
    EXPECT_EQ("OK", TextOf(GetDlgItem(hAbout, IDOK)));
    PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hAbout) || !IsWindowVisible(hAbout); }));
    EXPECT_TRUE(Ends(hDlg, kCloseBox));
}

using LanguageLocale = KavrostRun;

// With no setting the country of the regional settings decides; which language
// this run's locale must give is told on the command line.
TEST_F(LanguageLocale, AbsentSettingFollowsTheLocale)
{
    InstallProduct();
    for (bool bEmptyValue : {false, true}) {
        SCOPED_TRACE(bEmptyValue ? "empty value" : "no value");
        if (bEmptyValue)
            SetResourceDll("");
        EXPECT_TRUE(ShowsLanguage(RunAndReadTexts(), g_strAbsentLanguage == "de"));
    }
}

// Where each comctl32 the process has loaded comes from: the major version of the
// side-by-side Common-Controls assembly whose folder holds it ("6" for the one a
// manifest asks for), or else its path (the system folder's, version 5). The folder
// tells them apart, not the file: Wine's comctl32 is one file in both places, with
// one version block.
std::vector<std::string> CommonControlsLoaded(DWORD dwProcessId)
{
    // <windows>\winsxs\<processor>_microsoft.windows.common-controls_<key token>_<version>_<language>_<hash>
    const std::string store = "\\winsxs\\";
    const std::string name = "_microsoft.windows.common-controls_6595b64144ccf1df_";
    std::vector<std::string> loaded;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, dwProcessId);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return loaded;
    MODULEENTRY32 me;
    me.dwSize = sizeof me;
    for (BOOL bMore = Module32First(hSnapshot, &me); bMore; bMore = Module32Next(hSnapshot, &me)) {
        if (lstrcmpiA(me.szModule, "comctl32.dll") != 0)
            continue;
        std::string path = me.szExePath, lower = path;
        CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
        size_t nStore = lower.find(store);
        size_t nName = nStore == std::string::npos ? nStore : lower.find(name, nStore);
        size_t nVersion = nName == std::string::npos ? nName : nName + name.size();
        loaded.push_back(nVersion == std::string::npos ? path
                                                       : lower.substr(nVersion, lower.find('.', nVersion) - nVersion));
    }
    CloseHandle(hSnapshot);
    return loaded;
}

// ---- the user list ----

using UserList = KavrostRun;

TEST_F(UserList, ShowsExactlyTheUserFoldersSorted)
{
    InstallProduct({"zed", "anna", "_shared", "Bert", "x.y", ".hidden"});
    m_install.MakeFile("User\\notes.txt");
    m_install.MakeFile("User\\readme");
    m_install.MakeFile("User\\anna\\room.dat");
    m_install.MakeDir("User\\anna\\inner");
    ASSERT_NE(StartDialog(), (HWND)NULL);
    EXPECT_EQ((std::vector<std::string>{"_shared", "anna", "Bert", "zed"}), m_program.ListItems());
    HWND hList = m_program.UserList();
    WaitUntil([&] { return static_cast<bool>(RowShows(hList, 0, true)); }, 5000);
    EXPECT_TRUE(RowShows(hList, 0, true)) << "the names are not drawn";
}

TEST_F(UserList, EmptyWithoutUserFolders)
{
    ASSERT_TRUE(SetProductFolders(m_install.Path(), ""));
    ASSERT_NE(StartDialog(), (HWND)NULL);
    EXPECT_TRUE(m_program.ListItems().empty());
}

// The manifest took effect: the process runs on the version 6 common controls, which
// draw the dialog in the look of the system's theme. Without it, or with one the
// system did not apply, the process gets version 5 and the classic look.
TEST_F(UserList, DrawnByTheVersion6CommonControls)
{
    InstallProduct({"anna"});
    HWND hDlg = StartDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hDlg, &dwProcessId);
    EXPECT_EQ(std::vector<std::string>{"6"}, CommonControlsLoaded(dwProcessId));
}

// ---- the About box ----

using AboutBox = KavrostRun;

TEST_F(AboutBox, OpensFromTheSystemMenuAndClosesEveryWay)
{
    InstallProduct({"anna"});
    HWND hDlg = StartDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    // The system command that opens the box (its low four bits are the system's), and the way it closes.
    const std::pair<UINT, Way> ways[] = {
        {IDM_ABOUTBOX, {"OK button", IDOK, BM_CLICK, 0, 0}},
        {IDM_ABOUTBOX | 0x3, {"Escape", IDOK, WM_KEYDOWN, VK_ESCAPE, 1}},
        {IDM_ABOUTBOX | 0xF, {"Enter", IDOK, WM_KEYDOWN, VK_RETURN, 1}},
        {IDM_ABOUTBOX, kCloseBox},
    };
    HWND hPrevious = NULL;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.second.name);
        PostMessageA(hDlg, WM_SYSCOMMAND, way.first, 0);
        HWND hAbout = m_program.WaitForWindowTitled("About Kavrost");
        ASSERT_NE(hAbout, (HWND)NULL) << "no About box for command " << way.first;
        EXPECT_NE(hPrevious, hAbout) << "expected a fresh box";
        EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the main dialog takes input while the box is open";

        Post(hAbout, way.second);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hAbout); })) << "the box did not close";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(hDlg) != FALSE; }));
        EXPECT_EQ(1u, m_program.VisibleWindows().size());
        hPrevious = hAbout;
    }
    // Other system commands keep their usual meaning.
    EXPECT_TRUE(Ends(hDlg, kCloseBox));
}

// ---- ending the program ----

using Close = KavrostRun;

TEST_F(Close, EveryWayEndsTheProcess)
{
    InstallProduct({"anna"});
    for (const Way& way : {Way{"Close button", IDCANCEL, BM_CLICK, 0, 0},
                           Way{"Escape", IDC_USER_LIST, WM_KEYDOWN, VK_ESCAPE, 1}, kCloseBox}) {
        SCOPED_TRACE(way.name);
        HWND hDlg = StartDialog();
        ASSERT_NE(hDlg, (HWND)NULL);
        ASSERT_TRUE(Ends(hDlg, way));
    }
}

// ---- the Delete command ----

// What is left of a user: all of it, or nothing.
const char kStored[] = "user folder present, agency folder present, key present";
const char kGone[] = "user folder gone, agency folder gone, key gone";

class DeleteCommand : public KavrostRun
{
protected:
    // The users (UTF-8 names), each with two folders and a registry key.
    void InstallWithUsers(const std::vector<std::string>& users = { "anna", "_guest", "bob" })
    {
        ASSERT_TRUE(SetProductFolders(m_install.Path(), m_install.MakeDir("Agency")));
        for (const std::string& user : users) {
            m_install.MakeFile("User\\" + user + "\\rooms\\r1\\room.dat");
            m_install.MakeFile("Agency\\USER_SPC\\" + user + "\\a.bin");
            ASSERT_TRUE(AddUserKey(user));
        }
    }

    // Which of the user's two folders and key are still there.
    std::string StateOf(const std::string& name) const
    {
        auto state = [](bool bPresent) { return bPresent ? "present" : "gone"; };
        return std::string("user folder ") + state(m_install.Exists("User\\" + name)) + ", agency folder " +
               state(m_install.Exists("Agency\\USER_SPC\\" + name)) + ", key " + state(UserKeyExists(name));
    }

    // Selects the user in the list, presses Delete! and waits for the warning; NULL with a
    // failure recorded.
    HWND AskToDelete(const std::string& user)
    {
        HWND hBox = m_program.PressDelete(user.c_str()) ? WaitForBox() : NULL;
        if (hBox == NULL)
            ADD_FAILURE() << "no warning for " << user;
        return hBox;
    }

    // Starts the program (in the given current folder), selects the user, presses Delete!
    // and answers the warning with Yes. The main dialog, or NULL with a failure recorded.
    HWND DeleteConfirmed(const char* pszUser, const char* pszCurrentFolder = NULL)
    {
        std::string why;
        HWND hBox = m_program.StartAndAskToDelete(g_strKavrost, pszUser, &why, -1, pszCurrentFolder);
        if (hBox == NULL) {
            ADD_FAILURE() << why;
            return NULL;
        }
        Answer(hBox, IDYES);
        return m_program.WaitForDialog(0);
    }

    HWND WaitForBox(DWORD dwTimeout = KavrostProcess::kTimeoutMs) { return m_program.WaitForBox(dwTimeout); }

    void Answer(HWND hBox, int nId)
    {
        KavrostProcess::Answer(hBox, nId);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBox); })) << "the box did not close";
    }

    // Waits for a notice over the dialog, with the text and only an OK button, and answers it.
    ::testing::AssertionResult NoticeShown(HWND hDlg, const std::string& text)
    {
        HWND hBox = WaitForBox();
        if (hBox == NULL)
            return ::testing::AssertionFailure() << "no notice \"" << text << "\"";
        std::string shown = BoxText(hBox);
        bool bOwned = !IsWindowEnabled(hDlg);
        bool bOkOnly = GetDlgItem(hBox, IDOK) != NULL && GetDlgItem(hBox, IDCANCEL) == NULL;
        Answer(hBox, IDOK);
        if (shown == text && bOwned && bOkOnly)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "notice \"" << shown << "\", expected \"" << text << "\""
                                             << (bOwned ? "" : "; not owned by the dialog")
                                             << (bOkOnly ? "" : "; not a box with only OK");
    }
};

TEST_F(DeleteCommand, NothingSelectedShowsNoBox)
{
    InstallWithUsers();
    HWND hDlg = StartDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    ASSERT_TRUE(m_program.PressDelete(NULL));
    EXPECT_EQ((HWND)NULL, WaitForBox(1500));
    EXPECT_TRUE(IsWindowEnabled(hDlg));
    EXPECT_EQ(kStored, StateOf("anna"));
    EXPECT_EQ(3u, m_program.ListItems().size());
}

// The warning in either language; No leaves everything as it was.
TEST_F(DeleteCommand, NoChangesNothing)
{
    InstallWithUsers();
    for (bool bGerman : {false, true}) {
        SCOPED_TRACE(bGerman ? "German" : "English");
        if (bGerman)
            SetResourceDll("LangDE.dll");
        HWND hDlg = StartDialog();
        ASSERT_NE(hDlg, (HWND)NULL);
        HWND hBox = AskToDelete("anna");
        ASSERT_NE(hBox, (HWND)NULL);
        EXPECT_EQ(String(bGerman ? IDS_CONFIRM_DE : IDS_CONFIRM_EN), BoxText(hBox));
        EXPECT_EQ("Kavrost", TextOf(hBox));
        EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the warning must be owned by the dialog";
        ASSERT_NE((HWND)NULL, GetDlgItem(hBox, IDYES));
        ASSERT_NE((HWND)NULL, GetDlgItem(hBox, IDNO));
        EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetDlgItem(hBox, IDYES), GWL_STYLE) & 0x0F)
            << "Yes is the default button";
        EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(GetDlgItem(hBox, IDNO), GWL_STYLE) & 0x0F);
        Answer(hBox, IDNO);
        Sleep(300);
        EXPECT_EQ(kStored, StateOf("anna"));
        EXPECT_EQ((std::vector<std::string>{"_guest", "anna", "bob"}), m_program.ListItems());
        EXPECT_TRUE(IsWindowEnabled(hDlg));
    }
}

TEST_F(DeleteCommand, YesRemovesTheUserAndListsTheRest)
{
    InstallWithUsers();
    HWND hDlg = StartDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    HWND hBox = AskToDelete("anna");
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);
    HWND hList = GetDlgItem(hDlg, IDC_USER_LIST);
    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"_guest", "bob"}), m_program.ListItems());
    EXPECT_EQ(LB_ERR, SendMessageW(hList, LB_GETCURSEL, 0, 0)) << "no selection after the rebuild";
    EXPECT_EQ(kGone, StateOf("anna"));
    EXPECT_EQ(kStored, StateOf("_guest"));
    EXPECT_EQ(kStored, StateOf("bob"));
    EXPECT_EQ((HWND)NULL, WaitForBox(500)) << "a complete removal shows no box";

    // The rebuilt list is drawn: the row of the last name is empty now.
    WaitUntil([&] { return RowShows(hList, 0, true) && RowShows(hList, 2, false); }, 5000);
    EXPECT_TRUE(RowShows(hList, 0, true)) << "the list is not drawn after Delete!";
    EXPECT_TRUE(RowShows(hList, 2, false)) << "the list is not drawn after Delete!";

    // The dialog takes input again: a '_' user goes the same way, chosen and deleted
    // with the mouse. The dialog stays open throughout.
    EXPECT_TRUE(m_program.WaitUntilIdle(5000)) << "the dialog was not enabled again";
    RECT rc;
    GetClientRect(hList, &rc);
    int nRowHeight = static_cast<int>(SendMessageW(hList, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_TRUE(ClickAt(hList, POINT{rc.right / 2, nRowHeight / 2}));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageW(hList, LB_GETCURSEL, 0, 0) == 0; }, 5000))
        << "a click on _guest did not select it";
    GetClientRect(GetDlgItem(hDlg, IDOK), &rc);
    ASSERT_TRUE(ClickAt(GetDlgItem(hDlg, IDOK), POINT{rc.right / 2, rc.bottom / 2}));
    hBox = WaitForBox(5000);
    ASSERT_NE(hBox, (HWND)NULL) << "a click on Delete! brought no warning";
    Answer(hBox, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 1; }));
    EXPECT_EQ(kGone, StateOf("_guest"));
    EXPECT_EQ(kStored, StateOf("bob"));
    EXPECT_TRUE(IsWindow(hDlg));
}

TEST_F(DeleteCommand, NamesOutsideTheCodePageAreListedExactlyAndRemovedAlone)
{
    // The ANSI calls list "\u0141ukasz" as "Lukasz", which names another user.
    const std::string lukasz = "\xC5\x81ukasz", nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    InstallWithUsers({ lukasz, "lukasz", nihon });
    ASSERT_NE(StartDialog(), (HWND)NULL);
    EXPECT_EQ((std::vector<std::string>{ "lukasz", lukasz, nihon }), Sorted(m_program.ListItems()));

    for (const std::string& name : { lukasz, nihon }) {
        HWND hBox = AskToDelete(name);
        ASSERT_NE(hBox, (HWND)NULL);
        Answer(hBox, IDYES);
        WaitUntil([&] { return StateOf(name) == kGone; });
        EXPECT_EQ(kGone, StateOf(name));
    }
    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 1; }));
    EXPECT_EQ((std::vector<std::string>{ "lukasz" }), m_program.ListItems());
    EXPECT_EQ(kStored, StateOf("lukasz"));
}

TEST_F(DeleteCommand, ALargeRemovalKeepsTheWindowAnsweringAndHoldsClose)
{
    InstallWithUsers();
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 100; ++file)
            m_install.MakeFile("User\\anna\\f" + std::to_string(folder) + "\\" + std::to_string(file) + ".dat");
    HWND hDlg = DeleteConfirmed("anna");
    ASSERT_NE(hDlg, (HWND)NULL);

    // While the files go, the dialog is disabled and answers at once.
    DWORD dwLongest = 0;
    int nPings = 0;
    while (!IsWindowEnabled(hDlg) && IsWindow(hDlg)) {
        DWORD dwStart = GetTickCount();
        DWORD_PTR result;
        bool bAnswered = SendMessageTimeoutW(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
        if (!bAnswered && !IsWindow(hDlg))
            break;   // the removal ended, and the held close with it, since the loop's test
        ASSERT_TRUE(bAnswered) << "the dialog did not answer within 2 s";
        dwLongest = std::max(dwLongest, GetTickCount() - dwStart);
        EXPECT_TRUE(IsWindowVisible(hDlg)) << "closed during the removal";
        if (++nPings == 1)
            PostMessageA(hDlg, WM_CLOSE, 0, 0);   // held until the removal has ended
        Sleep(50);
    }
    ASSERT_GT(nPings, 0) << "the removal ended before it could be observed; give it more files";
    EXPECT_LE(dwLongest, 250u) << "longest wait for an answer";
    DWORD dwExit;
    EXPECT_TRUE(m_program.WaitForExit(&dwExit)) << "the held close did not end the program";
    EXPECT_EQ(kGone, StateOf("anna")) << "the close must not cut the removal short";
    EXPECT_EQ(kStored, StateOf("bob"));
}

TEST_F(DeleteCommand, AnIncompleteRemovalIsReported)
{
    InstallWithUsers();
    std::string locked = m_install.MakeFile("User\\anna\\rooms\\locked.dat");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    HWND hDlg = DeleteConfirmed("anna");
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(NoticeShown(hDlg, String(IDS_INCOMPLETE_EN)));
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob" }), m_program.ListItems());
    EXPECT_TRUE(m_install.Exists("User\\anna\\rooms\\locked.dat"));
    EXPECT_FALSE(m_install.Exists("User\\anna\\rooms\\r1"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);

    // An agency folder on a drive that does not answer: nothing is known of bob's folder
    // there, though bob leaves the list.
    std::string unmapped = UnmappedDriveRoot();
    if (unmapped.empty())
        GTEST_SKIP() << "every drive letter is mapped";
    ASSERT_TRUE(SetProductFolders(m_install.Path(), unmapped + "Agency\\"));
    ASSERT_TRUE(m_program.WaitUntilIdle(5000));
    HWND hBox = AskToDelete("bob");
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);
    EXPECT_TRUE(NoticeShown(hDlg, String(IDS_INCOMPLETE_EN)));
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna" }), m_program.ListItems());
}

TEST_F(DeleteCommand, ARelativeInstallFolderRemovesNothingAndIsReportedInGerman)
{
    InstallWithUsers();
    SetResourceDll("LangDE.dll");
    ASSERT_TRUE(SetProductFolders(".\\", ""));
    HWND hDlg = DeleteConfirmed("anna", m_install.Path().c_str());
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(NoticeShown(hDlg, String(IDS_INCOMPLETE_DE)));
    EXPECT_EQ(kStored, StateOf("anna")) << "neither folder nor key may go";
}

TEST_F(DeleteCommand, MissingUserKeyIsReportedAndTheListRebuilt)
{
    InstallWithUsers();
    SHDeleteKeyA(HKEY_CURRENT_USER, KAVROST_USERS_KEY);
    HWND hDlg = DeleteConfirmed("bob");
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(NoticeShown(hDlg, "Couldn't open reg key!"));
    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"_guest", "anna"}), m_program.ListItems());
    EXPECT_EQ(kGone, StateOf("bob"));
    EXPECT_EQ((HWND)NULL, WaitForBox(500)) << "nothing of bob is left to report";

    // One message does not hide the other: a folder left is reported after it.
    std::string locked = m_install.MakeFile("User\\anna\\rooms\\locked.dat");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    HWND hBox = AskToDelete("anna");
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);
    EXPECT_TRUE(NoticeShown(hDlg, "Couldn't open reg key!"));
    EXPECT_TRUE(NoticeShown(hDlg, String(IDS_INCOMPLETE_EN)));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (int nRefused = CheckPrefix("e2e_driver"))
        return nRefused;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--kavrost=", 0) == 0)
            g_strKavrost = WindowsPath(arg.substr(10));
        else if (arg.rfind("--absent-language=", 0) == 0)
            g_strAbsentLanguage = arg.substr(18);
    }
    if (g_strKavrost.empty()) {
        fprintf(stderr, "usage: e2e_driver --kavrost=<Kavrost.exe> [--absent-language=de|en]\n");
        return 2;
    }
    PrefixGuard guard;
    if (!guard.Held())
        return 1;
    return RUN_ALL_TESTS();
}
