// File services: directory searches, the status of one entry, the removal of one entry.
//
// Every call takes a path in UTF-16 and hands it to the system in its literal form
// (see LiteralPathOf), so that a name composed from a directory entry reaches the
// system exactly as the entry was returned, whatever its length.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"

// The status of a file or folder, as far as the program needs it.
struct CFileStatus
{
    BYTE m_attribute;   // the low byte of the attribute word (read-only, hidden, system, directory, archive)
};

// Owns a handle of the system's file calls and closes it.
class CHandle
{
public:
    explicit CHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~CHandle() { Close(); }

    bool IsValid() const { return m_h != INVALID_HANDLE_VALUE && m_h != NULL; }
    operator HANDLE() const { return m_h; }
    // Closes the handle held and takes h.
    void Attach(HANDLE h);
    void Close();

private:
    HANDLE m_h;
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
};

// One directory search. Starting a search closes the one before; the destructor
// closes the last.
class CFindFile
{
public:
    CFindFile() : m_hFind(INVALID_HANDLE_VALUE) {}
    ~CFindFile() { Close(); }

    // FALSE when nothing matches, the folder is missing or the pattern is refused.
    BOOL FindFirst(LPCWSTR pszPattern, WIN32_FIND_DATAW& rEntry);
    // FALSE at the end of the search (or when no search is open).
    BOOL FindNext(WIN32_FIND_DATAW& rEntry);
    void Close();

private:
    HANDLE m_hFind;
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;
};

class CFile
{
public:
    // TRUE when the entry carries the reparse-point attribute (a junction or symbolic link).
    static BOOL IsLink(LPCWSTR pszPath);

    // FALSE when the entry cannot be looked up.
    static BOOL GetStatus(LPCWSTR pszFileName, CFileStatus& rStatus);
};

// Characters of the longest path the system takes, its terminating zero included.
const int kMaxSystemPath = 32767;

// The path in the form that the system takes literally and without the MAX_PATH limit:
// "\\?\" + the full path ("\\?\UNC\" for a server path), '/' turned into '\', the
// components "." and ".." resolved and repeated separators folded; every other
// character stays as it is (the system's own conversion would drop a name's trailing
// dots and blanks). A path that starts with "\\?\" is taken as it is. The empty string
// when the path is empty, cannot be made full, or would not fit kMaxSystemPath.
CStringW LiteralPathOf(LPCWSTR pszPath);

// ---- Entries reached through the handle of their folder ----
//
// The system's native file calls, looked up at run time (they exist from Windows Vista
// on): a folder is listed through its own handle, an entry is opened by its single name
// relative to its folder's handle, without following a link where the system allows
// that, and an entry is deleted through its own handle. No path is resolved twice.
// The calls return an NTSTATUS: 0 on success, else one of the codes below or another.
namespace NtStatus {
const LONG kNoMoreFiles = static_cast<LONG>(0x80000006);
const LONG kNotImplemented = static_cast<LONG>(0xC0000002);
const LONG kSharingViolation = static_cast<LONG>(0xC0000043);
const LONG kDirectoryNotEmpty = static_cast<LONG>(0xC0000101);
}

// One entry of a folder's listing.
struct CFolderEntry
{
    CStringW m_strName;     // exactly as the system listed it
    DWORD m_dwAttributes;
    DWORD m_dwReparseTag;   // where the attributes hold FILE_ATTRIBUTE_REPARSE_POINT; 0 where unknown
};

// Reads the entries of an open folder through its handle, into a buffer the caller
// lends for the time of the listing. "." and ".." are skipped.
class CFolderReader
{
public:
    CFolderReader(HANDLE hFolder, BYTE* pBuffer, ULONG cbBuffer);

    // FALSE at the end of the listing, or where the system refused it (Status()).
    BOOL Next(CFolderEntry& rEntry);
    // 0 after a complete listing; the system's code where it stopped early.
    LONG Status() const { return m_lStatus == NtStatus::kNoMoreFiles ? 0 : m_lStatus; }

private:
    HANDLE m_hFolder;
    BYTE* m_pBuffer;
    ULONG m_cbBuffer;
    ULONG m_nOffset;   // of the next record in the buffer; m_cbBuffer when it must be read again
    bool m_bFirst;
    LONG m_lStatus;
};

class CNtFile
{
public:
    // What an entry is opened as: a folder to list and delete, a file, an entry of either
    // kind (a link), or a file that goes when the handle is closed. Each is opened for
    // deletion, as itself.
    enum Kind { Folder, File, Either, FileDeletedOnClose };

    // Opens the folder at a path for opening entries relative to it: the links on the
    // way, the last one included, are followed.
    static BOOL OpenFolderByPath(LPCWSTR pszPath, CHandle& rFolder);
    // Opens the entry strName (a single name) of the open folder hFolder, with every
    // sharing flag, without following a link where the system allows that.
    static LONG OpenChild(HANDLE hFolder, const CStringW& strName, Kind kind, CHandle& rEntry);

    static LONG GetAttributes(HANDLE hEntry, DWORD& rdwAttributes, DWORD& rdwReparseTag);
    // The name the system resolved for the handle when it was opened, relative to its
    // volume ("\dir\name"; "\" for a volume's root).
    static BOOL GetName(HANDLE hEntry, CStringW& rstrName);

    // FALSE once the system has answered that it cannot delete a name at once.
    static BOOL DeletesAtOnce();
    // Marks the entry for deletion: at once, where the system offers that (POSIX
    // semantics), else when its last handle is closed. A read-only entry is refused, and
    // so is a folder (bFolder; opened as Folder) that still holds entries.
    static LONG MarkForDeletion(HANDLE hEntry, BOOL bFolder);
};
