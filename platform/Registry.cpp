#include "platform/Registry.h"

#include "platform/Collections.h"
#include "platform/Ntdll.h"

#include <memory>

namespace {

typedef LONG(NTAPI* PFN_DELETE_KEY)(HANDLE);
typedef ULONG(NTAPI* PFN_STATUS_TO_ERROR)(LONG);

// Deletes the key the handle names, a link itself when it was opened as one; the
// registry functions that take a name would open the link's target instead.
LONG DeleteOpenKey(HKEY hKey)
{
    static const PFN_DELETE_KEY s_pfnDelete = NtdllFunction<PFN_DELETE_KEY>("NtDeleteKey");
    static const PFN_STATUS_TO_ERROR s_pfnToError = NtdllFunction<PFN_STATUS_TO_ERROR>("RtlNtStatusToDosError");
    if (s_pfnDelete == NULL || s_pfnToError == NULL)
        return ERROR_CALL_NOT_IMPLEMENTED;
    LONG lStatus = s_pfnDelete(hKey);
    return lStatus == 0 ? ERROR_SUCCESS : static_cast<LONG>(s_pfnToError(lStatus));
}

// A key of the tree being deleted, with the names of its subkeys still to go.
struct CKeyLevel
{
    CKeyLevel* pBelow = NULL;   // the key that holds it, on the deletion's stack
    CKey key;
    CStringArrayW names;
    INT_PTR nNext = 0;
};

// Opens the subkey pszName of hParent as itself for its deletion and reads the names of
// its subkeys: all the names first, then the deletions, so that the enumeration's order
// holds.
LONG OpenForDeletion(HKEY hParent, LPCWSTR pszName, CKeyLevel& rLevel)
{
    LONG lResult = rLevel.key.Open(hParent, pszName, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE,
                                   REG_OPTION_OPEN_LINK);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    for (DWORD dwIndex = 0;; ++dwIndex) {
        WCHAR szName[256];   // a key name has at most 255 characters
        DWORD cchName = 256;
        if (RegEnumKeyExW(rLevel.key, dwIndex, szName, &cchName, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        rLevel.names.Add(szName);
    }
    return ERROR_SUCCESS;
}

} // namespace

LONG CKey::Open(HKEY hParent, LPCWSTR pszName, REGSAM samDesired, DWORD dwOptions)
{
    Close();
    LONG lResult = RegOpenKeyExW(hParent, pszName, dwOptions, samDesired, &m_hKey);
    if (lResult != ERROR_SUCCESS)
        m_hKey = NULL;
    return lResult;
}

void CKey::Attach(HKEY hKey)
{
    Close();
    m_hKey = hKey;
}

HKEY CKey::Detach()
{
    HKEY hKey = m_hKey;
    m_hKey = NULL;
    return hKey;
}

void CKey::Close()
{
    if (m_hKey != NULL) {
        RegCloseKey(m_hKey);
        m_hKey = NULL;
    }
}

BOOL CKey::IsLink() const
{
    DWORD dwType = REG_NONE;
    return RegQueryValueExW(m_hKey, L"SymbolicLinkValue", NULL, &dwType, NULL, NULL) == ERROR_SUCCESS &&
           dwType == REG_LINK;
}

LONG CKey::DeleteSubKeyTree(LPCWSTR pszName)
{
    if (pszName == NULL || pszName[0] == 0)
        return ERROR_INVALID_PARAMETER;   // the empty name would be this key itself
    // The keys the deletion is in, the deepest on top: its place is kept on the heap, so
    // that a deep chain of keys costs no stack.
    CHeapStack<CKeyLevel> stack;
    stack.Push(NewObject<CKeyLevel>());
    LONG lResult = OpenForDeletion(m_hKey, pszName, stack.Top());
    if (lResult != ERROR_SUCCESS)
        return lResult;
    while (!stack.IsEmpty()) {
        CKeyLevel& level = stack.Top();
        if (level.nNext < level.names.GetSize()) {
            std::unique_ptr<CKeyLevel> pSub(NewObject<CKeyLevel>());
            // A subkey that cannot be opened stays, and so do the keys above it.
            if (OpenForDeletion(level.key, level.names[level.nNext++], *pSub) == ERROR_SUCCESS)
                stack.Push(pSub.release());
            continue;
        }
        lResult = DeleteOpenKey(level.key);
        stack.Pop();
    }
    return lResult;
}
