// End-to-end tests: start Kavrost.exe in the build tree's Wine prefix, find its
// windows by process id, operate them with window messages and check what they
// show, the registry and how the process ends.
//
//   e2e_driver --kavrost=<path of Kavrost.exe> [--absent-language=de|en] [gtest flags]
//
// The driver runs only under Wine. It seeds HKCU\Software\dabro of the prefix,
// so it keeps whatever stood there before aside and puts it back at the end.
#include "support/Scratch.h"

#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const int kSkipCode = 77;              // ctest's SKIP_RETURN_CODE
const DWORD kTimeoutMs = 20000;
const int kIdPrompt = 1001;
const int kIdUserList = 1000;

const char kMakerKey[] = "Software\\dabro";
const char kBackupKey[] = "Software\\KavrostE2EBackup";
const char kSettingsKey[] = "Software\\dabro\\Tessaline\\1.0\\Settings";
const char kDirectoriesKey[] = "Software\\dabro\\Tessaline\\1.0\\Directories";

std::string g_strKavrost;              // Windows path of the program under test
std::string g_strAbsentLanguage = "en";

// ---- registry: the prefix's own maker key is kept aside during the run ----

typedef LONG (WINAPI *RegCopyTreeAProc)(HKEY, LPCSTR, HKEY);

bool KeyExists(const char* pszKey)
{
    return ScratchRegistry::KeyExists(pszKey);
}

bool CopyTree(const char* pszFrom, const char* pszTo)
{
    RegCopyTreeAProc pCopy = reinterpret_cast<RegCopyTreeAProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegCopyTreeA")));
    HKEY hFrom, hTo;
    if (pCopy == NULL || RegOpenKeyExA(HKEY_CURRENT_USER, pszFrom, 0, KEY_READ, &hFrom) != ERROR_SUCCESS)
        return false;
    bool bOk = false;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pszTo, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hTo, NULL) == ERROR_SUCCESS) {
        bOk = pCopy(hFrom, NULL, hTo) == ERROR_SUCCESS;
        RegCloseKey(hTo);
    }
    RegCloseKey(hFrom);
    return bOk;
}

// Puts a maker key kept aside by an earlier, interrupted run back in place.
void RestoreMakerKey()
{
    if (!KeyExists(kBackupKey))
        return;
    SHDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
    if (CopyTree(kBackupKey, kMakerKey))
        SHDeleteKeyA(HKEY_CURRENT_USER, kBackupKey);
}

class PrefixGuard : public ::testing::Environment
{
public:
    void SetUp() override
    {
        RestoreMakerKey();
        if (KeyExists(kMakerKey)) {
            ASSERT_TRUE(CopyTree(kMakerKey, kBackupKey)) << "cannot keep HKCU\\" << kMakerKey << " aside";
        }
    }
    void TearDown() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
        RestoreMakerKey();
    }
};

// ---- windows of another process ----

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(1252, 0, text.c_str(), static_cast<int>(text.size()), NULL, 0, NULL, NULL);
    std::string result(n, '\0');
    WideCharToMultiByte(1252, 0, text.c_str(), static_cast<int>(text.size()), &result[0], n, NULL, NULL);
    return result;
}

// A window's text as bytes of code page 1252, the program's ANSI code page here.
std::string TextOf(HWND hWnd)
{
    wchar_t sz[512] = L"";
    GetWindowTextW(hWnd, sz, 512);
    return Narrow(sz);
}

std::string ClassOf(HWND hWnd)
{
    char sz[128] = "";
    GetClassNameA(hWnd, sz, sizeof(sz));
    return sz;
}

