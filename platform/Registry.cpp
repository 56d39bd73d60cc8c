#include "platform/Registry.h"

#include "platform/Collections.h"

namespace {

typedef LONG(NTAPI* PFN_DELETE_KEY)(HANDLE);
typedef ULONG(NTAPI* PFN_STATUS_TO_ERROR)(LONG);

// Deletes the key the handle names, a link itself when it was opened as one; the
// registry functions that take a name would open the link's target instead.
LONG DeleteOpenKey(HKEY hKey)
{
    static const PFN_DELETE_KEY s_pfnDelete = reinterpret_cast<PFN_DELETE_KEY>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    static const PFN_STATUS_TO_ERROR s_pfnToError = reinterpret_cast<PFN_STATUS_TO_ERROR>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError")));
    if (s_pfnDelete == NULL || s_pfnToError == NULL)
        return ERROR_CALL_NOT_IMPLEMENTED;
    LONG lStatus = s_pfnDelete(hKey);
    return lStatus == 0 ? ERROR_SUCCESS : static_cast<LONG>(s_pfnToError(lStatus));
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

void CKey::Close()
{
    if (m_hKey != NULL) {
        RegCloseKey(m_hKey);
        m_hKey = NULL;
    }
}

LONG CKey::DeleteSubKeyTree(LPCWSTR pszName)
{
    if (pszName == NULL || pszName[0] == 0)
        return ERROR_INVALID_PARAMETER;   // the empty name would be this key itself
    CKey key;
    LONG lResult = key.Open(m_hKey, pszName, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE,
                            REG_OPTION_OPEN_LINK);
    if (lResult != ERROR_SUCCESS)
        return lResult;

    // The names first, then the deletions, so that the enumeration's order holds.
    CStringArrayW arrNames;
    for (DWORD dwIndex = 0;; ++dwIndex) {
        WCHAR szName[256];   // a key name has at most 255 characters
        DWORD cchName = 256;
        if (RegEnumKeyExW(key, dwIndex, szName, &cchName, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        arrNames.Add(szName);
    }
    for (INT_PTR i = 0; i < arrNames.GetSize(); ++i)
        key.DeleteSubKeyTree(arrNames[i]);
    return DeleteOpenKey(key);
}
