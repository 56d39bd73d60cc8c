#include "platform/File.h"

#include <string.h>
#include <wchar.h>

namespace {

struct IoStatusBlock
{
    union {
        LONG Status;
        PVOID Pointer;
    };
    ULONG_PTR Information;
};

struct UnicodeString
{
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
};

struct ObjectAttributes
{
    ULONG Length;
    HANDLE RootDirectory;
    UnicodeString* ObjectName;
    ULONG Attributes;
    PVOID SecurityDescriptor;
    PVOID SecurityQualityOfService;
};

// FILE_FULL_DIR_INFORMATION: for a reparse point, EaSize holds its tag.
struct FullDirInformation
{
    ULONG NextEntryOffset;
    ULONG FileIndex;
    LARGE_INTEGER CreationTime;
    LARGE_INTEGER LastAccessTime;
    LARGE_INTEGER LastWriteTime;
    LARGE_INTEGER ChangeTime;
    LARGE_INTEGER EndOfFile;
    LARGE_INTEGER AllocationSize;
    ULONG FileAttributes;
    ULONG FileNameLength;
    ULONG EaSize;
    WCHAR FileName[1];
};

typedef LONG(NTAPI* PFN_OPEN_FILE)(PHANDLE, ACCESS_MASK, ObjectAttributes*, IoStatusBlock*, ULONG, ULONG);
typedef LONG(NTAPI* PFN_QUERY_DIRECTORY)(HANDLE, HANDLE, PVOID, PVOID, IoStatusBlock*, PVOID, ULONG,
                                         ULONG, BOOLEAN, UnicodeString*, BOOLEAN);
typedef LONG(NTAPI* PFN_FILE_INFORMATION)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);

const ULONG kFileFullDirectoryInformation = 2;
const ULONG kFileNameInformation = 9;
const ULONG kFileDispositionInformation = 13;
const ULONG kFileAttributeTagInformation = 35;
const ULONG kFileDispositionInformationEx = 64;

const ULONG kFileDirectoryFile = 0x00000001;
const ULONG kFileSynchronousIoNonalert = 0x00000020;
const ULONG kFileNonDirectoryFile = 0x00000040;
const ULONG kFileDeleteOnClose = 0x00001000;
const ULONG kFileOpenReparsePoint = 0x00200000;

const LONG kBufferOverflow = static_cast<LONG>(0x80000005);
const LONG kInvalidInfoClass = static_cast<LONG>(0xC0000003);
const LONG kInvalidParameter = static_cast<LONG>(0xC000000D);
const LONG kNotSupported = static_cast<LONG>(0xC00000BB);
const LONG kObjectNameInvalid = static_cast<LONG>(0xC0000033);

template <typename T>
T NtdllEntry(const char* pszName)
{
    return reinterpret_cast<T>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), pszName)));
}

struct NtFileServices
{
    PFN_OPEN_FILE pfnOpen = NtdllEntry<PFN_OPEN_FILE>("NtOpenFile");
    PFN_QUERY_DIRECTORY pfnQueryDirectory = NtdllEntry<PFN_QUERY_DIRECTORY>("NtQueryDirectoryFile");
    PFN_FILE_INFORMATION pfnQuery = NtdllEntry<PFN_FILE_INFORMATION>("NtQueryInformationFile");
    PFN_FILE_INFORMATION pfnSet = NtdllEntry<PFN_FILE_INFORMATION>("NtSetInformationFile");
    // Cleared once the system answers that it has no POSIX deletion.
    volatile bool bPosixDelete = true;

    bool Complete() const
    {
        return pfnOpen != NULL && pfnQueryDirectory != NULL && pfnQuery != NULL && pfnSet != NULL;
    }
};

