// File services: the status of one entry and the removal of one entry.
#pragma once

#include "platform/Object.h"

// The status of a file or folder, as far as the program needs it.
struct CFileStatus
{
    BYTE m_attribute;   // the low byte of the attribute word (read-only, hidden, system, directory, archive)
};

// Raised when the system refuses an operation on a file; carries the system's error code.
class CFileException : public CException
{
public:
    explicit CFileException(LONG lOsError) : m_lOsError(lOsError) {}

    LONG m_lOsError;
};

class CFile
{
public:
    // Deletes the file named, and only that entry: a file link is removed as a link, and
    // where the system would reach the file the link leads to instead, nothing is deleted.
    // Throws a CFileException* (allocated with new; the catcher calls Delete()) on failure.
    static void Remove(LPCSTR pszFileName);

    // Removes a folder link (junction or symbolic link) itself, never its target. FALSE when
    // the entry is no link, when the system would act on the target, or when it refuses.
    static BOOL RemoveFolderLink(LPCSTR pszPath);

    // TRUE when the entry carries the reparse-point attribute (a junction or symbolic link).
    // Give the path without a trailing separator, or the system looks through the link.
    static BOOL IsLink(LPCSTR pszPath);

    // FALSE when the entry cannot be looked up.
    static BOOL GetStatus(LPCSTR pszFileName, CFileStatus& rStatus);
};
