#include "product/Settings.h"

#include <stdio.h>

namespace {

const char kMaker[] = "dabro";
const char kProduct[] = "Tessaline";
const char kVersion[] = "1.0";

// Opens the section's key, creating it when it is missing. A key the user may
// read but not change is opened for reading, so that its values still count.
HKEY OpenSectionKey(LPCSTR lpszPath)
{
    HKEY hKey = NULL;
    DWORD dwDisposition = 0;
    LONG lResult = RegCreateKeyExA(HKEY_CURRENT_USER, lpszPath, 0, const_cast<LPSTR>(kProduct),
                                   REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &hKey,
                                   &dwDisposition);
    if (lResult == ERROR_SUCCESS)
        return hKey;
    if (lResult == ERROR_ACCESS_DENIED &&
        RegOpenKeyExA(HKEY_CURRENT_USER, lpszPath, 0, KEY_READ, &hKey) == ERROR_SUCCESS)
        return hKey;
    return NULL;
}

} // namespace

CString ReadSetting(LPCSTR lpszSection, LPCSTR lpszValueName, LPCSTR lpszDefault)
{
    char szPath[MAX_PATH];
    int nLength = _snprintf(szPath, sizeof(szPath), "Software\\%s\\%s\\%s\\%s", kMaker, kProduct,
                            kVersion, lpszSection != NULL ? lpszSection : "");
    if (nLength < 0 || nLength >= static_cast<int>(sizeof(szPath)))
        return CString(lpszDefault);   // a cut path would name another key

    HKEY hKey = OpenSectionKey(szPath);
    if (hKey == NULL)
        return CString(lpszDefault);

    CString strValue;
    DWORD dwType = 0;
    DWORD cbData = 0;
    LONG lResult = RegQueryValueExA(hKey, lpszValueName, NULL, &dwType, NULL, &cbData);
    if (lResult == ERROR_SUCCESS) {
        LPSTR pBuffer = strValue.GetBuffer(static_cast<int>(cbData));
        lResult = RegQueryValueExA(hKey, lpszValueName, NULL, &dwType,
                                   reinterpret_cast<LPBYTE>(pBuffer), &cbData);
        strValue.ReleaseBuffer(-1);
    }
    RegCloseKey(hKey);

    if (lResult != ERROR_SUCCESS)
        return CString(lpszDefault);
    return strValue;
}
