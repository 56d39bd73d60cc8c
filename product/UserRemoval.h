// Removal of one user of the product: its folder under the installation folder,
// its folder under the agency folder, and its registry key.
#pragma once

#include "fs/TreeRemoval.h"
#include "platform/String.h"

// What a removal came to: RemoveUserDone, or any of the others together.
enum RemoveUserResult : unsigned
{
    RemoveUserDone = 0,           // the user is gone: neither folder nor the key is left
    RemoveUserIncomplete = 1,     // something of the user is left, or could not be reached
    RemoveUserNoUserKey = 2,      // Software\dabro\User could not be opened as itself: the key was not touched
    RemoveUserBadName = 4,        // the name cannot be a user's; nothing was touched
    RemoveUserOutOfMemory = 8,    // memory ran out and the removal stopped; something may be left
};

inline RemoveUserResult operator|(RemoveUserResult a, RemoveUserResult b)
{
    return static_cast<RemoveUserResult>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// TRUE when lpszName can name a user folder and key: not empty, not "." or "..", none
// of \ / : * ? " < > |, and no trailing dot or blank.
BOOL IsValidUserName(LPCWSTR lpszName);

// TRUE when lpszFolder is a non-empty absolute folder: a drive letter, ':' and a
// separator, or a UNC path (two separators and a server name).
BOOL IsAbsoluteFolder(LPCWSTR lpszFolder);

// The product's folders a user's data lies in, and which folders the list was read from.
struct ProductFolders
{
    CStringW strInstall;   // the installation folder, which holds User\<name>\ folders
    CStringW strAgency;    // the agency folder, which holds USER_SPC\<name>\ folders

    // The identities of <install>User\ and <agency>USER_SPC\ when the list was read
    // (NoteListedFolders), where they existed. A removal acts in a noted folder only
    // while it is that same folder; a folder not noted it enters as itself, never
    // through a link.
    BOOL bUsersNoted = FALSE;
    CFolderIdentity users = {};
    BOOL bSpacesNoted = FALSE;
    CFolderIdentity spaces = {};
};

// Notes the identities of <install>User\ and <agency>USER_SPC\ as they are now, links
// on the way to them followed: taken when the list of users is read.
void NoteListedFolders(ProductFolders& folders);

// Removes the user lpszName, exactly the name given: <install>User\<name>\, then
// <agency>USER_SPC\<name>\, each with everything below it, then the key
// HKEY_CURRENT_USER\Software\dabro\User\<name> with all its subkeys, links removed as
// links. Where the installation folder is not absolute, nothing at all is removed (the
// result is RemoveUserIncomplete); an agency folder that is not absolute is skipped.
// A folder counts as gone only where the system answered that it is not there on a
// volume that answers; a key only where opening it answered that it is not there.
// Safe to call outside the user-interface thread. Raises CMemoryException when memory
// runs out; a caller that runs it on a thread of its own reports that as
// RemoveUserOutOfMemory.
RemoveUserResult RemoveUser(const ProductFolders& folders, LPCWSTR lpszName);
