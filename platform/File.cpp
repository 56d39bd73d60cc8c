#include "platform/File.h"

#include <string.h>
#include <wchar.h>

// Windows reports every junction and symbolic link as a reparse point, and DeleteFileW on a
// file link removes the link itself, so there files are deleted by name. Some compatibility
// layers (Wine) report a link to a file as a plain file and delete what it leads to; there,
// and for every folder link, removal goes through one handle: the entry is opened as itself
// (a link not followed where the system allows that), the name the system resolved for the
// handle is compared with the path the caller named, and only then is the handle marked for
// deletion. A system that cannot open a link as itself resolves the handle to the link's
// target; the names then differ and nothing is deleted.

namespace {

struct IoStatusBlock
{
    union {
        LONG Status;
        PVOID Pointer;
    };
    ULONG_PTR Information;
};

typedef LONG(NTAPI* PFN_FILE_INFORMATION)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);
typedef ULONG(NTAPI* PFN_STATUS_TO_ERROR)(LONG);

const ULONG kFileNameInformation = 9;
const ULONG kFileDispositionInformation = 13;

struct NtFileServices
{
    PFN_FILE_INFORMATION pfnQuery;
    PFN_FILE_INFORMATION pfnSet;
    PFN_STATUS_TO_ERROR pfnToError;

    NtFileServices()
    {
        HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
        pfnQuery = reinterpret_cast<PFN_FILE_INFORMATION>(
            reinterpret_cast<void*>(GetProcAddress(hNtdll, "NtQueryInformationFile")));
        pfnSet = reinterpret_cast<PFN_FILE_INFORMATION>(
            reinterpret_cast<void*>(GetProcAddress(hNtdll, "NtSetInformationFile")));
        pfnToError = reinterpret_cast<PFN_STATUS_TO_ERROR>(
            reinterpret_cast<void*>(GetProcAddress(hNtdll, "RtlNtStatusToDosError")));
    }
};

const NtFileServices& Nt()
{
    static const NtFileServices s_services;
    return s_services;
}

// Where directory listings show a link to a file as a plain file, deleting by name
// would reach the link's target.
CFile::DeleteStrategy& Strategy()
{
    static CFile::DeleteStrategy s_strategy =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL
            ? CFile::DeleteVerified
            : CFile::DeleteByName;
    return s_strategy;
}

bool IsSeparator(WCHAR ch)
{
    return ch == L'\\' || ch == L'/';
}

bool HasPrefix(LPCWSTR psz, LPCWSTR pszPrefix)
{
    return wcsncmp(psz, pszPrefix, wcslen(pszPrefix)) == 0;
}

// Appends the components of pszRest to strPath, which holds a root ("\\?\C:" or
// "\\?\UNC\server\share"): "." is dropped, ".." drops the component before it (never
// the root), and empty components (repeated separators) are folded.
void AppendComponents(CStringW& strPath, LPCWSTR pszRest)
{
    const int nRoot = strPath.GetLength();
    size_t cchRest = wcslen(pszRest);
    bool bTrailing = cchRest > 0 && IsSeparator(pszRest[cchRest - 1]);
    LPCWSTR p = pszRest;
    while (*p != 0) {
        while (IsSeparator(*p))
            ++p;
        LPCWSTR pEnd = p;
        while (*pEnd != 0 && !IsSeparator(*pEnd))
            ++pEnd;
        int nLength = static_cast<int>(pEnd - p);
        if (nLength == 0)
            break;
        if (nLength == 1 && p[0] == L'.') {
            // the same folder
        } else if (nLength == 2 && p[0] == L'.' && p[1] == L'.') {
            int nLast = strPath.ReverseFind(L'\\');
            if (nLast >= nRoot)
                strPath = strPath.Left(nLast);
        } else {
            strPath += L'\\';
            strPath += CStringW(p, nLength);
        }
        p = pEnd;
    }
    if (bTrailing || strPath.GetLength() == nRoot)
        strPath += L'\\';
}

