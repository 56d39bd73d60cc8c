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
#include "support/KavrostProcess.h"
#include "support/PrefixGuard.h"
#include "support/Scratch.h"

#include <shlwapi.h>

#include <algorithm>
#include <functional>
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

    HWND WaitForMainDialog() { return m_program.WaitForDialog(); }
    HWND WaitForWindowTitled(const char* pszCaption) { return m_program.WaitForWindowTitled(pszCaption); }
    bool WaitForExit(DWORD* pdwExitCode) { return m_program.WaitForExit(pdwExitCode); }

public:
    struct Texts { std::string prompt, ok, cancel; };

protected:
    Texts ReadTexts(HWND hDlg)
    {
        return Texts{TextOf(GetDlgItem(hDlg, IDC_PROMPT)), TextOf(GetDlgItem(hDlg, IDOK)),
                     TextOf(GetDlgItem(hDlg, IDCANCEL))};
    }

    // Starts the program, reads the texts of its main dialog and closes it.
    Texts RunAndReadTexts()
    {
        Start();
        HWND hDlg = WaitForMainDialog();
        if (hDlg == NULL) {
            ADD_FAILURE() << "main dialog did not appear";
            return Texts();
        }
        Texts texts = ReadTexts(hDlg);
        PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD dwExit;
        EXPECT_TRUE(WaitForExit(&dwExit)) << "program did not end after the close box";
        return texts;
    }

    ScratchFolder m_install;
    KavrostProcess m_program;
};

// The texts themselves are pinned by the resource test; here, which of them a run shows.
::testing::AssertionResult IsGerman(const KavrostRun::Texts& t)
{
    if (t.prompt == String(IDS_PROMPT_DE) && t.ok == String(IDS_DELETE_DE) && t.cancel == String(IDS_CLOSE_DE))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected German texts, got prompt \"" << t.prompt
                                         << "\", buttons \"" << t.ok << "\" and \"" << t.cancel << "\"";
}

// The English buttons keep the texts of the dialog template.
::testing::AssertionResult IsEnglish(const KavrostRun::Texts& t)
{
    if (t.prompt == String(IDS_PROMPT_EN) && !t.ok.empty() && t.ok != String(IDS_DELETE_DE) &&
        !t.cancel.empty() && t.cancel != String(IDS_CLOSE_DE))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected English texts, got prompt \"" << t.prompt
                                         << "\", buttons \"" << t.ok << "\" and \"" << t.cancel << "\"";
}

// What the screen shows in a row of the list: a name (some ink on white), or nothing
// (white). An area that was never painted is neither.
::testing::AssertionResult RowShowsAName(HWND hList, int nRow)
{
    double ink = InkInListRow(hList, nRow);
    if (ink > 0.005 && ink < 0.4)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "row " << nRow << " of the list on the screen: " << ink * 100
                                         << "% dark pixels, not a name";
}

