#include "fs/TreeRemoval.h"

#include "fs/FileScanner.h"
#include "fs/NativeFile.h"
#include "platform/Ntdll.h"

#include <wchar.h>

#include <atomic>

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

// ---- The removal ----

namespace {

const DWORD kFirstWaitMs = 5;   // the first wait; each next one doubles
const int kMaxTries = 8;        // of one entry: waits of 5, 10, 20 ... 320 ms
const ULONG kListingBuffer = 64 * 1024;

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

UNICODE_STRING Counted(const CStringW& str)
{
    UNICODE_STRING counted;
    counted.Length = counted.MaximumLength = static_cast<USHORT>(str.GetLength() * sizeof(WCHAR));
    counted.Buffer = const_cast<PWSTR>(static_cast<LPCWSTR>(str));
    return counted;
}

std::atomic<bool> g_bFailNextListingBuffer(false);   // CTreeRemoval::FailNextListingBuffer

BOOL& VerifyEntries()
{
    static BOOL s_bVerify = RunsOnWine();
    return s_bVerify;
}

} // namespace

// A folder the walk is in: its handle, and what of it is still to be removed.
struct CTreeRemoval::Level
{
    Level* pBelow = NULL;   // the folder that holds it, on the walk's stack
    CNativeHandle hFolder;
    CStringW strResolved;   // with m_bVerify: the folder's full name as the system resolved it
    int nPathLength = 0;    // characters of the folder's literal path
    CStringListW folders, files, links;
    POSITION posNextFolder = NULL;   // the next subfolder to remove
    BOOL bComplete = TRUE;           // nothing of it has been left so far
};

CTreeRemoval::CTreeRemoval(DWORD& rdwRetryBudget)
    : m_rdwRetryBudget(rdwRetryBudget), m_bVerify(VerifiesEntries()), m_bPosixDelete(TRUE)
{
}

CTreeRemoval::~CTreeRemoval() {}

// Acts from now on in the folder at strPath, links on the way followed. 0, or the system's status.
LONG CTreeRemoval::OpenFolder(const CStringW& strPath)
{
    std::unique_ptr<Level> pBase(NewObject<Level>());
    LONG lStatus = OpenFolderByPath(strPath, kShareAll, pBase->hFolder, &pBase->nPathLength);
    if (lStatus != 0)
        return lStatus;
    if (m_bVerify && !GetFullName(pBase->hFolder, pBase->strResolved))
        return NtStatus::kObjectTypeMismatch;
    m_pBase.swap(pBase);
    return 0;
}

// Acts from now on in the subfolder strName of the folder acted in, opened as itself to be
// held. 0, or a status where it cannot be opened, is no folder, or is a link.
LONG CTreeRemoval::EnterFolder(const CStringW& strName)
{
    std::unique_ptr<Level> pFolder(NewObject<Level>());
    LONG lStatus = Open(*m_pBase, strName, Held, pFolder->hFolder, &pFolder->strResolved);
    if (lStatus != 0)
        return lStatus;
    DWORD dwAttributes, dwTag;
    lStatus = GetAttributes(pFolder->hFolder, dwAttributes, dwTag);
    if (lStatus != 0)
        return lStatus;
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsLinkEntry(dwAttributes, dwTag))
        return NtStatus::kNotADirectory;
    pFolder->nPathLength = m_pBase->nPathLength + 1 + strName.GetLength();
    m_pBase.swap(pFolder);
    return 0;
}

// Opens the subfolder strName of the folder at strPath as itself, for rHeld to hold.
BOOL CTreeRemoval::OpenToHold(const CStringW& strPath, const CStringW& strName, CHeldFolder& rHeld)
{
    DWORD dwNoWaits = 0;
    CTreeRemoval removal(dwNoWaits);
    if (removal.OpenFolder(strPath) != 0 || removal.EnterFolder(strName) != 0)
        return FALSE;
    rHeld.m_h = removal.m_pBase->hFolder.Detach();
    rHeld.m_strResolved.Swap(removal.m_pBase->strResolved);
    rHeld.m_nPathLength = removal.m_pBase->nPathLength;
    return TRUE;
}

BOOL CTreeRemoval::ActIn(const CHeldFolder& folder)
{
    if (!folder.IsOpen())
        return FALSE;
    std::unique_ptr<Level> pBase(NewObject<Level>());
    pBase->hFolder.Borrow(folder.m_h);
    pBase->strResolved = folder.m_strResolved;
    pBase->nPathLength = folder.m_nPathLength;
    m_pBase.swap(pBase);
    return TRUE;
}

BOOL CTreeRemoval::HasCaseTwin(const CStringW& strName)
{
    typedef BOOLEAN(NTAPI * PFN_EQUAL)(const UNICODE_STRING*, const UNICODE_STRING*, BOOLEAN);
    static const PFN_EQUAL s_pfnEqual = NtdllFunction<PFN_EQUAL>("RtlEqualUnicodeString");
    if (!m_pBase || s_pfnEqual == NULL)
        return TRUE;
    const UNICODE_STRING name = Counted(strName);
    CFolderReader reader(m_pBase->hFolder, ListingBuffer(), kListingBuffer);
    CStringW strEntry;
    DWORD dwAttributes, dwTag;
    while (reader.Next(strEntry, dwAttributes, dwTag)) {
        const UNICODE_STRING entry = Counted(strEntry);
        if (strEntry.Compare(strName) != 0 && s_pfnEqual(&entry, &name, TRUE))
            return TRUE;
    }
    return reader.Status() != 0;
}

