#include "product/UserFolders.h"

#include "fs/FileScanner.h"

namespace {

// A subfolder's name that lists it as a user: no '.' in it (what the pattern "*." stands
// for), and one that can be joined to a path.
bool IsUserFolderName(const CStringW& strName)
{
    return strName.Find(L'.') < 0 && IsComposableName(strName);
}

} // namespace

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
        CFileScanner scanner;
        CStringW strName;
        const CStringW strContinue;
        for (BOOL bFound = scanner.FindEntry(strName, strPattern, FILE_ATTRIBUTE_DIRECTORY); bFound;
             bFound = scanner.FindEntry(strName, strContinue, FILE_ATTRIBUTE_DIRECTORY)) {
            if (IsUserFolderName(strName))
                arrNames.SetAtGrow(arrNames.GetSize(), strName);
        }
        return TRUE;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return FALSE;
}

int ListUsers(LPCWSTR lpszInstallPath, CStringArrayW& arrUsers, BOOL bIncludePlain,
              BOOL bIncludeUnderscore)
{
    arrUsers.SetSize(0, -1);
    if (!bIncludePlain && !bIncludeUnderscore)
        return 0;

    CStringW strFolder(lpszInstallPath);
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

int ListUsers(const CHeldFolder& users, CStringArrayW& arrUsers)
{
    arrUsers.SetSize(0, -1);
    CStringArrayW arrNames;
    users.ListFolders(arrNames);
    for (INT_PTR i = 0; i < arrNames.GetSize(); ++i)
        if (IsUserFolderName(arrNames[i]))
            arrUsers.Add(arrNames[i]);
    return static_cast<int>(arrUsers.GetSize());
}
