#include "fs/TreeRemoval.h"

#include "platform/Collections.h"
#include "platform/Ntdll.h"

#include <wchar.h>

#include <atomic>
#include <new>

// ---- The rules ----

BOOL IsComposableName(LPCWSTR pszName)
{
    if (pszName == NULL || pszName[0] == 0)
        return FALSE;
    if (wcscmp(pszName, L".") == 0 || wcscmp(pszName, L"..") == 0)
        return FALSE;
    return wcspbrk(pszName, L"\\/:*?\"<>|") == NULL;
}

BOOL FitsComposedPath(int nFolderLength, int nNameLength)
{
    return nFolderLength + 1 + nNameLength < kMaxComposedPath;
}

BOOL IsLinkEntry(DWORD dwAttributes, DWORD dwReparseTag)
{
    const DWORD kNameSurrogate = 0x20000000;   // IsReparseTagNameSurrogate
    return (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (dwReparseTag == 0 || (dwReparseTag & kNameSurrogate) != 0);
}

BOOL IsEntryItself(const CStringW& strResolved, const CStringW& strFolder, const CStringW& strName)
{
    // A volume's root is named with its separator ("\??\C:\"), other folders without.
    int nFolder = strFolder.GetLength();
    BOOL bRoot = nFolder > 0 && strFolder[nFolder - 1] == L'\\';
    int nSeparator = bRoot ? nFolder - 1 : nFolder;
    int nTail = strResolved.GetLength() - nSeparator - 1;
    LPCWSTR pszResolved = strResolved;
    if (nTail <= 0 || nTail > strName.GetLength() || wmemcmp(pszResolved, strFolder, nSeparator) != 0 ||
        pszResolved[nSeparator] != L'\\' || wmemcmp(pszResolved + nSeparator + 1, strName, nTail) != 0)
        return FALSE;
    // Wine names a handle without the trailing dots and blanks of its name.
    for (int i = nTail; i < strName.GetLength(); ++i)
        if (strName[i] != L'.' && strName[i] != L' ')
            return FALSE;
    return TRUE;
}

// ---- The native calls ----

namespace {

const ULONG kFileFullDirectoryInformation = 2;
const ULONG kFileBasicInformation = 4;
const ULONG kFileDispositionInformation = 13;
const ULONG kFileAttributeTagInformation = 35;
const ULONG kFileDispositionInformationEx = 64;
const ULONG kObjectNameInformation = 1;

const ULONG kFileDirectoryFile = 0x00000001;
const ULONG kFileSynchronousIoNonalert = 0x00000020;
const ULONG kFileNonDirectoryFile = 0x00000040;
const ULONG kFileDeleteOnClose = 0x00001000;
const ULONG kFileOpenForBackupIntent = 0x00004000;
const ULONG kFileOpenReparsePoint = 0x00200000;
const ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A held folder: others may read and write in it, but not rename or delete it.
const ULONG kShareHeld = FILE_SHARE_READ | FILE_SHARE_WRITE;

const LONG kInvalidDeviceRequest = static_cast<LONG>(0xC0000010);
const LONG kNotSupported = static_cast<LONG>(0xC00000BB);
// The handle the system opened is not the entry itself (with VerifiesEntries).
const LONG kNotTheEntry = static_cast<LONG>(0xC0000024);   // STATUS_OBJECT_TYPE_MISMATCH

const DWORD kFirstWaitMs = 5;          // the first wait; each next one doubles
const int kMaxTries = 8;               // of one entry: waits of 5, 10, 20 ... 320 ms
const ULONG kListingBuffer = 64 * 1024;

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

// Opens strName relative to hRoot, exactly as named, or with no root the full NT path
// strName, as the system's own calls open a path (without regard to case).
LONG OpenNative(HANDLE hRoot, const CStringW& strName, ACCESS_MASK access, ULONG options, HANDLE& rh,
               ULONG share = kShareAll)
{
    rh = NULL;
    const NativeFileCalls& calls = RemovalCalls();
    if (!CallsComplete(calls))
        return NtStatus::kNotImplemented;
    if (strName.IsEmpty() || strName.GetLength() > kMaxSystemPath)
        return NtStatus::kObjectNameInvalid;
    UNICODE_STRING name;
    name.Length = name.MaximumLength = static_cast<USHORT>(strName.GetLength() * sizeof(WCHAR));
    name.Buffer = const_cast<PWSTR>(static_cast<LPCWSTR>(strName));
    const ULONG kCaseInsensitive = 0x40;   // OBJ_CASE_INSENSITIVE
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof(OBJECT_ATTRIBUTES);
    attributes.RootDirectory = hRoot;
    attributes.ObjectName = &name;
    attributes.Attributes = hRoot == NULL ? kCaseInsensitive : 0;
    IO_STATUS_BLOCK io;
    return calls.pfnOpenFile(&rh, access | SYNCHRONIZE, &attributes, &io, share,
                             options | kFileSynchronousIoNonalert);
}

// The attributes of an open entry from FileBasicInformation, which every file system
// answers; the reparse tag only where the reparse-point attribute is set (0 where the
// system does not tell it).
LONG GetAttributes(HANDLE hEntry, DWORD& rdwAttributes, DWORD& rdwReparseTag)
{
    struct
    {
        LARGE_INTEGER Times[4];
        ULONG FileAttributes;
    } basic;
    IO_STATUS_BLOCK io;
    LONG lStatus = RemovalCalls().pfnQueryInformationFile(hEntry, &io, &basic, sizeof(basic),
                                                          kFileBasicInformation);
    if (lStatus != 0)
        return lStatus;
    rdwAttributes = basic.FileAttributes;
    rdwReparseTag = 0;
    if ((rdwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        struct
        {
            ULONG FileAttributes;
            ULONG ReparseTag;
        } tag;
        if (RemovalCalls().pfnQueryInformationFile(hEntry, &io, &tag, sizeof(tag),
                                                   kFileAttributeTagInformation) == 0)
            rdwReparseTag = tag.ReparseTag;
    }
    return 0;
}

// The full name of the object an open handle is (volume included), as the system
// resolved it when it was opened.
BOOL GetFullName(HANDLE hEntry, CStringW& rstrName)
{
    // Most names fit the buffer on the stack; a longer one is asked for again.
    union {
        UNICODE_STRING name;
        BYTE bytes[sizeof(UNICODE_STRING) + 2 * MAX_PATH * sizeof(WCHAR)];
    } info;
    ULONG cbNeeded = 0;
    LONG lStatus = RemovalCalls().pfnQueryObject(hEntry, kObjectNameInformation, &info, sizeof(info), &cbNeeded);
    if (lStatus == 0) {
        rstrName = CStringW(info.name.Buffer, info.name.Length / sizeof(WCHAR));
        return !rstrName.IsEmpty();
    }
    if ((lStatus != NtStatus::kBufferOverflow && lStatus != NtStatus::kInfoLengthMismatch) ||
        cbNeeded <= sizeof(info) || cbNeeded > sizeof(UNICODE_STRING) + (kMaxSystemPath + 16) * sizeof(WCHAR))
        return FALSE;
    std::unique_ptr<BYTE[]> pInfo(new BYTE[cbNeeded]);
    UNICODE_STRING* pName = reinterpret_cast<UNICODE_STRING*>(pInfo.get());
    if (RemovalCalls().pfnQueryObject(hEntry, kObjectNameInformation, pName, cbNeeded, &cbNeeded) != 0)
        return FALSE;
    rstrName = CStringW(pName->Buffer, pName->Length / sizeof(WCHAR));
    return !rstrName.IsEmpty();
}

// The literal path "\\?\..." in the system's native form "\??\...".
CStringW NativePathOf(const CStringW& strLiteral)
{
    return CStringW(L"\\??\\") + strLiteral.Mid(4);
}

// Opens the folder at a path, following every link on the way, for acting in it.
LONG OpenFolderByPath(const CStringW& strPath, HANDLE& rh, int* pnLiteralLength, ULONG share = kShareAll)
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
                      kFileDirectoryFile | kFileOpenForBackupIntent, rh, share);
}

// Reads the entries of an open folder through its handle, into a buffer lent for the
// time of the listing. "." and ".." are skipped.
class CFolderReader
{
public:
    CFolderReader(HANDLE hFolder, BYTE* pBuffer, ULONG cbBuffer)
        : m_hFolder(hFolder), m_pBuffer(pBuffer), m_cbBuffer(cbBuffer), m_nOffset(cbBuffer), m_bFirst(true),
          m_lStatus(0)
    {
    }

    // FALSE at the end of the listing, or where the system refused it (Status()).
    BOOL Next(CStringW& rstrName, DWORD& rdwAttributes, DWORD& rdwReparseTag)
    {
        for (;;) {
            if (m_nOffset >= m_cbBuffer) {
                if (m_lStatus != 0)
                    return FALSE;
                IO_STATUS_BLOCK io;
                m_lStatus = RemovalCalls().pfnQueryDirectoryFile(m_hFolder, NULL, NULL, NULL, &io, m_pBuffer,
                                                                 m_cbBuffer, kFileFullDirectoryInformation,
                                                                 FALSE, NULL, m_bFirst);
                m_bFirst = false;
                if (m_lStatus != 0)
                    return FALSE;
                m_nOffset = 0;
            }
            const FullDirInformation* pInfo = reinterpret_cast<const FullDirInformation*>(m_pBuffer + m_nOffset);
            m_nOffset = pInfo->NextEntryOffset != 0 ? m_nOffset + pInfo->NextEntryOffset : m_cbBuffer;

            int nLength = static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR));
            const WCHAR* pszName = pInfo->FileName;
            if ((nLength == 1 && pszName[0] == L'.') || (nLength == 2 && pszName[0] == L'.' && pszName[1] == L'.'))
                continue;
            rstrName = CStringW(pszName, nLength);
            rdwAttributes = pInfo->FileAttributes;
            rdwReparseTag = (pInfo->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? pInfo->EaSize : 0;
            return TRUE;
        }
    }
    // 0 after a complete listing; the system's status where it stopped early. A volume
    // may answer "no such file" where a folder holds nothing (FAT's first query).
    LONG Status() const
    {
        return m_lStatus == NtStatus::kNoMoreFiles || m_lStatus == NtStatus::kNoSuchFile ? 0 : m_lStatus;
    }

private:
    HANDLE m_hFolder;
    BYTE* m_pBuffer;
    ULONG m_cbBuffer;
    ULONG m_nOffset;   // of the next record in the buffer; m_cbBuffer when it must be read again
    bool m_bFirst;
    LONG m_lStatus;
};

