// CFileScanner: one file search, complete listings of folder entries, path helpers
// and the removal of files and folder trees.
//
// Every listing runs its search to the end and closes it before it returns, so one
// object serves a whole recursive walk. Lists are created with new CStringList(10)
// and belong to the caller. Walks never descend into a link (junction or symbolic
// link), and an entry whose full path would not fit kMaxComposedPath is left out.
#pragma once

#include "platform/Collections.h"
#include "platform/Object.h"
#include "platform/String.h"

class CFileScanner : public CObject
{
public:
    // Characters of a composed path, its terminating zero included.
    enum { kMaxComposedPath = 1024 };

    CFileScanner();
    ~CFileScanner();

    // Attribute filters: -1 every entry; 0 and 0x80 plain files (none of the bits 0x5E,
    // and for 0x80 also entries marked normal); any other value the entries that share
    // a bit with it.

    // One search step: a non-empty pattern starts a search, the empty one continues it.
    // TRUE when an entry was read; name is then its name, or empty when the filter refused it.
    BOOL FindEntry(CString& strName, const CString& strPattern, int nFilter);
    // The next matching name (new, owned by the caller), or NULL at the end of the search.
    CString* NextEntry(const CString& strPattern, int nFilter);

    // Full paths of the matching entries of the pattern's folder, "." and ".." left out.
    CStringList* ListEntries(const CString& strPattern, int nFilter);
    // The subfolders of a folder, as names or full paths (no trailing separator).
    CStringList* ListDirectories(const CString& strFolder, BOOL bFullPaths);
    // The matching entries of the pattern's folder, and with bRecurse of its whole subtree,
    // depth first, parents first. Appends to pList, or to a new list when pList is NULL.
    CStringList* CollectFiles(const CString& strPattern, int nFilter, BOOL bRecurse,
                              CStringList* pList);

    // Path helpers; '\' and '/' are both separators.
    CString JoinPath(const CString& strFolder, const CString& strName);
    CString FileNameOf(const CString& strPath);
    CString DirectoryOf(const CString& strPath, BOOL bKeepDrive);

    // TRUE when the file was deleted.
    BOOL RemoveFile(const CString& strPath);
    // TRUE when every matching entry of the pattern's folder was deleted, also when none matched.
    BOOL RemoveFiles(const CString& strPattern, int nFilter);
    // Removes a folder; with bContents first everything below it, depth first. Nonzero when
    // the folder itself was removed. A folder that is a link is removed as a link or left.
    BOOL RemoveTree(const CString& strFolder, BOOL bContents);

private:
    WIN32_FIND_DATAA m_findData;
    HANDLE m_hFind;

    void CloseSearch();
};
