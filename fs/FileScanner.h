// The program's face of the file system: folders held open since their entries were shown
// (CHeldFolder), the listing and the tree removal through them (CFileScanner, for one
// command; the removal itself is fs/TreeRemoval.h), and the last look by path
// (LookUpEntry). Names are UTF-16 exactly as the system returns them, and no path is
// resolved on the way from a directory entry to a delete call.
#pragma once

#include "fs/TreeRemoval.h"
#include "platform/Collections.h"

// A folder opened once and held open, without delete sharing, so that it stays the same
// folder while it is held: the folder a list was read from, which a later removal then
// acts in, whatever is renamed, removed or made again meanwhile.
class CHeldFolder
{
public:
    CHeldFolder();
    ~CHeldFolder();

    // Opens and holds the folder at strPath, links on the way to it, the last one
    // included, followed. FALSE where it cannot be opened.
    BOOL OpenByPath(const CStringW& strPath);
    // Opens and holds the subfolder strName of the folder at strPath, opened as itself: a
    // link there is never held. FALSE where there is no such folder or it cannot be opened.
    BOOL OpenBelow(const CStringW& strPath, const CStringW& strName);
    BOOL IsOpen() const { return m_h != NULL; }
    void Close();

    // Appends the names of the entries the folder lists as folders (links to folders
    // included), exactly as the system returns them. FALSE where the listing stopped early.
    BOOL ListFolders(CStringArrayW& arrNames) const;

private:
    friend class CTreeRemoval;
    HANDLE m_h;
    CStringW m_strResolved;   // where handles are checked: its full name as the system resolved it
    int m_nPathLength;        // characters of its literal path

    CHeldFolder(const CHeldFolder&) = delete;
    CHeldFolder& operator=(const CHeldFolder&) = delete;
};

// What a last look at strPath finds, by its path, the way any program would reach it:
// EntryAbsent only where the system answered "not found" for the entry's name in a folder
// on the way that opened; EntryLeft where the entry is there, or where no folder on the
// way could be opened (a link that leads nowhere, a drive that is not there or does not
// answer), since then nothing is known of it.
RemovalOutcome LookUpEntry(const CStringW& strPath);

class CFileScanner
{
public:
    CFileScanner();

    // Appends the names of the folder's subfolders (links to folders included), in the
    // order of the listing. FALSE where the listing stopped early.
    BOOL ListDirectories(const CHeldFolder& folder, CStringArrayW& arrNames);
    // Removes the subfolder strName of the held folder with everything below it; a folder
    // that is a link goes as the link, or stays. A subfolder beside another whose name
    // differs from it only in letter case is not entered: Windows may open either for that
    // name. A file or folder another program holds for a moment is tried again; each
    // scanner waits about a second at most for that in all.
    RemovalOutcome RemoveTree(const CHeldFolder& folder, const CStringW& strName);

private:
    DWORD m_dwRetryBudget;   // milliseconds this scanner may still wait for brief refusals
};