// 0 where the open folder holds no entries; NtStatus::kDirectoryNotEmpty where it does,
// or the system's status where it cannot be listed.
LONG HoldsNoEntries(HANDLE hFolder)
{
    BYTE buffer[1024];
    CFolderReader reader(hFolder, buffer, sizeof(buffer));
    CStringW strName;
    DWORD dwAttributes, dwTag;
    if (reader.Next(strName, dwAttributes, dwTag))
        return NtStatus::kDirectoryNotEmpty;
    return reader.Status();
}

// Waits before try nTry + 1 at an entry the system refused for a moment, taking the wait
// from rdwBudget. FALSE when the entry has had its tries or the budget is spent.
BOOL WaitBeforeRetry(int nTry, DWORD& rdwBudget)
{
    if (nTry + 1 >= kMaxTries || rdwBudget == 0)
        return FALSE;
    DWORD dwWait = kFirstWaitMs << nTry;
    if (dwWait > rdwBudget)
        dwWait = rdwBudget;
    RemovalCalls().pfnSleep(dwWait);
    rdwBudget -= dwWait;
    return TRUE;
}

// What an open that failed says of the entry: the system's "no such entry" in an open
// folder, or an entry already on its way out, is gone; every other answer leaves it.
RemovalOutcome OutcomeOfOpen(LONG lStatus)
{
    return lStatus == NtStatus::kObjectNameNotFound || lStatus == NtStatus::kDeletePending ? EntryAbsent
                                                                                          : EntryLeft;
}