RemovalOutcome CTreeRemoval::RemoveFolder(const CStringW& strName)
{
    if (!m_pBase)
        return EntryLeft;
    CHeapStack<Level> stack;
    RemovalOutcome outcome;
    Level* pFolder = OpenToWalk(*m_pBase, strName, outcome);
    if (pFolder == NULL)
        return outcome;
    stack.Push(pFolder);
    while (!stack.IsEmpty()) {
        Level& folder = stack.Top();
        if (folder.posNextFolder != NULL) {
            const CStringW& strSub = folder.folders.GetNext(folder.posNextFolder);
            RemovalOutcome subOutcome;
            if (Level* pSub = OpenToWalk(folder, strSub, subOutcome))
                stack.Push(pSub);
            else if (subOutcome == EntryLeft)
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
        outcome = Delete(folder.hFolder, folder.bComplete ? EmptiedFolder : FolderThatKeepsSomething);
        stack.Pop();
        if (outcome == EntryLeft && !stack.IsEmpty())
            stack.Top().bComplete = FALSE;
    }
    return outcome;
}

// Opens the subfolder strName of folder for its removal: a folder to walk comes back
// listed, for the walk's stack; anything else is dealt with at once (NULL, with rOutcome).
CTreeRemoval::Level* CTreeRemoval::OpenToWalk(Level& folder, const CStringW& strName, RemovalOutcome& rOutcome)
{
    std::unique_ptr<Level> pSub(NewObject<Level>());
    LONG lStatus = Open(folder, strName, Folder, pSub->hFolder, &pSub->strResolved);
    DWORD dwAttributes, dwTag;
    if (lStatus != 0)
        rOutcome = OutcomeOfOpen(lStatus);
    else if (GetAttributes(pSub->hFolder, dwAttributes, dwTag) != 0)
        rOutcome = EntryLeft;
    else if (IsLinkEntry(dwAttributes, dwTag))
        rOutcome = Delete(pSub->hFolder, FileOrLink);   // the system opened the link itself
    else if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        rOutcome = EntryLeft;
    else {
        pSub->nPathLength = folder.nPathLength + 1 + strName.GetLength();
        pSub->bComplete = List(*pSub);
        pSub->posNextFolder = pSub->folders.GetHeadPosition();
        return pSub.release();
    }
    return NULL;
}

// Removes the entry strName of folder that is no folder to walk: a File, or a Link, which
// goes as the link or stays.
RemovalOutcome CTreeRemoval::RemoveEntry(const Level& folder, const CStringW& strName, Kind kind)
{
    // Where a handle needs no check and the volume deletes no name at once, a file can go
    // with its handle, as the system's own deletion does: one call less.
    BOOL bGoesOnClose = kind == File && !m_bVerify && !m_bPosixDelete;
    CNativeHandle hEntry;
    LONG lStatus = Open(folder, strName, bGoesOnClose ? FileDeletedOnClose : kind, hEntry, NULL);
    if (lStatus != 0)
        return OutcomeOfOpen(lStatus);
    if (bGoesOnClose)
        return EntryRemoved;
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
LONG CTreeRemoval::Open(const Level& folder, const CStringW& strName, Kind kind, CNativeHandle& rhEntry,
                        CStringW* pstrResolved)
{
    ACCESS_MASK access = FILE_READ_ATTRIBUTES;
    ULONG options = FILE_OPEN_REPARSE_POINT;
    switch (kind) {
    case Held:
        access |= FILE_LIST_DIRECTORY | FILE_TRAVERSE;
        options |= FILE_DIRECTORY_FILE;
        break;
    case Folder:
        access |= DELETE | FILE_LIST_DIRECTORY;
        break;
    case File:
        access |= DELETE;
        options |= FILE_NON_DIRECTORY_FILE;
        break;
    case Link:
        access |= DELETE;
        break;
    case FileDeletedOnClose:
        access |= DELETE;
        options |= FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE;
        break;
    }
    LONG lStatus;
    for (int nTry = 0;; ++nTry) {
        lStatus = OpenNative(folder.hFolder, strName, access, options, kind == Held ? kShareNoDelete : kShareAll,
                             rhEntry);
        if (lStatus != NtStatus::kSharingViolation || !WaitBeforeRetry(nTry, m_rdwRetryBudget))
            break;
    }
    if (lStatus != 0 || !m_bVerify)
        return lStatus;
    CStringW strResolved;
    if (!GetFullName(rhEntry, strResolved) || !IsEntryItself(strResolved, folder.strResolved, strName)) {
        rhEntry.Close();
        return NtStatus::kObjectTypeMismatch;   // what the system opened is not the entry
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
            AfxThrowMemoryException();
        m_pBuffer.reset(new (std::nothrow) BYTE[kListingBuffer]);
        if (!m_pBuffer)
            AfxThrowMemoryException();
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
        ULONG flags = kDispositionDelete | kDispositionPosixSemantics;
        LONG lStatus = RemovalCalls().pfnSetInformationFile(hEntry, &io, &flags, sizeof(flags),
                                                            kFileDispositionInformationEx);
        if (lStatus != NtStatus::kNotImplemented && lStatus != NtStatus::kInvalidInfoClass &&
            lStatus != NtStatus::kInvalidParameter && lStatus != NtStatus::kNotSupported &&
            lStatus != NtStatus::kInvalidDeviceRequest)
            return lStatus;   // done, or refused for a reason of the entry's own
        // A system (before Windows 10 1709, or Wine) or a volume (FAT, exFAT, a share)
        // without it: the classic way, for the rest of this walk, which stays on one volume.
        m_bPosixDelete = FALSE;
    }
    FILE_DISPOSITION_INFORMATION disposition = { TRUE };
    return RemovalCalls().pfnSetInformationFile(hEntry, &io, &disposition, sizeof(disposition),
                                                FileDispositionInformation);
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
