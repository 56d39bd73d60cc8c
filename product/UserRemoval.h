// Removal of one user of the product: its folder under the installation folder,
// its folder under the agency folder, and its registry key.
#pragma once

#include "platform/String.h"

enum RemoveUserResult
{
    RemoveUserDone,         // the user is gone: neither folder nor the key is left
    RemoveUserIncomplete,   // something of the user is left, or nothing could be touched
    RemoveUserBadName,      // the name cannot be a user's; nothing was touched
    RemoveUserNoUserKey,    // the folders were handled, but Software\dabro\User could not be opened
    RemoveUserOutOfMemory,  // memory ran out and the removal stopped; something may be left
};

// TRUE when lpszName can name a user folder and key: not empty, not "." or "..", none
// of \ / : * ? " < > |, and no trailing dot or blank.
BOOL IsValidUserName(LPCWSTR lpszName);

// TRUE when lpszFolder is a non-empty absolute folder: a drive letter, ':' and a
// separator, or a UNC path (two separators and a server name).
BOOL IsAbsoluteFolder(LPCWSTR lpszFolder);

// The product's folders a user's data lies in, each ending in a backslash.
struct ProductFolders
{
    CStringW strInstall;   // the installation folder, which holds User\<name>\ folders
    CStringW strAgency;    // the agency folder, which holds USER_SPC\<name>\ folders
};

// TRUE when anything of the user lpszName is left: its folder under the installation
// folder, its folder under the agency folder (where that is an absolute folder), or its
// registry key.
BOOL UserRemains(const ProductFolders& folders, LPCWSTR lpszName);

// Removes the user lpszName, exactly the name given: <install>User\<name>\, then
// <agency>USER_SPC\<name>\, each with everything below it, then the key
// HKEY_CURRENT_USER\Software\dabro\User\<name> with all its subkeys, links removed as
// links. Where the installation folder is not absolute, nothing at all is removed (the
// result is RemoveUserIncomplete); an agency folder that is not absolute is skipped.
// Safe to call outside the user-interface thread. Raises CMemoryException when memory
// runs out; a caller that runs it on a thread of its own reports that as
// RemoveUserOutOfMemory.
RemoveUserResult RemoveUser(const ProductFolders& folders, LPCWSTR lpszName);
