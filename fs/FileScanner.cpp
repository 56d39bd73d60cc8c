#include "fs/FileScanner.h"

#include "platform/File.h"

namespace {

const int kMaskNotPlain = 0x5E;   // hidden, system, volume label, directory, device

BOOL IsDotEntry(LPCSTR pszName)
{
    return pszName[0] == '.' && (pszName[1] == 0 || (pszName[1] == '.' && pszName[2] == 0));
}

int LastSeparator(const CString& strPath)
{
    int nBackslash = strPath.ReverseFind('\\');
    int nSlash = strPath.ReverseFind('/');
    return nBackslash > nSlash ? nBackslash : nSlash;
}

BOOL Fits(const CString& strFolder, LPCSTR pszName)
{
    return strFolder.GetLength() + lstrlenA(pszName) < CFileScanner::kMaxComposedPath;
}

// The folder path as the entry itself: one trailing separator dropped, since the system
// looks through a link that is named with one.
CString EntryPathOf(const CString& strFolder)
{
    int nLength = strFolder.GetLength();
    if (nLength > 1 && LastSeparator(strFolder) == nLength - 1 && strFolder[nLength - 2] != ':')
        return strFolder.Left(nLength - 1);
    return strFolder;
}

} // namespace

CFileScanner::CFileScanner() : m_hFind(INVALID_HANDLE_VALUE) {}

CFileScanner::~CFileScanner()
{
    CloseSearch();
}

void CFileScanner::CloseSearch()
{
    if (m_hFind != INVALID_HANDLE_VALUE) {
        FindClose(m_hFind);
        m_hFind = INVALID_HANDLE_VALUE;
    }
}

BOOL CFileScanner::FindEntry(CString& strName, const CString& strPattern, int nFilter)
{
    BOOL bFound;
    if (strPattern.IsEmpty()) {
        bFound = FindNextFileA(m_hFind, &m_findData);
    } else {
        m_hFind = FindFirstFileA(strPattern, &m_findData);
        bFound = m_hFind != INVALID_HANDLE_VALUE;
    }
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

CString* CFileScanner::NextEntry(const CString& strPattern, int nFilter)
{
    UINT uPreviousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    CString strName;
    CString strWorking(strPattern);
    do {
        BOOL bFound = FindEntry(strName, strWorking, nFilter);
        strWorking.Empty();
        if (!bFound)
            break;
    } while (strName.IsEmpty());
    SetErrorMode(uPreviousMode);

    if (strName.IsEmpty())
        return NULL;
    return new CString(strName);
}

CStringList* CFileScanner::ListEntries(const CString& strPattern, int nFilter)
{
    CStringList* pList = new CStringList(10);
    CString strFolder = DirectoryOf(strPattern, TRUE);
    const CString strContinue;

    CString* pEntry = NextEntry(strPattern, nFilter);
    while (pEntry != NULL) {
        if (!IsDotEntry(*pEntry) && Fits(strFolder, *pEntry))
            pList->AddTail(strFolder + *pEntry);
        delete pEntry;
        pEntry = NextEntry(strContinue, nFilter);
    }
    CloseSearch();
    return pList;
}

CStringList* CFileScanner::ListDirectories(const CString& strFolder, BOOL bFullPaths)
{
    CStringList* pList = new CStringList(10);
    CString strPattern = JoinPath(strFolder, "*.*");
    CString strParent = DirectoryOf(strPattern, TRUE);
    const CString strContinue;

    CString* pEntry = NextEntry(strPattern, FILE_ATTRIBUTE_DIRECTORY);
    while (pEntry != NULL) {
        // A path that would not fit is left out rather than cut.
        if (!IsDotEntry(*pEntry) && Fits(strParent, *pEntry)) {
            CString strFullPath = strParent + *pEntry;
            CFileStatus status;
            if (CFile::GetStatus(strFullPath, status) &&
                (status.m_attribute & FILE_ATTRIBUTE_DIRECTORY) != 0)
                pList->AddTail(bFullPaths ? strFullPath : *pEntry);
        }
        delete pEntry;
        pEntry = NextEntry(strContinue, FILE_ATTRIBUTE_DIRECTORY);
    }
    CloseSearch();
    return pList;
}

CStringList* CFileScanner::CollectFiles(const CString& strPattern, int nFilter, BOOL bRecurse,
                                        CStringList* pList)
{
    CStringList* pEntries = ListEntries(strPattern, nFilter);
    if (pList == NULL) {
        pList = pEntries;   // a new list: the caller owns it
    } else {
        pList->AddTail(pEntries);
        delete pEntries;
    }

    if (bRecurse) {
        CString strName = FileNameOf(strPattern);
        CStringList* pFolders = ListDirectories(DirectoryOf(strPattern, TRUE), TRUE);
        POSITION pos = pFolders->GetHeadPosition();
        while (pos != NULL) {
            const CString& strFolder = pFolders->GetNext(pos);
            if (!CFile::IsLink(strFolder))
                CollectFiles(JoinPath(strFolder, strName), nFilter, TRUE, pList);
        }
        delete pFolders;
    }
    return pList;
}

CString CFileScanner::JoinPath(const CString& strFolder, const CString& strName)
{
    if (strFolder.IsEmpty() || LastSeparator(strFolder) == strFolder.GetLength() - 1)
        return strFolder + strName;
    return strFolder + '\\' + strName;
}

CString CFileScanner::FileNameOf(const CString& strPath)
{
    int nSeparator = LastSeparator(strPath);
    if (nSeparator < 0)
        return strPath;
    return strPath.Mid(nSeparator + 1);
}

CString CFileScanner::DirectoryOf(const CString& strPath, BOOL bKeepDrive)
{
    CString strResult;
    int nSeparator = LastSeparator(strPath);
    if (nSeparator >= 0)
        strResult = strPath.Left(nSeparator + 1);
    if (!bKeepDrive) {
        int nColon = strResult.Find(':');
        if (nColon >= 0)
            strResult = strResult.Mid(nColon + 1);
    }
    return strResult;
}

BOOL CFileScanner::RemoveFile(const CString& strPath)
{
    try {
        CFile::Remove(strPath);
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL CFileScanner::RemoveFiles(const CString& strPattern, int nFilter)
{
    CStringList* pList = CollectFiles(strPattern, nFilter, FALSE, NULL);
    BOOL bResult = TRUE;
    POSITION pos = pList->GetHeadPosition();
    while (pos != NULL) {
        if (!RemoveFile(pList->GetNext(pos)))
            bResult = FALSE;
    }
    delete pList;
    return bResult;
}

BOOL CFileScanner::RemoveTree(const CString& strFolder, BOOL bContents)
{
    // The empty path would address the process's current folder.
    if (strFolder.IsEmpty())
        return FALSE;

    // A link is never walked: it goes as a link, or stays where the system cannot do that.
    CString strEntry = EntryPathOf(strFolder);
    if (CFile::IsLink(strEntry))
        return CFile::RemoveFolderLink(strEntry);

    if (bContents) {
        CStringList* pFolders = ListDirectories(strFolder, TRUE);
        POSITION pos = pFolders->GetHeadPosition();
        while (pos != NULL)
            RemoveTree(pFolders->GetNext(pos), bContents);
        delete pFolders;

        RemoveFiles(JoinPath(strFolder, "*.*"), -1);
    }
    return RemoveDirectoryA(strFolder);
}
