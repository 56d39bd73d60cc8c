// Tree removal against a minimal one-pass walk, run alternately on fresh trees in one
// process, and the growth of the peak working set while a folder of many files is emptied.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "fs/FileScanner.h"

namespace {

const int kFiles = 20000;
const int kTopFolders = 9;
const int kSubFolders = 49;   // below each top folder: 9 * (1 + 49) = 450 folders
const int kPairs = 6;
const int kLargeFolderFiles = 100000;

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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

// 20,000 files spread over 450 folders below root (root itself holds none).
bool GenerateTree(const std::string& root)
{
    if (!CreateDirectoryA(root.c_str(), NULL))
        return false;
    std::vector<std::string> folders;
    char sz[64];
    for (int t = 0; t < kTopFolders; ++t) {
        wsprintfA(sz, "\\top%02d", t);
        std::string top = root + sz;
        CreateDirectoryA(top.c_str(), NULL);
        folders.push_back(top);
        for (int s = 0; s < kSubFolders; ++s) {
            wsprintfA(sz, "\\sub%02d", s);
            std::string sub = top + sz;
            CreateDirectoryA(sub.c_str(), NULL);
            folders.push_back(sub);
        }
    }
    for (int i = 0; i < kFiles; ++i) {
        wsprintfA(sz, "\\file%05d.dat", i);
        if (!MakeFile(folders[static_cast<size_t>(i) % folders.size()] + sz))
            return false;
    }
    return true;
}

// The minimal walk: one enumeration per folder, delete files, descend into folders.
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

bool RunRemoveTree(const std::string& folder)
{
    CFileScanner scanner;
    return scanner.RemoveTree((folder + "\\").c_str(), TRUE) != FALSE;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Fills a folder with count files. Under Wine every new name costs a scan of the whole
// folder (the name is looked up without regard to case), so a folder of this size is
// filled on the host's side there; elsewhere the files are created one by one.
bool FillFolder(const std::string& folder, int count)
{
    typedef char*(CDECL * PFN_UNIX_NAME)(LPCWSTR);
    PFN_UNIX_NAME pfnUnixName = reinterpret_cast<PFN_UNIX_NAME>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    WCHAR szWide[MAX_PATH];
    char* pszHost = NULL;
    if (pfnUnixName != NULL && MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, szWide, MAX_PATH) > 0)
        pszHost = pfnUnixName(szWide);
    if (pszHost == NULL) {
        char sz[64];
        for (int i = 0; i < count; ++i) {
            wsprintfA(sz, "\\entry%06d.dat", i);
            if (!MakeFile(folder + sz))
                return false;
        }
        return true;
    }
    std::string host = pszHost;
    HeapFree(GetProcessHeap(), 0, pszHost);
    std::string done = folder + ".done";
    char szCount[32];
    wsprintfA(szCount, "%d", count - 1);
    std::string command = "Z:\\bin\\sh -c \"cd '" + host + "' && seq -f entry%06g.dat 0 " + szCount +
                          " | xargs touch && touch '" + host + ".done'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // A host process gives no handle to wait for: wait for its mark instead.
    for (int i = 0; i < 1200 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    return DeleteFileA(done.c_str()) != 0;
}

SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize;
}

} // namespace

int main()
{
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    char szBase[MAX_PATH];
    wsprintfA(szBase, "%skavrost-bench-%lu", szTemp, GetCurrentProcessId());
    std::string base = szBase;

    // Memory first, while the peak still reflects little else.
    std::string large = base + "-large";
    CreateDirectoryA(large.c_str(), NULL);
    if (!FillFolder(large, kLargeFolderFiles)) {
        printf("cannot create the files of %s\n", large.c_str());
        return 1;
    }
    SIZE_T peakBefore = PeakWorkingSet();
    double start = Now();
    bool bLargeRemoved = RunRemoveTree(large);
    double largeSeconds = Now() - start;
    SIZE_T peakAfter = PeakWorkingSet();
    double growthMiB = static_cast<double>(peakAfter - peakBefore) / (1024.0 * 1024.0);
    printf("%d files in one folder: RemoveTree %.2f s, removed %s, peak working set %.1f -> %.1f MiB\n",
           kLargeFolderFiles, largeSeconds, bLargeRemoved ? "yes" : "NO",
           peakBefore / (1024.0 * 1024.0), peakAfter / (1024.0 * 1024.0));
    if (!bLargeRemoved)
        MinimalWalk(large);

    std::vector<double> ratios;
    for (int pair = 0; pair < kPairs; ++pair) {
        double seconds[2] = { 0, 0 };   // [0] RemoveTree, [1] minimal walk
        for (int k = 0; k < 2; ++k) {
            int which = (pair % 2 == 0) ? k : 1 - k;   // alternate which one goes first
            char sz[32];
            wsprintfA(sz, "-%d-%d", pair, which);
            std::string root = base + sz;
            if (!GenerateTree(root)) {
                printf("cannot generate %s\n", root.c_str());
                return 1;
            }
            start = Now();
            bool bRemoved = which == 0 ? RunRemoveTree(root) : MinimalWalk(root);
            seconds[which] = Now() - start;
            if (!bRemoved || GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) {
                printf("%s left %s behind\n", which == 0 ? "RemoveTree" : "minimal walk", root.c_str());
                return 1;
            }
        }
        ratios.push_back(seconds[0] / seconds[1]);
        printf("pair %d: RemoveTree %.3f s, minimal walk %.3f s, ratio %.2f\n", pair + 1, seconds[0],
               seconds[1], ratios.back());
        fflush(stdout);
    }
    printf("removetree/minimal-walk median ratio: %.2f; peak working set growth: %.1f MiB\n",
           Median(ratios), growthMiB);
    return 0;
}
