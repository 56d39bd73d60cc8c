#include "fs/EntryRules.h"

#include <wchar.h>

BOOL IsComposableName(LPCWSTR pszName)
{
    if (pszName == NULL || pszName[0] == 0)
        return FALSE;
    if (wcscmp(pszName, L".") == 0 || wcscmp(pszName, L"..") == 0)
        return FALSE;
    return wcspbrk(pszName, L"\\/:*?\"<>|") == NULL;
}

BOOL FitsComposedPath(int nFolderLength, int nNameLength)
{
    return nFolderLength + 1 + nNameLength < kMaxComposedPath;
}

BOOL IsLinkEntry(DWORD dwAttributes, DWORD dwReparseTag)
{
    const DWORD kNameSurrogate = 0x20000000;   // IsReparseTagNameSurrogate
    return (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (dwReparseTag == 0 || (dwReparseTag & kNameSurrogate) != 0);
}

BOOL IsEntryItself(const CStringW& strResolved, const CStringW& strFolder, const CStringW& strName)
{
    // A volume's root is named "\", and its entries "\name".
    int nFolder = strFolder == L"\\" ? 0 : strFolder.GetLength();
    int nTail = strResolved.GetLength() - nFolder - 1;
    LPCWSTR pszResolved = strResolved;
    if (nTail <= 0 || nTail > strName.GetLength() || wmemcmp(pszResolved, strFolder, nFolder) != 0 ||
        pszResolved[nFolder] != L'\\' || wmemcmp(pszResolved + nFolder + 1, strName, nTail) != 0)
        return FALSE;
    // Wine names a handle without the trailing dots and blanks of its name.
    for (int i = nTail; i < strName.GetLength(); ++i)
        if (strName[i] != L'.' && strName[i] != L' ')
            return FALSE;
    return TRUE;
}
