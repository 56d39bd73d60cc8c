// The removal of a folder tree, and the rules that keep it inside that tree.
//
// A removal opens the folder it acts in once, by its path, and from then on reaches
// everything below it through open handles: each folder is listed once through its own
// handle, each entry is opened by its single name relative to its folder's handle as
// itself (a link is not followed), and deleted through its own handle. No path is
// resolved twice, so a folder renamed or replaced by a link during the removal cannot
// lead it elsewhere. Links (symbolic links, junctions, mount points) go as links, or
// stay. Where the system opens what a link leads to even when asked for the link (Wine),
// every handle is checked to be the entry itself: its full name, volume included, must
// be its folder's and the entry's name. What the system refuses stays, with the folders
// above it; nothing is widened to get it (no attribute is changed). The walk keeps its
// place on the heap, so depth costs no stack, and it asks a volume only what every local
// file system answers: FAT and exFAT have no reparse tags and no POSIX deletion. On a
// network share the server resolves each name again, so there the guard against a tree
// that changes during the removal is the server's.
//
// A removal can act in a folder held open since its entries were shown (CHeldFolder), so
// that it acts in what was seen, not in whatever the path leads to later. What a walk
// answered is not the last word: a deletion can still fail when its handle is closed, or
// something new can stand at the path, so a caller looks once more (LookUpEntry).
#pragma once

#include "platform/Collections.h"
#include "platform/File.h"

#include <winternl.h>

#include <memory>

// ---- The rules ----

// Characters of a composed path, its terminating zero included.
const int kMaxComposedPath = kMaxSystemPath - 8;   // room for the "\\?\UNC" form

// TRUE when a directory entry's name can be joined to its folder's path: not empty,
// not "." or "..", and none of \ / : * ? " < > | (the system's listings can return such
// names, for instance for files made by other systems).
BOOL IsComposableName(LPCWSTR pszName);

// TRUE when a folder path of nFolderLength characters, a separator and a name of
// nNameLength characters fit kMaxComposedPath. An entry beyond it is left, never cut.
BOOL FitsComposedPath(int nFolderLength, int nNameLength);

// TRUE when an entry leads elsewhere: it carries the reparse-point attribute with a
// name-surrogate tag (a symbolic link, a junction or a mount point), or with no tag the
// system would tell. A reparse point of any other kind (a cloud placeholder, a
// deduplicated file) is an ordinary file or folder.
BOOL IsLinkEntry(DWORD dwAttributes, DWORD dwReparseTag);

// TRUE when strResolved, the full name the system resolved for an entry's open handle
// (volume included), is the entry strName of the folder whose handle the system resolved
// as strFolder: that name, '\' and the entry's name, exactly, but for trailing dots and
// blanks of the entry's name, which Wine leaves out when it names a handle. Where the
// system opened what a link leads to instead of the link, on another volume or in
// another folder, or a folder on the way was swapped, the names differ.
BOOL IsEntryItself(const CStringW& strResolved, const CStringW& strFolder, const CStringW& strName);

// ---- The native calls ----

// NTSTATUS codes the removal tells apart.
namespace NtStatus {
const LONG kBufferOverflow = static_cast<LONG>(0x80000005);
const LONG kNoMoreFiles = static_cast<LONG>(0x80000006);
const LONG kNotImplemented = static_cast<LONG>(0xC0000002);
const LONG kInvalidInfoClass = static_cast<LONG>(0xC0000003);
const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
const LONG kInvalidParameter = static_cast<LONG>(0xC000000D);
const LONG kNoSuchFile = static_cast<LONG>(0xC000000F);
const LONG kObjectNameInvalid = static_cast<LONG>(0xC0000033);
const LONG kObjectNameNotFound = static_cast<LONG>(0xC0000034);
const LONG kObjectPathNotFound = static_cast<LONG>(0xC000003A);
const LONG kSharingViolation = static_cast<LONG>(0xC0000043);
const LONG kDeletePending = static_cast<LONG>(0xC0000056);
const LONG kDirectoryNotEmpty = static_cast<LONG>(0xC0000101);
const LONG kNotADirectory = static_cast<LONG>(0xC0000103);
}

