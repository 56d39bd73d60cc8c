#include "fs/FileScanner.h"

#include "fs/NativeFile.h"

#include <wchar.h>

#include <memory>
#include <new>

namespace {

const ULONG kListingBuffer = 64 * 1024;

BOOL IsNotFound(LONG lStatus)
{
    return lStatus == NtStatus::kObjectNameNotFound || lStatus == NtStatus::kObjectPathNotFound;
}

} // namespace

CFileScanner::CFileScanner() : m_dwRetryBudget(kRemovalRetryBudgetMs) {}

BOOL CFileScanner::ListDirectories(const CHeldFolder& folder, CStringArrayW& arrNames)
{
    return folder.ListFolders(arrNames);
}

RemovalOutcome CFileScanner::RemoveTree(const CHeldFolder& folder, const CStringW& strName)
{
    CTreeRemoval removal(m_dwRetryBudget);
    if (!removal.ActIn(folder) || removal.HasCaseTwin(strName))
        return EntryLeft;
    return removal.RemoveFolder(strName);
}

CHeldFolder::CHeldFolder() : m_h(NULL), m_nPathLength(0) {}

CHeldFolder::~CHeldFolder()
{
    Close();
}

BOOL CHeldFolder::OpenByPath(const CStringW& strPath)
{
    Close();
    CNativeHandle hFolder;
    if (OpenFolderByPath(strPath, kShareNoDelete, hFolder, &m_nPathLength) != 0 ||
        (CTreeRemoval::VerifiesEntries() && !GetFullName(hFolder, m_strResolved)))
        return FALSE;
    m_h = hFolder.Detach();
    return TRUE;
}

BOOL CHeldFolder::OpenBelow(const CStringW& strPath, const CStringW& strName)
{
    Close();
    return CTreeRemoval::OpenToHold(strPath, strName, *this);
}

void CHeldFolder::Close()
{
    if (m_h != NULL)
        RemovalCalls().pfnClose(m_h);
    m_h = NULL;
    m_strResolved.Empty();
    m_nPathLength = 0;
}

BOOL CHeldFolder::ListFolders(CStringArrayW& arrNames) const
{
    if (!IsOpen())
        return FALSE;
    std::unique_ptr<BYTE[]> pBuffer(new (std::nothrow) BYTE[kListingBuffer]);
    if (!pBuffer)
        AfxThrowMemoryException();
    CFolderReader reader(m_h, pBuffer.get(), kListingBuffer);
    CStringW strName;
    DWORD dwAttributes, dwTag;
    while (reader.Next(strName, dwAttributes, dwTag))
        if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            arrNames.Add(strName);
    return reader.Status() == 0;
}

RemovalOutcome LookUpEntry(const CStringW& strPath)
{
    // Its root, "\\?\C:\" or "\\?\UNC\server\share\", and the entry without a separator after it.
    CStringW strLiteral = LiteralPathOf(strPath);
    int nSeparators = wcsncmp(strLiteral, L"\\\\?\\UNC\\", 8) == 0 ? 6 : 4;
    int nRoot = 0;
    for (int nSeen = 0; nRoot < strLiteral.GetLength() && nSeen < nSeparators; ++nRoot)
        if (strLiteral[nRoot] == L'\\')
            ++nSeen;
    if (strLiteral.GetLength() > nRoot && strLiteral[strLiteral.GetLength() - 1] == L'\\')
        strLiteral = strLiteral.Left(strLiteral.GetLength() - 1);
    if (nRoot == 0 || strLiteral[nRoot - 1] != L'\\' || strLiteral.GetLength() <= nRoot)
        return EntryLeft;   // no root, or a root, which is no entry that can be gone

    CNativeHandle hEntry;
    LONG lStatus = OpenNative(NULL, NativePathOf(strLiteral), FILE_READ_ATTRIBUTES, FILE_OPEN_FOR_BACKUP_INTENT,
                              kShareAll, hEntry);
    if (!IsNotFound(lStatus))
        return EntryLeft;   // it is there, or the system could not tell
    // The nearest folder on the way that opens must answer for the next name itself.
    for (int nSeparator = strLiteral.ReverseFind(L'\\'); nSeparator >= nRoot - 1;) {
        CNativeHandle hFolder;
        lStatus = OpenNative(NULL, NativePathOf(strLiteral.Left(nSeparator < nRoot ? nRoot : nSeparator)),
                             FILE_READ_ATTRIBUTES | FILE_TRAVERSE, FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT,
                             kShareAll, hFolder);
        if (lStatus == 0) {
            CStringW strNext = strLiteral.Mid(nSeparator + 1);
            int nEnd = strNext.Find(L'\\');
            lStatus = OpenNative(hFolder, nEnd < 0 ? strNext : strNext.Left(nEnd), FILE_READ_ATTRIBUTES,
                                 FILE_OPEN_REPARSE_POINT, kShareAll, hEntry);
            return lStatus == NtStatus::kObjectNameNotFound ? EntryAbsent : EntryLeft;
        }
        if (!IsNotFound(lStatus) || nSeparator < nRoot)
            return EntryLeft;
        nSeparator = strLiteral.Left(nSeparator).ReverseFind(L'\\');
    }
    return EntryLeft;
}
