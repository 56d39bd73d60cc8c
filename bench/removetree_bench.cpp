// Tree removal against a minimal one-pass walk, run alternately on fresh trees in one
// process, and the growth of the peak working set while a folder of many files is emptied.
#include "bench/BenchSupport.h"
#include "fs/FileScanner.h"

#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <string>
#include <vector>

namespace {

const int kFiles = 20000;
const int kTopFolders = 9;
const int kSubFolders = 49;   // below each top folder: 9 * (1 + 49) = 450 folders
const int kPairs = 6;
const int kLargeFolderFiles = 100000;

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

bool RunRemoveTree(const std::string& folder)
{
    CFileScanner scanner;
    return scanner.RemoveTree((folder + "\\").c_str(), TRUE) != FALSE;
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