NtFileServices& Nt()
{
    static NtFileServices s_services;
    return s_services;
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

// The literal path of the entry itself: without a trailing separator (but for a
// volume's root), with which the system would look through a link.
CStringW EntryPathOf(LPCWSTR pszPath)
{
    CStringW strLiteral = LiteralPathOf(pszPath);
    int nLength = strLiteral.GetLength();
    if (nLength > 0 && strLiteral[nLength - 1] == L'\\' && strLiteral[nLength - 2] != L':')
        strLiteral = strLiteral.Left(nLength - 1);
    return strLiteral;
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

void CHandle::Attach(HANDLE h)
{
    Close();
    m_h = h;
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

CFolderReader::CFolderReader(HANDLE hFolder, BYTE* pBuffer, ULONG cbBuffer)
    : m_hFolder(hFolder), m_pBuffer(pBuffer), m_cbBuffer(cbBuffer), m_nOffset(cbBuffer),
      m_bFirst(true), m_lStatus(0)
{
}

BOOL CFolderReader::Next(CFolderEntry& rEntry)
{
    for (;;) {
        if (m_nOffset >= m_cbBuffer) {
            if (m_lStatus != 0)
                return FALSE;
            if (!Nt().Complete()) {
                m_lStatus = NtStatus::kNotImplemented;
                return FALSE;
            }
            IoStatusBlock io;
            m_lStatus = Nt().pfnQueryDirectory(m_hFolder, NULL, NULL, NULL, &io, m_pBuffer, m_cbBuffer,
                                               kFileFullDirectoryInformation, FALSE, NULL, m_bFirst);
            m_bFirst = false;
            if (m_lStatus != 0)
                return FALSE;
            m_nOffset = 0;
        }
        const FullDirInformation* pInfo =
            reinterpret_cast<const FullDirInformation*>(m_pBuffer + m_nOffset);
        m_nOffset = pInfo->NextEntryOffset != 0 ? m_nOffset + pInfo->NextEntryOffset : m_cbBuffer;

        int nLength = static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR));
        const WCHAR* pszName = pInfo->FileName;
        if ((nLength == 1 && pszName[0] == L'.') ||
            (nLength == 2 && pszName[0] == L'.' && pszName[1] == L'.'))
            continue;
        rEntry.m_strName = CStringW(pszName, nLength);
        rEntry.m_dwAttributes = pInfo->FileAttributes;
        rEntry.m_dwReparseTag =
            (pInfo->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? pInfo->EaSize : 0;
        return TRUE;
    }
}

BOOL CNtFile::OpenFolderByPath(LPCWSTR pszPath, CHandle& rFolder)
{
    rFolder.Close();
    CStringW strLiteral = LiteralPathOf(pszPath);
    if (!strLiteral.IsEmpty())
        rFolder.Attach(CreateFileW(strLiteral, FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    return rFolder.IsValid();
}

LONG CNtFile::OpenChild(HANDLE hFolder, const CStringW& strName, Kind kind, CHandle& rEntry)
{
    rEntry.Close();
    if (!Nt().Complete())
        return NtStatus::kNotImplemented;
    if (strName.IsEmpty() || strName.GetLength() > 32767)
        return kObjectNameInvalid;
    UnicodeString name;
    name.Length = name.MaximumLength = static_cast<USHORT>(strName.GetLength() * sizeof(WCHAR));
    name.Buffer = const_cast<PWSTR>(static_cast<LPCWSTR>(strName));
    ObjectAttributes attributes = { sizeof(ObjectAttributes), hFolder, &name, 0, NULL, NULL };

    ACCESS_MASK access = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    ULONG options = kFileOpenReparsePoint | kFileSynchronousIoNonalert;
    if (kind == Folder)
        access |= FILE_LIST_DIRECTORY;
    else if (kind == File)
        options |= kFileNonDirectoryFile;
    else if (kind == FileDeletedOnClose)
        options |= kFileNonDirectoryFile | kFileDeleteOnClose;

    HANDLE h = NULL;
    IoStatusBlock io;
    LONG lStatus = Nt().pfnOpen(&h, access, &attributes, &io,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, options);
    if (lStatus == 0)
        rEntry.Attach(h);
    return lStatus;
}

LONG CNtFile::GetAttributes(HANDLE hEntry, DWORD& rdwAttributes, DWORD& rdwReparseTag)
{
    struct
    {
        ULONG FileAttributes;
        ULONG ReparseTag;
    } info;
    IoStatusBlock io;
    if (!Nt().Complete())
        return NtStatus::kNotImplemented;
    LONG lStatus = Nt().pfnQuery(hEntry, &io, &info, sizeof(info), kFileAttributeTagInformation);
    if (lStatus == 0) {
        rdwAttributes = info.FileAttributes;
        rdwReparseTag = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? info.ReparseTag : 0;
    }
    return lStatus;
}

BOOL CNtFile::GetName(HANDLE hEntry, CStringW& rstrName)
{
    if (!Nt().Complete())
        return FALSE;
    // Most names fit the buffer on the stack; a longer one is asked for again.
    struct Info
    {
        ULONG FileNameLength;
        WCHAR FileName[MAX_PATH * 2];
    } info;
    IoStatusBlock io;
    LONG lStatus = Nt().pfnQuery(hEntry, &io, &info, sizeof(info), kFileNameInformation);
    if (lStatus == 0) {
        int nLength = static_cast<int>(info.FileNameLength / sizeof(WCHAR));
        rstrName = CStringW(info.FileName, nLength);
        return nLength > 0;
    }
    if (lStatus != kBufferOverflow || info.FileNameLength > kMaxSystemPath * sizeof(WCHAR))
        return FALSE;
    ULONG cbInfo = sizeof(ULONG) + info.FileNameLength;
    Info* pInfo = static_cast<Info*>(HeapAlloc(GetProcessHeap(), 0, cbInfo));
    if (pInfo == NULL)
        return FALSE;
    BOOL bOk = Nt().pfnQuery(hEntry, &io, pInfo, cbInfo, kFileNameInformation) == 0 &&
               pInfo->FileNameLength > 0;
    if (bOk)
        rstrName = CStringW(pInfo->FileName, static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR)));
    HeapFree(GetProcessHeap(), 0, pInfo);
    return bOk;
}

BOOL CNtFile::DeletesAtOnce()
{
    return Nt().bPosixDelete;
}

LONG CNtFile::MarkForDeletion(HANDLE hEntry, BOOL bFolder)
{
    if (!Nt().Complete())
        return NtStatus::kNotImplemented;
    if (bFolder) {
        // The system refuses to mark a folder that holds entries, but Wine 8 looks only
        // once per handle: marked again, the folder is accepted and then kept without a
        // word when the handle is closed. So the folder is asked itself.
        BYTE buffer[2048];
        CFolderReader reader(hEntry, buffer, sizeof(buffer));
        CFolderEntry entry;
        if (reader.Next(entry))
            return NtStatus::kDirectoryNotEmpty;
        if (reader.Status() != 0)
            return reader.Status();
    }
    IoStatusBlock io;
    if (Nt().bPosixDelete) {
        const ULONG kDelete = 0x1, kPosixSemantics = 0x2;
        ULONG flags = kDelete | kPosixSemantics;
        LONG lStatus = Nt().pfnSet(hEntry, &io, &flags, sizeof(flags), kFileDispositionInformationEx);
        if (lStatus == NtStatus::kNotImplemented || lStatus == kInvalidInfoClass)
            Nt().bPosixDelete = false;   // before Windows 10 1709, and under Wine
        else if (lStatus != kInvalidParameter && lStatus != kNotSupported)
            return lStatus;              // done, or refused for a reason of the entry's own
        // else a file system without POSIX deletion: the classic way for this entry
    }
    BOOLEAN bDelete = TRUE;
    return Nt().pfnSet(hEntry, &io, &bDelete, sizeof(bDelete), kFileDispositionInformation);
}
