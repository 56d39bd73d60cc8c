// Benchmark of the user listing.
//
// 1. ListUsers against one plain FindFirstFileW/FindNextFileW pass over the same
//    folder of 10,000 user folders, alternating, several pairs in one run.
// 2. The time from the start of Kavrost.exe (given as the first argument) to its
//    list box holding all 10,000 names.
// Runs only under Wine, inside the build tree's prefix: it points the product's
// settings at its scratch installation for the time of the run and restores them.
#include "bench/BenchSupport.h"
#include "product/UserFolders.h"

#include <windows.h>

#include <stdio.h>
#include <wchar.h>
#include <string>
#include <vector>

namespace {

const int kUsers = 10000;
const int kPairs = 7;

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

// Milliseconds from CreateProcess to a list box holding kUsers entries, or -1.
double StartToFilledList(const char* pszExe)
{
    KavrostProcess program;
    double start = Now();
    if (!program.Start(pszExe))
        return -1;
    while (Now() - start < 120 && !program.Ended()) {
        if (program.ListCount() >= kUsers)
            return (Now() - start) * 1000;
        Sleep(1);
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!UnderWine()) {
        fprintf(stderr, "listusers_bench runs only under Wine, in the build tree's prefix\n");
        return 2;
    }
    ScratchFolder scratch("listusers");
    if (!scratch.Created()) {
        fprintf(stderr, "cannot create %s\n", scratch.Path().c_str());
        return 1;
    }
    const std::string& root = scratch.Path();
    std::string users = scratch.MakeDirs("User");
    char szName[32];
    for (int i = 0; i < kUsers; ++i) {
        wsprintfA(szName, "%suser%05d", i % 10 == 0 ? "_" : "", i);
        CreateDirectoryA((users + szName).c_str(), NULL);
    }
    g_strInstallPath = root.c_str();

    std::vector<double> ratios;
    for (int pair = 0; pair < kPairs; ++pair) {
        // Alternate which goes first, so that neither always meets a warm cache.
        CStringArrayW arr;
        int nListed = 0, nPlain = 0;
        double listUsers = 0, plain = 0;
        for (int step = 0; step < 2; ++step) {
            double t0 = Now();
            if ((step + pair) % 2 == 0) {
                nListed = ListUsers(arr, TRUE, TRUE);
                listUsers = Now() - t0;
            } else {
                nPlain = OneEnumeration(users);
                plain = Now() - t0;
            }
        }
        if (nListed != kUsers || nPlain != kUsers) {
            fprintf(stderr, "listed %d and %d folders, expected %d\n", nListed, nPlain, kUsers);
            return 1;
        }
        printf("pair %d: ListUsers %.1f ms, one enumeration %.1f ms\n", pair + 1,
               listUsers * 1000, plain * 1000);
        ratios.push_back(listUsers / plain);
    }

    double startMs = -1;
    if (argc > 1 && WindowsCanAppear()) {
        ScratchSettings settings(root, root + "Agency\\");
        if (!settings.Ready()) {
            fprintf(stderr, "cannot point the product's settings at %s\n", root.c_str());
            return 1;
        }
        startMs = StartToFilledList(argv[1]);
    }
    printf("listusers/one-enumeration median ratio: %.2f; start to filled list: %.0f ms\n",
           Median(ratios), startMs);
    return argc > 1 && startMs < 0 ? 1 : 0;
}
