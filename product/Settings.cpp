#include "product/Settings.h"

#include "platform/Registry.h"

#include <stdio.h>

namespace {

const char kProductKey[] = KAVROST_PRODUCT_KEY;
const char kProductClass[] = "Tessaline";

// Opens the section's key, creating it when it is missing. A key the user may
// read but not change is opened for reading, so that its values still count.
HKEY OpenSectionKey(LPCSTR lpszPath)
{
    HKEY hKey = NULL;
    DWORD dwDisposition = 0;
    LONG lResult = RegCreateKeyExA(HKEY_CURRENT_USER, lpszPath, 0, const_cast<LPSTR>(kProductClass),
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

const WCHAR kUsersKeyPath[] = L"" KAVROST_USERS_KEY;

namespace {

LONG QueryValue(HKEY hKey, LPCSTR lpszName, DWORD* pdwType, LPBYTE pData, DWORD* pcbData)
{
    return RegQueryValueExA(hKey, lpszName, NULL, pdwType, pData, pcbData);
}

LONG QueryValue(HKEY hKey, LPCWSTR lpszName, DWORD* pdwType, LPBYTE pData, DWORD* pcbData)
{
    return RegQueryValueExW(hKey, lpszName, NULL, pdwType, pData, pcbData);
}

// The value's stored data as text of TChar up to the first zero, or the default.
template <typename TChar>
CStringT<TChar> ReadValue(LPCSTR lpszSection, const TChar* lpszValueName, const TChar* lpszDefault)
{
    char szPath[MAX_PATH];
    int nLength = _snprintf(szPath, sizeof(szPath), "%s\\%s", kProductKey,
                            lpszSection != NULL ? lpszSection : "");
    if (nLength < 0 || nLength >= static_cast<int>(sizeof(szPath)))
        return CStringT<TChar>(lpszDefault);   // a cut path would name another key

    CKey key;
    key.Attach(OpenSectionKey(szPath));
    if (key == NULL)
        return CStringT<TChar>(lpszDefault);

    CStringT<TChar> strValue;
    DWORD dwType = 0;
    DWORD cbData = 0;
    LONG lResult = QueryValue(key, lpszValueName, &dwType, NULL, &cbData);
    if (lResult == ERROR_SUCCESS) {
        int nChars = static_cast<int>((cbData + sizeof(TChar) - 1) / sizeof(TChar));
        TChar* pBuffer = strValue.GetBuffer(nChars);
        lResult = QueryValue(key, lpszValueName, &dwType, reinterpret_cast<LPBYTE>(pBuffer), &cbData);
        strValue.ReleaseBuffer(-1);
    }
    key.Close();

    if (lResult != ERROR_SUCCESS)
        return CStringT<TChar>(lpszDefault);
    return strValue;
}

} // namespace

CString ReadSetting(LPCSTR lpszSection, LPCSTR lpszValueName, LPCSTR lpszDefault)
{
    return ReadValue(lpszSection, lpszValueName, lpszDefault);
}

CStringW ReadInstallFolder()
{
    return ReadValue<WCHAR>("Directories", L"PathName", NULL);
}

CStringW ReadAgencyFolder()
{
    return ReadValue<WCHAR>("Directories", L"Agency", NULL);
}
