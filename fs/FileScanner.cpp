#include "fs/FileScanner.h"

#include "platform/File.h"

namespace {

const DWORD kRetryBudgetMs = 1000;   // a scanner's wait for brief refusals, in all
const int kMaxTries = 8;             // of one entry: waits of 5, 10, 20 ... 320 ms
const ULONG kListingBuffer = 64 * 1024;

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

// Waits before try nTry + 1 at an entry the system refused for a moment (another program
// holds it, or a folder's last entries are still going), taking the wait from rdwBudget.
// FALSE when the entry has had its tries or the budget is spent.
BOOL WaitBeforeRetry(int nTry, DWORD& rdwBudget)
{
    if (nTry + 1 >= kMaxTries || rdwBudget == 0)
        return FALSE;
    DWORD dwWait = 5u << nTry;
    if (dwWait > rdwBudget)
        dwWait = rdwBudget;
    Sleep(dwWait);
    rdwBudget -= dwWait;
    return TRUE;
}

BOOL& VerifyEntries()
{
    static BOOL s_bVerify =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
    return s_bVerify;
}

} // namespace

CFileScanner::CFileScanner() : m_dwRetryBudget(kRetryBudgetMs) {}

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
    UINT uPreviousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    BOOL bFound = FindEntry(strName, strPattern, nFilter);
    while (bFound && strName.IsEmpty())
        bFound = FindEntry(strName, CStringW(), nFilter);
    SetErrorMode(uPreviousMode);
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

// One removal, from the folder that holds the entry named, through open handles.
class CFileScanner::CTreeWalk
{
public:
    explicit CTreeWalk(DWORD& rdwRetryBudget)
        : m_rdwRetryBudget(rdwRetryBudget), m_bVerify(VerifiesEntries()), m_nPathLength(0),
          m_pBuffer(NULL)
    {
    }
    ~CTreeWalk() { delete[] m_pBuffer; }

    // Opens the folder part of a path, once; the entry's own name goes to strName.
    // FALSE where the path names no entry of a folder: empty, a volume's root, a name
    // that cannot be joined, or a folder that cannot be opened or named.
    BOOL Start(const CStringW& strPath, CStringW& strName)
    {
        CStringW strLiteral = LiteralPathOf(strPath);
        int nLength = strLiteral.GetLength();
        if (nLength > 0 && strLiteral[nLength - 1] == L'\\')
            strLiteral = strLiteral.Left(--nLength);
        int nSlash = strLiteral.ReverseFind(L'\\');
        if (nSlash < 0)
            return FALSE;
        strName = strLiteral.Mid(nSlash + 1);
        CStringW strFolder = strLiteral.Left(nSlash + 1);
        if (!IsComposableName(strName) || strFolder.GetLength() <= 4)
            return FALSE;
        m_nPathLength = nSlash;
        if (!CNtFile::OpenFolderByPath(strFolder, m_hTop))
            return FALSE;
        return !m_bVerify || CNtFile::GetName(m_hTop, m_strPath);
    }
    HANDLE Top() const { return m_hTop; }

    // Removes the folder strName of hFolder (with bContents everything below it first)
    // or, where it is a link, the link. TRUE when it goes.
    BOOL RemoveFolder(HANDLE hFolder, const CStringW& strName, BOOL bContents)
    {
        CHandle hEntry;
        CStringW strResolved;
        DWORD dwAttributes, dwTag;
        if (!Open(hFolder, strName, CNtFile::Folder, hEntry, &strResolved) ||
            CNtFile::GetAttributes(hEntry, dwAttributes, dwTag) != 0)
            return FALSE;
        if (IsLinkEntry(dwAttributes, dwTag))
            return Delete(hEntry, FALSE, TRUE);   // the system opened the link itself
        if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return FALSE;
        BOOL bEmptied = FALSE;   // everything the folder held has gone
        if (bContents) {
            int nPathLength = m_nPathLength;
            m_nPathLength += 1 + strName.GetLength();
            m_strPath.Swap(strResolved);
            bEmptied = Empty(hEntry);
            m_strPath.Swap(strResolved);
            m_nPathLength = nPathLength;
        }
        return Delete(hEntry, TRUE, bEmptied);
    }

