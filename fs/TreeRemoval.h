// The removal of a folder tree, and the rules that keep it inside that tree.
//
// The threat: while a user's folder is removed, another program (or another account that
// can write somewhere on the way) renames a folder, puts a link where a folder was, or
// names entries so that a path made of them leads elsewhere. Nothing outside the tree may
// go, and the removal may not report a tree gone that is still there.
//
// The mitigations:
// - The removal acts in a folder opened once: held open since the user was shown its
//   entries (CHeldFolder, fs/FileScanner.h), so that it acts in what was seen, whatever the path leads to by
//   then. From there every entry is opened by its single name relative to its folder's
//   handle, as itself (a link is not followed), and deleted through its own handle: no
//   path is resolved twice.
// - Links (symbolic links, junctions, mount points) go as links, or stay. Where the system
//   opens what a link leads to even when asked for the link (Wine), every handle is checked
//   to be the entry itself: its full name, volume included, must be its folder's and the
//   entry's name.
// - A name that no path can hold (a separator, a wildcard, a path too long) is never
//   opened; it stays, with the folders above it. A folder beside a twin of its name in
//   another letter case is not entered, since Windows may open either for that name.
// - Each folder is listed in full once; before each try to delete it, it is asked once
//   more whether it holds an entry, since Wine accepts a second mark on a folder that does
//   and then keeps it without a word.
// - A file or folder another program holds for a moment is tried again, with waits that
//   double from 5 ms, within one budget for a whole removal (about a second).
// - What the system refuses stays, and so do the folders above it; nothing is widened to
//   get it (no attribute is changed). The walk keeps its place on the heap, so depth costs
//   no stack, and it asks a volume only what every local file system answers.
// - What a walk answered is not the last word: a deletion can fail when its handle is
//   closed, or something new can stand at the path. A caller looks once more
//   (LookUpEntry, fs/FileScanner.h), and only the system's "not found" there counts as gone.
//
// The limits: FAT and exFAT have no reparse tags and no POSIX deletion, so there a name
// goes when its last handle closes. On a network share the server resolves each name
// again, so there the guard against a tree that changes during the removal is the server's.
#pragma once

#include "platform/Collections.h"
#include "platform/File.h"

#include <memory>

class CHeldFolder;
class CNativeHandle;

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

// ---- The removal ----

// How long, in all, one removal of a user may wait for brief refusals, in milliseconds.
const DWORD kRemovalRetryBudgetMs = 1000;

enum RemovalOutcome
{
    EntryRemoved,   // the entry was there and is gone
    EntryAbsent,    // the system answered that there is no such entry (or it is going already)
    EntryLeft,      // the entry, or something of it, is left, or could not be reached
};

// One removal in one held folder, which it acts in through the folder's handle. Use it
// on one thread.
class CTreeRemoval
{
public:
    // rdwRetryBudget: milliseconds that brief refusals (a file another program holds for a
    // moment, a folder whose last entries are still going) may still be waited for; the
    // removal takes its waits from it.
    explicit CTreeRemoval(DWORD& rdwRetryBudget);
    ~CTreeRemoval();

    // Acts in the held folder, through its handle, which it borrows: the folder must stay
    // held while this removal lives. FALSE where the folder is not held.
    BOOL ActIn(const CHeldFolder& folder);
    // TRUE where the folder acted in lists another entry whose name differs from strName
    // only in letter case, or cannot be listed.
    BOOL HasCaseTwin(const CStringW& strName);
    // Removes the subfolder strName of the folder acted in with everything below it:
    // subfolders depth first in listing order, then the files, then the links, then the
    // folder. A folder that is a link is removed as a link, or left.
    RemovalOutcome RemoveFolder(const CStringW& strName);

    // Whether every handle is checked to be the entry itself before it is used: needed
    // where the system opens what a link leads to even when asked for the link (Wine), and
    // on by default there. Windows opens a link as itself. For tests and the bench only:
    // switched off under Wine, the walk follows links.
    static BOOL VerifiesEntries();
    static void SetVerifiesEntries(BOOL bVerify);
    // For tests: the next listing buffer a removal allocates fails, as where memory has run out.
    static void FailNextListingBuffer();

private:
    friend class CHeldFolder;
    struct Level;
    // What an entry is opened as: a folder to hold and act in, a folder to walk and delete,
    // a file, a link (to a file or a folder), or a file that goes when its handle is closed.
    enum Kind { Held, Folder, File, Link, FileDeletedOnClose };
    // What is deleted: a file or a link; a folder whose entries have all gone, which is
    // tried again while the last of them are still going; or a folder that keeps
    // something, which goes only where it turns out empty, and is not tried again.
    enum Target { FileOrLink, EmptiedFolder, FolderThatKeepsSomething };

    LONG OpenFolder(const CStringW& strPath);
    LONG EnterFolder(const CStringW& strName);
    static BOOL OpenToHold(const CStringW& strPath, const CStringW& strName, CHeldFolder& rHeld);
    LONG Open(const Level& folder, const CStringW& strName, Kind kind, CNativeHandle& rhEntry,
              CStringW* pstrResolved);
    Level* OpenToWalk(Level& folder, const CStringW& strName, RemovalOutcome& rOutcome);
    RemovalOutcome RemoveEntry(const Level& folder, const CStringW& strName, Kind kind);
    BOOL List(Level& folder);
    BYTE* ListingBuffer();
    RemovalOutcome Delete(HANDLE hEntry, Target target);
    LONG MarkForDeletion(HANDLE hEntry);

    DWORD& m_rdwRetryBudget;
    const BOOL m_bVerify;
    BOOL m_bPosixDelete;                 // until this volume answers that it has no POSIX deletion
    std::unique_ptr<Level> m_pBase;      // the folder acted in
    std::unique_ptr<BYTE[]> m_pBuffer;   // one listing at a time

    CTreeRemoval(const CTreeRemoval&) = delete;
    CTreeRemoval& operator=(const CTreeRemoval&) = delete;
};
