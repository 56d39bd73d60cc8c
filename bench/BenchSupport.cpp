#include "bench/BenchSupport.h"

#include <shlwapi.h>

#include <algorithm>
#include <stdio.h>

// ---- measuring ----

double Now()
{
    static LARGE_INTEGER s_frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(s_frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

bool WindowsCanAppear()
{
    HWND hProbe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    if (hProbe != NULL) {
        DestroyWindow(hProbe);
        return true;
    }
    fprintf(stderr, "cannot create a window: run under xvfb-run -a, and let a Wine session of the prefix "
                    "that began without this display end first (wineserver -w)\n");
    return false;
}

// ---- files ----

namespace {

std::string WithoutTrailingSeparator(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

// The host's name of a Windows path, or empty outside Wine.
std::string HostPathOf(const std::string& path)
{
    typedef char*(CDECL * PFN_UNIX_NAME)(LPCWSTR);
    PFN_UNIX_NAME pfnUnixName = reinterpret_cast<PFN_UNIX_NAME>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    WCHAR szWide[MAX_PATH];
    if (pfnUnixName == NULL || MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, szWide, MAX_PATH) == 0)
        return std::string();
    char* pszHost = pfnUnixName(szWide);
    if (pszHost == NULL)
        return std::string();
    std::string host = pszHost;
    HeapFree(GetProcessHeap(), 0, pszHost);
    return host;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    BOOL bOk = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &dwWritten, NULL);
    CloseHandle(h);
    return bOk && dwWritten == text.size();
}

std::string ReadTextFile(const std::string& path)
{
    std::string text;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    char buffer[64];
    DWORD dwRead = 0;
    if (ReadFile(h, buffer, sizeof(buffer), &dwRead, NULL))
        text.assign(buffer, dwRead);
    CloseHandle(h);
    return text;
}

// Runs a shell script on the host inside folder and waits up to two minutes for its end;
// TRUE when every command of it succeeded. Wine starts a host program given by its Z:
// path but gives no handle that tells its end, so the script leaves its exit status in a
// mark next to the folder. The script itself lies there too, outside the folder.
bool RunHostScript(const std::string& folder, const std::string& body)
{
    std::string base = WithoutTrailingSeparator(folder);
    std::string host = HostPathOf(base);
    if (host.empty())
        return false;
    std::string script = base + ".sh", mark = base + ".status";
    std::string text = "( set -e\ncd '" + host + "'\n" + body + "\n)\necho $? > '" + host +
                       ".status.new' && mv '" + host + ".status.new' '" + host + ".status'\n";
    if (!WriteTextFile(script, text))
        return false;
    std::string command = "Z:\\bin\\sh \"" + host + ".sh\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    bool bStarted = CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi) != 0;
    if (bStarted) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        for (int i = 0; i < 1200 && GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(100);
    }
    std::string status = ReadTextFile(mark);
    DeleteFileA(mark.c_str());
    DeleteFileA(script.c_str());
    return bStarted && status.compare(0, 1, "0") == 0 && (status.size() == 1 || status[1] == '\n');
}

} // namespace

bool MakeFile(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten;
    WriteFile(h, "bench", 5, &dwWritten, NULL);
    CloseHandle(h);
    return true;
}

bool FillFolder(const std::string& folder, int count)
{
    if (UnderWine())
        return RunHostScript(folder, "seq -f entry%06g.dat 0 " + std::to_string(count - 1) + " | xargs touch");
    char sz[64];
    for (int i = 0; i < count; ++i) {
        wsprintfA(sz, "\\entry%06d.dat", i);
        if (!MakeFile(WithoutTrailingSeparator(folder) + sz))
            return false;
    }
    return true;
}

bool FillTree(const std::string& root, int nTop, int nSub, int nFiles)
{
    int nFolders = nTop * nSub;
    if (UnderWine()) {
        std::string vars = " -v nsub=" + std::to_string(nSub) + " -v nfolders=" + std::to_string(nFolders);
        return RunHostScript(
            root,
            "seq 0 " + std::to_string(nFolders - 1) + " | awk" + vars +
                " '{ printf \"top%02d/sub%02d\\n\", int($1 / nsub), $1 % nsub }' | xargs mkdir -p\n"
                "seq 0 " + std::to_string(nFiles - 1) + " | awk" + vars +
                " '{ f = $1 % nfolders; printf \"top%02d/sub%02d/file%06d.dat\\n\", int(f / nsub), f % nsub, $1 }'"
                " | xargs touch");
    }
    std::string base = WithoutTrailingSeparator(root);
    char sz[64];
    for (int f = 0; f < nFolders; ++f) {
        wsprintfA(sz, "\\top%02d", f / nSub);
        CreateDirectoryA((base + sz).c_str(), NULL);
        wsprintfA(sz, "\\top%02d\\sub%02d", f / nSub, f % nSub);
        CreateDirectoryA((base + sz).c_str(), NULL);
    }
    for (int i = 0; i < nFiles; ++i) {
        int f = i % nFolders;
        wsprintfA(sz, "\\top%02d\\sub%02d\\file%06d.dat", f / nSub, f % nSub, i);
        if (!MakeFile(base + sz))
            return false;
    }
    return true;
}

bool MinimalWalk(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (lstrcmpA(fd.cFileName, ".") == 0 || lstrcmpA(fd.cFileName, "..") == 0)
                continue;
            std::string path = folder + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                MinimalWalk(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryA(folder.c_str()) != 0;
}

ScratchFolder::ScratchFolder(const char* pszTag) : m_bCreated(false)
{
    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    char szPath[MAX_PATH];
    wsprintfA(szPath, "%skavrost-%s-%lu\\", szTemp, pszTag, GetCurrentProcessId());
    m_strPath = szPath;
    // Process ids come round again: a folder of this name is left from a run that was cut
    // short, since no other living process has this id.
    if (GetFileAttributesA(m_strPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "removing %s, left by an interrupted run\n", m_strPath.c_str());
        MinimalWalk(WithoutTrailingSeparator(m_strPath));
    }
    m_bCreated = CreateDirectoryA(m_strPath.c_str(), NULL) != 0;
}

ScratchFolder::~ScratchFolder()
{
    if (m_bCreated)
        MinimalWalk(WithoutTrailingSeparator(m_strPath));
}

std::string ScratchFolder::MakeDirs(const std::string& relative) const
{
    std::string path = m_strPath;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos)
            end = relative.size();
        path += relative.substr(start, end - start) + "\\";
        CreateDirectoryA(path.c_str(), NULL);
        start = end + 1;
    }
    return path;
}