struct WindowSearch
{
    DWORD dwProcessId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND hWnd, LPARAM lParam)
{
    WindowSearch* pSearch = reinterpret_cast<WindowSearch*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId == pSearch->dwProcessId && IsWindowVisible(hWnd))
        pSearch->found.push_back(hWnd);
    return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD dwProcessId)
{
    WindowSearch search{dwProcessId, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChildrenOf(HWND hParent, const char* pszClass)
{
    std::vector<HWND> found;
    for (HWND h = GetWindow(hParent, GW_CHILD); h != NULL; h = GetWindow(h, GW_HWNDNEXT))
        if (lstrcmpiA(ClassOf(h).c_str(), pszClass) == 0)
            found.push_back(h);
    return found;
}

// The list's items in UTF-8.
std::vector<std::string> ListItems(HWND hList)
{
    std::vector<std::string> items;
    int nCount = static_cast<int>(SendMessageW(hList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i) {
        // Across processes only the wide message carries the text back intact.
        int nLength = static_cast<int>(SendMessageW(hList, LB_GETTEXTLEN, i, 0));
        std::wstring text(std::max(nLength, 0) + 1, L'\0');
        SendMessageW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(lstrlenW(text.c_str()));
        items.push_back(Utf8(text.c_str()));   // exact, also outside the ANSI code page
    }
    return items;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeout = kTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - dwStart > dwTimeout)
            return false;
        Sleep(50);
    }
}

std::string UnixToWindowsPath(std::string path)
{
    if (path.size() > 1 && path[1] == ':')
        return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

// ---- one run of the program ----

class KavrostRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
        ZeroMemory(&m_pi, sizeof(m_pi));
    }

    void TearDown() override
    {
        if (m_pi.hProcess != NULL) {
            if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(m_pi.hProcess, 99);
                WaitForSingleObject(m_pi.hProcess, kTimeoutMs);
            }
            CloseHandle(m_pi.hProcess);
            CloseHandle(m_pi.hThread);
        }
        SHDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
    }

    // The product installed in the scratch folder, with the user folders given.
    void InstallProduct(const std::vector<std::string>& users = {})
    {
        ScratchRegistry::SetString(kDirectoriesKey, "PathName", m_install.Path().c_str());
        m_install.MakeDir("User");
        for (const std::string& user : users)
            m_install.MakeDir("User\\" + user);
    }

    void SetResourceDll(const char* pszValue)
    {
        ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", pszValue);
    }

    // Starts the program, in the given current folder or in this process's.
    void Start(const char* pszCurrentFolder = NULL)
    {
        STARTUPINFOA si;
        ZeroMemory(&si, sizeof(si));
        si.cb = sizeof(si);
        std::string strCommand = "\"" + g_strKavrost + "\"";
        ASSERT_TRUE(CreateProcessA(g_strKavrost.c_str(), &strCommand[0], NULL, NULL, FALSE, 0, NULL,
                                   pszCurrentFolder, &si, &m_pi))
            << "cannot start " << g_strKavrost << ", error " << GetLastError();
    }

    // The main dialog: the program's window that holds the user list.
    HWND WaitForMainDialog()
    {
        HWND hFound = NULL;
        WaitUntil([&] {
            for (HWND h : VisibleWindowsOf(m_pi.dwProcessId))
                if (GetDlgItem(h, kIdUserList) != NULL)
                    hFound = h;
            return hFound != NULL;
        });
        return hFound;
    }

    HWND WaitForWindowTitled(const char* pszCaption)
    {
        HWND hFound = NULL;
        WaitUntil([&] {
            for (HWND h : VisibleWindowsOf(m_pi.dwProcessId))
                if (TextOf(h) == pszCaption)
                    hFound = h;
            return hFound != NULL;
        });
        return hFound;
    }

    // TRUE when the process ended in time; *pdwExitCode gets its code.
    bool WaitForExit(DWORD* pdwExitCode)
    {
        if (WaitForSingleObject(m_pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
            return false;
        GetExitCodeProcess(m_pi.hProcess, pdwExitCode);
        return true;
    }

public:
    struct Texts { std::string prompt, ok, cancel; };

protected:
    Texts ReadTexts(HWND hDlg)
    {
        return Texts{TextOf(GetDlgItem(hDlg, kIdPrompt)), TextOf(GetDlgItem(hDlg, IDOK)),
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
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
        ZeroMemory(&m_pi, sizeof(m_pi));
        return texts;
    }

    ScratchFolder m_install;
    PROCESS_INFORMATION m_pi;
};

const char kPromptEn[] = "Select a local user to delete:";
const char kPromptDe[] = "User zum L\xF6schen ausw\xE4hlen:";
const char kDeleteDe[] = "L\xF6schen!";

::testing::AssertionResult IsEnglish(const KavrostRun::Texts& t)
{
    if (t.prompt == kPromptEn && t.ok == "Delete!" && t.cancel == "Close")
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected English texts, got prompt \"" << t.prompt
                                         << "\", buttons \"" << t.ok << "\" and \"" << t.cancel << "\"";
}

::testing::AssertionResult IsGerman(const KavrostRun::Texts& t)
{
    if (t.prompt == kPromptDe && t.ok == kDeleteDe && t.cancel == "Schliessen")
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected German texts, got prompt \"" << t.prompt
                                         << "\", buttons \"" << t.ok << "\" and \"" << t.cancel << "\"";
}

// ---- product missing ----

using ProductMissing = KavrostRun;

TEST_F(ProductMissing, OneBoxThenTheProcessEnds)
{
    Start();
    HWND hBox = WaitForWindowTitled("Kavrost");
    ASSERT_NE(hBox, (HWND)NULL) << "no window captioned Kavrost appeared";
    Sleep(500);   // nothing else may come up meanwhile

    std::vector<HWND> windows = VisibleWindowsOf(m_pi.dwProcessId);
    ASSERT_EQ(1u, windows.size()) << "expected exactly one window of the program";
    EXPECT_EQ(hBox, windows[0]);
    EXPECT_EQ(nullptr, GetDlgItem(hBox, kIdUserList)) << "the main dialog is showing";

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

TEST_F(LanguageSetting, LangDEInAnyLetterCaseGivesGerman)
{
    InstallProduct();
    for (const char* pszValue : {"LangDE.dll", "LANGDE.DLL", "langde.dll"}) {
        SCOPED_TRACE(pszValue);
        SetResourceDll(pszValue);
        EXPECT_TRUE(IsGerman(RunAndReadTexts()));
    }
}

TEST_F(LanguageSetting, AnyOtherValueGivesEnglishWhateverTheLocale)
{
    InstallProduct();
    for (const char* pszValue : {"LangEN.dll", "C:\\zell\\LangDE.dll", "LangDE.dll "}) {
        SCOPED_TRACE(pszValue);
        SetResourceDll(pszValue);
        EXPECT_TRUE(IsEnglish(RunAndReadTexts()));
    }
}

TEST_F(LanguageSetting, AboutBoxStaysEnglishInAGermanRun)
{
    InstallProduct();
    SetResourceDll("LangDE.dll");
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PostMessageA(hDlg, WM_SYSCOMMAND, 0x10, 0);
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
    EXPECT_EQ(expected, ListItems(GetDlgItem(hDlg, kIdUserList)));
}

TEST_F(UserList, EmptyWithoutUserFolders)
{
    ScratchRegistry::SetString(kDirectoriesKey, "PathName", m_install.Path().c_str());
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    EXPECT_TRUE(ListItems(GetDlgItem(hDlg, kIdUserList)).empty());
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
        {"OK button", 0x10, [](HWND h) { PostMessageA(GetDlgItem(h, IDOK), BM_CLICK, 0, 0); }},
        {"Escape", 0x13, [](HWND h) { PostMessageA(GetDlgItem(h, IDOK), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"Enter", 0x1F, [](HWND h) { PostMessageA(GetDlgItem(h, IDOK), WM_KEYDOWN, VK_RETURN, 1); }},
        {"close box", 0x10, [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    HWND hPrevious = NULL;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        PostMessageA(hDlg, WM_SYSCOMMAND, way.nCommand, 0);
        HWND hAbout = WaitForWindowTitled("About Kavrost");
        ASSERT_NE(hAbout, (HWND)NULL) << "no About box for command " << way.nCommand;
        EXPECT_NE(hPrevious, hAbout) << "expected a fresh box";
        EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the main dialog takes input while the box is open";
        bool bVersion = false;
        for (HWND h : ChildrenOf(hAbout, "Static"))
            bVersion = bVersion || TextOf(h) == "Kavrost Version 1.0";
        EXPECT_TRUE(bVersion);

        way.close(hAbout);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hAbout); })) << "the box did not close";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(hDlg) != FALSE; }));
        EXPECT_EQ(1u, VisibleWindowsOf(m_pi.dwProcessId).size());
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
        {"Escape", [](HWND h) { PostMessageA(GetDlgItem(h, kIdUserList), WM_KEYDOWN, VK_ESCAPE, 1); }},
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
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
        ZeroMemory(&m_pi, sizeof(m_pi));
    }
}

