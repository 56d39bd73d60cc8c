// Removal of one user of the product: its folder under the installation folder,
// its folder under the agency folder, and its registry key.
#pragma once

#include <windows.h>

enum RemoveUserResult
{
    RemoveUserDone,        // every location was handled (each removal may still have failed)
    RemoveUserBadName,     // the name cannot be a user's; nothing was touched
    RemoveUserNoUserKey,   // the folders were handled, but Software\dabro\User could not be opened
};

// TRUE when lpszName can name a user folder and key: not empty, not "." or "..", none
// of \ / : * ? " < > |, and no trailing dot or blank.
BOOL IsValidUserName(LPCWSTR lpszName);

// TRUE when lpszFolder is a non-empty absolute folder: a drive letter, ':' and a
// separator, or a UNC path (two separators and a server name).
BOOL IsAbsoluteFolder(LPCSTR lpszFolder);

// Removes the user lpszName, exactly the name given: g_strInstallPath + "User\<name>\",
// then the setting "Agency" + "USER_SPC\<name>\", each with everything below it, then
// the key HKEY_CURRENT_USER\Software\dabro\User\<name> with all its subkeys, links
// removed as links. A folder whose base is not absolute is skipped. Failures of the
// single removals are not reported.
RemoveUserResult RemoveUser(LPCWSTR lpszName);