// ---- the product's settings ----

namespace {

const char kDirectories[] = "Software\\dabro\\Tessaline\\1.0\\Directories";
const char kUsers[] = "Software\\dabro\\User";
// Every key of the product's tree that a run may create, outermost first.
const char* const kProductKeys[] = {
    "Software\\dabro",
    "Software\\dabro\\Tessaline",
    "Software\\dabro\\Tessaline\\1.0",
    kDirectories,
    "Software\\dabro\\Tessaline\\1.0\\Settings",
    kUsers,
};

bool KeyExists(const std::string& key)
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool SetString(const std::string& key, const char* pszName, const std::string& value)
{
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &h, NULL) !=
        ERROR_SUCCESS)
        return false;
    LONG lResult = RegSetValueExA(h, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return lResult == ERROR_SUCCESS;
}

} // namespace

namespace {

// What a run has changed stays written here while it runs, so that the next run can undo
// a run that was cut short (killed, or ended with Ctrl+C).
const char kJournal[] = "Software\\KavrostBenchJournal";

void ReadValue(HKEY h, const char* pszName, bool* pbPresent, DWORD* pdwType, std::vector<BYTE>* pData)
{
    DWORD cb = 0;
    *pbPresent = false;
    pData->clear();
    if (RegQueryValueExA(h, pszName, NULL, pdwType, NULL, &cb) != ERROR_SUCCESS)
        return;
    pData->resize(cb);
    *pbPresent = RegQueryValueExA(h, pszName, NULL, pdwType, pData->empty() ? NULL : &(*pData)[0], &cb) ==
                 ERROR_SUCCESS;
    pData->resize(cb);
}

void WriteList(HKEY h, const char* pszName, const std::vector<std::string>& list)
{
    std::string data;
    for (const std::string& item : list)
        data += item + '\0';
    data += '\0';
    RegSetValueExA(h, pszName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

std::vector<std::string> ReadList(HKEY h, const char* pszName)
{
    std::vector<std::string> list;
    bool bPresent;
    DWORD dwType;
    std::vector<BYTE> data;
    ReadValue(h, pszName, &bPresent, &dwType, &data);
    if (!bPresent || dwType != REG_MULTI_SZ)
        return list;
    std::string text(data.begin(), data.end());
    for (size_t start = 0; start < text.size() && text[start] != '\0';) {
        size_t end = std::min(text.find('\0', start), text.size());
        list.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return list;
}

} // namespace

ScratchSettings::ScratchSettings(const std::string& install, const std::string& agency)
    : m_hLock(NULL), m_bReady(false)
{
    // One run at a time per prefix: the settings and the journal are the prefix's. A lock
    // left by a process that died is taken over (WAIT_ABANDONED), and its journal undone.
    HANDLE hLock = CreateMutexA(NULL, FALSE, "KavrostBenchSettings");
    DWORD dwWait = hLock != NULL ? WaitForSingleObject(hLock, 0) : WAIT_FAILED;
    if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_ABANDONED) {
        fprintf(stderr, "another benchmark is using the product's settings in this prefix\n");
        if (hLock != NULL)
            CloseHandle(hLock);
        return;
    }
    m_hLock = hLock;
    UndoInterruptedRun();
    for (const char* pszKey : kProductKeys)
        if (!KeyExists(pszKey))
            m_newKeys.push_back(pszKey);
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDirectories, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &h, NULL) !=
        ERROR_SUCCESS)
        return;
    for (const char* pszName : {"PathName", "Agency"}) {
        SavedValue saved = { pszName, false, REG_SZ, {} };
        ReadValue(h, pszName, &saved.bPresent, &saved.dwType, &saved.data);
        m_saved.push_back(saved);
    }
    RegCloseKey(h);
    if (WriteJournal())
        m_bReady = SetString(kDirectories, "PathName", install) && SetString(kDirectories, "Agency", agency);
}

