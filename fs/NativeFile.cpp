#include "fs/NativeFile.h"

#include "platform/File.h"
#include "platform/Ntdll.h"

#include <memory>
#include <new>

namespace {

// Characters of "\\?\", the literal path's prefix.
const int kLiteralPrefixLength = 4;

NativeFileCalls LookUpCalls()
{
    NativeFileCalls calls;
    calls.pfnOpenFile = NtdllFunction<decltype(calls.pfnOpenFile)>("NtOpenFile");
    calls.pfnQueryDirectoryFile = NtdllFunction<decltype(calls.pfnQueryDirectoryFile)>("NtQueryDirectoryFile");
    calls.pfnQueryInformationFile =
        NtdllFunction<decltype(calls.pfnQueryInformationFile)>("NtQueryInformationFile");
    calls.pfnSetInformationFile = NtdllFunction<decltype(calls.pfnSetInformationFile)>("NtSetInformationFile");
    calls.pfnQueryObject = NtdllFunction<decltype(calls.pfnQueryObject)>("NtQueryObject");
    calls.pfnClose = NtdllFunction<decltype(calls.pfnClose)>("NtClose");
    calls.pfnSleep = Sleep;
    return calls;
}

bool CallsComplete(const NativeFileCalls& calls)
{
    return calls.pfnOpenFile != NULL && calls.pfnQueryDirectoryFile != NULL &&
           calls.pfnQueryInformationFile != NULL && calls.pfnSetInformationFile != NULL &&
           calls.pfnQueryObject != NULL && calls.pfnClose != NULL;
}

} // namespace

NativeFileCalls& RemovalCalls()
{
    static NativeFileCalls s_calls = LookUpCalls();
    return s_calls;
}

void CNativeHandle::Attach(HANDLE h)
{
    Close();
    m_h = h;
    m_bOwned = true;
}

void CNativeHandle::Borrow(HANDLE h)
{
    Close();
    m_h = h;
    m_bOwned = false;
}

HANDLE CNativeHandle::Detach()
{
    HANDLE h = m_h;
    m_h = NULL;
    return h;
}

void CNativeHandle::Close()
{
    if (m_h != NULL && m_bOwned)
        RemovalCalls().pfnClose(m_h);
    m_h = NULL;
}

LONG OpenNative(HANDLE hRoot, const CStringW& strName, ACCESS_MASK access, ULONG options, ULONG share,
                CNativeHandle& rh)
{
    rh.Close();
    const NativeFileCalls& calls = RemovalCalls();
    if (!CallsComplete(calls))
        return NtStatus::kNotImplemented;
    if (strName.IsEmpty() || strName.GetLength() > kMaxSystemPath)
        return NtStatus::kObjectNameInvalid;
    UNICODE_STRING name;
    name.Length = name.MaximumLength = static_cast<USHORT>(strName.GetLength() * sizeof(WCHAR));
    name.Buffer = const_cast<PWSTR>(static_cast<LPCWSTR>(strName));
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof(OBJECT_ATTRIBUTES);
    attributes.RootDirectory = hRoot;
    attributes.ObjectName = &name;
    attributes.Attributes = hRoot == NULL ? OBJ_CASE_INSENSITIVE : 0;
    IO_STATUS_BLOCK io;
    HANDLE h = NULL;
    LONG lStatus = calls.pfnOpenFile(&h, access | SYNCHRONIZE, &attributes, &io, share,
                                     options | FILE_SYNCHRONOUS_IO_NONALERT);
    if (lStatus == 0)
        rh.Attach(h);
    return lStatus;
}

LONG OpenFolderByPath(const CStringW& strPath, ULONG share, CNativeHandle& rh, int* pnLiteralLength)
{
    CStringW strLiteral = LiteralPathOf(strPath);
    if (strLiteral.IsEmpty())
        return NtStatus::kObjectNameInvalid;
    int nLength = strLiteral.GetLength();
    if (strLiteral[nLength - 1] == L'\\' && strLiteral[nLength - 2] != L':')
        strLiteral = strLiteral.Left(--nLength);   // without it, the folder names itself
    if (pnLiteralLength != NULL)
        *pnLiteralLength = nLength;
    return OpenNative(NULL, NativePathOf(strLiteral), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                      FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT, share, rh);
}

CStringW NativePathOf(const CStringW& strLiteral)
{
    return CStringW(L"\\??\\") + strLiteral.Mid(kLiteralPrefixLength);
}

