// Scratch state for tests: a registry hive and folders that no real user owns.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

// Redirects this process's HKEY_CURRENT_USER to a new, empty scratch key for the
// lifetime of the object, and deletes that key afterwards. Code under test then
// reads and writes only the scratch key, and test programs can run side by side.
class ScratchRegistry
{
public:
    ScratchRegistry();
    ~ScratchRegistry();

    // Helpers that write below the redirected HKEY_CURRENT_USER; key paths are UTF-8.
    static void SetString(const char* pszKey, const char* pszName, const char* pszValue,
                          DWORD dwType = REG_SZ);
    static void SetBinary(const char* pszKey, const char* pszName, DWORD dwType,
                          const void* pData, DWORD cbData);
    static bool KeyExists(const char* pszKey);
    static std::string KeyClass(const char* pszKey);

private:
    HKEY m_hScratch;
    std::string m_strName;
};

// A new, empty folder under the prefix's temporary folder, removed with all its
// contents at the end. Path() ends in a backslash.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();

    const std::string& Path() const { return m_strPath; }
    // Creates a folder or a file (with the given text) below the scratch folder;
    // names are UTF-8 and use '\', and intermediate folders are created.
    std::string MakeDir(const std::string& relative) const;
    std::string MakeFile(const std::string& relative, const std::string& text = "x") const;
    bool Exists(const std::string& relative) const;

private:
    std::string m_strPath;
};

// Removes a folder tree (a UTF-8 path) without the code under test: clears read-only
// bits, deletes files and folders, and never follows a link.
void ForceRemoveTree(const std::string& path);

// A UTF-16 name in UTF-8, for comparisons and messages, and back.
std::string Utf8(LPCWSTR psz);
std::wstring Wide(const std::string& text);
