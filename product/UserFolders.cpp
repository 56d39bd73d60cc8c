#include "product/UserFolders.h"

#include "platform/File.h"

#include <wchar.h>

CString g_strInstallPath;

BOOL ListSubdirectories(LPCWSTR lpszFolder, CStringArrayW& arrNames)
{
    arrNames.SetSize(0, -1);

    // The names without an extension, which the pattern "*." stands for: the search
    // reads every name, and the outcome (no '.' in the name) is checked on the name
    // itself, since some systems' searches read "*." otherwise (as every name, or in
    // the literal path form as names that end in '.').
    CStringW strPattern(lpszFolder);
    strPattern += L"*";
    try {
        CFindFile find;
        WIN32_FIND_DATAW entry;
        if (!find.FindFirst(strPattern, entry))
            return TRUE;
        do {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                wcschr(entry.cFileName, L'.') == NULL && IsComposableName(entry.cFileName))
                arrNames.SetAtGrow(arrNames.GetSize(), entry.cFileName);
        } while (find.FindNext(entry));
        return TRUE;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return FALSE;
}

int ListUsers(CStringArrayW& arrUsers, BOOL bIncludePlain, BOOL bIncludeUnderscore)
{
    arrUsers.SetSize(0, -1);
    if (!bIncludePlain && !bIncludeUnderscore)
        return 0;

    CStringW strFolder(static_cast<LPCSTR>(g_strInstallPath));
    strFolder += L"User\\";
    CStringArrayW arrNames;
    ListSubdirectories(strFolder, arrNames);

    int nCount = 0;
    for (INT_PTR i = 0; i < arrNames.GetSize(); ++i) {
        const CStringW& strName = arrNames[i];
        BOOL bUnderscore = strName.GetAt(0) == L'_';
        if ((bUnderscore && bIncludeUnderscore) || (!bUnderscore && bIncludePlain)) {
            arrUsers.SetAtGrow(arrUsers.GetSize(), strName);
            ++nCount;
        }
    }
    return nCount;
}