std::atomic<bool> g_bFailNextListingBuffer(false);   // CTreeRemoval::FailNextListingBuffer

BOOL& VerifyEntries()
{
    static BOOL s_bVerify = RunsOnWine();
    return s_bVerify;
}

} // namespace

NativeFileCalls& RemovalCalls()
{
    static NativeFileCalls s_calls = LookUpCalls();
    return s_calls;
}

// ---- The removal ----

// A folder the walk is in: its handle, and what of it is still to be removed.
struct CTreeRemoval::Level
{
    Level* pOuter;          // the folder that holds it, on the walk's stack
    CNativeHandle hFolder;
    CStringW strResolved;   // with m_bVerify: the folder's full name as the system resolved it
    int nPathLength;        // characters of the folder's literal path
    CStringListW folders, files, links;
    POSITION posNextFolder;   // the next subfolder to remove
    BOOL bComplete;           // nothing of it has been left so far

    Level() : pOuter(NULL), nPathLength(0), posNextFolder(NULL), bComplete(TRUE) {}
};

// The folders the walk is in, the deepest on top: the walk keeps its place here, on the
// heap, so that depth costs no stack.
class CTreeRemoval::LevelStack
{
public:
    LevelStack() : m_pTop(NULL) {}
    ~LevelStack()
    {
        while (!IsEmpty())
            Pop();
    }
    BOOL IsEmpty() const { return m_pTop == NULL; }
    Level& Top() const { return *m_pTop; }
    void Push(std::unique_ptr<Level> pLevel)
    {
        pLevel->pOuter = m_pTop;
        m_pTop = pLevel.release();
    }
    void Pop()
    {
        Level* pOuter = m_pTop->pOuter;
        delete m_pTop;
        m_pTop = pOuter;
    }

private:
    Level* m_pTop;
};