// ---- the Delete command ----

const char kUserKey[] = "Software\\dabro\\User";
const char kConfirmEn[] =
    "CAUTION: You are about to delete a local user - including all rooms owned by this user.\n"
    "Are you sure?";
const char kIncompleteEn[] =
    "Not everything of this user could be deleted.\nFiles in use, read-only files and links may "
    "remain.";
const char kIncompleteDe[] =
    "Nicht alles von diesem User konnte gel\xF6scht werden.\nDateien in Gebrauch, "
    "schreibgesch\xFCtzte Dateien und Verkn\xFCpfungen k\xF6nnen \xFC" "brig bleiben.";
const char kConfirmDe[] =
    "VORSICHT: Sie werden die lokalen Daten eines Users l\xF6schen. Alle R\xE4ume dieser Person "
    "werden mitgel\xF6scht.\nM\xF6\x63hten Sie das wirklich tun?";

class DeleteCommand : public KavrostRun
{
protected:
    // The users (UTF-8 names), each with two folders and a registry key.
    void InstallWithUsers(const std::vector<std::string>& users = { "anna", "_guest", "bob" })
    {
        InstallProduct({});
        m_strAgency = m_install.MakeDir("Agency");
        ScratchRegistry::SetString(kDirectoriesKey, "Agency", m_strAgency.c_str());
        for (const std::string& user : users) {
            m_install.MakeFile("User\\" + user + "\\rooms\\r1\\room.dat");
            m_install.MakeFile("Agency\\USER_SPC\\" + user + "\\a.bin");
            ScratchRegistry::SetString((std::string(kUserKey) + "\\" + user + "\\Rooms").c_str(),
                                       "Title", "x");
        }
    }