LONG GetAttributes(HANDLE hEntry, DWORD& rdwAttributes, DWORD& rdwReparseTag)
{
    FILE_BASIC_INFORMATION basic;
    IO_STATUS_BLOCK io;
    LONG lStatus =
        RemovalCalls().pfnQueryInformationFile(hEntry, &io, &basic, sizeof(basic), FileBasicInformation);
    if (lStatus != 0)
        return lStatus;
    rdwAttributes = basic.FileAttributes;
    rdwReparseTag = 0;
    if ((rdwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        FILE_ATTRIBUTE_TAG_INFORMATION tag;
        if (RemovalCalls().pfnQueryInformationFile(hEntry, &io, &tag, sizeof(tag), FileAttributeTagInformation) == 0)
            rdwReparseTag = tag.ReparseTag;
    }
    return 0;
}

BOOL GetFullName(HANDLE hEntry, CStringW& rstrName)
{
    // Most names fit this buffer on the stack; a longer one is asked for again, up to the
    // longest path and a volume's device name.
    const ULONG kNamesOnTheStack = 2 * MAX_PATH;
    const ULONG kLongestDeviceName = 64;
    union {
        OBJECT_NAME_INFORMATION info;
        BYTE bytes[sizeof(OBJECT_NAME_INFORMATION) + kNamesOnTheStack * sizeof(WCHAR)];
    } local;
    ULONG cbNeeded = 0;
    LONG lStatus = RemovalCalls().pfnQueryObject(hEntry, ObjectNameInformation, &local, sizeof(local), &cbNeeded);
    const UNICODE_STRING* pName = &local.info.Name;
    std::unique_ptr<BYTE[]> pLonger;
    if (lStatus == NtStatus::kBufferOverflow || lStatus == NtStatus::kInfoLengthMismatch) {
        if (cbNeeded <= sizeof(local) ||
            cbNeeded > sizeof(OBJECT_NAME_INFORMATION) + (kMaxSystemPath + kLongestDeviceName) * sizeof(WCHAR))
            return FALSE;
        pLonger.reset(new (std::nothrow) BYTE[cbNeeded]);
        if (!pLonger)
            AfxThrowMemoryException();
        lStatus = RemovalCalls().pfnQueryObject(hEntry, ObjectNameInformation, pLonger.get(), cbNeeded, &cbNeeded);
        pName = &reinterpret_cast<OBJECT_NAME_INFORMATION*>(pLonger.get())->Name;
    }
    if (lStatus != 0)
        return FALSE;
    rstrName = CStringW(pName->Buffer, pName->Length / sizeof(WCHAR));
    return !rstrName.IsEmpty();
}

CFolderReader::CFolderReader(HANDLE hFolder, BYTE* pBuffer, ULONG cbBuffer)
    : m_hFolder(hFolder), m_pBuffer(pBuffer), m_cbBuffer(cbBuffer), m_nOffset(cbBuffer), m_bFirst(true),
      m_lStatus(0)
{
}

BOOL CFolderReader::Next(CStringW& rstrName, DWORD& rdwAttributes, DWORD& rdwReparseTag)
{
    for (;;) {
        if (m_nOffset >= m_cbBuffer) {
            if (m_lStatus != 0)
                return FALSE;
            IO_STATUS_BLOCK io;
            m_lStatus = RemovalCalls().pfnQueryDirectoryFile(m_hFolder, NULL, NULL, NULL, &io, m_pBuffer, m_cbBuffer,
                                                             FileFullDirectoryInformation, FALSE, NULL, m_bFirst);
            m_bFirst = false;
            if (m_lStatus != 0)
                return FALSE;
            m_nOffset = 0;
        }
        const FILE_FULL_DIR_INFORMATION* pInfo =
            reinterpret_cast<const FILE_FULL_DIR_INFORMATION*>(m_pBuffer + m_nOffset);
        m_nOffset = pInfo->NextEntryOffset != 0 ? m_nOffset + pInfo->NextEntryOffset : m_cbBuffer;

        int nLength = static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR));
        const WCHAR* pszName = pInfo->FileName;
        if ((nLength == 1 && pszName[0] == L'.') || (nLength == 2 && pszName[0] == L'.' && pszName[1] == L'.'))
            continue;
        rstrName = CStringW(pszName, nLength);
        rdwAttributes = pInfo->FileAttributes;
        // For a reparse point, EaSize holds its tag.
        rdwReparseTag = (pInfo->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? pInfo->EaSize : 0;
        return TRUE;
    }
}

LONG CFolderReader::Status() const
{
    // A volume may answer "no such file" where a folder holds nothing (FAT's first query).
    return m_lStatus == NtStatus::kNoMoreFiles || m_lStatus == NtStatus::kNoSuchFile ? 0 : m_lStatus;
}

LONG HoldsNoEntries(HANDLE hFolder)
{
    // Room for one entry of the longest name.
    BYTE buffer[sizeof(FILE_FULL_DIR_INFORMATION) + MAX_PATH * sizeof(WCHAR)];
    CFolderReader reader(hFolder, buffer, sizeof(buffer));
    CStringW strName;
    DWORD dwAttributes, dwTag;
    if (reader.Next(strName, dwAttributes, dwTag))
        return NtStatus::kDirectoryNotEmpty;
    return reader.Status();
}
