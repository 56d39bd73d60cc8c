// Pieces the benchmarks share: the clock, scratch folders and trees filled from the
// host's side, the minimal removal walk, the product's settings pointed at a scratch
// installation, and a running Kavrost.exe driven through its windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// ---- measuring ----

double Now();   // seconds, from the performance counter
double Median(std::vector<double> values);
bool UnderWine();
// FALSE where this process cannot make a window: no display, or the prefix's Wine session
// began without this one (it has to end first). Tells why on stderr.
bool WindowsCanAppear();

// ---- files ----

// A file holding a few bytes; fails where the name exists already.
bool MakeFile(const std::string& path);

// Fills a folder with count files named entryNNNNNN.dat. Under Wine every new name costs
// a scan of the whole folder (the name is looked up without regard to case), so there the
// files are made on the host's side; elsewhere one by one.
bool FillFolder(const std::string& folder, int count);

// Makes nTop folders topNN below root, nSub folders subNN in each of them, and spreads
// nFiles files fileNNNNNN.dat evenly over the sub folders; root must exist. Made on the
// host's side under Wine, like FillFolder.
bool FillTree(const std::string& root, int nTop, int nSub, int nFiles);

// The minimal walk: one enumeration per folder, delete files, descend into folders, then
// remove the folder (a path without a trailing separator). TRUE when the folder is gone.
bool MinimalWalk(const std::string& folder);

// A new folder %TEMP%kavrost-<tag>-<process id>\ (Path() ends in a backslash), removed
// with everything below it when the object goes; one of that name left by an interrupted
// run is removed first.
class ScratchFolder
{
public:
    explicit ScratchFolder(const char* pszTag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Created() const { return m_bCreated; }
    const std::string& Path() const { return m_strPath; }
    // Makes the folders of a relative path (with '\') below Path(); returns its full path.
    std::string MakeDirs(const std::string& relative) const;

private:
    std::string m_strPath;
    bool m_bCreated;
};

// ---- the product's settings ----

// Points the product's settings (HKCU\Software\dabro\Tessaline\1.0\Directories, values
// PathName and Agency) at a scratch installation for the life of the object, and adds
// user keys (HKCU\Software\dabro\User\<name>). At the end the two values get back what
// they held, and every key of the product's tree that did not exist when the object was
// made goes again with whatever the run put below it (the program creates keys of its own).
// What to undo is also kept in HKCU\Software\KavrostBenchJournal while the object lives;
// where a run was cut short, the next one undoes it first. One object at a time per prefix.
class ScratchSettings
{
public:
    ScratchSettings(const std::string& install, const std::string& agency);
    ~ScratchSettings();
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    // FALSE where the values could not be set.
    bool Ready() const { return m_bReady; }
    // A user key with one subkey and value, as the product keeps them; FALSE where the
    // key exists already (it is not the run's) or cannot be made.
    bool AddUserKey(const std::string& name);
    static bool UserKeyExists(const std::string& name);

private:
    void Undo();
    bool WriteJournal() const;
    void UndoInterruptedRun();

    struct SavedValue
    {
        const char* pszName;
        bool bPresent;
        DWORD dwType;
        std::vector<BYTE> data;
    };

    std::vector<std::string> m_newKeys;   // outermost first
    std::vector<std::string> m_userKeys;
    std::vector<SavedValue> m_saved;
    HANDLE m_hLock;   // the prefix-wide lock; NULL where another run holds it
    bool m_bReady;
};

// ---- the program ----

// Kavrost.exe started in this process's prefix; the program is closed, or ended by force,
// when the object goes. Windows are those of its process: the main dialog (the one with
// the user list) and its message boxes (captioned "Kavrost", without the list).
class KavrostProcess
{
public:
    static const int kIdUserList = 1000;

    KavrostProcess();
    ~KavrostProcess();
    KavrostProcess(const KavrostProcess&) = delete;
    KavrostProcess& operator=(const KavrostProcess&) = delete;

    // pszExe: a Windows path, or a host path (taken as drive Z:).
    bool Start(const char* pszExe);
    bool Ended();
    // The main dialog, or NULL where it has not appeared yet.
    HWND FindDialog();
    // A visible message box of the program, waited for up to dwTimeoutMs (0: a look); or NULL.
    HWND WaitForBox(DWORD dwTimeoutMs);
    // The number of names in the user list, or -1 where the dialog did not answer.
    int ListCount();
    // The index of the name in the user list, or LB_ERR (-1).
    int FindUser(const std::string& name);
    // Selects the user, checks the selected text, and presses Delete! (posted: the
    // warning is modal).
    bool PressDelete(const std::string& name);
    // Starts the program, waits until its list holds nListed names, presses Delete! on the
    // user and waits for the warning. The warning box, or NULL with *ppszWhy saying why.
    HWND StartAndAskToDelete(const char* pszExe, int nListed, const std::string& user,
                             const char** ppszWhy);
    // Clicks a button of a box (posted).
    static void Answer(HWND hBox, int nId);
    // Closes the program; where it has not ended within a few seconds, ends it by force.
    void Stop();

private:
    PROCESS_INFORMATION m_pi;
    HWND m_hDialog;
};
