// The rules that decide whether a removal may touch a directory entry. They sit together
// so that what keeps a removal inside the folder it was given can be read in one place:
// which names can be joined to a path, how long a path may grow, which entries lead
// elsewhere, and whether an open handle is the entry itself.
#pragma once

#include "platform/File.h"

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
// name-surrogate tag (a symbolic link or a junction), or with no tag the system would
// tell. A reparse point of any other kind (a cloud placeholder, a deduplicated file) is
// an ordinary file or folder.
BOOL IsLinkEntry(DWORD dwAttributes, DWORD dwReparseTag);

// TRUE when strResolved, the name the system resolved for an entry's open handle, is the
// entry strName of the folder whose handle the system resolved as strFolder: that name,
// '\' and the entry's name, exactly, but for trailing dots and blanks of the entry's name,
// which Wine leaves out when it names a handle. Where the system opened what a link leads
// to instead of the link, or a folder on the way was swapped, the names differ.
BOOL IsEntryItself(const CStringW& strResolved, const CStringW& strFolder, const CStringW& strName);
