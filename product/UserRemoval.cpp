#include "product/UserRemoval.h"

#include "platform/File.h"
#include "platform/Registry.h"
#include "product/Settings.h"

#include <wchar.h>

namespace {

const WCHAR kUsersFolder[] = L"User";
const WCHAR kSpacesFolder[] = L"USER_SPC";

bool IsSeparator(WCHAR ch)
{
    return ch == L'\\' || ch == L'/';
}

BOOL IsNotFound(LONG lStatus)
{
    return lStatus == NtStatus::kObjectNameNotFound || lStatus == NtStatus::kObjectPathNotFound;
}

// Notes the identity of strBase + pszFolder in rIdentity, where it exists.
BOOL NoteFolder(const CStringW& strBase, LPCWSTR pszFolder, CFolderIdentity& rIdentity)
{
    return IsAbsoluteFolder(strBase) && GetFolderIdentity(strBase + pszFolder, rIdentity);
}

// Removes the folder pszName of strBase + pszFolder, acting only in that folder as it was
// noted (pNoted), or, where it was not, in the subfolder pszFolder of strBase opened as
// itself. TRUE when nothing of it is left.
BOOL RemoveUserFolder(const CStringW& strBase, LPCWSTR pszFolder, const CFolderIdentity* pNoted, LPCWSTR pszName,
                      DWORD& rdwRetryBudget)
{
    CTreeRemoval removal(rdwRetryBudget);
    LONG lStatus;
    if (pNoted != NULL) {
        lStatus = removal.OpenFolder(strBase + pszFolder);
        CFolderIdentity now;
        if (lStatus == 0 && !(removal.GetIdentity(now) && now == *pNoted))
            return FALSE;   // another folder stands there now (renamed, or replaced by a link)
    } else {
        lStatus = removal.OpenFolder(strBase);
        if (lStatus == 0)
            lStatus = removal.EnterFolder(pszFolder);
    }
    if (lStatus != 0)
        return IsNotFound(lStatus) && CFile::VolumeAnswers(strBase);
    return removal.RemoveFolder(pszName, CTreeRemoval::WithContents) != EntryLeft;
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
    if (bLetter && lpszFolder[1] == L':' && IsSeparator(lpszFolder[2]))
        return TRUE;
    return IsSeparator(c0) && IsSeparator(lpszFolder[1]) && lpszFolder[2] != 0 &&
           !IsSeparator(lpszFolder[2]);
}

void NoteListedFolders(ProductFolders& folders)
{
    folders.bUsersNoted = NoteFolder(folders.strInstall, kUsersFolder, folders.users);
    folders.bSpacesNoted = NoteFolder(folders.strAgency, kSpacesFolder, folders.spaces);
}

RemoveUserResult RemoveUser(const ProductFolders& folders, LPCWSTR lpszName)
{
    if (!IsValidUserName(lpszName))
        return RemoveUserBadName;
    // Without an absolute installation folder the user's first folder cannot be
    // named; removing the other two would leave half a user.
    if (!IsAbsoluteFolder(folders.strInstall))
        return RemoveUserIncomplete;

    CCriticalErrorsOff errorsOff;
    DWORD dwRetryBudget = kRemovalRetryBudgetMs;
    BOOL bComplete = RemoveUserFolder(folders.strInstall, kUsersFolder, folders.bUsersNoted ? &folders.users : NULL,
                                      lpszName, dwRetryBudget);
    if (IsAbsoluteFolder(folders.strAgency))
        bComplete &= RemoveUserFolder(folders.strAgency, kSpacesFolder, folders.bSpacesNoted ? &folders.spaces : NULL,
                                      lpszName, dwRetryBudget);
    RemoveUserResult result = bComplete ? RemoveUserDone : RemoveUserIncomplete;

    // The users' key as itself: where it is a link, the key it leads to is not touched.
    CKey users;
    if (users.Open(HKEY_CURRENT_USER, kUsersKeyPath, KEY_ALL_ACCESS, REG_OPTION_OPEN_LINK) != ERROR_SUCCESS ||
        users.IsLink())
        return result | RemoveUserNoUserKey;
    LONG lResult = users.DeleteSubKeyTree(lpszName);
    if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND)
        result = result | RemoveUserIncomplete;
    return result;
}