::testing::AssertionResult RowShowsNothing(HWND hList, int nRow)
{
    double ink = InkInListRow(hList, nRow);
    if (ink == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "row " << nRow << " of the list on the screen: " << ink * 100
                                         << "% dark pixels, not an empty row";
}

// ---- product missing ----

using ProductMissing = KavrostRun;

TEST_F(ProductMissing, OneBoxThenTheProcessEnds)
{
    Start();
    HWND hBox = WaitForWindowTitled("Kavrost");
    ASSERT_NE(hBox, (HWND)NULL) << "no window captioned Kavrost appeared";
    Sleep(500);   // nothing else may come up meanwhile

    std::vector<HWND> windows = m_program.VisibleWindows();
    ASSERT_EQ(1u, windows.size()) << "expected exactly one window of the program";
    EXPECT_EQ(hBox, windows[0]);
    EXPECT_EQ(nullptr, GetDlgItem(hBox, IDC_USER_LIST)) << "the main dialog is showing";

    std::vector<std::string> texts;
    for (HWND h : ChildrenOf(hBox, "Static"))
        if (!TextOf(h).empty())
            texts.push_back(TextOf(h));
    EXPECT_EQ(std::vector<std::string>{"No zell found!"}, texts);
    std::vector<HWND> buttons = ChildrenOf(hBox, "Button");
    ASSERT_EQ(1u, buttons.size()) << "the box should have only an OK button";

    PostMessageA(hBox, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(buttons[0]));
    DWORD dwExit = 1;
    ASSERT_TRUE(WaitForExit(&dwExit)) << "the program did not end after OK";
    EXPECT_EQ(0u, dwExit);

    // Reading the settings created their keys.
    EXPECT_EQ("Tessaline", ScratchRegistry::KeyClass(kSettingsKey));
    EXPECT_EQ("Tessaline", ScratchRegistry::KeyClass(kDirectoriesKey));
}

TEST_F(ProductMissing, MessageStaysEnglishInAGermanRun)
{
    SetResourceDll("LangDE.dll");
    Start();
    HWND hBox = WaitForWindowTitled("Kavrost");
    ASSERT_NE(hBox, (HWND)NULL);
    bool bFound = false;
    for (HWND h : ChildrenOf(hBox, "Static"))
        bFound = bFound || TextOf(h) == "No zell found!";
    EXPECT_TRUE(bFound);
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    DWORD dwExit;
    EXPECT_TRUE(WaitForExit(&dwExit));
}

// ---- language ----

using LanguageSetting = KavrostRun;

TEST_F(LanguageSetting, AnyOtherValueGivesEnglishWhateverTheLocale)
{
    InstallProduct();
    for (const char* pszValue : {"LangEN.dll", "C:\\zell\\LangDE.dll", "LangDE.dll "}) {
        SCOPED_TRACE(pszValue);
        SetResourceDll(pszValue);
        EXPECT_TRUE(IsEnglish(RunAndReadTexts()));
    }
}

// The setting in any letter case is the language choice's unit test; here, that the
// running dialog shows the language it chose, and the About box stays English.
TEST_F(LanguageSetting, LangDEGivesAGermanDialogWithAnEnglishAboutBox)
{
    InstallProduct();
    SetResourceDll("LangDE.dll");
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(IsGerman(ReadTexts(hDlg)));
    PostMessageA(hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hAbout = WaitForWindowTitled("About Kavrost");
    ASSERT_NE(hAbout, (HWND)NULL);
    EXPECT_EQ("OK", TextOf(GetDlgItem(hAbout, IDOK)));
    PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hAbout) || !IsWindowVisible(hAbout); }));
    PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD dwExit;
    EXPECT_TRUE(WaitForExit(&dwExit));
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
        Texts texts = RunAndReadTexts();
        if (g_strAbsentLanguage == "de")
            EXPECT_TRUE(IsGerman(texts));
        else
            EXPECT_TRUE(IsEnglish(texts));
    }
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
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    std::vector<std::string> expected = {"_shared", "anna", "Bert", "zed"};
    EXPECT_EQ(expected, m_program.ListItems());
    HWND hList = m_program.UserList();
    WaitUntil([&] { return static_cast<bool>(RowShowsAName(hList, 0)); }, 5000);
    EXPECT_TRUE(RowShowsAName(hList, 0)) << "the names are not drawn";
}

TEST_F(UserList, EmptyWithoutUserFolders)
{
    ASSERT_TRUE(SetProductFolders(m_install.Path(), ""));
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(m_program.ListItems().empty());
}

// ---- the About box ----

using AboutBox = KavrostRun;