CTreeRemoval::CTreeRemoval(DWORD& rdwRetryBudget)
    : m_rdwRetryBudget(rdwRetryBudget), m_bVerify(VerifiesEntries()), m_bPosixDelete(TRUE)
{
}

CTreeRemoval::~CTreeRemoval() {}

LONG CTreeRemoval::OpenFolder(const CStringW& strPath)
{
    std::unique_ptr<Level> pBase(new Level);
    HANDLE h;
    LONG lStatus = OpenFolderByPath(strPath, h, &pBase->nPathLength);
    if (lStatus != 0)
        return lStatus;
    pBase->hFolder.Attach(h);
    if (m_bVerify && !GetFullName(h, pBase->strResolved))
        return kNotTheEntry;
    m_pBase.swap(pBase);
    return 0;
}

LONG CTreeRemoval::EnterFolder(const CStringW& strName)
{
    if (!m_pBase)
        return NtStatus::kObjectNameInvalid;
    std::unique_ptr<Level> pFolder(new Level);
    HANDLE h;
    LONG lStatus = Open(*m_pBase, strName, Held, h, &pFolder->strResolved);
    if (lStatus != 0)
        return lStatus;
    pFolder->hFolder.Attach(h);
    DWORD dwAttributes, dwTag;
    lStatus = GetAttributes(h, dwAttributes, dwTag);
    if (lStatus != 0)
        return lStatus;
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsLinkEntry(dwAttributes, dwTag))
        return NtStatus::kNotADirectory;
    pFolder->nPathLength = m_pBase->nPathLength + 1 + strName.GetLength();
    m_pBase.swap(pFolder);
    return 0;
}

LONG CTreeRemoval::ActIn(const CHeldFolder& folder)
{
    if (!folder.IsOpen())
        return NtStatus::kObjectNameInvalid;
    std::unique_ptr<Level> pBase(new Level);
    pBase->hFolder.Borrow(folder.m_h);
    pBase->strResolved = folder.m_strResolved;
    pBase->nPathLength = folder.m_nPathLength;
    m_pBase.swap(pBase);
    return 0;
}

