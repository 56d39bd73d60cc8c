// File services: an owner for a system handle, and literal paths.
//
// A path in UTF-16 goes to the system in its literal form (see LiteralPathOf), so that a
// name composed from a directory entry reaches the system exactly as the entry was
// returned, whatever its length.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"

// Owns a handle of the system's file calls and closes it.
class CHandle
{
public:
    explicit CHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~CHandle() { Close(); }

    bool IsValid() const { return m_h != INVALID_HANDLE_VALUE && m_h != NULL; }
    operator HANDLE() const { return m_h; }
    void Close();

private:
    HANDLE m_h;
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
};

// TRUE for '\' and '/', which the system takes alike between the components of a path.
inline bool IsPathSeparator(WCHAR ch)
{
    return ch == L'\\' || ch == L'/';
}

// Characters of the longest path the system takes, its terminating zero included.
const int kMaxSystemPath = 32767;

// The path in the form that the system takes literally and without the MAX_PATH limit:
// "\\?\" + the full path ("\\?\UNC\" for a server path), '/' turned into '\', the
// components "." and ".." resolved and repeated separators folded; every other
// character stays as it is (the system's own conversion would drop a name's trailing
// dots and blanks). A path that starts with "\\?\" is taken as it is. The empty string
// when the path is empty, cannot be made full, or would not fit kMaxSystemPath.
CStringW LiteralPathOf(LPCWSTR pszPath);
