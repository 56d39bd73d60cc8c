#include "fs/FileScanner.h"

CFileScanner::CFileScanner() : m_dwRetryBudget(kRemovalRetryBudgetMs) {}

BOOL CFileScanner::ListDirectories(const CHeldFolder& folder, CStringArrayW& arrNames)
{
    return folder.ListFolders(arrNames);
}

RemovalOutcome CFileScanner::RemoveTree(const CHeldFolder& folder, const CStringW& strName)
{
    CTreeRemoval removal(m_dwRetryBudget);
    if (!removal.ActIn(folder) || removal.HasCaseTwin(strName))
        return EntryLeft;
    return removal.RemoveFolder(strName);
}
