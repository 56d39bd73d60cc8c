// The isolated Wine prefix that the programs driving Kavrost.exe run in, and the
// product's settings they seed there.
#pragma once

#include <windows.h>

#include <string>

// 0 where this process may drive the program: under Wine, in the build tree's own prefix,
// with a display that windows can appear on. Otherwise the code to end with, having said
// why on stderr: 2 outside the prefix, 77 (skipped) without a display, 1 where the
// prefix's Wine session began without this display (no window can appear until it ends).
int CheckPrefix(const char* pszProgram);

// Keeps the prefix's maker key (HKCU\Software\dabro) aside for the life of the object,
// so that the run may seed and change it at will; at the end the run's key goes and the
// kept one is put back. One guard at a time per prefix; a run that was cut short is
// undone by the next one's guard.
class PrefixGuard
{
public:
    PrefixGuard();
    ~PrefixGuard();
    PrefixGuard(const PrefixGuard&) = delete;
    PrefixGuard& operator=(const PrefixGuard&) = delete;

    // FALSE where another run holds the prefix or the maker key could not be kept aside.
    bool Held() const { return m_hLock != NULL; }

private:
    HANDLE m_hLock;
};

// The product installed in a scratch folder: its installation folder and, unless empty,
// its agency folder (Windows paths in UTF-8, ending in '\'). FALSE where the settings
// could not be written.
bool SetProductFolders(const std::string& install, const std::string& agency);
// The resource DLL setting, which chooses the language.
bool SetResourceDll(const std::string& value);
// A user's registry key with one subkey and value, as the product keeps them.
bool AddUserKey(const std::string& name);
bool UserKeyExists(const std::string& name);