// The system calls the removal makes, from ntdll, and its wait between tries, in one
// table. A test can put calls of its own in place (and must restore the table) to play a
// file system or a system this machine does not have, or to count the waits.
struct NativeFileCalls
{
    LONG(NTAPI* pfnOpenFile)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
    LONG(NTAPI* pfnQueryDirectoryFile)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                       ULONG, BOOLEAN, PUNICODE_STRING, BOOLEAN);
    LONG(NTAPI* pfnQueryInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    LONG(NTAPI* pfnSetInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    LONG(NTAPI* pfnQueryObject)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    LONG(NTAPI* pfnClose)(HANDLE);
    VOID(WINAPI* pfnSleep)(DWORD);   // kernel32's Sleep
};
NativeFileCalls& RemovalCalls();

enum RemovalOutcome
{
    EntryRemoved,   // the entry was there and is gone
    EntryAbsent,    // the system answered that there is no such entry (or it is going already)
    EntryLeft,      // the entry, or something of it, is left, or could not be reached
};

// Owns a handle of the native calls and closes it through them; a handle it only
// borrows it leaves open.
class CNativeHandle
{
public:
    CNativeHandle() : m_h(NULL), m_bOwned(false) {}
    ~CNativeHandle() { Close(); }
    operator HANDLE() const { return m_h; }
    void Attach(HANDLE h);
    void Borrow(HANDLE h);
    HANDLE Detach();
    void Close();

private:
    HANDLE m_h;
    bool m_bOwned;
    CNativeHandle(const CNativeHandle&) = delete;
    CNativeHandle& operator=(const CNativeHandle&) = delete;
};

// A folder opened once and held open, without delete sharing, so that it stays the same
// folder while it is held: the folder a list was read from, which a later removal then
// acts in (CTreeRemoval::ActIn), whatever is renamed, removed or made again meanwhile.
class CHeldFolder
{
public:
    CHeldFolder() : m_nPathLength(0) {}

    // Opens and holds the folder at strPath, links on the way to it, the last one
    // included, followed. 0, or the system's status.
    LONG OpenByPath(const CStringW& strPath);
    // Opens and holds the subfolder strName of the folder at strPath, opened as itself:
    // a link there is never entered. 0; another status where there is no such folder,
    // it cannot be opened, or it is a link.
    LONG OpenBelow(const CStringW& strPath, const CStringW& strName);
    BOOL IsOpen() const { return m_h != NULL; }
    void Close();

    // Appends the names of the entries the folder lists as folders (links to folders
    // included), exactly as the system returns them. FALSE where the listing stopped early.
    BOOL ListFolders(CStringArrayW& arrNames) const;

private:
    friend class CTreeRemoval;
    CNativeHandle m_h;
    CStringW m_strResolved;   // where handles are checked: its full name as the system resolved it
    int m_nPathLength;        // characters of its literal path

    CHeldFolder(const CHeldFolder&) = delete;
    CHeldFolder& operator=(const CHeldFolder&) = delete;
};

// What a last look at strPath finds, by its path, the way any program would reach it:
// EntryAbsent only where the system answered "not found" for the entry's name in a folder
// on the way that opened; EntryLeft where the entry is there, or where no folder on the
// way could be opened (a link that leads nowhere, a drive that is not there or does not
// answer), since then nothing is known of it.
RemovalOutcome LookUpEntry(const CStringW& strPath);

// ---- The removal ----

// How long, in all, one removal of a user may wait for brief refusals, in milliseconds.
const DWORD kRemovalRetryBudgetMs = 1000;

// One removal in one folder, which it opens once (OpenFolder, EnterFolder) and then acts
// in through that handle. Use it on one thread.
class CTreeRemoval
{
public:
    // rdwRetryBudget: milliseconds that brief refusals (a file another program holds for
    // a moment, a folder whose last entries are still going) may still be waited for;
    // the removal takes its waits from it.
    explicit CTreeRemoval(DWORD& rdwRetryBudget);
    ~CTreeRemoval();

    // Opens the folder at strPath as the one to act in; links on the way to it, the last
    // one included, are followed. 0, or the system's status.
    LONG OpenFolder(const CStringW& strPath);
    // Acts in the held folder, through its handle, which it borrows: the folder must be
    // held while this removal lives. Where handles are checked, each entry opened there
    // must be named as the held folder was when it was opened. 0, or a status where the
    // folder is not held.
    LONG ActIn(const CHeldFolder& folder);
    // TRUE where the folder acted in lists another entry whose name differs from strName
    // only in letter case, or cannot be listed: Windows opens names without regard to
    // case, so an open of strName could reach that entry instead.
    BOOL HasCaseTwin(const CStringW& strName);

    enum Contents { ItselfOnly, WithContents };
    // Removes the subfolder strName of the folder acted in, WithContents everything below
    // it first: subfolders depth first in listing order, then the files, then the links,
    // then the folder. Each folder is listed once. ItselfOnly removes an empty folder
    // only. A folder that is a link is removed as a link, or left.
    RemovalOutcome RemoveFolder(const CStringW& strName, Contents contents);
    // Removes the file strName of the folder acted in; a file link goes as the link.
    RemovalOutcome RemoveFile(const CStringW& strName);

    // Whether every handle is checked to be the entry itself before it is used: needed
    // where the system opens what a link leads to even when asked for the link (Wine),
    // and on by default there. Windows opens a link as itself.
    static BOOL VerifiesEntries();
    static void SetVerifiesEntries(BOOL bVerify);
    // For tests: the next listing buffer allocated in this process fails, as where memory has run out.
    static void FailNextListingBuffer();

private:
    friend class CHeldFolder;
    struct Level;
    class LevelStack;
    // What an entry is opened as: a folder to hold and act in, a folder to walk and delete,
    // a file, a link (to a file or a folder), or a file that goes when its handle is closed.
    enum Kind { Held, Folder, File, Link, FileDeletedOnClose };
    // What is deleted: a file or a link; a folder whose entries have all gone, which is
    // tried again while the last of them are still going; or a folder not walked, which
    // goes only where it is empty.
    enum Target { FileOrLink, EmptiedFolder, UnwalkedFolder };

    LONG EnterFolder(const CStringW& strName);
    LONG Open(const Level& folder, const CStringW& strName, Kind kind, HANDLE& rhEntry,
              CStringW* pstrResolved);
    BOOL OpenToWalk(Level& folder, const CStringW& strName, Contents contents, LevelStack& stack,
                    RemovalOutcome& rOutcome);
    RemovalOutcome RemoveEntry(const Level& folder, const CStringW& strName, Kind kind);
    BOOL List(Level& folder);
    BYTE* ListingBuffer();
    RemovalOutcome Delete(HANDLE hEntry, Target target);
    LONG MarkForDeletion(HANDLE hEntry);

    DWORD& m_rdwRetryBudget;
    const BOOL m_bVerify;
    BOOL m_bPosixDelete;             // until this volume answers that it has no POSIX deletion
    std::unique_ptr<Level> m_pBase;  // the folder acted in
    std::unique_ptr<BYTE[]> m_pBuffer;   // one listing at a time

    CTreeRemoval(const CTreeRemoval&) = delete;
    CTreeRemoval& operator=(const CTreeRemoval&) = delete;
};
