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
    return IsComposableName(strName) &&
           strFolder.GetLength() + strName.GetLength() < CFileScanner::kMaxComposedPath;
}

} // namespace

CFileScanner::CFileScanner() {}

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

CStringW* CFileScanner::NextEntry(const CStringW& strPattern, int nFilter)
{
    UINT uPreviousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    CStringW strName;
    CStringW strWorking(strPattern);
    do {
        BOOL bFound = FindEntry(strName, strWorking, nFilter);
        strWorking.Empty();
        if (!bFound)
            break;
    } while (strName.IsEmpty());
    SetErrorMode(uPreviousMode);

    if (strName.IsEmpty())
        return NULL;
    return new CStringW(strName);
}

CStringListW* CFileScanner::ListEntries(const CStringW& strPattern, int nFilter)
{
    CStringListW* pList = new CStringListW(10);
    CStringW strFolder = DirectoryOf(strPattern, TRUE);
    const CStringW strContinue;

    CStringW* pEntry = NextEntry(strPattern, nFilter);
    while (pEntry != NULL) {
        if (IsListable(strFolder, *pEntry))
            pList->AddTail(strFolder + *pEntry);
        delete pEntry;
        pEntry = NextEntry(strContinue, nFilter);
    }
    m_find.Close();
    return pList;
}

CStringListW* CFileScanner::ListDirectories(const CStringW& strFolder, BOOL bFullPaths)
{
    CStringListW* pList = new CStringListW(10);
    CStringW strPattern = JoinPath(strFolder, L"*.*");
    CStringW strParent = DirectoryOf(strPattern, TRUE);
    const CStringW strContinue;

    CStringW* pEntry = NextEntry(strPattern, FILE_ATTRIBUTE_DIRECTORY);
    while (pEntry != NULL) {
        // A path that would not fit is left out rather than cut.
        if (IsListable(strParent, *pEntry)) {
            CStringW strFullPath = strParent + *pEntry;
            CFileStatus status;
            if (CFile::GetStatus(strFullPath, status) &&
                (status.m_attribute & FILE_ATTRIBUTE_DIRECTORY) != 0)
                pList->AddTail(bFullPaths ? strFullPath : *pEntry);
        }
        delete pEntry;
        pEntry = NextEntry(strContinue, FILE_ATTRIBUTE_DIRECTORY);
    }
    m_find.Close();
    return pList;
}

CStringListW* CFileScanner::CollectFiles(const CStringW& strPattern, int nFilter, BOOL bRecurse,
                                        CStringListW* pList)
{
    CStringListW* pEntries = ListEntries(strPattern, nFilter);
    if (pList == NULL) {
        pList = pEntries;   // a new list: the caller owns it
    } else {
        pList->AddTail(pEntries);
        delete pEntries;
    }

    if (bRecurse) {
        CStringW strName = FileNameOf(strPattern);
        CStringListW* pFolders = ListDirectories(DirectoryOf(strPattern, TRUE), TRUE);
        POSITION pos = pFolders->GetHeadPosition();
        while (pos != NULL) {
            const CStringW& strFolder = pFolders->GetNext(pos);
            if (!CFile::IsLink(strFolder))
                CollectFiles(JoinPath(strFolder, strName), nFilter, TRUE, pList);
        }
        delete pFolders;
    }
    return pList;
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

BOOL CFileScanner::RemoveFile(const CStringW& strPath)
{
    try {
        CFile::Remove(strPath);
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL CFileScanner::RemoveFiles(const CStringW& strPattern, int nFilter)
{
    CStringListW* pList = CollectFiles(strPattern, nFilter, FALSE, NULL);
    BOOL bResult = TRUE;
    POSITION pos = pList->GetHeadPosition();
    while (pos != NULL) {
        if (!RemoveFile(pList->GetNext(pos)))
            bResult = FALSE;
    }
    delete pList;
    return bResult;
}

BOOL CFileScanner::RemoveTree(const CStringW& strFolder, BOOL bContents)
{
    // The empty path would address the process's current folder.
    if (strFolder.IsEmpty())
        return FALSE;

    // A link is never walked: it goes as a link, or stays where the system cannot do that.
    if (CFile::IsLink(strFolder))
        return CFile::RemoveFolderLink(strFolder);

    if (bContents) {
        CStringListW* pFolders = ListDirectories(strFolder, TRUE);
        POSITION pos = pFolders->GetHeadPosition();
        while (pos != NULL)
            RemoveTree(pFolders->GetNext(pos), bContents);
        delete pFolders;

        RemoveFiles(JoinPath(strFolder, L"*.*"), -1);
    }
    return CFile::RemoveFolder(strFolder);
}