TEST_F(AboutBox, OpensFromTheSystemMenuAndClosesEveryWay)
{
    InstallProduct({"anna"});
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);

    struct Way { const char* name; UINT nCommand; std::function<void(HWND)> close; };
    std::vector<Way> ways = {
        {"OK button", IDM_ABOUTBOX, [](HWND h) { PostMessageA(GetDlgItem(h, IDOK), BM_CLICK, 0, 0); }},
        {"Escape", IDM_ABOUTBOX | 0x3, [](HWND h) { PostMessageA(GetDlgItem(h, IDOK), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"Enter", IDM_ABOUTBOX | 0xF, [](HWND h) { PostMessageA(GetDlgItem(h, IDOK), WM_KEYDOWN, VK_RETURN, 1); }},
        {"close box", IDM_ABOUTBOX, [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    HWND hPrevious = NULL;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        PostMessageA(hDlg, WM_SYSCOMMAND, way.nCommand, 0);
        HWND hAbout = WaitForWindowTitled("About Kavrost");
        ASSERT_NE(hAbout, (HWND)NULL) << "no About box for command " << way.nCommand;
        EXPECT_NE(hPrevious, hAbout) << "expected a fresh box";
        EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the main dialog takes input while the box is open";

        way.close(hAbout);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hAbout); })) << "the box did not close";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(hDlg) != FALSE; }));
        EXPECT_EQ(1u, m_program.VisibleWindows().size());
        hPrevious = hAbout;
    }
    // Other system commands keep their usual meaning.
    PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD dwExit;
    EXPECT_TRUE(WaitForExit(&dwExit));
}

// ---- ending the program ----

using Close = KavrostRun;

TEST_F(Close, EveryWayEndsTheProcess)
{
    InstallProduct({"anna"});
    struct Way { const char* name; std::function<void(HWND)> close; };
    std::vector<Way> ways = {
        {"Close button", [](HWND h) { PostMessageA(GetDlgItem(h, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Escape", [](HWND h) { PostMessageA(GetDlgItem(h, IDC_USER_LIST), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"close box", [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Start();
        HWND hDlg = WaitForMainDialog();
        ASSERT_NE(hDlg, (HWND)NULL);
        way.close(hDlg);
        DWORD dwExit = 1;
        ASSERT_TRUE(WaitForExit(&dwExit)) << "the program is still running";
        EXPECT_EQ(0u, dwExit);
    }
}

// ---- the Delete command ----

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

    bool UserStored(const std::string& name, std::string* pWhy) const
    {
        bool bUser = m_install.Exists("User\\" + name);
        bool bAgency = m_install.Exists("Agency\\USER_SPC\\" + name);
        bool bKey = UserKeyExists(name);
        *pWhy = std::string("user folder ") + (bUser ? "present" : "gone") + ", agency folder " +
                (bAgency ? "present" : "gone") + ", key " + (bKey ? "present" : "gone");
        return bUser && bAgency && bKey;
    }

    ::testing::AssertionResult Stored(const std::string& name) const
    {
        std::string why;
        if (UserStored(name, &why))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << name << ": " << why;
    }

    ::testing::AssertionResult Gone(const std::string& name) const
    {
        std::string why;
        UserStored(name, &why);
        if (why == "user folder gone, agency folder gone, key gone")
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << name << ": " << why;
    }

    // Selects a user in the list (unless NULL) and presses Delete!.
    void PressDelete(const char* pszUser)
    {
        ASSERT_TRUE(m_program.PressDelete(pszUser)) << pszUser << " is not listed";
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
};

TEST_F(DeleteCommand, NothingSelectedShowsNoBox)
{
    InstallWithUsers();
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete(NULL);
    EXPECT_EQ((HWND)NULL, WaitForBox(1500));
    EXPECT_TRUE(IsWindowEnabled(hDlg));
    EXPECT_TRUE(Stored("anna"));
    EXPECT_EQ(3u, m_program.ListItems().size());
}

TEST_F(DeleteCommand, NoChangesNothing)
{
    InstallWithUsers();
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete("anna");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL) << "no warning appeared";
    EXPECT_EQ(String(IDS_CONFIRM_EN), BoxText(hBox));
    EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the warning must be owned by the dialog";
    ASSERT_NE((HWND)NULL, GetDlgItem(hBox, IDYES));
    ASSERT_NE((HWND)NULL, GetDlgItem(hBox, IDNO));
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetDlgItem(hBox, IDYES), GWL_STYLE) & 0x0F)
        << "Yes is the default button";
    EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(GetDlgItem(hBox, IDNO), GWL_STYLE) & 0x0F);
    Answer(hBox, IDNO);
    Sleep(300);
    EXPECT_TRUE(Stored("anna"));
    EXPECT_EQ((std::vector<std::string>{"_guest", "anna", "bob"}),
              m_program.ListItems());
    EXPECT_TRUE(IsWindowEnabled(hDlg));
}