// The name the system resolved for an open handle, relative to its volume ("\dir\name").
BOOL GetHandleName(HANDLE hFile, CStringW& strName)
{
    if (Nt().pfnQuery == NULL)
        return FALSE;
    // Most names fit the buffer on the stack; a longer one is asked for again.
    struct Info
    {
        ULONG FileNameLength;
        WCHAR FileName[MAX_PATH * 2];
    } info;
    IoStatusBlock io;
    LONG lStatus = Nt().pfnQuery(hFile, &io, &info, sizeof(info), kFileNameInformation);
    if (lStatus == 0) {
        int nLength = static_cast<int>(info.FileNameLength / sizeof(WCHAR));
        strName = CStringW(info.FileName, nLength);
        return nLength > 0;
    }
    const LONG kBufferOverflow = static_cast<LONG>(0x80000005);
    if (lStatus != kBufferOverflow || info.FileNameLength > kMaxSystemPath * sizeof(WCHAR))
        return FALSE;
    ULONG cbInfo = sizeof(ULONG) + info.FileNameLength;
    Info* pInfo = static_cast<Info*>(HeapAlloc(GetProcessHeap(), 0, cbInfo));
    if (pInfo == NULL)
        return FALSE;
    BOOL bOk = Nt().pfnQuery(hFile, &io, pInfo, cbInfo, kFileNameInformation) == 0 &&
               pInfo->FileNameLength > 0;
    if (bOk)
        strName = CStringW(pInfo->FileName, static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR)));
    HeapFree(GetProcessHeap(), 0, pInfo);
    return bOk;
}

// The name of a literal path relative to its volume, as the system names an open
// handle: \\?\C:\a\b gives \a\b, \\?\UNC\server\share\a gives \server\share\a.
CStringW VolumeNameOf(const CStringW& strLiteral)
{
    if (HasPrefix(strLiteral, L"\\\\?\\UNC\\"))
        return strLiteral.Mid(7);
    if (strLiteral.GetLength() >= 7 && strLiteral[5] == L':' && strLiteral[6] == L'\\')
        return strLiteral.Mid(6);
    return CStringW();
}

BOOL SameName(const CStringW& a, const CStringW& b)
{
    return a.GetLength() == b.GetLength() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, a.GetLength(), b,
                          b.GetLength()) == CSTR_EQUAL;
}