BOOL CTreeRemoval::HasCaseTwin(const CStringW& strName)
{
    typedef BOOLEAN(NTAPI * PFN_EQUAL)(const UNICODE_STRING*, const UNICODE_STRING*, BOOLEAN);
    static const PFN_EQUAL s_pfnEqual = NtdllFunction<PFN_EQUAL>("RtlEqualUnicodeString");
    if (!m_pBase || s_pfnEqual == NULL)
        return TRUE;
    UNICODE_STRING name;
    name.Length = name.MaximumLength = static_cast<USHORT>(strName.GetLength() * sizeof(WCHAR));
    name.Buffer = const_cast<PWSTR>(static_cast<LPCWSTR>(strName));
    CFolderReader reader(m_pBase->hFolder, ListingBuffer(), kListingBuffer);
    CStringW strEntry;
    DWORD dwAttributes, dwTag;
    while (reader.Next(strEntry, dwAttributes, dwTag)) {
        UNICODE_STRING entry;
        entry.Length = entry.MaximumLength = static_cast<USHORT>(strEntry.GetLength() * sizeof(WCHAR));
        entry.Buffer = const_cast<PWSTR>(static_cast<LPCWSTR>(strEntry));
        if (strEntry.Compare(strName) != 0 && s_pfnEqual(&entry, &name, TRUE))
            return TRUE;
    }
    return reader.Status() != 0;
}

RemovalOutcome CTreeRemoval::RemoveFolder(const CStringW& strName, Contents contents)
{
    if (!m_pBase)
        return EntryLeft;
    LevelStack stack;
    RemovalOutcome outcome;
    if (!OpenToWalk(*m_pBase, strName, contents, stack, outcome))
        return outcome;
    while (!stack.IsEmpty()) {
        Level& folder = stack.Top();
        if (folder.posNextFolder != NULL) {
            const CStringW& strSub = folder.folders.GetNext(folder.posNextFolder);
            RemovalOutcome subOutcome;
            if (!OpenToWalk(folder, strSub, WithContents, stack, subOutcome) && subOutcome == EntryLeft)
                folder.bComplete = FALSE;
            continue;
        }
        // Its subfolders are done: then its files, its links, and the folder itself.
        for (POSITION pos = folder.files.GetHeadPosition(); pos != NULL;)
            if (RemoveEntry(folder, folder.files.GetNext(pos), File) == EntryLeft)
                folder.bComplete = FALSE;
        for (POSITION pos = folder.links.GetHeadPosition(); pos != NULL;)
            if (RemoveEntry(folder, folder.links.GetNext(pos), Link) == EntryLeft)
                folder.bComplete = FALSE;
        outcome = Delete(folder.hFolder, folder.bComplete ? EmptiedFolder : UnwalkedFolder);
        stack.Pop();
        if (outcome == EntryLeft && !stack.IsEmpty())
            stack.Top().bComplete = FALSE;
    }
    return outcome;
}

RemovalOutcome CTreeRemoval::RemoveFile(const CStringW& strName)
{
    return m_pBase ? RemoveEntry(*m_pBase, strName, File) : EntryLeft;
}

// Opens the subfolder strName of folder for its removal. A folder to walk is listed and
// pushed on the stack (TRUE); anything else is dealt with at once, with rOutcome.
BOOL CTreeRemoval::OpenToWalk(Level& folder, const CStringW& strName, Contents contents, LevelStack& stack,
                              RemovalOutcome& rOutcome)
{
    std::unique_ptr<Level> pSub(new Level);
    HANDLE h;
    LONG lStatus = Open(folder, strName, Folder, h, &pSub->strResolved);
    if (lStatus != 0) {
        rOutcome = OutcomeOfOpen(lStatus);
        return FALSE;
    }
    pSub->hFolder.Attach(h);
    DWORD dwAttributes, dwTag;
    if (GetAttributes(h, dwAttributes, dwTag) != 0) {
        rOutcome = EntryLeft;
    } else if (IsLinkEntry(dwAttributes, dwTag)) {
        rOutcome = Delete(h, FileOrLink);   // the system opened the link itself
    } else if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        rOutcome = EntryLeft;
    } else if (contents == ItselfOnly) {
        rOutcome = Delete(h, UnwalkedFolder);
    } else {
        pSub->nPathLength = folder.nPathLength + 1 + strName.GetLength();
        pSub->bComplete = List(*pSub);
        pSub->posNextFolder = pSub->folders.GetHeadPosition();
        stack.Push(std::move(pSub));
        return TRUE;
    }
    return FALSE;
}

