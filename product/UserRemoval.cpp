#include "product/UserRemoval.h"

#include "fs/FileScanner.h"
#include "platform/File.h"
#include "platform/Registry.h"
#include "product/Settings.h"
#include "product/UserFolders.h"

#include <wchar.h>

namespace {

const WCHAR kUsersFolder[] = L"User";
const WCHAR kSpacesFolder[] = L"USER_SPC";

// Removes the user folder pszName of the held folder, through its handle. TRUE when
// nothing of it is left there, also where nothing was held: then nothing was listed
// there, and only the last look can tell.
BOOL RemoveHeldUserFolder(CFileScanner& scanner, const CHeldFolder& folder, LPCWSTR pszName)
{
    return !folder.IsOpen() || scanner.RemoveTree(folder, pszName) != EntryLeft;
}

// The last look at strBase + pszFolder\pszName, by its path: TRUE where the system answers
// that it is not there. A base that is not absolute names no folder that can be looked at.
BOOL IsGoneByPath(const CStringW& strBase, LPCWSTR pszFolder, LPCWSTR pszName)
{
    if (!IsAbsoluteFolder(strBase))
        return TRUE;
    return LookUpEntry(strBase + pszFolder + L"\\" + pszName) == EntryAbsent;
}

// Opens the users' key, each key on the way to it as itself: where one of them is a link,
// the key it leads to is not touched. Asks only what the deletion uses.
LONG OpenUsersKey(CKey& rUsers)
{
    CStringW strPath(kUsersKeyPath);
    HKEY hParent = HKEY_CURRENT_USER;
    CKey parent;
    for (;;) {
        int nSeparator = strPath.Find(L'\\');
        CStringW strName = nSeparator < 0 ? strPath : strPath.Left(nSeparator);
        LONG lResult = rUsers.Open(hParent, strName, KEY_QUERY_VALUE, REG_OPTION_OPEN_LINK);
        if (lResult != ERROR_SUCCESS)
            return lResult;
        if (rUsers.IsLink()) {
            rUsers.Close();
            return ERROR_ACCESS_DENIED;
        }
        if (nSeparator < 0)
            return ERROR_SUCCESS;
        strPath = strPath.Mid(nSeparator + 1);
        parent.Attach(rUsers.Detach());
        hParent = parent;
    }
}

} // namespace

BOOL IsValidUserName(LPCWSTR lpszName)
{
    if (!IsComposableName(lpszName))
        return FALSE;
    WCHAR chLast = lpszName[wcslen(lpszName) - 1];
    return chLast != L'.' && chLast != L' ';
}

BOOL IsAbsoluteFolder(LPCWSTR lpszFolder)
{
    if (lpszFolder == NULL)
        return FALSE;
    WCHAR c0 = lpszFolder[0];
    bool bLetter = (c0 >= L'A' && c0 <= L'Z') || (c0 >= L'a' && c0 <= L'z');
    if (bLetter && lpszFolder[1] == L':' && IsPathSeparator(lpszFolder[2]))
        return TRUE;
    return IsPathSeparator(c0) && IsPathSeparator(lpszFolder[1]) && lpszFolder[2] != 0 &&
           !IsPathSeparator(lpszFolder[2]);
}

void ReadListedUsers(CListedFolders& rListed, CStringArrayW& arrUsers)
{
    const ProductFolders folders = { ReadInstallFolder(), ReadAgencyFolder() };
    rListed.named = folders;
    rListed.users.Close();
    rListed.spaces.Close();
    // A relative installation folder is listed from the current folder, as the product
    // would read it; no user is removed from it.
    rListed.users.OpenByPath(folders.strInstall + kUsersFolder);
    if (IsAbsoluteFolder(folders.strAgency))
        rListed.spaces.OpenBelow(folders.strAgency, kSpacesFolder);
    ListUsers(rListed.users, arrUsers, TRUE, TRUE);
}

RemoveUserResult RemoveUser(const CListedFolders& listed, LPCWSTR lpszName)
{
    RemoveUserResult result = { FALSE, TRUE };
    // Without an absolute installation folder the user's first folder cannot be named;
    // removing the other two would leave half a user.
    if (!IsValidUserName(lpszName) || !IsAbsoluteFolder(listed.named.strInstall))
        return result;

    CFileScanner scanner;
    BOOL bComplete = RemoveHeldUserFolder(scanner, listed.users, lpszName);
    bComplete &= RemoveHeldUserFolder(scanner, listed.spaces, lpszName);

    CKey users;
    result.bUsersKeyOpened = OpenUsersKey(users) == ERROR_SUCCESS;
    if (result.bUsersKeyOpened) {
        LONG lResult = users.DeleteSubKeyTree(lpszName);
        if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND)
            bComplete = FALSE;
        // The last look at the key, as the product finds it.
        CKey user;
        if (user.Open(users, lpszName, KEY_QUERY_VALUE) != ERROR_FILE_NOT_FOUND)
            bComplete = FALSE;
    }

    // The last look at the folders: what the walks answered counts only where, by the
    // paths the settings name now, nothing of the user is found.
    bComplete &= IsGoneByPath(ReadInstallFolder(), kUsersFolder, lpszName);
    bComplete &= IsGoneByPath(ReadAgencyFolder(), kSpacesFolder, lpszName);
    result.bComplete = bComplete;
    return result;
}
