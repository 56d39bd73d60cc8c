#include "product/UserFolders.h"

#include "fs/FileScanner.h"

BOOL ListSubdirectories(const CHeldFolder& folder, CStringArrayW& arrNames)
{
    arrNames.SetSize(0, -1);
    if (!folder.IsOpen())
        return TRUE;
    // The names without an extension, which the pattern "*." stands for: the outcome (no
    // '.' in the name) is checked on each name itself.
    try {
        CStringArrayW arrFolders;
        CFileScanner scanner;
        BOOL bComplete = scanner.ListDirectories(folder, arrFolders);
        for (INT_PTR i = 0; i < arrFolders.GetSize(); ++i)
            if (arrFolders[i].Find(L'.') < 0 && IsComposableName(arrFolders[i]))
                arrNames.Add(arrFolders[i]);
        return bComplete;
    } catch (CException* e) {
        e->Delete();
    }
    return FALSE;
}

int ListUsers(const CHeldFolder& users, CStringArrayW& arrUsers, BOOL bIncludePlain, BOOL bIncludeUnderscore)
{
    arrUsers.SetSize(0, -1);
    if (!bIncludePlain && !bIncludeUnderscore)
        return 0;
    CStringArrayW arrNames;
    ListSubdirectories(users, arrNames);
    for (INT_PTR i = 0; i < arrNames.GetSize(); ++i) {
        BOOL bUnderscore = arrNames[i].GetAt(0) == L'_';
        if ((bUnderscore && bIncludeUnderscore) || (!bUnderscore && bIncludePlain))
            arrUsers.Add(arrNames[i]);
    }
    return static_cast<int>(arrUsers.GetSize());
}