TEST_F(DeleteCommand, YesRemovesTheUserAndListsTheRest)
{
    InstallWithUsers();
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete("anna");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);
    HWND hList = GetDlgItem(hDlg, IDC_USER_LIST);
    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"_guest", "bob"}), m_program.ListItems());
    EXPECT_EQ(LB_ERR, SendMessageW(hList, LB_GETCURSEL, 0, 0)) << "no selection after the rebuild";
    EXPECT_TRUE(Gone("anna"));
    EXPECT_TRUE(Stored("_guest"));
    EXPECT_TRUE(Stored("bob"));
    EXPECT_EQ((HWND)NULL, WaitForBox(500)) << "a complete removal shows no box";

    // The rebuilt list is drawn: the row of the last name is empty now.
    WaitUntil([&] { return RowShowsAName(hList, 0) && RowShowsNothing(hList, 2); }, 5000);
    EXPECT_TRUE(RowShowsAName(hList, 0)) << "the list is not drawn after Delete!";
    EXPECT_TRUE(RowShowsNothing(hList, 2)) << "the list is not drawn after Delete!";

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
    EXPECT_TRUE(Gone("_guest"));
    EXPECT_TRUE(Stored("bob"));
    EXPECT_TRUE(IsWindow(hDlg));
}

TEST_F(DeleteCommand, NamesOutsideTheCodePageAreListedExactlyAndRemovedAlone)
{
    // The ANSI calls list "\u0141ukasz" as "Lukasz", which names another user.
    const std::string lukasz = "\xC5\x81ukasz", nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    InstallWithUsers({ lukasz, "lukasz", nihon });
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    std::vector<std::string> listed = m_program.ListItems();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ((std::vector<std::string>{ "lukasz", lukasz, nihon }), listed);

    for (const std::string& name : { lukasz, nihon }) {
        PressDelete(name.c_str());
        HWND hBox = WaitForBox();
        ASSERT_NE(hBox, (HWND)NULL);
        Answer(hBox, IDYES);
        WaitUntil([&] { return static_cast<bool>(Gone(name)); });
        EXPECT_TRUE(Gone(name));
    }
    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 1; }));
    EXPECT_EQ((std::vector<std::string>{ "lukasz" }), m_program.ListItems());
    EXPECT_TRUE(Stored("lukasz"));
}

TEST_F(DeleteCommand, ALargeRemovalKeepsTheWindowAnsweringAndHoldsClose)
{
    InstallWithUsers();
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 100; ++file)
            m_install.MakeFile("User\\anna\\f" + std::to_string(folder) + "\\" +
                               std::to_string(file) + ".dat");
    HWND hDlg = DeleteConfirmed("anna");
    ASSERT_NE(hDlg, (HWND)NULL);

    // While the files go, the dialog is disabled and answers at once.
    DWORD dwLongest = 0;
    int nPings = 0;
    bool bClosePosted = false;
    while (!IsWindowEnabled(hDlg) && IsWindow(hDlg)) {
        DWORD dwStart = GetTickCount();
        DWORD_PTR result;
        ASSERT_NE(0, SendMessageTimeoutW(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result))
            << "the dialog did not answer within 2 s";
        dwLongest = std::max(dwLongest, GetTickCount() - dwStart);
        EXPECT_TRUE(IsWindowVisible(hDlg)) << "closed during the removal";
        if (++nPings == 1) {
            PostMessageA(hDlg, WM_CLOSE, 0, 0);   // held until the removal has ended
            bClosePosted = true;
        }
        Sleep(50);
    }
    ASSERT_TRUE(bClosePosted) << "the removal ended before it could be observed; give it more files";
    EXPECT_LE(dwLongest, 250u) << "longest wait for an answer";
    DWORD dwExit;
    EXPECT_TRUE(WaitForExit(&dwExit)) << "the held close did not end the program";
    EXPECT_TRUE(Gone("anna")) << "the close must not cut the removal short";
    EXPECT_TRUE(Stored("bob"));
}

