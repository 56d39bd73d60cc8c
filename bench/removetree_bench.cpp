// Tree removal against a minimal one-pass walk, run in turn on fresh trees in one
// process: as it runs here (under Wine with every handle checked to be the entry itself)
// and as it runs on Windows (without that check); and the growth of the peak working set
// while a folder of many files is emptied.
#include "bench/BenchSupport.h"
#include "fs/FileScanner.h"
#include "support/RemovalWays.h"

#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <string>
#include <vector>

namespace {

const int kFiles = 20000;
const int kTopFolders = 9;
const int kSubFolders = 49;   // below each top folder: 9 + 9 * 49 = 450 folders, files in the 441
const char* const kContenders[] = { "RemoveTree", "RemoveTree as on Windows", "minimal walk" };
const int kPairs = 6;
const int kLargeFolderFiles = 100000;

bool RunRemoveTree(const std::string& folder)
{
    CFileScanner scanner;
    return RemoveTreeAt(scanner, folder) != FALSE;
}

// Runs contender k of kContenders on the folder.
bool Run(int k, const std::string& folder)
{
    if (k == 2)
        return MinimalWalk(folder);
    BOOL bOwn = CTreeRemoval::VerifiesEntries();
    if (k == 1)
        CTreeRemoval::SetVerifiesEntries(FALSE);
    bool bRemoved = RunRemoveTree(folder);
    CTreeRemoval::SetVerifiesEntries(bOwn);
    return bRemoved;
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

    std::vector<double> ratios, windowsRatios;
    for (int pair = 0; pair < kPairs; ++pair) {
        double seconds[3] = { 0, 0, 0 };
        for (int step = 0; step < 3; ++step) {
            int k = (step + pair) % 3;   // each contender goes first, second and last in turn
            char sz[32];
            wsprintfA(sz, "-%d-%d", pair, k);
            std::string root = base + sz;
            if (!CreateDirectoryA(root.c_str(), NULL) ||
                !FillTree(root + "\\", kTopFolders, kSubFolders, kFiles)) {
                printf("cannot generate %s\n", root.c_str());
                return 1;
            }
            start = Now();
            bool bRemoved = Run(k, root);
            seconds[k] = Now() - start;
            if (!bRemoved || GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) {
                printf("%s left %s behind\n", kContenders[k], root.c_str());
                return 1;
            }
        }
        ratios.push_back(seconds[0] / seconds[2]);
        windowsRatios.push_back(seconds[1] / seconds[2]);
        printf("round %d: %s %.3f s, %s %.3f s, %s %.3f s; ratios %.2f and %.2f\n", pair + 1,
               kContenders[0], seconds[0], kContenders[1], seconds[1], kContenders[2], seconds[2],
               ratios.back(), windowsRatios.back());
        fflush(stdout);
    }
    printf("removetree/minimal-walk median ratio: %.2f; windows path ratio: %.2f; "
           "peak working set growth: %.1f MiB\n",
           Median(ratios), Median(windowsRatios), growthMiB);
    return 0;
}