    bool UserStored(const std::string& name, std::string* pWhy) const
    {
        bool bUser = m_install.Exists("User\\" + name);
        bool bAgency = m_install.Exists("Agency\\USER_SPC\\" + name);
        bool bKey = ScratchRegistry::KeyExists((std::string(kUserKey) + "\\" + name).c_str());
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

    // Selects a user in the list and presses Delete!; the warning is posted, not sent.
    void PressDelete(HWND hDlg, const char* pszUser)
    {
        HWND hList = GetDlgItem(hDlg, kIdUserList);
        if (pszUser != NULL) {
            std::vector<std::string> items = ListItems(hList);
            auto it = std::find(items.begin(), items.end(), pszUser);
            ASSERT_NE(items.end(), it) << pszUser << " is not listed";
            SendMessageW(hList, LB_SETCURSEL, static_cast<WPARAM>(it - items.begin()), 0);
        }
        PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDOK)));
    }

    // Starts the program (in the given current folder), selects the user, presses Delete!
    // and answers the warning with Yes. The main dialog, or NULL with a failure recorded.
    HWND DeleteConfirmed(const char* pszUser, const char* pszCurrentFolder = NULL)
    {
        Start(pszCurrentFolder);
        HWND hDlg = WaitForMainDialog();
        if (hDlg == NULL) {
            ADD_FAILURE() << "the main dialog did not appear";
            return NULL;
        }
        PressDelete(hDlg, pszUser);
        HWND hBox = WaitForBox();
        if (hBox == NULL) {
            ADD_FAILURE() << "no warning appeared";
            return NULL;
        }
        Answer(hBox, IDYES);
        return hDlg;
    }

    // A message box of the program: a window captioned Kavrost without the user list.
    HWND WaitForBox(DWORD dwTimeout = kTimeoutMs)
    {
        HWND hFound = NULL;
        WaitUntil([&] {
            for (HWND h : VisibleWindowsOf(m_pi.dwProcessId))
                if (TextOf(h) == "Kavrost" && GetDlgItem(h, kIdUserList) == NULL)
                    hFound = h;
            return hFound != NULL;
        }, dwTimeout);
        return hFound;
    }

    static std::string BoxText(HWND hBox)
    {
        std::string text;
        for (HWND h : ChildrenOf(hBox, "Static"))
            if (!TextOf(h).empty())
                text += TextOf(h);
        return text;
    }

    void Answer(HWND hBox, int nId)
    {
        PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hBox, nId)));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBox); })) << "the box did not close";
    }

    std::string m_strAgency;
};