// TRUE when the open handle is the entry strLiteral names, not something a link leads to.
// The plain comparison of full paths fails also where a folder above the entry is a link;
// then the entry is compared with the resolved name of its folder.
BOOL IsEntryItself(HANDLE hEntry, const CStringW& strLiteral)
{
    CStringW strResolved;
    CStringW strExpected = VolumeNameOf(strLiteral);
    if (strExpected.IsEmpty() || !GetHandleName(hEntry, strResolved))
        return FALSE;
    if (SameName(strResolved, strExpected))
        return TRUE;

    int nSlash = strLiteral.ReverseFind(L'\\');
    CHandle hFolder(CreateFileW(strLiteral.Left(nSlash + 1), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    CStringW strFolder;
    if (!hFolder.IsValid() || !GetHandleName(hFolder, strFolder))
        return FALSE;
    if (strFolder == L"\\")
        strFolder.Empty();   // the volume's root: "\" followed by "\name"
    return SameName(strResolved, strFolder + strLiteral.Mid(nSlash));
}

// The literal path of the entry itself: without a trailing separator (but for a
// volume's root), with which the system would look through a link.
CStringW EntryPathOf(LPCWSTR pszPath)
{
    CStringW strLiteral = LiteralPathOf(pszPath);
    int nLength = strLiteral.GetLength();
    if (nLength > 0 && strLiteral[nLength - 1] == L'\\' && VolumeNameOf(strLiteral).GetLength() > 1)
        strLiteral = strLiteral.Left(nLength - 1);
    return strLiteral;
}

// Deletes the entry through one handle. Returns 0 or the system's error code.
DWORD RemoveEntry(LPCWSTR pszPath, BOOL bFolderLink)
{
    if (Nt().pfnSet == NULL)
        return ERROR_CALL_NOT_IMPLEMENTED;
    CStringW strLiteral = EntryPathOf(pszPath);
    if (VolumeNameOf(strLiteral).GetLength() <= 1)
        return ERROR_INVALID_NAME;   // no entry, or a volume's root

    DWORD dwFlags = FILE_FLAG_OPEN_REPARSE_POINT | (bFolderLink ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    // Opened with every sharing flag, so that a file another program holds open with
    // delete sharing still goes once that program lets it go.
    CHandle hEntry(CreateFileW(strLiteral, DELETE | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, dwFlags, NULL));
    if (!hEntry.IsValid())
        return GetLastError();

    if (bFolderLink) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(hEntry, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            return ERROR_ACCESS_DENIED;   // the handle is the target, or a plain folder
    }
    if (!IsEntryItself(hEntry, strLiteral))
        return ERROR_ACCESS_DENIED;
    BOOLEAN bDelete = TRUE;
    IoStatusBlock io;
    LONG lStatus = Nt().pfnSet(hEntry, &io, &bDelete, sizeof(bDelete), kFileDispositionInformation);
    if (lStatus != 0)
        return Nt().pfnToError != NULL ? Nt().pfnToError(lStatus) : ERROR_ACCESS_DENIED;
    return 0;
}

} // namespace

CStringW LiteralPathOf(LPCWSTR pszPath)
{
    if (pszPath == NULL || pszPath[0] == 0)
        return CStringW();
    CStringW strResult;
    if (HasPrefix(pszPath, L"\\\\?\\")) {
        strResult = pszPath;
    } else if (IsSeparator(pszPath[0]) && IsSeparator(pszPath[1])) {
        // \\server\share\rest; device paths (\\.\) are not files of a folder tree.
        LPCWSTR pServer = pszPath + 2;
        LPCWSTR pShare = pServer;
        while (*pShare != 0 && !IsSeparator(*pShare))
            ++pShare;
        LPCWSTR pRest = *pShare != 0 ? pShare + 1 : pShare;
        while (*pRest != 0 && !IsSeparator(*pRest))
            ++pRest;
        if (pShare == pServer || *pShare == 0 || pRest == pShare + 1 ||
            (pShare - pServer == 1 && (*pServer == L'.' || *pServer == L'?')))
            return CStringW();
        strResult = L"\\\\?\\UNC\\";
        strResult += CStringW(pServer, static_cast<int>(pShare - pServer));
        strResult += L'\\';
        strResult += CStringW(pShare + 1, static_cast<int>(pRest - pShare - 1));
        AppendComponents(strResult, pRest);
    } else if (pszPath[0] != 0 && pszPath[1] == L':' && IsSeparator(pszPath[2])) {
        strResult = L"\\\\?\\";
        strResult += CStringW(pszPath, 2);
        AppendComponents(strResult, pszPath + 2);
    } else {
        // Relative to the current folder, to the current drive's root, or to the current
        // folder of another drive: the system supplies that base, the rest stays literal.
        bool bDriveRelative = pszPath[0] != 0 && pszPath[1] == L':';
        WCHAR szBase[4] = { pszPath[0], L':', 0, 0 };
        LPCWSTR pszBase = bDriveRelative ? szBase : L".";
        DWORD cch = GetFullPathNameW(pszBase, 0, NULL, NULL);
        if (cch == 0 || cch > static_cast<DWORD>(kMaxSystemPath))
            return CStringW();
        CStringW strBase;
        GetFullPathNameW(pszBase, cch, strBase.GetBuffer(static_cast<int>(cch)), NULL);
        strBase.ReleaseBuffer();
        if (strBase.IsEmpty() || HasPrefix(strBase, L"\\\\?\\"))
            return CStringW();
        if (IsSeparator(pszPath[0])) {
            if (strBase[1] != L':')
                return CStringW();   // the root of a server path is not a drive's
            strBase = strBase.Left(2);   // the current drive's root
        }
        LPCWSTR pszRest = bDriveRelative ? pszPath + 2 : pszPath;
        return LiteralPathOf(strBase + L'\\' + CStringW(pszRest));
    }
    if (strResult.GetLength() >= kMaxSystemPath)
        return CStringW();
    return strResult;
}

BOOL IsComposableName(LPCWSTR pszName)
{
    if (pszName == NULL || pszName[0] == 0)
        return FALSE;
    if (wcscmp(pszName, L".") == 0 || wcscmp(pszName, L"..") == 0)
        return FALSE;
    return wcspbrk(pszName, L"\\/:*?\"<>|") == NULL;
}

void CHandle::Close()
{
    if (IsValid())
        CloseHandle(m_h);
    m_h = INVALID_HANDLE_VALUE;
}

BOOL CFindFile::FindFirst(LPCWSTR pszPattern, WIN32_FIND_DATAW& rEntry)
{
    Close();
    CStringW strLiteral = LiteralPathOf(pszPattern);
    if (strLiteral.IsEmpty())
        return FALSE;
    m_hFind = FindFirstFileW(strLiteral, &rEntry);
    return m_hFind != INVALID_HANDLE_VALUE;
}

BOOL CFindFile::FindNext(WIN32_FIND_DATAW& rEntry)
{
    return m_hFind != INVALID_HANDLE_VALUE && FindNextFileW(m_hFind, &rEntry);
}

void CFindFile::Close()
{
    if (m_hFind != INVALID_HANDLE_VALUE) {
        FindClose(m_hFind);
        m_hFind = INVALID_HANDLE_VALUE;
    }
}

void CFile::Remove(LPCWSTR pszFileName)
{
    DWORD dwError = 0;
    if (Strategy() == DeleteByName) {
        CStringW strLiteral = EntryPathOf(pszFileName);
        if (strLiteral.IsEmpty())
            dwError = ERROR_INVALID_NAME;
        else if (!DeleteFileW(strLiteral))
            dwError = GetLastError();
    } else {
        dwError = RemoveEntry(pszFileName, FALSE);
    }
    if (dwError != 0)
        throw new CFileException(static_cast<LONG>(dwError));
}

BOOL CFile::RemoveFolder(LPCWSTR pszPath)
{
    CStringW strLiteral = EntryPathOf(pszPath);
    return !strLiteral.IsEmpty() && RemoveDirectoryW(strLiteral);
}

BOOL CFile::RemoveFolderLink(LPCWSTR pszPath)
{
    return RemoveEntry(pszPath, TRUE) == 0;
}

BOOL CFile::IsLink(LPCWSTR pszPath)
{
    CStringW strLiteral = EntryPathOf(pszPath);
    DWORD dwAttributes = strLiteral.IsEmpty() ? INVALID_FILE_ATTRIBUTES
                                              : GetFileAttributesW(strLiteral);
    return dwAttributes != INVALID_FILE_ATTRIBUTES &&
           (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

BOOL CFile::GetStatus(LPCWSTR pszFileName, CFileStatus& rStatus)
{
    CStringW strLiteral = EntryPathOf(pszFileName);
    DWORD dwAttributes = strLiteral.IsEmpty() ? INVALID_FILE_ATTRIBUTES
                                              : GetFileAttributesW(strLiteral);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    rStatus.m_attribute = static_cast<BYTE>(dwAttributes);
    return TRUE;
}

CFile::DeleteStrategy CFile::GetDeleteStrategy()
{
    return Strategy();
}

void CFile::SetDeleteStrategy(DeleteStrategy strategy)
{
    Strategy() = strategy;
}