    // Removes the entry strName of hFolder that is no folder to walk: a file, or with
    // bLink a link, which goes as the link or stays. TRUE when it goes.
    BOOL RemoveEntry(HANDLE hFolder, const CStringW& strName, BOOL bLink)
    {
        CHandle hEntry;
        // Where a handle needs no check and the system deletes no name at once, a file
        // can go with the handle, as the system's own deletion does: one call less.
        if (!bLink && !m_bVerify && !CNtFile::DeletesAtOnce())
            return Open(hFolder, strName, CNtFile::FileDeletedOnClose, hEntry);
        if (!Open(hFolder, strName, bLink ? CNtFile::Either : CNtFile::File, hEntry))
            return FALSE;
        if (bLink) {
            // Where the system reached what the link leads to, the handle is no link.
            DWORD dwAttributes, dwTag;
            if (CNtFile::GetAttributes(hEntry, dwAttributes, dwTag) != 0 ||
                (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                return FALSE;
        }
        return Delete(hEntry, FALSE, TRUE);
    }

private:
    // Lists the open folder once, then removes its subfolders in listing order, then its
    // other entries. TRUE when nothing was left.
    BOOL Empty(HANDLE hFolder)
    {
        CStringListW folders, files, links;
        BOOL bComplete = List(hFolder, folders, files, links);
        POSITION pos = folders.GetHeadPosition();
        while (pos != NULL)
            bComplete &= RemoveFolder(hFolder, folders.GetNext(pos), TRUE);
        pos = files.GetHeadPosition();
        while (pos != NULL)
            bComplete &= RemoveEntry(hFolder, files.GetNext(pos), FALSE);
        pos = links.GetHeadPosition();
        while (pos != NULL)
            bComplete &= RemoveEntry(hFolder, links.GetNext(pos), TRUE);
        return bComplete;
    }

    // Sorts the entries of the open folder into subfolders to walk, files, and links.
    // FALSE when an entry was left out or the listing stopped early.
    BOOL List(HANDLE hFolder, CStringListW& folders, CStringListW& files, CStringListW& links)
    {
        if (m_pBuffer == NULL)
            m_pBuffer = new BYTE[kListingBuffer];
        BOOL bComplete = TRUE;
        CFolderReader reader(hFolder, m_pBuffer, kListingBuffer);
        CFolderEntry entry;
        while (reader.Next(entry)) {
            if (!IsComposableName(entry.m_strName) ||
                !FitsComposedPath(m_nPathLength, entry.m_strName.GetLength()))
                bComplete = FALSE;
            else if (IsLinkEntry(entry.m_dwAttributes, entry.m_dwReparseTag))
                links.AddTail(entry.m_strName);
            else if ((entry.m_dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                folders.AddTail(entry.m_strName);
            else
                files.AddTail(entry.m_strName);
        }
        return bComplete && reader.Status() == 0;
    }

    // Opens the entry strName of hFolder as itself, trying again while another program
    // holds it for a moment; with m_bVerify only when the handle is the entry itself, and
    // then the name the system resolved for it goes to *pstrResolved.
    BOOL Open(HANDLE hFolder, const CStringW& strName, CNtFile::Kind kind, CHandle& rEntry,
              CStringW* pstrResolved = NULL)
    {
        for (int nTry = 0;; ++nTry) {
            LONG lStatus = CNtFile::OpenChild(hFolder, strName, kind, rEntry);
            if (lStatus == 0)
                break;
            if (lStatus != NtStatus::kSharingViolation || !WaitBeforeRetry(nTry, m_rdwRetryBudget))
                return FALSE;
        }
        CStringW strResolved;
        if (m_bVerify && !(CNtFile::GetName(rEntry, strResolved) &&
                           IsEntryItself(strResolved, m_strPath, strName))) {
            rEntry.Close();
            return FALSE;
        }
        if (pstrResolved != NULL)
            pstrResolved->Swap(strResolved);
        return TRUE;
    }

    // Deletes the open entry; a folder emptied of everything it held is tried again
    // while its last entries are still going.
    BOOL Delete(HANDLE hEntry, BOOL bFolder, BOOL bEmptied)
    {
        for (int nTry = 0;; ++nTry) {
            LONG lStatus = CNtFile::MarkForDeletion(hEntry, bFolder);
            if (lStatus == 0)
                return TRUE;
            BOOL bBrief = lStatus == NtStatus::kSharingViolation ||
                          (lStatus == NtStatus::kDirectoryNotEmpty && bEmptied);
            if (!bBrief || !WaitBeforeRetry(nTry, m_rdwRetryBudget))
                return FALSE;
        }
    }

    DWORD& m_rdwRetryBudget;
    const BOOL m_bVerify;
    CHandle m_hTop;        // the folder that holds the entry named
    CStringW m_strPath;    // with m_bVerify: the name the system resolved for the folder being walked
    int m_nPathLength;     // characters of the literal path of the folder being walked
    BYTE* m_pBuffer;       // one listing at a time
};

BOOL CFileScanner::RemoveFile(const CStringW& strPath)
{
    CTreeWalk walk(m_dwRetryBudget);
    CStringW strName;
    return walk.Start(strPath, strName) && walk.RemoveEntry(walk.Top(), strName, FALSE);
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
    CTreeWalk walk(m_dwRetryBudget);
    CStringW strName;
    if (!walk.Start(strFolder, strName))
        return FALSE;
    UINT uPreviousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    BOOL bRemoved = walk.RemoveFolder(walk.Top(), strName, bContents);
    SetErrorMode(uPreviousMode);
    return bRemoved;
}

BOOL CFileScanner::VerifiesEntries()
{
    return VerifyEntries();
}

void CFileScanner::SetVerifiesEntries(BOOL bVerify)
{
    VerifyEntries() = bVerify;
}
