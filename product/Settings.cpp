#include "product/Settings.h"

#include "platform/Registry.h"

#include <stdio.h>

namespace {

const char kProductKey[] = KAVROST_MAKER_KEY "\\Tessaline\\1.0";
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

const WCHAR kUsersKeyPath[] = L"" KAVROST_MAKER_KEY "\\User";

CString ReadInstallFolder()
{
    return ReadSetting("Directories", "PathName", NULL);
}

CString ReadAgencyFolder()
{
    return ReadSetting("Directories", "Agency", NULL);
}

CString ReadSetting(LPCSTR lpszSection, LPCSTR lpszValueName, LPCSTR lpszDefault)
{
    char szPath[MAX_PATH];
    int nLength = _snprintf(szPath, sizeof(szPath), "%s\\%s", kProductKey,
                            lpszSection != NULL ? lpszSection : "");
    if (nLength < 0 || nLength >= static_cast<int>(sizeof(szPath)))
        return CString(lpszDefault);   // a cut path would name another key

    CKey key;
    key.Attach(OpenSectionKey(szPath));
    if (key == NULL)
        return CString(lpszDefault);

    CString strValue;
    DWORD dwType = 0;
    DWORD cbData = 0;
    LONG lResult = RegQueryValueExA(key, lpszValueName, NULL, &dwType, NULL, &cbData);
    if (lResult == ERROR_SUCCESS) {
        LPSTR pBuffer = strValue.GetBuffer(static_cast<int>(cbData));
        lResult = RegQueryValueExA(key, lpszValueName, NULL, &dwType,
                                   reinterpret_cast<LPBYTE>(pBuffer), &cbData);
        strValue.ReleaseBuffer(-1);
    }
    key.Close();

    if (lResult != ERROR_SUCCESS)
        return CString(lpszDefault);
    return strValue;
}