TEST_F(DeleteCommand, AnIncompleteRemovalIsReported)
{
    InstallWithUsers();
    std::string locked = m_install.MakeFile("User\\anna\\rooms\\locked.dat");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    HWND hDlg = DeleteConfirmed("anna");
    ASSERT_NE(hDlg, (HWND)NULL);
    HWND hNotice = WaitForBox();
    ASSERT_NE(hNotice, (HWND)NULL) << "no notice of what is left";
    EXPECT_EQ(String(IDS_INCOMPLETE_EN), BoxText(hNotice));
    EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the notice is owned by the dialog";
    EXPECT_NE((HWND)NULL, GetDlgItem(hNotice, IDOK));
    EXPECT_EQ((HWND)NULL, GetDlgItem(hNotice, IDCANCEL));
    Answer(hNotice, IDOK);
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob" }),
              m_program.ListItems());
    EXPECT_TRUE(m_install.Exists("User\\anna\\rooms\\locked.dat"));
    EXPECT_FALSE(m_install.Exists("User\\anna\\rooms\\r1"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DeleteCommand, ARelativeInstallFolderRemovesNothingAndIsReportedInGerman)
{
    InstallWithUsers();
    SetResourceDll("LangDE.dll");
    ASSERT_TRUE(SetProductFolders(".\\", ""));
    ASSERT_NE(DeleteConfirmed("anna", m_install.Path().c_str()), (HWND)NULL);
    HWND hNotice = WaitForBox();
    ASSERT_NE(hNotice, (HWND)NULL) << "no notice of what is left";
    EXPECT_EQ(String(IDS_INCOMPLETE_DE), BoxText(hNotice));
    Answer(hNotice, IDOK);
    EXPECT_TRUE(Stored("anna")) << "neither folder nor key may go";
}

TEST_F(DeleteCommand, GermanWarningIsText106)
{
    InstallWithUsers();
    SetResourceDll("LangDE.dll");
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete("bob");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    EXPECT_EQ(String(IDS_CONFIRM_DE), BoxText(hBox));
    EXPECT_EQ("Kavrost", TextOf(hBox));
    Answer(hBox, IDNO);
    EXPECT_TRUE(Stored("bob"));
}

TEST_F(DeleteCommand, MissingUserKeyIsReportedAndTheListRebuilt)
{
    InstallWithUsers();
    SHDeleteKeyA(HKEY_CURRENT_USER, KAVROST_USERS_KEY);
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete("bob");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);

    HWND hReport = WaitForBox();
    ASSERT_NE(hReport, (HWND)NULL) << "no report of the missing key";
    EXPECT_EQ("Couldn't open reg key!", BoxText(hReport));
    EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the report is owned by the dialog";
    Answer(hReport, IDOK);

    EXPECT_TRUE(WaitUntil([&] { return m_program.ListItems().size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"_guest", "anna"}), m_program.ListItems());
    EXPECT_FALSE(m_install.Exists("User\\bob"));
    EXPECT_FALSE(m_install.Exists("Agency\\USER_SPC\\bob"));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (int nRefused = CheckPrefix("e2e_driver"))
        return nRefused;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--kavrost=", 0) == 0) {
            g_strKavrost = arg.substr(10);
            if (!g_strKavrost.empty() && g_strKavrost[0] == '/') {
                std::replace(g_strKavrost.begin(), g_strKavrost.end(), '/', '\\');
                g_strKavrost = "Z:" + g_strKavrost;
            }
        } else if (arg.rfind("--absent-language=", 0) == 0) {
            g_strAbsentLanguage = arg.substr(18);
        }
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
