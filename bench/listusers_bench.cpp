// Benchmark of the user listing.
//
// 1. ListUsers against one plain FindFirstFileW/FindNextFileW pass over the same
//    folder of 10,000 user folders, alternating, several pairs in one run.
// 2. The time from the start of Kavrost.exe (given as the first argument) to its
//    list box holding all 10,000 names.
// 3. With one more user (its two folders and its key), the time from the Yes to the
//    warning of a Delete! of that user to the dialog enabled again with its list
//    rebuilt: the 10,000 other names.
// Parts 2 and 3 run only in the build tree's Wine prefix, whose product settings they
// seed for the run.
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
    HANDLE h = FindFirstFileW((Wide(folder) + L"*").c_str(), &fd);
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
double StartToFilledList(const std::string& exe)
{
    KavrostProcess program;
    double start = Now();
    if (!program.Start(exe) ||
        !WaitUntil([&] { return program.ListCount() >= kUsers || program.Ended(); }, 120000, 1) ||
        program.Ended())
        return -1;
    return (Now() - start) * 1000;
}

double Failed(const std::string& what)
{
    fprintf(stderr, "Delete! of the extra user: %s\n", what.c_str());
    return -1;
}

// Milliseconds from the Yes to the warning of a Delete! of the user extra to the list
// rebuilt without it, or -1. The list holds kUsers names besides extra's.
double YesToRebuiltList(const std::string& exe, const std::string& extra)
{
    KavrostProcess program;
    std::string why;
    HWND hBox = program.StartAndAskToDelete(exe, extra, &why, kUsers + 1);
    if (hBox == NULL)
        return Failed(why);
    HWND hDialog = program.WaitForDialog(0);

    double yes = Now();
    KavrostProcess::Answer(hBox, IDYES);
    // The dialog is enabled again once the removal has ended, and then rebuilds the list
    // without answering until it is done; the count tells the rebuilt list from the old.
    double ms = -1;
    for (int i = 1; Now() - yes < 120 && !program.Ended(); ++i) {
        if (IsWindowEnabled(hDialog) && program.ListCount() == kUsers) {
            ms = (Now() - yes) * 1000;
            break;
        }
        HWND hNotice = i % 100 == 0 ? program.WaitForBox(0) : NULL;
        if (hNotice != NULL && hNotice != hBox)
            return Failed("a box came up after the Yes: the removal was not complete");
        Sleep(1);
    }
    if (ms < 0)
        return Failed("the list was not rebuilt");
    if (program.FindUser(extra) != LB_ERR)
        return Failed("still listed");
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    ScratchFolder scratch("listusers");
    if (!scratch.Created())
        return 1;
    const std::string& root = scratch.Path();
    std::string users = scratch.MakeDir("User");
    char szName[32];
    for (int i = 0; i < kUsers; ++i) {
        wsprintfA(szName, "%suser%05d", i % 10 == 0 ? "_" : "", i);
        CreateDirectoryA((users + szName).c_str(), NULL);
    }

    const CStringW strInstall(Wide(root).c_str());
    std::vector<double> ratios;
    for (int pair = 0; pair < kPairs; ++pair) {
        // Alternate which goes first, so that neither always meets a warm cache.
        CStringArrayW arr;
        int nListed = 0, nPlain = 0;
        double listUsers = 0, plain = 0;
        for (int step = 0; step < 2; ++step) {
            double t0 = Now();
            if ((step + pair) % 2 == 0) {
                CHeldFolder held;
                held.OpenByPath(strInstall + L"User");
                nListed = ListUsers(held, arr, TRUE, TRUE);
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

    double startMs = -1, refillMs = -1;
    if (argc > 1) {
        if (int nRefused = CheckPrefix("listusers_bench"))
            return nRefused;
        PrefixGuard guard;
        if (!guard.Held() || !SetProductFolders(root, root + "Agency\\"))
            return 1;
        startMs = StartToFilledList(argv[1]);

        // One more user, as the product keeps one: two folders and a key.
        std::string extra = "bench" + std::to_string(GetCurrentProcessId());
        if (!AddUserKey(extra) || !MakeFile(scratch.MakeDir("User\\" + extra + "\\rooms") + "room.dat") ||
            !MakeFile(scratch.MakeDir("Agency\\USER_SPC\\" + extra) + "a.bin")) {
            fprintf(stderr, "cannot make the user %s\n", extra.c_str());
            return 1;
        }
        refillMs = YesToRebuiltList(argv[1], extra);
        if (refillMs >= 0 && (scratch.Exists("User\\" + extra) ||
                              scratch.Exists("Agency\\USER_SPC\\" + extra) || UserKeyExists(extra))) {
            fprintf(stderr, "Delete! left something of %s\n", extra.c_str());
            refillMs = -1;
        }
    }
    printf("listusers/one-enumeration median ratio: %.2f; start to filled list: %.0f ms; "
           "refill after Delete!: %.0f ms\n",
           Median(ratios), startMs, refillMs);
    return argc > 1 && (startMs < 0 || refillMs < 0) ? 1 : 0;
}