ScratchSettings::~ScratchSettings()
{
    if (m_hLock == NULL)
        return;
    Undo();
    SHDeleteKeyA(HKEY_CURRENT_USER, kJournal);
    ReleaseMutex(m_hLock);
    CloseHandle(m_hLock);
}

void ScratchSettings::Undo()
{
    for (const std::string& key : m_userKeys)
        SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDirectories, 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
        for (const SavedValue& saved : m_saved) {
            if (saved.bPresent)
                RegSetValueExA(h, saved.pszName, 0, saved.dwType, saved.data.empty() ? NULL : &saved.data[0],
                               static_cast<DWORD>(saved.data.size()));
            else
                RegDeleteValueA(h, saved.pszName);
        }
        RegCloseKey(h);
    }
    // A key that is new to this run holds only what the run put there.
    for (const std::string& key : m_newKeys)
        SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

// The journal holds the two values as they were (an absent one is left out), the keys new
// to the run, the user keys it made, and last a mark that the rest is complete: no setting
// is changed before that mark is written. Later writes only replace the lists.
bool ScratchSettings::WriteJournal() const
{
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kJournal, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &h, NULL) != ERROR_SUCCESS)
        return false;
    for (const SavedValue& saved : m_saved)
        if (saved.bPresent)
            RegSetValueExA(h, saved.pszName, 0, saved.dwType, saved.data.empty() ? NULL : &saved.data[0],
                           static_cast<DWORD>(saved.data.size()));
    WriteList(h, "NewKeys", m_newKeys);
    WriteList(h, "UserKeys", m_userKeys);
    DWORD dwComplete = 1;
    LONG lResult = RegSetValueExA(h, "Complete", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwComplete),
                                  sizeof(dwComplete));
    RegCloseKey(h);
    return lResult == ERROR_SUCCESS;
}

void ScratchSettings::UndoInterruptedRun()
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kJournal, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return;
    bool bComplete;
    DWORD dwType;
    std::vector<BYTE> data;
    ReadValue(h, "Complete", &bComplete, &dwType, &data);
    if (bComplete) {
        for (const char* pszName : {"PathName", "Agency"}) {
            SavedValue saved = { pszName, false, REG_SZ, {} };
            ReadValue(h, pszName, &saved.bPresent, &saved.dwType, &saved.data);
            m_saved.push_back(saved);
        }
        m_newKeys = ReadList(h, "NewKeys");
        m_userKeys = ReadList(h, "UserKeys");
    }
    RegCloseKey(h);
    if (bComplete) {
        fprintf(stderr, "putting back the product's settings as they were before an interrupted run\n");
        Undo();
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, kJournal);
    m_saved.clear();
    m_newKeys.clear();
    m_userKeys.clear();
}

bool ScratchSettings::UserKeyExists(const std::string& name)
{
    return KeyExists(std::string(kUsers) + "\\" + name);
}

bool ScratchSettings::AddUserKey(const std::string& name)
{
    std::string key = std::string(kUsers) + "\\" + name;
    if (!m_bReady || name.empty() || KeyExists(key))
        return false;
    m_userKeys.push_back(key);
    return WriteJournal() && SetString(key + "\\Rooms", "Title", "bench");
}

// ---- the program ----

namespace {

struct WindowSearch
{
    DWORD dwProcessId;
    bool bBox;   // a message box rather than the main dialog
    HWND hFound;
};

BOOL CALLBACK FindWindowOf(HWND hWnd, LPARAM lParam)
{
    WindowSearch* pSearch = reinterpret_cast<WindowSearch*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId != pSearch->dwProcessId)
        return TRUE;
    bool bDialog = GetDlgItem(hWnd, KavrostProcess::kIdUserList) != NULL;
    if (pSearch->bBox) {
        WCHAR szCaption[32] = L"";
        GetWindowTextW(hWnd, szCaption, 32);
        if (bDialog || !IsWindowVisible(hWnd) || lstrcmpW(szCaption, L"Kavrost") != 0)
            return TRUE;
    } else if (!bDialog) {
        return TRUE;
    }
    pSearch->hFound = hWnd;
    return FALSE;
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

const DWORD kAnswerTimeoutMs = 30000;

} // namespace

