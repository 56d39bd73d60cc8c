// Benchmark of the user listing.
//
// 1. ListUsers against one plain FindFirstFileW/FindNextFileW pass over the same
//    folder of 10,000 user folders, alternating, several pairs in one run.
// 2. The time from the start of Kavrost.exe (given as the first argument) to its
//    list box holding all 10,000 names.
// Runs only under Wine, inside the build tree's prefix: it points the product's
// settings at its scratch installation for the time of the run and restores them.
#include "product/UserFolders.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <wchar.h>
#include <string>
#include <vector>

namespace {

const int kUsers = 10000;
const int kPairs = 7;
const char kDirectories[] = "Software\\dabro\\Tessaline\\1.0\\Directories";

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

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

// The minimal pass: one enumeration of the folder, counting the folders without a dot.
int OneEnumeration(const std::string& folder)
{
    WIN32_FIND_DATAW fd;
    std::wstring pattern(folder.begin(), folder.end());   // an ASCII scratch path
    HANDLE h = FindFirstFileW((pattern + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do {
        if (wcschr(fd.cFileName, L'.') == NULL && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++n;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}

void RemoveScratch(const std::string& root)
{
    WIN32_FIND_DATAA fd;
    std::string users = root + "User\\";
    HANDLE h = FindFirstFileA((users + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (fd.cFileName[0] != '.')
                RemoveDirectoryA((users + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(users.c_str());
    RemoveDirectoryA(root.c_str());
}

struct FindWindowData
{
    DWORD dwProcessId;
    HWND hDialog;
};

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    FindWindowData* pData = reinterpret_cast<FindWindowData*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == pData->dwProcessId && GetDlgItem(hWnd, 1000) != NULL) {
        pData->hDialog = hWnd;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from CreateProcess to a list box holding kUsers entries, or -1.
double StartToFilledList(const char* pszExe)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    std::string commandLine = std::string("\"") + pszExe + "\"";
    double start = Now();
    if (!CreateProcessA(pszExe, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    double result = -1;
    FindWindowData data = { pi.dwProcessId, NULL };
    while (Now() - start < 120) {
        if (data.hDialog == NULL)
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&data));
        if (data.hDialog != NULL) {
            DWORD_PTR count = 0;
            if (SendMessageTimeoutA(GetDlgItem(data.hDialog, 1000), LB_GETCOUNT, 0, 0,
                                    SMTO_ABORTIFHUNG, 5000, &count) &&
                static_cast<int>(count) >= kUsers) {
                result = (Now() - start) * 1000;
                break;
            }
        }
        Sleep(1);
    }
    if (data.hDialog != NULL)
        PostMessageA(data.hDialog, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

// Sets the product's PathName for the run and restores the previous state after it.
class PathNameOverride
{
public:
    explicit PathNameOverride(const std::string& path)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, kDirectories, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &m_hKey, &m_dwDisposition);
        DWORD cb = sizeof(m_szOld);
        m_bHadValue = RegQueryValueExA(m_hKey, "PathName", NULL, &m_dwType,
                                       reinterpret_cast<BYTE*>(m_szOld), &cb) == ERROR_SUCCESS;
        m_cbOld = cb;
        RegSetValueExA(m_hKey, "PathName", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
    }
    ~PathNameOverride()
    {
        if (m_bHadValue)
            RegSetValueExA(m_hKey, "PathName", 0, m_dwType, reinterpret_cast<BYTE*>(m_szOld), m_cbOld);
        else
            RegDeleteValueA(m_hKey, "PathName");
        RegCloseKey(m_hKey);
        if (m_dwDisposition == REG_CREATED_NEW_KEY) {
            // The keys did not exist before the run: leave none behind.
            RegDeleteKeyA(HKEY_CURRENT_USER, kDirectories);
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\dabro\\Tessaline\\1.0");
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\dabro\\Tessaline");
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\dabro");
        }
    }

private:
    HKEY m_hKey = NULL;
    DWORD m_dwDisposition = 0;
    DWORD m_dwType = REG_SZ;
    bool m_bHadValue = false;
    char m_szOld[1024];
    DWORD m_cbOld = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (!UnderWine()) {
        fprintf(stderr, "listusers_bench runs only under Wine, in the build tree's prefix\n");
        return 2;
    }
    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    char szRoot[MAX_PATH];
    wsprintfA(szRoot, "%skavrost-listusers-%lu\\", szTemp, GetCurrentProcessId());
    std::string root = szRoot;
    std::string users = root + "User\\";
    CreateDirectoryA(root.c_str(), NULL);
    CreateDirectoryA(users.c_str(), NULL);
    char szName[32];
    for (int i = 0; i < kUsers; ++i) {
        wsprintfA(szName, "%suser%05d", i % 10 == 0 ? "_" : "", i);
        CreateDirectoryA((users + szName).c_str(), NULL);
    }

    std::vector<double> ratios;
    for (int pair = 0; pair < kPairs; ++pair) {
        // Alternate which goes first, so that neither always meets a warm cache.
        CStringArrayW arr;
        int nListed = 0, nPlain = 0;
        double listUsers = 0, plain = 0;
        for (int step = 0; step < 2; ++step) {
            double t0 = Now();
            if ((step + pair) % 2 == 0) {
                nListed = ListUsers(root.c_str(), arr, TRUE, TRUE);
                listUsers = Now() - t0;
            } else {
                nPlain = OneEnumeration(users);
                plain = Now() - t0;
            }
        }
        if (nListed != kUsers || nPlain != kUsers) {
            fprintf(stderr, "listed %d and %d folders, expected %d\n", nListed, nPlain, kUsers);
            RemoveScratch(root);
            return 1;
        }
        printf("pair %d: ListUsers %.1f ms, one enumeration %.1f ms\n", pair + 1,
               listUsers * 1000, plain * 1000);
        ratios.push_back(listUsers / plain);
    }

    double startMs = -1;
    if (argc > 1) {
        // The build passes a host path; the host's root is drive Z: under Wine.
        std::string exe = argv[1];
        if (!exe.empty() && exe[0] == '/') {
            std::replace(exe.begin(), exe.end(), '/', '\\');
            exe = "Z:" + exe;
        }
        PathNameOverride override(root);
        startMs = StartToFilledList(exe.c_str());
    }
    RemoveScratch(root);
    printf("listusers/one-enumeration median ratio: %.2f; start to filled list: %.0f ms\n",
           Median(ratios), startMs);
    return 0;
}
