#include "product/UserRemoval.h"

#include "fs/FileScanner.h"
#include "product/Settings.h"
#include "product/UserFolders.h"

#include <mbstring.h>
#include <shlwapi.h>
#include <stdio.h>

namespace {

const unsigned char* Bytes(LPCSTR psz)
{
    return reinterpret_cast<const unsigned char*>(psz);
}

bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

// Composes lpszBase + lpszMiddle + lpszName + "\" into a MAX_PATH buffer and removes
// that folder tree, provided the base is absolute and the whole path fits.
void RemoveUserFolder(CFileScanner& scanner, LPCSTR lpszBase, LPCSTR lpszMiddle, LPCSTR lpszName)
{
    if (!IsAbsoluteFolder(lpszBase))
        return;   // an empty or relative base would address the current folder
    char szPath[MAX_PATH];
    int nLength = _snprintf(szPath, sizeof(szPath), "%s%s%s\\", lpszBase, lpszMiddle, lpszName);
    if (nLength < 0 || nLength >= static_cast<int>(sizeof(szPath)))
        return;   // a cut path would name another folder
    scanner.RemoveTree(szPath, TRUE);
}

} // namespace

BOOL IsValidUserName(LPCSTR lpszName)
{
    if (lpszName == NULL || lpszName[0] == 0)
        return FALSE;
    if (lstrcmpA(lpszName, ".") == 0 || lstrcmpA(lpszName, "..") == 0)
        return FALSE;
    if (_mbspbrk(Bytes(lpszName), Bytes("\\/:*?\"<>|")) != NULL)
        return FALSE;
    const unsigned char* pLast = _mbsdec(Bytes(lpszName), Bytes(lpszName) + lstrlenA(lpszName));
    return pLast == NULL || (*pLast != '.' && *pLast != ' ');
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

RemoveUserResult RemoveUser(LPCSTR lpszName)
{
    if (!IsValidUserName(lpszName))
        return RemoveUserBadName;

    CFileScanner scanner;
    RemoveUserFolder(scanner, g_strInstallPath, "User\\", lpszName);
    CString strAgency = ReadSetting("Directories", "Agency", NULL);
    RemoveUserFolder(scanner, strAgency, "USER_SPC\\", lpszName);

    char szKey[MAX_PATH];
    _snprintf(szKey, sizeof(szKey), "Software\\%s\\%s", "dabro", "User");
    szKey[sizeof(szKey) - 1] = 0;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, szKey, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return RemoveUserNoUserKey;
    SHDeleteKeyA(hKey, lpszName);
    RegCloseKey(hKey);
    return RemoveUserDone;
}
