#include "platform/File.h"

#include <string.h>

// Windows reports every junction and symbolic link as a reparse point, and DeleteFileA on a
// file link removes the link itself, so files are deleted by name. Some compatibility layers
// (Wine) report a link to a file as a plain file and delete what it leads to; there, and for
// every folder link, removal goes through one handle: the entry is opened as itself (a link
// not followed where the system allows that), the name the system resolved for the handle is
// compared with the path the caller named, and only then is the handle marked for deletion.
// A system that cannot open a link as itself resolves the handle to the link's target; the
// names then differ and nothing is deleted.

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
const int kMaxName = 2048;   // characters of a resolved name; longer ones are refused

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

// TRUE where directory listings show a link to a file as a plain file.
bool ListingsHideFileLinks()
{
    static const bool s_bHide =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
    return s_bHide;
}

// A name relative to its volume, "\dir\name", in wide characters.
struct CVolumeName
{
    WCHAR sz[kMaxName];
    int nLength;
};

// The name the system resolved for an open handle.
BOOL GetHandleName(HANDLE hFile, CVolumeName& name)
{
    if (Nt().pfnQuery == NULL)
        return FALSE;
    struct {
        ULONG FileNameLength;
        WCHAR FileName[kMaxName];
    } info;
    IoStatusBlock io;
    if (Nt().pfnQuery(hFile, &io, &info, sizeof(info), kFileNameInformation) != 0)
        return FALSE;
    int nLength = static_cast<int>(info.FileNameLength / sizeof(WCHAR));
    if (nLength <= 0 || nLength >= kMaxName)
        return FALSE;
    memcpy(name.sz, info.FileName, nLength * sizeof(WCHAR));
    name.sz[nLength] = 0;
    name.nLength = nLength;
    return TRUE;
}

// The full path of pszPath, without its drive or server part: C:\a\b gives \a\b,
// \\server\share\a gives \server\share\a, as the system names an open handle.
BOOL GetVolumeName(LPCSTR pszPath, CVolumeName& name)
{
    char szFull[kMaxName];
    DWORD cch = GetFullPathNameA(pszPath, sizeof(szFull), szFull, NULL);
    if (cch == 0 || cch >= sizeof(szFull))
        return FALSE;
    WCHAR szWide[kMaxName];
    int nWide = MultiByteToWideChar(CP_ACP, 0, szFull, -1, szWide, kMaxName);
    if (nWide <= 0)
        return FALSE;
    LPCWSTR p = szWide;
    if (wcsncmp(p, L"\\\\?\\", 4) == 0) {
        p += 4;
        if (_wcsnicmp(p, L"UNC\\", 4) == 0)
            p += 3;   // keep the separator before the server
    } else if (p[0] == L'\\' && p[1] == L'\\') {
        p += 1;
    }
    if (p[0] != 0 && p[1] == L':')
        p += 2;
    if (p[0] != L'\\')
        return FALSE;
    name.nLength = lstrlenW(p);
    memcpy(name.sz, p, (name.nLength + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOL SameName(const CVolumeName& a, const CVolumeName& b)
{
    return a.nLength == b.nLength &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.sz, a.nLength, b.sz, b.nLength) ==
               CSTR_EQUAL;
}

// TRUE when the open handle is the entry pszPath names, not something a link leads to.
// The plain comparison of full paths fails also where a folder above the entry is a link;
// then the entry is compared with the resolved name of its folder.
BOOL IsEntryItself(HANDLE hEntry, LPCSTR pszPath)
{
    CVolumeName resolved, expected;
    if (!GetHandleName(hEntry, resolved) || !GetVolumeName(pszPath, expected))
        return FALSE;
    if (SameName(resolved, expected))
        return TRUE;

    int nSlash = expected.nLength - 1;
    while (nSlash > 0 && expected.sz[nSlash] != L'\\')
        --nSlash;
    if (nSlash <= 0)
        return FALSE;
    CVolumeName leaf;
    leaf.nLength = expected.nLength - nSlash;   // "\name"
    memcpy(leaf.sz, expected.sz + nSlash, (leaf.nLength + 1) * sizeof(WCHAR));

    char szFolder[kMaxName];
    DWORD cch = GetFullPathNameA(pszPath, sizeof(szFolder), szFolder, NULL);
    if (cch == 0 || cch >= sizeof(szFolder))
        return FALSE;
    char* pSlash = strrchr(szFolder, '\\');   // a full path from the system: the last one is a true separator
    if (pSlash == NULL)
        return FALSE;
    pSlash[1] = 0;
    HANDLE hFolder = CreateFileA(szFolder, FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (hFolder == INVALID_HANDLE_VALUE)
        return FALSE;
    CVolumeName folder;
    BOOL bOk = GetHandleName(hFolder, folder);
    CloseHandle(hFolder);
    if (!bOk)
        return FALSE;
    if (folder.nLength == 1)
        folder.nLength = 0;   // the volume's root: "\" followed by "\name"
    if (folder.nLength + leaf.nLength >= kMaxName)
        return FALSE;
    memcpy(folder.sz + folder.nLength, leaf.sz, (leaf.nLength + 1) * sizeof(WCHAR));
    folder.nLength += leaf.nLength;
    return SameName(resolved, folder);
}

// Deletes the entry through one handle. Returns 0 or the system's error code.
DWORD RemoveEntry(LPCSTR pszPath, BOOL bFolderLink)
{
    if (Nt().pfnSet == NULL)
        return ERROR_CALL_NOT_IMPLEMENTED;
    DWORD dwFlags = FILE_FLAG_OPEN_REPARSE_POINT | (bFolderLink ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    HANDLE hEntry = CreateFileA(pszPath, DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, dwFlags, NULL);
    if (hEntry == INVALID_HANDLE_VALUE)
        return GetLastError();

    DWORD dwError = 0;
    if (bFolderLink) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(hEntry, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            dwError = ERROR_ACCESS_DENIED;   // the handle is the target, or a plain folder
    }
    if (dwError == 0 && !IsEntryItself(hEntry, pszPath))
        dwError = ERROR_ACCESS_DENIED;
    if (dwError == 0) {
        BOOLEAN bDelete = TRUE;
        IoStatusBlock io;
        LONG lStatus = Nt().pfnSet(hEntry, &io, &bDelete, sizeof(bDelete), kFileDispositionInformation);
        if (lStatus != 0)
            dwError = Nt().pfnToError != NULL ? Nt().pfnToError(lStatus) : ERROR_ACCESS_DENIED;
    }
    CloseHandle(hEntry);
    return dwError;
}

} // namespace

void CFile::Remove(LPCSTR pszFileName)
{
    DWORD dwError = 0;
    if (!ListingsHideFileLinks())
        dwError = DeleteFileA(pszFileName) ? 0 : GetLastError();
    else
        dwError = RemoveEntry(pszFileName, FALSE);
    if (dwError != 0)
        throw new CFileException(static_cast<LONG>(dwError));
}

BOOL CFile::RemoveFolderLink(LPCSTR pszPath)
{
    return RemoveEntry(pszPath, TRUE) == 0;
}

BOOL CFile::IsLink(LPCSTR pszPath)
{
    DWORD dwAttributes = GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES &&
           (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

BOOL CFile::GetStatus(LPCSTR pszFileName, CFileStatus& rStatus)
{
    DWORD dwAttributes = GetFileAttributesA(pszFileName);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    rStatus.m_attribute = static_cast<BYTE>(dwAttributes);
    return TRUE;
}
