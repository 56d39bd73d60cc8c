#include "product/UserRemoval.h"

#include "fs/FileScanner.h"
#include "platform/File.h"
#include "platform/Registry.h"
#include "product/Settings.h"

#include <wchar.h>

namespace {

bool IsSeparator(WCHAR ch)
{
    return ch == L'\\' || ch == L'/';
}

// The folder lpszBase + lpszMiddle + lpszName + "\", or the empty string where the base
// is not absolute (it would address the current folder) or the path would not fit (a
// cut path would name another folder).
CStringW UserFolderOf(LPCWSTR lpszBase, LPCWSTR lpszMiddle, LPCWSTR lpszName)
{
    if (!IsAbsoluteFolder(lpszBase))
        return CStringW();
    CStringW strPath(lpszBase);
    strPath += lpszMiddle;
    strPath += lpszName;
    strPath += L'\\';
    if (strPath.GetLength() >= kMaxComposedPath)
        return CStringW();
    return strPath;
}

CStringW InstallFolderOf(const ProductFolders& folders, LPCWSTR lpszName)
{
    return UserFolderOf(folders.strInstall, L"User\\", lpszName);
}

CStringW AgencyFolderOf(const ProductFolders& folders, LPCWSTR lpszName)
{
    return UserFolderOf(folders.strAgency, L"USER_SPC\\", lpszName);
}

BOOL FolderExists(const CStringW& strFolder)
{
    CFileStatus status;
    return !strFolder.IsEmpty() && CFile::GetStatus(strFolder, status);
}

BOOL Remains(const CStringW& strInstallFolder, const CStringW& strAgencyFolder, LPCWSTR lpszName)
{
    if (FolderExists(strInstallFolder) || FolderExists(strAgencyFolder))
        return TRUE;
    CKey key;
    return key.Open(HKEY_CURRENT_USER, CStringW(kUsersKeyPath) + L'\\' + lpszName, KEY_READ,
                    REG_OPTION_OPEN_LINK) == ERROR_SUCCESS;
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

BOOL UserRemains(const ProductFolders& folders, LPCWSTR lpszName)
{
    return Remains(InstallFolderOf(folders, lpszName), AgencyFolderOf(folders, lpszName), lpszName);
}

RemoveUserResult RemoveUser(const ProductFolders& folders, LPCWSTR lpszName)
{
    if (!IsValidUserName(lpszName))
        return RemoveUserBadName;
    // Without an absolute installation folder the user's first folder cannot be
    // named; removing the other two would leave half a user.
    CStringW strInstallFolder = InstallFolderOf(folders, lpszName);
    if (strInstallFolder.IsEmpty())
        return RemoveUserIncomplete;

    CFileScanner scanner;
    scanner.RemoveTree(strInstallFolder, TRUE);
    CStringW strAgencyFolder = AgencyFolderOf(folders, lpszName);
    if (!strAgencyFolder.IsEmpty())
        scanner.RemoveTree(strAgencyFolder, TRUE);

    CKey users;
    if (users.Open(HKEY_CURRENT_USER, kUsersKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return RemoveUserNoUserKey;
    users.DeleteSubKeyTree(lpszName);
    users.Close();
    return Remains(strInstallFolder, strAgencyFolder, lpszName) ? RemoveUserIncomplete
                                                                : RemoveUserDone;
}
