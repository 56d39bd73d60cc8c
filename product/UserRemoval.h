// Removal of one user of the product: its folder under the installation folder,
// its folder under the agency folder, and its registry key.
#pragma once

#include "fs/FileScanner.h"
#include "platform/Collections.h"

// What a removal came to: the dialog's two answers.
struct RemoveUserResult
{
    BOOL bComplete;         // the user is gone: neither folder nor the key is left
    BOOL bUsersKeyOpened;   // Software, dabro and User opened, each as itself; else the key was not touched
};

// TRUE when lpszName can name a user folder and key: not empty, not "." or "..", none
// of \ / : * ? " < > |, and no trailing dot or blank.
BOOL IsValidUserName(LPCWSTR lpszName);

// TRUE when lpszFolder is a non-empty absolute folder: a drive letter, ':' and a
// separator, or a UNC path (two separators and a server name).
BOOL IsAbsoluteFolder(LPCWSTR lpszFolder);

// The product's folders a user's data lies in, as the settings name them.
struct ProductFolders
{
    CStringW strInstall;   // the installation folder, which holds User\<name>\ folders
    CStringW strAgency;    // the agency folder, which holds USER_SPC\<name>\ folders
};

// What the user saw: the folders the list of users was read from, held open until the
// list is read again. Delete! acts in these folders, whatever their paths lead to by then.
struct CListedFolders
{
    ProductFolders named;   // as the settings named them when the list was read
    CHeldFolder users;      // <install>User\ with links on the way followed: the folder listed
    CHeldFolder spaces;     // <agency>USER_SPC\, opened as itself: a link there is never held
};

// Reads the list of users as it is shown, from the folders the settings name now: opens
// and holds <install>User\ and, for an absolute agency folder, <agency>USER_SPC\ in
// rListed, each where it is there (the folders held before are let go), and lists the
// users through the first: the names of its subfolders that contain no '.', in listing order.
void ReadListedUsers(CListedFolders& rListed, CStringArrayW& arrUsers);

// Removes the user lpszName, exactly the name given, from the folders the list was read
// from: User\<name>\ of the held users' folder, then USER_SPC\<name>\ of the held agency
// folder, each with everything below it, then the key
// HKEY_CURRENT_USER\Software\dabro\User\<name> with all its subkeys, links removed as
// links. A folder that was not there when the list was read is not acted in. Where the
// listed installation folder is not absolute, or the name cannot be a user's, nothing at
// all is removed. Then a last look, by path, at the user's two folders where the settings
// name them now, and at the key: the user is gone only where the system answered "not
// found" for each, in a folder on the way that opened. Safe to call outside the
// user-interface thread while rListed stays as it is. Raises CMemoryException when memory
// runs out.
RemoveUserResult RemoveUser(const CListedFolders& listed, LPCWSTR lpszName);
