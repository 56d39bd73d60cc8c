// Delete! through the real dialog of Kavrost.exe (the first argument) on a user whose
// folder holds 50,000 files, while a second thread pings the dialog with WM_NULL every
// 50 ms: the time from the Yes to the end of the removal (the dialog enabled again and
// the user gone from its list), and the longest a ping waited for its answer. Then the
// same tree is made again and removed by the minimal walk, for comparison.
// Runs only in the build tree's Wine prefix, whose product settings it seeds for the run.
#include "bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string>

namespace {

const int kFiles = 50000;
const int kTopFolders = 10;
const int kSubFolders = 50;   // 500 folders of 100 files below 10 top folders
const DWORD kPingIntervalMs = 50;
const DWORD kPingTimeoutMs = 30000;
const double kRemovalTimeoutSeconds = 300;

// Sends WM_NULL to a window every kPingIntervalMs from a thread of its own, and keeps
// the longest wait for an answer, until stopped.
class Pinger
{
public:
    explicit Pinger(HWND hWnd) : m_longest(0), m_nPings(0), m_nUnanswered(0), m_hWnd(hWnd), m_lStop(0)
    {
        m_hThread = CreateThread(NULL, 0, Run, this, 0, NULL);
    }
    ~Pinger() { Stop(); }
    Pinger(const Pinger&) = delete;
    Pinger& operator=(const Pinger&) = delete;

    bool Running() const { return m_hThread != NULL; }
    void Stop()
    {
        if (m_hThread == NULL)
            return;
        InterlockedExchange(&m_lStop, 1);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = NULL;
    }
    // Valid once stopped.
    double m_longest;   // seconds
    int m_nPings, m_nUnanswered;

private:
    static DWORD WINAPI Run(LPVOID pParam)
    {
        Pinger* pThis = static_cast<Pinger*>(pParam);
        double next = Now();
        while (InterlockedCompareExchange(&pThis->m_lStop, 0, 0) == 0) {
            double sent = Now();
            DWORD_PTR result;
            if (!SendMessageTimeoutW(pThis->m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &result))
                ++pThis->m_nUnanswered;
            pThis->m_longest = std::max(pThis->m_longest, Now() - sent);
            ++pThis->m_nPings;
            next += kPingIntervalMs / 1000.0;
            double wait = next - Now();
            if (wait > 0)
                Sleep(static_cast<DWORD>(wait * 1000));
            else
                next = Now();   // a late answer moves the schedule instead of bunching pings
        }
        return 0;
    }

    HWND m_hWnd;
    HANDLE m_hThread;
    volatile LONG m_lStop;
};

int Fail(const std::string& what)
{
    fprintf(stderr, "delete_bench: %s\n", what.c_str());
    return 1;
}

// Everything made for the run goes when the objects go, in reverse order: the program is
// ended, then the scratch folder removed, then the prefix's settings put back.
int Run(const std::string& exe)
{
    PrefixGuard guard;
    ScratchFolder scratch("delete");
    if (!guard.Held() || !scratch.Created())
        return Fail("cannot take the prefix or make the scratch folder");
    const std::string user = "bench" + std::to_string(GetCurrentProcessId());
    std::string install = scratch.MakeDir("Install"), agency = scratch.MakeDir("Agency");
    std::string userFolder = scratch.MakeDir("Install\\User\\" + user);
    std::string agencyFolder = scratch.MakeDir("Agency\\USER_SPC\\" + user);
    scratch.MakeDir("Install\\User\\anna");
    scratch.MakeDir("Install\\User\\bob");
    if (!FillTree(userFolder, kTopFolders, kSubFolders, kFiles) || !MakeFile(agencyFolder + "a.bin"))
        return Fail("cannot make the user's files");
    if (!SetProductFolders(install, agency) || !AddUserKey(user))
        return Fail("cannot point the product's settings at the scratch installation");

    KavrostProcess program;
    std::string why;
    HWND hBox = program.StartAndAskToDelete(exe, user, &why, 3);
    if (hBox == NULL)
        return Fail(why);
    HWND hDialog = program.WaitForDialog(0);

    double seconds = -1;
    Pinger pinger(hDialog);
    if (!pinger.Running())
        return Fail("cannot start the ping thread");
    double yes = Now();
    KavrostProcess::Answer(hBox, IDYES);
    // Right after the warning the dialog is enabled for a moment, the user still listed.
    // A box after the warning tells of a key that could not be opened or of a user left.
    for (int i = 1; Now() - yes < kRemovalTimeoutSeconds && !program.Ended(); ++i) {
        if (IsWindowEnabled(hDialog) && program.ListCount() == 2 && program.FindUser(user) == LB_ERR) {
            seconds = Now() - yes;
            break;
        }
        HWND hFound = i % 50 == 0 ? program.WaitForBox(0) : NULL;
        if (hFound != NULL && hFound != hBox)
            return Fail("a box came up after the Yes: the removal was not complete");
        Sleep(2);
    }
    pinger.Stop();
    if (seconds < 0)
        return Fail("the removal did not end");
    if (GetFileAttributesA(userFolder.c_str()) != INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesA(agencyFolder.c_str()) != INVALID_FILE_ATTRIBUTES || UserKeyExists(user))
        return Fail("something of the user is left");
    if (program.FindUser("anna") == LB_ERR || program.FindUser("bob") == LB_ERR)
        return Fail("another user has gone from the list");
    printf("Delete! of a user of %d files in %d folders: %.2f s from the Yes; %d pings, %d unanswered "
           "within %lu ms\n",
           kFiles, kTopFolders * (1 + kSubFolders), seconds, pinger.m_nPings, pinger.m_nUnanswered,
           kPingTimeoutMs);
    fflush(stdout);
    program.Stop();

    // The same tree again, removed by the minimal walk.
    scratch.MakeDir("Install\\User\\" + user);
    if (!FillTree(userFolder, kTopFolders, kSubFolders, kFiles))
        return Fail("cannot make the tree again");
    double walkStart = Now();
    bool bWalked = MinimalWalk(userFolder.substr(0, userFolder.size() - 1));
    double walk = Now() - walkStart;
    if (!bWalked)
        return Fail("the minimal walk left the tree behind");
    printf("minimal walk of the same tree: %.2f s; Delete!/minimal walk: %.2f\n", walk, seconds / walk);
    printf("delete/%d files: %.2f s; longest unanswered: %.0f ms\n", kFiles, seconds, pinger.m_longest * 1000);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: delete_bench <Kavrost.exe>\n");
        return 2;
    }
    int nRefused = CheckPrefix("delete_bench");
    return nRefused != 0 ? nRefused : Run(argv[1]);
}