KavrostProcess::KavrostProcess() : m_hDialog(NULL)
{
    ZeroMemory(&m_pi, sizeof(m_pi));
}

KavrostProcess::~KavrostProcess()
{
    Stop();
}

bool KavrostProcess::Start(const char* pszExe)
{
    std::string exe = pszExe;
    if (!exe.empty() && exe[0] == '/') {
        std::replace(exe.begin(), exe.end(), '/', '\\');
        exe = "Z:" + exe;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::string commandLine = "\"" + exe + "\"";
    m_hDialog = NULL;
    return CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &m_pi) != 0;
}

bool KavrostProcess::Ended()
{
    return m_pi.hProcess == NULL || WaitForSingleObject(m_pi.hProcess, 0) != WAIT_TIMEOUT;
}

HWND KavrostProcess::FindDialog()
{
    if (m_hDialog == NULL && m_pi.hProcess != NULL) {
        WindowSearch search = { m_pi.dwProcessId, false, NULL };
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        m_hDialog = search.hFound;
    }
    return m_hDialog;
}

HWND KavrostProcess::WaitForBox(DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        WindowSearch search = { m_pi.dwProcessId, true, NULL };
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.hFound != NULL || GetTickCount() - dwStart >= dwTimeoutMs)
            return search.hFound;
        Sleep(5);
    }
}

int KavrostProcess::ListCount()
{
    DWORD_PTR count = 0;
    if (FindDialog() == NULL || !SendMessageTimeoutW(GetDlgItem(m_hDialog, kIdUserList), LB_GETCOUNT, 0, 0,
                                                    SMTO_NORMAL, kAnswerTimeoutMs, &count))
        return -1;
    return static_cast<int>(count);
}

int KavrostProcess::FindUser(const std::string& name)
{
    if (FindDialog() == NULL)
        return LB_ERR;
    std::wstring wide = Wide(name);
    DWORD_PTR index = static_cast<DWORD_PTR>(LB_ERR);
    if (!SendMessageTimeoutW(GetDlgItem(m_hDialog, kIdUserList), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL, kAnswerTimeoutMs, &index))
        return LB_ERR;
    return static_cast<int>(index);
}

bool KavrostProcess::PressDelete(const std::string& name)
{
    int nIndex = FindUser(name);
    if (nIndex == LB_ERR)
        return false;
    // Only the wide message brings the text back intact across processes.
    HWND hList = GetDlgItem(m_hDialog, kIdUserList);
    std::wstring wide = Wide(name);
    WCHAR szText[256] = L"";
    DWORD_PTR result = 0;
    if (wide.size() >= 256 ||
        !SendMessageTimeoutW(hList, LB_GETTEXTLEN, nIndex, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result) ||
        result != wide.size() ||
        !SendMessageTimeoutW(hList, LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(szText), SMTO_NORMAL,
                             kAnswerTimeoutMs, &result) ||
        wide != szText)
        return false;
    if (!SendMessageTimeoutW(hList, LB_SETCURSEL, nIndex, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result) ||
        static_cast<int>(result) != nIndex)
        return false;
    return PostMessageA(m_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(m_hDialog, IDOK))) != 0;
}

HWND KavrostProcess::StartAndAskToDelete(const char* pszExe, int nListed, const std::string& user,
                                         const char** ppszWhy)
{
    if (!Start(pszExe)) {
        *ppszWhy = "cannot start the program";
        return NULL;
    }
    double start = Now();
    while (ListCount() != nListed) {
        if (Now() - start > 120 || Ended()) {
            *ppszWhy = "the list never held every user";
            return NULL;
        }
        Sleep(5);
    }
    if (!PressDelete(user)) {
        *ppszWhy = "the user is not listed";
        return NULL;
    }
    HWND hBox = WaitForBox(20000);
    if (hBox == NULL)
        *ppszWhy = "no warning";
    return hBox;
}

void KavrostProcess::Answer(HWND hBox, int nId)
{
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hBox, nId)));
}

void KavrostProcess::Stop()
{
    if (m_pi.hProcess == NULL)
        return;
    if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
        if (FindDialog() != NULL)
            PostMessageA(m_hDialog, WM_COMMAND, IDCANCEL, 0);
        if (WaitForSingleObject(m_pi.hProcess, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(m_pi.hProcess, 1);
            WaitForSingleObject(m_pi.hProcess, 10000);
        }
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    ZeroMemory(&m_pi, sizeof(m_pi));
    m_hDialog = NULL;
}
