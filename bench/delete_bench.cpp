// Delete! through the real dialog of Kavrost.exe (the first argument) on a user whose
// folder holds 50,000 files, while a second thread pings the dialog with WM_NULL every
// 50 ms: the time from the Yes to the end of the removal (the dialog enabled again and
// the user gone from its list), and the longest a ping waited for its answer. Then the
// same tree is made again and removed by the minimal walk, for comparison.
// Runs only under Wine, inside the build tree's prefix: it points the product's settings
// at its scratch installation for the time of the run and restores them.
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
// the longest wait for an answer, until the object goes.
class Pinger
{
public:
    explicit Pinger(HWND hWnd) : m_hWnd(hWnd), m_lStop(0), m_longest(0), m_nPings(0), m_nUnanswered(0)
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
    double LongestMs() const { return m_longest * 1000; }
    int Pings() const { return m_nPings; }
    int Unanswered() const { return m_nUnanswered; }

private:
    static DWORD WINAPI Run(LPVOID pParam)
    {
        Pinger* pThis = static_cast<Pinger*>(pParam);
        double next = Now();
        while (InterlockedCompareExchange(&pThis->m_lStop, 0, 0) == 0) {
            double sent = Now();
            DWORD_PTR result;
            BOOL bAnswered = SendMessageTimeoutW(pThis->m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs,
                                                 &result);
            pThis->m_longest = std::max(pThis->m_longest, Now() - sent);
            ++pThis->m_nPings;
            if (!bAnswered)
                ++pThis->m_nUnanswered;
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
    double m_longest;
    int m_nPings;
    int m_nUnanswered;
};

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int Fail(const char* pszWhat)
{
    fprintf(stderr, "delete_bench: %s\n", pszWhat);
    return 1;
}

// Everything made for the run goes when the objects go, in reverse order: the program is
// ended, then the settings restored, then the scratch folder removed.
int Run(const char* pszExe)
{
    ScratchFolder scratch("delete");
    if (!scratch.Created())
        return Fail("cannot create the scratch folder");
    char szName[32];
    wsprintfA(szName, "bench%lu", GetCurrentProcessId());
    const std::string user = szName;
    std::string install = scratch.MakeDirs("Install");
    std::string agency = scratch.MakeDirs("Agency");
    std::string userFolder = scratch.MakeDirs("Install\\User\\" + user);
    std::string agencyFolder = scratch.MakeDirs("Agency\\USER_SPC\\" + user);
    scratch.MakeDirs("Install\\User\\anna");
    scratch.MakeDirs("Install\\User\\bob");
    if (!FillTree(userFolder, kTopFolders, kSubFolders, kFiles) || !MakeFile(agencyFolder + "a.bin"))
        return Fail("cannot make the user's files");

    ScratchSettings settings(install, agency);
    if (!settings.Ready() || !settings.AddUserKey(user))
        return Fail("cannot point the product's settings at the scratch installation");

    KavrostProcess program;
    const char* pszWhy = NULL;
    HWND hBox = program.StartAndAskToDelete(pszExe, 3, user, &pszWhy);
    if (hBox == NULL)
        return Fail(pszWhy);
    HWND hDialog = program.FindDialog();

    double seconds = -1;
    Pinger pinger(hDialog);
    if (!pinger.Running())
        return Fail("cannot start the ping thread");
    double yes = Now();
    KavrostProcess::Answer(hBox, IDYES);
    // Right after the warning the dialog is enabled for a moment, the user still listed.
    // A box after the warning tells of a key that could not be opened or of a user left.
    HWND hNotice = NULL;
    for (int i = 1; Now() - yes < kRemovalTimeoutSeconds && !program.Ended(); ++i) {
        if (IsWindowEnabled(hDialog) && program.FindUser(user) == LB_ERR && program.ListCount() == 2) {
            seconds = Now() - yes;
            break;
        }
        HWND hFound = i % 50 == 0 ? program.WaitForBox(0) : NULL;
        if (hFound != NULL && hFound != hBox) {
            hNotice = hFound;
            break;
        }
        Sleep(2);
    }
    pinger.Stop();
    if (hNotice != NULL)
        return Fail("a box came up after the Yes: the removal was not complete");
    if (seconds < 0)
        return Fail("the removal did not end");
    if (Exists(userFolder) || Exists(agencyFolder) || ScratchSettings::UserKeyExists(user))
        return Fail("something of the user is left");
    if (program.FindUser("anna") == LB_ERR || program.FindUser("bob") == LB_ERR)
        return Fail("another user has gone from the list");
    printf("Delete! of a user of %d files in %d folders: %.2f s from the Yes; %d pings, %d unanswered "
           "within %lu ms\n",
           kFiles, kTopFolders * (1 + kSubFolders), seconds, pinger.Pings(), pinger.Unanswered(),
           kPingTimeoutMs);
    fflush(stdout);
    program.Stop();

    // The same tree again, removed by the minimal walk.
    scratch.MakeDirs("Install\\User\\" + user);
    if (!FillTree(userFolder, kTopFolders, kSubFolders, kFiles))
        return Fail("cannot make the tree again");
    double walkStart = Now();
    bool bWalked = MinimalWalk(userFolder.substr(0, userFolder.size() - 1));
    double walk = Now() - walkStart;
    if (!bWalked)
        return Fail("the minimal walk left the tree behind");
    printf("minimal walk of the same tree: %.2f s; Delete!/minimal walk: %.2f\n", walk, seconds / walk);
    printf("delete/%d files: %.2f s; longest unanswered: %.0f ms\n", kFiles, seconds, pinger.LongestMs());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!UnderWine()) {
        fprintf(stderr, "delete_bench runs only under Wine, in the build tree's prefix\n");
        return 2;
    }
    if (argc < 2) {
        fprintf(stderr, "usage: delete_bench <Kavrost.exe>\n");
        return 2;
    }
    if (!WindowsCanAppear())
        return 1;
    return Run(argv[1]);
}