// Removes the entry strName of folder that is no folder to walk: a File, or a Link, which
// goes as the link or stays.
RemovalOutcome CTreeRemoval::RemoveEntry(const Level& folder, const CStringW& strName, Kind kind)
{
    CNativeHandle hEntry;
    HANDLE h;
    // Where a handle needs no check and the volume deletes no name at once, a file can go
    // with its handle, as the system's own deletion does: one call less.
    if (kind == File && !m_bVerify && !m_bPosixDelete) {
        LONG lStatus = Open(folder, strName, FileDeletedOnClose, h, NULL);
        if (lStatus != 0)
            return OutcomeOfOpen(lStatus);
        hEntry.Attach(h);
        return EntryRemoved;
    }
    LONG lStatus = Open(folder, strName, kind, h, NULL);
    if (lStatus != 0)
        return OutcomeOfOpen(lStatus);
    hEntry.Attach(h);
    if (kind == Link) {
        // Where the system reached what the link leads to, the handle is no link.
        DWORD dwAttributes, dwTag;
        if (GetAttributes(hEntry, dwAttributes, dwTag) != 0 || (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            return EntryLeft;
    }
    return Delete(hEntry, FileOrLink);
}

// Opens the entry strName of folder as itself, trying again while another program holds
// it for a moment; with m_bVerify only when the handle is the entry itself, and then the
// name the system resolved for it goes to *pstrResolved.
LONG CTreeRemoval::Open(const Level& folder, const CStringW& strName, Kind kind, HANDLE& rhEntry,
                        CStringW* pstrResolved)
{
    ACCESS_MASK access = FILE_READ_ATTRIBUTES;
    ULONG options = kFileOpenReparsePoint;
    switch (kind) {
    case Held:
        access |= FILE_LIST_DIRECTORY | FILE_TRAVERSE;
        options |= kFileDirectoryFile;
        break;
    case Folder:
        access |= DELETE | FILE_LIST_DIRECTORY;
        break;
    case File:
        access |= DELETE;
        options |= kFileNonDirectoryFile;
        break;
    case Link:
        access |= DELETE;
        break;
    case FileDeletedOnClose:
        access |= DELETE;
        options |= kFileNonDirectoryFile | kFileDeleteOnClose;
        break;
    }
    LONG lStatus;
    for (int nTry = 0;; ++nTry) {
        lStatus = OpenNative(folder.hFolder, strName, access, options, rhEntry, kind == Held ? kShareHeld : kShareAll);
        if (lStatus != NtStatus::kSharingViolation || !WaitBeforeRetry(nTry, m_rdwRetryBudget))
            break;
    }
    if (lStatus != 0 || !m_bVerify)
        return lStatus;
    CStringW strResolved;
    if (!GetFullName(rhEntry, strResolved) || !IsEntryItself(strResolved, folder.strResolved, strName)) {
        RemovalCalls().pfnClose(rhEntry);
        rhEntry = NULL;
        return kNotTheEntry;
    }
    if (pstrResolved != NULL)
        pstrResolved->Swap(strResolved);
    return 0;
}

// The buffer of this removal's listings, one at a time.
BYTE* CTreeRemoval::ListingBuffer()
{
    if (!m_pBuffer) {
        if (g_bFailNextListingBuffer.exchange(false))
            throw std::bad_alloc();
        m_pBuffer.reset(new BYTE[kListingBuffer]);
    }
    return m_pBuffer.get();
}

// Sorts the entries of the open folder into subfolders to walk, files, and links.
// FALSE when an entry was left out or the listing stopped early.
BOOL CTreeRemoval::List(Level& folder)
{
    BOOL bComplete = TRUE;
    CFolderReader reader(folder.hFolder, ListingBuffer(), kListingBuffer);
    CStringW strName;
    DWORD dwAttributes, dwTag;
    while (reader.Next(strName, dwAttributes, dwTag)) {
        if (!IsComposableName(strName) || !FitsComposedPath(folder.nPathLength, strName.GetLength()))
            bComplete = FALSE;   // no path can name it: it stays, and so does its folder
        else if (IsLinkEntry(dwAttributes, dwTag))
            folder.links.AddTail(strName);
        else if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            folder.folders.AddTail(strName);
        else
            folder.files.AddTail(strName);
    }
    return bComplete && reader.Status() == 0;
}

// Deletes the open entry, trying again while another program holds it for a moment and,
// for an EmptiedFolder, while its last entries are still going.
RemovalOutcome CTreeRemoval::Delete(HANDLE hEntry, Target target)
{
    for (int nTry = 0;; ++nTry) {
        // A folder is asked itself whether it still holds entries before it is marked. The
        // system refuses to mark a folder that does, but Wine 8 looks only the first time
        // per handle: marked again, the folder is accepted and then kept without a word.
        LONG lStatus = target == FileOrLink ? 0 : HoldsNoEntries(hEntry);
        if (lStatus == 0)
            lStatus = MarkForDeletion(hEntry);
        if (lStatus == 0 || lStatus == NtStatus::kDeletePending)
            return EntryRemoved;
        BOOL bBrief = lStatus == NtStatus::kSharingViolation ||
                      (lStatus == NtStatus::kDirectoryNotEmpty && target == EmptiedFolder);
        if (!bBrief || !WaitBeforeRetry(nTry, m_rdwRetryBudget))
            return EntryLeft;
    }
}

// Marks the entry for deletion: at once where the volume offers that (POSIX semantics),
// else when its last handle is closed. A read-only entry is refused (its attribute is
// never cleared), and so is a folder that still holds entries.
LONG CTreeRemoval::MarkForDeletion(HANDLE hEntry)
{
    IO_STATUS_BLOCK io;
    if (m_bPosixDelete) {
        const ULONG kDelete = 0x1, kPosixSemantics = 0x2;
        ULONG flags = kDelete | kPosixSemantics;
        LONG lStatus = RemovalCalls().pfnSetInformationFile(hEntry, &io, &flags, sizeof(flags),
                                                            kFileDispositionInformationEx);
        if (lStatus != NtStatus::kNotImplemented && lStatus != NtStatus::kInvalidInfoClass &&
            lStatus != NtStatus::kInvalidParameter && lStatus != kNotSupported && lStatus != kInvalidDeviceRequest)
            return lStatus;   // done, or refused for a reason of the entry's own
        // A system (before Windows 10 1709, or Wine) or a volume (FAT, exFAT, a share)
        // without it: the classic way, for the rest of this walk, which stays on one volume.
        m_bPosixDelete = FALSE;
    }
    BOOLEAN bDelete = TRUE;
    return RemovalCalls().pfnSetInformationFile(hEntry, &io, &bDelete, sizeof(bDelete), kFileDispositionInformation);
}

BOOL CTreeRemoval::VerifiesEntries()
{
    return VerifyEntries();
}

void CTreeRemoval::SetVerifiesEntries(BOOL bVerify)
{
    VerifyEntries() = bVerify;
}

void CTreeRemoval::FailNextListingBuffer()
{
    g_bFailNextListingBuffer = true;
}

// ---- Handles, held folders and the last look ----

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

LONG CHeldFolder::OpenByPath(const CStringW& strPath)
{
    Close();
    HANDLE h;
    LONG lStatus = OpenFolderByPath(strPath, h, &m_nPathLength, kShareHeld);
    if (lStatus != 0)
        return lStatus;
    m_h.Attach(h);
    if (CTreeRemoval::VerifiesEntries() && !GetFullName(h, m_strResolved)) {
        Close();
        return kNotTheEntry;
    }
    return 0;
}

LONG CHeldFolder::OpenBelow(const CStringW& strPath, const CStringW& strName)
{
    Close();
    DWORD dwNoWaits = 0;
    CTreeRemoval removal(dwNoWaits);
    LONG lStatus = removal.OpenFolder(strPath);
    if (lStatus == 0)
        lStatus = removal.EnterFolder(strName);
    if (lStatus != 0)
        return lStatus;
    m_h.Attach(removal.m_pBase->hFolder.Detach());
    m_strResolved.Swap(removal.m_pBase->strResolved);
    m_nPathLength = removal.m_pBase->nPathLength;
    return 0;
}

void CHeldFolder::Close()
{
    m_h.Close();
    m_strResolved.Empty();
    m_nPathLength = 0;
}

BOOL CHeldFolder::ListFolders(CStringArrayW& arrNames) const
{
    if (!IsOpen())
        return FALSE;
    std::unique_ptr<BYTE[]> pBuffer(new BYTE[kListingBuffer]);
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
    CStringW strLiteral = LiteralPathOf(strPath);
    // Its root: "\\?\C:\", or "\\?\UNC\server\share\".
    int nSeparators = wcsncmp(strLiteral, L"\\\\?\\UNC\\", 8) == 0 ? 6 : 4;
    int nRoot = 0;
    for (int nSeen = 0; nRoot < strLiteral.GetLength() && nSeen < nSeparators; ++nRoot)
        if (strLiteral[nRoot] == L'\\')
            ++nSeen;
    if (nRoot == 0 || strLiteral[nRoot - 1] != L'\\')
        return EntryLeft;
    if (strLiteral.GetLength() > nRoot && strLiteral[strLiteral.GetLength() - 1] == L'\\')
        strLiteral = strLiteral.Left(strLiteral.GetLength() - 1);
    if (strLiteral.GetLength() <= nRoot)
        return EntryLeft;   // a root is no entry that can be gone

    HANDLE h;
    LONG lStatus = OpenNative(NULL, NativePathOf(strLiteral), FILE_READ_ATTRIBUTES, kFileOpenForBackupIntent, h);
    if (lStatus == 0)
        RemovalCalls().pfnClose(h);
    if (lStatus != NtStatus::kObjectNameNotFound && lStatus != NtStatus::kObjectPathNotFound)
        return EntryLeft;
    // The nearest folder on the way that opens must answer for the next name itself.
    for (int nSeparator = strLiteral.ReverseFind(L'\\'); nSeparator >= nRoot - 1;) {
        CStringW strFolder = strLiteral.Left(nSeparator < nRoot ? nRoot : nSeparator);
        lStatus = OpenNative(NULL, NativePathOf(strFolder), FILE_READ_ATTRIBUTES | FILE_TRAVERSE,
                             kFileDirectoryFile | kFileOpenForBackupIntent, h);
        if (lStatus == 0) {
            CNativeHandle hFolder;
            hFolder.Attach(h);
            CStringW strNext = strLiteral.Mid(nSeparator + 1);
            int nEnd = strNext.Find(L'\\');
            if (nEnd >= 0)
                strNext = strNext.Left(nEnd);
            lStatus = OpenNative(hFolder, strNext, FILE_READ_ATTRIBUTES, kFileOpenReparsePoint, h);
            if (lStatus == 0)
                RemovalCalls().pfnClose(h);
            return lStatus == NtStatus::kObjectNameNotFound ? EntryAbsent : EntryLeft;
        }
        if ((lStatus != NtStatus::kObjectNameNotFound && lStatus != NtStatus::kObjectPathNotFound) ||
            nSeparator < nRoot)
            return EntryLeft;
        nSeparator = strLiteral.Left(nSeparator).ReverseFind(L'\\');
    }
    return EntryLeft;
}