TEST_F(DeleteCommand, NothingSelectedShowsNoBox)
{
    InstallWithUsers();
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete(hDlg, NULL);
    EXPECT_EQ((HWND)NULL, WaitForBox(1500));
    EXPECT_TRUE(IsWindowEnabled(hDlg));
    EXPECT_TRUE(Stored("anna"));
    EXPECT_EQ(3u, ListItems(GetDlgItem(hDlg, kIdUserList)).size());
}

TEST_F(DeleteCommand, NoChangesNothing)
{
    InstallWithUsers();
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete(hDlg, "anna");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL) << "no warning appeared";
    EXPECT_EQ(kConfirmEn, BoxText(hBox));
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
              ListItems(GetDlgItem(hDlg, kIdUserList)));
    EXPECT_TRUE(IsWindowEnabled(hDlg));
}

TEST_F(DeleteCommand, YesRemovesTheUserAndListsTheRest)
{
    InstallWithUsers();
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete(hDlg, "anna");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);
    HWND hList = GetDlgItem(hDlg, kIdUserList);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(hList).size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"_guest", "bob"}), ListItems(hList));
    EXPECT_EQ(LB_ERR, SendMessageW(hList, LB_GETCURSEL, 0, 0)) << "no selection after the rebuild";
    EXPECT_TRUE(Gone("anna"));
    EXPECT_TRUE(Stored("_guest"));
    EXPECT_TRUE(Stored("bob"));
    EXPECT_EQ((HWND)NULL, WaitForBox(500)) << "a complete removal shows no box";

    // A '_' user goes the same way; the dialog stays open throughout.
    PressDelete(hDlg, "_guest");
    hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(hList).size() == 1; }));
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
    HWND hList = GetDlgItem(hDlg, kIdUserList);
    std::vector<std::string> listed = ListItems(hList);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ((std::vector<std::string>{ "lukasz", lukasz, nihon }), listed);

    for (const std::string& name : { lukasz, nihon }) {
        PressDelete(hDlg, name.c_str());
        HWND hBox = WaitForBox();
        ASSERT_NE(hBox, (HWND)NULL);
        Answer(hBox, IDYES);
        WaitUntil([&] { return static_cast<bool>(Gone(name)); });
        EXPECT_TRUE(Gone(name));
    }
    EXPECT_TRUE(WaitUntil([&] { return ListItems(hList).size() == 1; }));
    EXPECT_EQ((std::vector<std::string>{ "lukasz" }), ListItems(hList));
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
    EXPECT_EQ(kIncompleteEn, BoxText(hNotice));
    EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the notice is owned by the dialog";
    EXPECT_NE((HWND)NULL, GetDlgItem(hNotice, IDOK));
    EXPECT_EQ((HWND)NULL, GetDlgItem(hNotice, IDCANCEL));
    Answer(hNotice, IDOK);
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob" }),
              ListItems(GetDlgItem(hDlg, kIdUserList)));
    EXPECT_TRUE(m_install.Exists("User\\anna\\rooms\\locked.dat"));
    EXPECT_FALSE(m_install.Exists("User\\anna\\rooms\\r1"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DeleteCommand, ARelativeInstallFolderRemovesNothingAndIsReportedInGerman)
{
    InstallWithUsers();
    SetResourceDll("LangDE.dll");
    ScratchRegistry::SetString(kDirectoriesKey, "PathName", ".\\");
    ASSERT_NE(DeleteConfirmed("anna", m_install.Path().c_str()), (HWND)NULL);
    HWND hNotice = WaitForBox();
    ASSERT_NE(hNotice, (HWND)NULL) << "no notice of what is left";
    EXPECT_EQ(kIncompleteDe, BoxText(hNotice));
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
    PressDelete(hDlg, "bob");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    EXPECT_EQ(kConfirmDe, BoxText(hBox));
    EXPECT_EQ("Kavrost", TextOf(hBox));
    Answer(hBox, IDNO);
    EXPECT_TRUE(Stored("bob"));
}

TEST_F(DeleteCommand, MissingUserKeyIsReportedAndTheListRebuilt)
{
    InstallWithUsers();
    SHDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
    Start();
    HWND hDlg = WaitForMainDialog();
    ASSERT_NE(hDlg, (HWND)NULL);
    PressDelete(hDlg, "bob");
    HWND hBox = WaitForBox();
    ASSERT_NE(hBox, (HWND)NULL);
    Answer(hBox, IDYES);

    HWND hReport = WaitForBox();
    ASSERT_NE(hReport, (HWND)NULL) << "no report of the missing key";
    EXPECT_EQ("Couldn't open reg key!", BoxText(hReport));
    EXPECT_FALSE(IsWindowEnabled(hDlg)) << "the report is owned by the dialog";
    Answer(hReport, IDOK);

    HWND hList = GetDlgItem(hDlg, kIdUserList);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(hList).size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"_guest", "anna"}), ListItems(hList));
    EXPECT_FALSE(m_install.Exists("User\\bob"));
    EXPECT_FALSE(m_install.Exists("Agency\\USER_SPC\\bob"));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    if (hNtdll == NULL || GetProcAddress(hNtdll, "wine_get_version") == NULL) {
        fprintf(stderr, "e2e_driver: refusing to run outside Wine; it changes the registry it runs in\n");
        return 2;
    }
    const char* pszPrefix = getenv("WINEPREFIX");
    if (pszPrefix == NULL || strstr(pszPrefix, "wineprefix") == NULL) {
        fprintf(stderr, "e2e_driver: WINEPREFIX must name the build tree's own prefix\n");
        return 2;
    }
    if (getenv("DISPLAY") == NULL || *getenv("DISPLAY") == '\0') {
        fprintf(stderr, "e2e_driver: no display; run the tests under xvfb-run -a (skipped)\n");
        return kSkipCode;
    }
    // A session of the prefix that began without this display leaves its desktop
    // without one: no window can be made until that session has ended.
    HWND hProbe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    if (hProbe == NULL) {
        fprintf(stderr, "e2e_driver: cannot create a window: the prefix's wineserver session was started "
                        "without this display; let it end (wineserver -k or -w) and rerun\n");
        return 1;
    }
    DestroyWindow(hProbe);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--kavrost=", 0) == 0)
            g_strKavrost = UnixToWindowsPath(arg.substr(10));
        else if (arg.rfind("--absent-language=", 0) == 0)
            g_strAbsentLanguage = arg.substr(18);
    }
    if (g_strKavrost.empty()) {
        fprintf(stderr, "usage: e2e_driver --kavrost=<Kavrost.exe> [--absent-language=de|en]\n");
        return 2;
    }
    ::testing::AddGlobalTestEnvironment(new PrefixGuard);
    return RUN_ALL_TESTS();
}
