#include "platform/File.h"

#include <string.h>
#include <wchar.h>

namespace {

bool HasPrefix(LPCWSTR psz, LPCWSTR pszPrefix)
{
    return wcsncmp(psz, pszPrefix, wcslen(pszPrefix)) == 0;
}

// Appends the components of pszRest to strPath, which holds a root ("\\?\C:" or
// "\\?\UNC\server\share"): "." is dropped, ".." drops the component before it (never
// the root), and empty components (repeated separators) are folded.
void AppendComponents(CStringW& strPath, LPCWSTR pszRest)
{
    const int nRoot = strPath.GetLength();
    size_t cchRest = wcslen(pszRest);
    bool bTrailing = cchRest > 0 && IsPathSeparator(pszRest[cchRest - 1]);
    LPCWSTR p = pszRest;
    while (*p != 0) {
        while (IsPathSeparator(*p))
            ++p;
        LPCWSTR pEnd = p;
        while (*pEnd != 0 && !IsPathSeparator(*pEnd))
            ++pEnd;
        int nLength = static_cast<int>(pEnd - p);
        if (nLength == 0)
            break;
        if (nLength == 1 && p[0] == L'.') {
            // the same folder
        } else if (nLength == 2 && p[0] == L'.' && p[1] == L'.') {
            int nLast = strPath.ReverseFind(L'\\');
            if (nLast >= nRoot)
                strPath = strPath.Left(nLast);
        } else {
            strPath += L'\\';
            strPath += CStringW(p, nLength);
        }
        p = pEnd;
    }
    if (bTrailing || strPath.GetLength() == nRoot)
        strPath += L'\\';
}

} // namespace

CStringW LiteralPathOf(LPCWSTR pszPath)
{
    if (pszPath == NULL || pszPath[0] == 0)
        return CStringW();
    CStringW strResult;
    if (HasPrefix(pszPath, L"\\\\?\\")) {
        strResult = pszPath;
    } else if (IsPathSeparator(pszPath[0]) && IsPathSeparator(pszPath[1])) {
        // \\server\share\rest; device paths (\\.\) are not files of a folder tree.
        LPCWSTR pServer = pszPath + 2;
        LPCWSTR pShare = pServer;
        while (*pShare != 0 && !IsPathSeparator(*pShare))
            ++pShare;
        LPCWSTR pRest = *pShare != 0 ? pShare + 1 : pShare;
        while (*pRest != 0 && !IsPathSeparator(*pRest))
            ++pRest;
        if (pShare == pServer || *pShare == 0 || pRest == pShare + 1 ||
            (pShare - pServer == 1 && (*pServer == L'.' || *pServer == L'?')))
            return CStringW();
        strResult = L"\\\\?\\UNC\\";
        strResult += CStringW(pServer, static_cast<int>(pShare - pServer));
        strResult += L'\\';
        strResult += CStringW(pShare + 1, static_cast<int>(pRest - pShare - 1));
        AppendComponents(strResult, pRest);
    } else if (pszPath[0] != 0 && pszPath[1] == L':' && IsPathSeparator(pszPath[2])) {
        strResult = L"\\\\?\\";
        strResult += CStringW(pszPath, 2);
        AppendComponents(strResult, pszPath + 2);
    } else {
        // Relative to the current folder, to the current drive's root, or to the current
        // folder of another drive: the system supplies that base, the rest stays literal.
        bool bDriveRelative = pszPath[0] != 0 && pszPath[1] == L':';
        WCHAR szBase[4] = { pszPath[0], L':', 0, 0 };
        LPCWSTR pszBase = bDriveRelative ? szBase : L".";
        DWORD cch = GetFullPathNameW(pszBase, 0, NULL, NULL);
        if (cch == 0 || cch > static_cast<DWORD>(kMaxSystemPath))
            return CStringW();
        CStringW strBase;
        GetFullPathNameW(pszBase, cch, strBase.GetBuffer(static_cast<int>(cch)), NULL);
        strBase.ReleaseBuffer();
        if (strBase.IsEmpty() || HasPrefix(strBase, L"\\\\?\\"))
            return CStringW();
        if (IsPathSeparator(pszPath[0])) {
            if (strBase[1] != L':')
                return CStringW();   // the root of a server path is not a drive's
            strBase = strBase.Left(2);   // the current drive's root
        }
        LPCWSTR pszRest = bDriveRelative ? pszPath + 2 : pszPath;
        return LiteralPathOf(strBase + L'\\' + CStringW(pszRest));
    }
    if (strResult.GetLength() >= kMaxSystemPath)
        return CStringW();
    return strResult;
}

void CHandle::Close()
{
    if (IsValid())
        CloseHandle(m_h);
    m_h = INVALID_HANDLE_VALUE;
}
