// File services: directory searches, the status of one entry, literal paths.
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
