// CFileScanner: one file search, complete listings of folder entries, path helpers
// and the removal of files and folder trees.
//
// Names and paths are UTF-16, exactly as the system returns them; every path goes to
// the system in the literal form (LiteralPathOf), so no name is rewritten on its way
// from a directory entry to a delete call, and paths are not bound by MAX_PATH.
// Every listing runs its search to the end and closes it before it returns, so one
// object serves a whole recursive walk. Listings append to a list the caller owns;
// nothing is allocated for a directory entry that is not listed. Walks never descend
// into a link (junction or symbolic link). An entry whose name cannot be joined to a
// path or whose full path would not fit kMaxComposedPath (fs/TreeRemoval.h) is left out
// of every listing and every removal, so it is never acted on.
#pragma once

#include "fs/TreeRemoval.h"
#include "platform/Collections.h"
#include "platform/File.h"

class CFileScanner : public CObject
{
public:
    CFileScanner();
    ~CFileScanner();

    // Attribute filters: -1 every entry; 0 and 0x80 plain files (none of the bits 0x5E,
    // and for 0x80 also entries marked normal); any other value the entries that share
    // a bit with it.

    // One search step: a non-empty pattern starts a search, the empty one continues it.
    // TRUE when an entry was read; name is then its name, or empty when the filter refused it.
    BOOL FindEntry(CStringW& strName, const CStringW& strPattern, int nFilter);
    // The next matching name: a non-empty pattern starts a search, the empty one continues
    // it. FALSE, and the empty name, at the end of the search. "." and ".." are not skipped.
    BOOL NextEntry(CStringW& strName, const CStringW& strPattern, int nFilter);

    // Appends the full paths of the matching entries of the pattern's folder.
    void ListEntries(const CStringW& strPattern, int nFilter, CStringListW& list);
    // Appends the subfolders of a folder, as names or full paths (no trailing separator).
    void ListDirectories(const CStringW& strFolder, BOOL bFullPaths, CStringListW& list);
    // Appends the matching entries of the pattern's folder, and with bRecurse of its whole
    // subtree, depth first, parents first.
    void CollectFiles(const CStringW& strPattern, int nFilter, BOOL bRecurse, CStringListW& list);

    // Path helpers; '\' and '/' are both separators.
    CStringW JoinPath(const CStringW& strFolder, const CStringW& strName);
    CStringW FileNameOf(const CStringW& strPath);
    CStringW DirectoryOf(const CStringW& strPath, BOOL bKeepDrive);

    // The removals go through CTreeRemoval (fs/TreeRemoval.h): from the folder that holds
    // the entry named, opened once by its path, through open handles. A file or folder
    // another program holds for a moment is tried again; each scanner waits about a
    // second at most for that in all.

    // TRUE when the file was deleted. A file link goes as the link, or stays.
    BOOL RemoveFile(const CStringW& strPath);
    // TRUE when every matching entry of the pattern's folder was deleted, also when none matched.
    BOOL RemoveFiles(const CStringW& strPattern, int nFilter);
    // Removes a folder; with bContents first everything below it: subfolders depth first,
    // then the other entries, then the folder. Nonzero when the folder itself was removed.
    // A folder that is a link is removed as a link or left. Each folder is listed once.
    BOOL RemoveTree(const CStringW& strFolder, BOOL bContents);

private:
    WIN32_FIND_DATAW m_findData;
    CFindFile m_find;
    DWORD m_dwRetryBudget;   // milliseconds this scanner may still wait for brief refusals
};
