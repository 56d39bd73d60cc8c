#include "product/UserFolders.h"

#include <stdio.h>
#include <string.h>

CString g_strInstallPath;

namespace {

// Names without an extension. Some platforms' searches also deliver names with
// one for the pattern "*.", so the outcome is checked on the name itself. A '.'
// is never the second byte of a double-byte character, so a byte search is exact.
bool HasNoDot(LPCSTR pszName)
{
    return strchr(pszName, '.') == NULL;
}

} // namespace

BOOL ListSubdirectories(LPCSTR lpszFolder, CStringArray& arrNames)
{
    arrNames.SetSize(0, -1);

    char szPattern[MAX_PATH];
    int nLength = _snprintf(szPattern, sizeof(szPattern), "%s*.", lpszFolder != NULL ? lpszFolder : "");
    if (nLength < 0 || nLength >= static_cast<int>(sizeof(szPattern)))
        return TRUE;   // no such folder can be searched; a cut pattern would name another

    HANDLE hFind = INVALID_HANDLE_VALUE;
    try {
        WIN32_FIND_DATAA findData;
        hFind = FindFirstFileA(szPattern, &findData);
        if (hFind == INVALID_HANDLE_VALUE)
            return TRUE;
        do {
            if (findData.cFileName[0] != '.' &&
                (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                HasNoDot(findData.cFileName))
                arrNames.SetAtGrow(arrNames.GetSize(), findData.cFileName);
        } while (FindNextFileA(hFind, &findData));
        FindClose(hFind);
        return TRUE;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    return FALSE;
}

int ListUsers(CStringArray& arrUsers, BOOL bIncludePlain, BOOL bIncludeUnderscore)
{
    arrUsers.SetSize(0, -1);
    if (!bIncludePlain && !bIncludeUnderscore)
        return 0;

    char szFolder[MAX_PATH];
    int nLength = _snprintf(szFolder, sizeof(szFolder), "%s%s", static_cast<LPCSTR>(g_strInstallPath), "User\\");
    if (nLength < 0 || nLength >= static_cast<int>(sizeof(szFolder)))
        return 0;

    CStringArray arrNames;
    ListSubdirectories(szFolder, arrNames);

    int nCount = 0;
    for (INT_PTR i = 0; i < arrNames.GetSize(); ++i) {
        const CString& strName = arrNames[i];
        BOOL bUnderscore = strName.GetAt(0) == '_';
        if ((bUnderscore && bIncludeUnderscore) || (!bUnderscore && bIncludePlain)) {
            arrUsers.SetAtGrow(arrUsers.GetSize(), strName);
            ++nCount;
        }
    }
    return nCount;
}
