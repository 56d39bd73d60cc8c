#include "fs/FileScanner.h"

#include "platform/File.h"

namespace {

const int kMaskNotPlain = 0x5E;   // hidden, system, volume label, directory, device

int LastSeparator(const CStringW& strPath)
{
    int nBackslash = strPath.ReverseFind(L'\\');
    int nSlash = strPath.ReverseFind(L'/');
    return nBackslash > nSlash ? nBackslash : nSlash;
}

// TRUE when the entry can be listed: its name can be joined to the folder, and the
// joined path fits.
BOOL IsListable(const CStringW& strFolder, const CStringW& strName)
{
    return IsComposableName(strName) && FitsComposedPath(strFolder.GetLength(), strName.GetLength());
}

} // namespace

CFileScanner::CFileScanner() : m_dwRetryBudget(kRemovalRetryBudgetMs) {}

CFileScanner::~CFileScanner() {}

BOOL CFileScanner::FindEntry(CStringW& strName, const CStringW& strPattern, int nFilter)
{
    BOOL bFound = strPattern.IsEmpty() ? m_find.FindNext(m_findData)
                                       : m_find.FindFirst(strPattern, m_findData);
    if (!bFound) {
        strName.Empty();
        return FALSE;
    }

    DWORD dwAttributes = m_findData.dwFileAttributes;
    BOOL bMatch;
    if ((nFilter == 0 || nFilter == FILE_ATTRIBUTE_NORMAL) && (dwAttributes & kMaskNotPlain) == 0)
        bMatch = TRUE;
    else if (nFilter == -1)
        bMatch = TRUE;
    else
        bMatch = (dwAttributes & static_cast<DWORD>(nFilter)) != 0;

    if (bMatch)
        strName = m_findData.cFileName;
    else
        strName.Empty();
    return TRUE;
}

BOOL CFileScanner::NextEntry(CStringW& strName, const CStringW& strPattern, int nFilter)
{
    BOOL bFound = FindEntry(strName, strPattern, nFilter);
    while (bFound && strName.IsEmpty())
        bFound = FindEntry(strName, CStringW(), nFilter);
    return bFound;
}

void CFileScanner::ListEntries(const CStringW& strPattern, int nFilter, CStringListW& list)
{
    CStringW strFolder = DirectoryOf(strPattern, TRUE);
    CStringW strName;
    for (BOOL bFound = NextEntry(strName, strPattern, nFilter); bFound;
         bFound = NextEntry(strName, CStringW(), nFilter)) {
        if (IsListable(strFolder, strName))
            list.AddTail(strFolder + strName);
    }
    m_find.Close();
}

void CFileScanner::ListDirectories(const CStringW& strFolder, BOOL bFullPaths, CStringListW& list)
{
    CStringW strPattern = JoinPath(strFolder, L"*.*");
    CStringW strParent = DirectoryOf(strPattern, TRUE);
    CStringW strName;
    for (BOOL bFound = NextEntry(strName, strPattern, FILE_ATTRIBUTE_DIRECTORY); bFound;
         bFound = NextEntry(strName, CStringW(), FILE_ATTRIBUTE_DIRECTORY)) {
        // A path that would not fit is left out rather than cut.
        if (!IsListable(strParent, strName))
            continue;
        CStringW strFullPath = strParent + strName;
        CFileStatus status;
        if (CFile::GetStatus(strFullPath, status) && (status.m_attribute & FILE_ATTRIBUTE_DIRECTORY) != 0)
            list.AddTail(bFullPaths ? strFullPath : strName);
    }
    m_find.Close();
}

void CFileScanner::CollectFiles(const CStringW& strPattern, int nFilter, BOOL bRecurse,
                                CStringListW& list)
{
    ListEntries(strPattern, nFilter, list);
    if (!bRecurse)
        return;
    CStringW strName = FileNameOf(strPattern);
    CStringListW folders;
    ListDirectories(DirectoryOf(strPattern, TRUE), TRUE, folders);
    POSITION pos = folders.GetHeadPosition();
    while (pos != NULL) {
        const CStringW& strFolder = folders.GetNext(pos);
        if (!CFile::IsLink(strFolder))
            CollectFiles(JoinPath(strFolder, strName), nFilter, TRUE, list);
    }
}

CStringW CFileScanner::JoinPath(const CStringW& strFolder, const CStringW& strName)
{
    if (strFolder.IsEmpty() || LastSeparator(strFolder) == strFolder.GetLength() - 1)
        return strFolder + strName;
    return strFolder + L'\\' + strName;
}

CStringW CFileScanner::FileNameOf(const CStringW& strPath)
{
    int nSeparator = LastSeparator(strPath);
    if (nSeparator < 0)
        return strPath;
    return strPath.Mid(nSeparator + 1);
}

CStringW CFileScanner::DirectoryOf(const CStringW& strPath, BOOL bKeepDrive)
{
    CStringW strResult;
    int nSeparator = LastSeparator(strPath);
    if (nSeparator >= 0)
        strResult = strPath.Left(nSeparator + 1);
    if (!bKeepDrive) {
        int nColon = strResult.Find(L':');
        if (nColon >= 0)
            strResult = strResult.Mid(nColon + 1);
    }
    return strResult;
}

// ---- Removal ----

namespace {

// Splits a path into the folder that holds the entry it names and the entry's own name,
// both literal. FALSE where the path names no entry of a folder: it is empty, names a
// volume's root or a share, or ends in a name that cannot be joined to a path.
BOOL SplitEntryPath(const CStringW& strPath, CStringW& strFolder, CStringW& strName)
{
    CStringW strLiteral = LiteralPathOf(strPath);
    int nLength = strLiteral.GetLength();
    if (nLength > 0 && strLiteral[nLength - 1] == L'\\')
        strLiteral = strLiteral.Left(--nLength);
    int nSeparator = strLiteral.ReverseFind(L'\\');
    if (nSeparator < 0)
        return FALSE;
    strName = strLiteral.Mid(nSeparator + 1);
    strFolder = strLiteral.Left(nSeparator + 1);
    return IsComposableName(strName);   // a drive ("C:") is none
}

// Opens, for the removal, the folder that holds the entry strPath names; its name goes to
// strName.
BOOL OpenFolderOf(const CStringW& strPath, CTreeRemoval& removal, CStringW& strName)
{
    CStringW strFolder;
    return SplitEntryPath(strPath, strFolder, strName) && removal.OpenFolder(strFolder) == 0;
}

} // namespace

BOOL CFileScanner::RemoveFile(const CStringW& strPath)
{
    CTreeRemoval removal(m_dwRetryBudget);
    CStringW strName;
    return OpenFolderOf(strPath, removal, strName) && removal.RemoveFile(strName) == EntryRemoved;
}

BOOL CFileScanner::RemoveFiles(const CStringW& strPattern, int nFilter)
{
    CStringListW entries;
    CollectFiles(strPattern, nFilter, FALSE, entries);
    BOOL bResult = TRUE;
    POSITION pos = entries.GetHeadPosition();
    while (pos != NULL) {
        if (!RemoveFile(entries.GetNext(pos)))
            bResult = FALSE;
    }
    return bResult;
}

BOOL CFileScanner::RemoveTree(const CStringW& strFolder, BOOL bContents)
{
    CTreeRemoval removal(m_dwRetryBudget);
    CStringW strName;
    return OpenFolderOf(strFolder, removal, strName) &&
           removal.RemoveFolder(strName, bContents ? CTreeRemoval::WithContents : CTreeRemoval::ItselfOnly) ==
               EntryRemoved;
}
