// Kavrost.exe run in this process's prefix and driven through its windows from outside:
// start it, find its dialog, select a user, press Delete!, answer a box, wait until the
// dialog answers and takes input again. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// TRUE once condition() holds, polled until the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeoutMs = 20000, DWORD dwPollMs = 20);

// A window's text; the class names of its children; the texts of a box's static controls.
std::string TextOf(HWND hWnd);
std::vector<HWND> ChildrenOf(HWND hParent, const char* pszClass);
std::string BoxText(HWND hBox);

// A string of the program's string table, read from the executable (a Windows path).
std::string ProgramString(const std::string& exe, UINT nId);

// The share of dark pixels in a row of a list box as the screen shows it now (its
// client area copied from the screen): a few percent where a name is drawn in black on
// white, 0 on an empty row, near 1 on an area never painted; -1 where nothing could be
// copied. Only the screen tells whether the list was drawn: a list whose drawing is
// turned off still holds its names and keeps WS_VISIBLE.
double InkInListRow(HWND hList, int nRow);

// A left click at a point of a window's client area, as input from the mouse
// (SendInput): it reaches the window only where it takes input.
bool ClickAt(HWND hWnd, POINT ptClient);

// The process, ended by force when the object goes (where Stop() has not ended it).
// Its windows: the main dialog (the one that holds the user list) and its message
// boxes (captioned "Kavrost", without the list).
class KavrostProcess
{
public:
    static const DWORD kTimeoutMs = 20000;

    KavrostProcess();
    ~KavrostProcess();
    KavrostProcess(const KavrostProcess&) = delete;
    KavrostProcess& operator=(const KavrostProcess&) = delete;

    // exe: a Windows path, or a host path (taken as drive Z:); the current folder is
    // this process's unless one is given.
    bool Start(const std::string& exe, const char* pszCurrentFolder = NULL);
    bool Ended() const;
    // TRUE when the process has ended within the time; *pdwExitCode gets its code.
    bool WaitForExit(DWORD* pdwExitCode, DWORD dwTimeoutMs = kTimeoutMs);
    // Closes the program; where it has not ended within a few seconds, ends it by force.
    void Stop();
    // Ends it by force at once.
    void Kill();

    std::vector<HWND> VisibleWindows() const;
    HWND WaitForDialog(DWORD dwTimeoutMs = kTimeoutMs);
    HWND WaitForWindowTitled(const std::string& caption, DWORD dwTimeoutMs = kTimeoutMs);
    HWND WaitForBox(DWORD dwTimeoutMs = kTimeoutMs);
    // The main dialog's user list, NULL before the dialog was found.
    HWND UserList() const;

    // The names in the list, or -1 / empty where the dialog does not answer.
    int ListCount();
    std::vector<std::string> ListItems();
    int FindUser(const std::string& name);   // or LB_ERR
    // Selects the user (unless NULL), checks the selected text and presses Delete!;
    // posted, since the warning is modal.
    bool PressDelete(const char* pszUser);
    // Starts the program, waits for its dialog (and, unless -1, until the list holds
    // nListed names), presses Delete! on the user and waits for the warning. The warning
    // box, or NULL with *pWhy saying why.
    HWND StartAndAskToDelete(const std::string& exe, const std::string& user, std::string* pWhy,
                             int nListed = -1, const char* pszCurrentFolder = NULL);
    // Clicks a button of a box (posted).
    static void Answer(HWND hBox, int nId);
    // TRUE once the dialog answers a message and takes input again.
    bool WaitUntilIdle(DWORD dwTimeoutMs = kTimeoutMs);

private:
    // The last visible window of the process that isIt, once there is one.
    HWND WaitForWindow(const std::function<bool(HWND)>& isIt, DWORD dwTimeoutMs);

    PROCESS_INFORMATION m_pi;
    HWND m_hDialog;
};
