#include "support/PrefixGuard.h"

#include "product/Settings.h"
#include "support/Scratch.h"

#include <shlwapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The maker key as it was before the run; a value of this name marks a key that was absent.
const char kKeptAside[] = "Software\\KavrostKeptAside";
const char kAbsentMark[] = "KavrostMakerKeyAbsent";

bool CopyTree(const char* pszFrom, const char* pszTo)
{
    HKEY hTo;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pszTo, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hTo, NULL) != ERROR_SUCCESS)
        return false;
    bool bOk = SHCopyKeyA(HKEY_CURRENT_USER, pszFrom, hTo, 0) == ERROR_SUCCESS;
    RegCloseKey(hTo);
    return bOk;
}

// Puts a maker key kept aside by an earlier run that was cut short back in place.
bool PutBackKeptKey()
{
    if (!ScratchRegistry::KeyExists(kKeptAside))
        return true;
    SHDeleteKeyA(HKEY_CURRENT_USER, KAVROST_MAKER_KEY);
    bool bAbsent = SHGetValueA(HKEY_CURRENT_USER, kKeptAside, kAbsentMark, NULL, NULL, NULL) == ERROR_SUCCESS;
    return (bAbsent || CopyTree(kKeptAside, KAVROST_MAKER_KEY)) &&
           SHDeleteKeyA(HKEY_CURRENT_USER, kKeptAside) == ERROR_SUCCESS;
}

bool KeepAside()
{
    if (ScratchRegistry::KeyExists(KAVROST_MAKER_KEY))
        return CopyTree(KAVROST_MAKER_KEY, kKeptAside);
    DWORD dwOne = 1;
    return SHSetValueA(HKEY_CURRENT_USER, kKeptAside, kAbsentMark, REG_DWORD, &dwOne, sizeof(dwOne)) ==
           ERROR_SUCCESS;
}

} // namespace

int CheckPrefix(const char* pszProgram)
{
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == NULL) {
        fprintf(stderr, "%s: refusing to run outside Wine; it changes the registry it runs in\n", pszProgram);
        return 2;
    }
    const char* pszPrefix = getenv("WINEPREFIX");
    if (pszPrefix == NULL || strstr(pszPrefix, "wineprefix") == NULL) {
        fprintf(stderr, "%s: WINEPREFIX must name the build tree's own prefix\n", pszProgram);
        return 2;
    }
    if (getenv("DISPLAY") == NULL || *getenv("DISPLAY") == '\0') {
        fprintf(stderr, "%s: no display; run it under xvfb-run -a (skipped)\n", pszProgram);
        return 77;
    }
    HWND hProbe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    if (hProbe == NULL) {
        fprintf(stderr, "%s: cannot create a window: the prefix's wineserver session was started without "
                        "this display; let it end (wineserver -k or -w) and rerun\n", pszProgram);
        return 1;
    }
    DestroyWindow(hProbe);
    return 0;
}

PrefixGuard::PrefixGuard() : m_hLock(NULL)
{
    // A lock left by a process that died is taken over (WAIT_ABANDONED).
    HANDLE hLock = CreateMutexA(NULL, FALSE, "KavrostPrefixGuard");
    DWORD dwWait = hLock != NULL ? WaitForSingleObject(hLock, 0) : WAIT_FAILED;
    if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_ABANDONED) {
        fprintf(stderr, "another run is driving Kavrost in this prefix\n");
        if (hLock != NULL)
            CloseHandle(hLock);
        return;
    }
    if (!PutBackKeptKey() || !KeepAside()) {
        fprintf(stderr, "cannot keep HKCU\\%s aside\n", KAVROST_MAKER_KEY);
        ReleaseMutex(hLock);
        CloseHandle(hLock);
        return;
    }
    m_hLock = hLock;
}

PrefixGuard::~PrefixGuard()
{
    if (m_hLock == NULL)
        return;
    SHDeleteKeyA(HKEY_CURRENT_USER, KAVROST_MAKER_KEY);
    PutBackKeptKey();
    ReleaseMutex(m_hLock);
    CloseHandle(m_hLock);
}

bool SetProductFolders(const std::string& install, const std::string& agency)
{
    return ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Directories", "PathName", install) &&
           (agency.empty() || ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Directories", "Agency", agency));
}

bool SetResourceDll(const std::string& value)
{
    return ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Settings", "ResourceDLL", value);
}

bool AddUserKey(const std::string& name)
{
    return !name.empty() && ScratchRegistry::SetString(KAVROST_USERS_KEY "\\" + name + "\\Rooms", "Title", "x");
}

bool UserKeyExists(const std::string& name)
{
    return ScratchRegistry::KeyExists(KAVROST_USERS_KEY "\\" + name);
}
