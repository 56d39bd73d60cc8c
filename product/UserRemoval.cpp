#include "product/UserRemoval.h"

#include "fs/FileScanner.h"
#include "platform/Registry.h"
#include "product/Settings.h"
#include "product/UserFolders.h"

#include <wchar.h>

namespace {

bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

// Removes the folder tree lpszBase + lpszMiddle + lpszName + "\", provided the base is
// absolute and the whole path fits.
void RemoveUserFolder(CFileScanner& scanner, LPCSTR lpszBase, LPCWSTR lpszMiddle,
                      LPCWSTR lpszName)
{
    if (!IsAbsoluteFolder(lpszBase))
        return;   // an empty or relative base would address the current folder
    CStringW strPath(lpszBase);
    strPath += lpszMiddle;
    strPath += lpszName;
    strPath += L'\\';
    if (strPath.GetLength() >= CFileScanner::kMaxComposedPath)
        return;   // a cut path would name another folder
    scanner.RemoveTree(strPath, TRUE);
}

} // namespace

BOOL IsValidUserName(LPCWSTR lpszName)
{
    if (!IsComposableName(lpszName))
        return FALSE;
    WCHAR chLast = lpszName[wcslen(lpszName) - 1];
    return chLast != L'.' && chLast != L' ';
}

BOOL IsAbsoluteFolder(LPCSTR lpszFolder)
{
    if (lpszFolder == NULL)
        return FALSE;
    char c0 = lpszFolder[0];
    bool bLetter = (c0 >= 'A' && c0 <= 'Z') || (c0 >= 'a' && c0 <= 'z');
    if (bLetter && lpszFolder[1] == ':' && IsSeparator(lpszFolder[2]))
        return TRUE;
    return IsSeparator(c0) && IsSeparator(lpszFolder[1]) && lpszFolder[2] != 0 &&
           !IsSeparator(lpszFolder[2]);
}

RemoveUserResult RemoveUser(LPCWSTR lpszName)
{
    if (!IsValidUserName(lpszName))
        return RemoveUserBadName;

    CFileScanner scanner;
    RemoveUserFolder(scanner, g_strInstallPath, L"User\\", lpszName);
    CString strAgency = ReadSetting("Directories", "Agency", NULL);
    RemoveUserFolder(scanner, strAgency, L"USER_SPC\\", lpszName);

    CKey users;
    if (users.Open(HKEY_CURRENT_USER, L"Software\\dabro\\User", KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return RemoveUserNoUserKey;
    users.DeleteSubKeyTree(lpszName);
    return RemoveUserDone;
}
