// Scratch state for tests: a registry hive and folders that no real user owns.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Redirects this process's HKEY_CURRENT_USER to a new, empty scratch key for the
// lifetime of the object, and deletes that key afterwards. Code under test then
// reads and writes only the scratch key, and test programs can run side by side.
class ScratchRegistry
{
public:
    ScratchRegistry();
    ~ScratchRegistry();

    // Helpers that write below HKEY_CURRENT_USER (redirected or not), creating the key;
    // keys, names and texts are UTF-8. A value that cannot be written is a test failure.
    static bool SetString(const std::string& key, const std::string& name, const std::string& value,
                          DWORD dwType = REG_SZ);
    // The bytes as they are, through the ANSI call.
    static bool SetBinary(const std::string& key, const char* pszName, DWORD dwType, const void* pData,
                          DWORD cbData);
    static bool KeyExists(const std::string& key);
    static std::string KeyClass(const char* pszKey);

private:
    HKEY m_hScratch;
    std::string m_strName;
};

// A new, empty folder %TEMP%kavrost-<tag>-<process id>-<n>\ (Path() ends in a
// backslash), removed with all its contents at the end. A folder of that name can only
// be left by a run that was cut short, since no living process has this id: it is
// removed first.
class ScratchFolder
{
public:
    explicit ScratchFolder(const char* pszTag = "test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Created() const { return m_bCreated; }
    const std::string& Path() const { return m_strPath; }
    // Creates a folder or a file (with the given text) below the scratch folder;
    // names are UTF-8 and use '\', and intermediate folders are created.
    std::string MakeDir(const std::string& relative) const;
    std::string MakeFile(const std::string& relative, const std::string& text = "x") const;
    bool Exists(const std::string& relative) const;

private:
    void RemoveEverything() const;

    std::string m_strPath;
    bool m_bCreated;
};

// Removes a folder tree (a UTF-8 path) without the code under test: clears read-only
// bits, deletes files and folders, and never follows a link.
void ForceRemoveTree(const std::string& path);

// A file holding the text at a UTF-8 path; fails where the name exists already.
bool MakeFile(const std::string& path, const std::string& text = "x");

// The content of a file, or "<missing>".
std::string ReadText(const std::string& path);

// The names in a folder (UTF-8, sorted, without "." and ".."), exactly as listed.
std::vector<std::string> EntriesOf(const std::string& folder);

// A UTF-16 name in UTF-8, for comparisons and messages, and back.
std::string Utf8(LPCWSTR psz);
std::wstring Wide(const std::string& text);

// A Windows path for a host path ("/x/y" is Z:\x\y under Wine); other paths stay.
std::string WindowsPath(const std::string& path);

// Makes a folder the current one for the life of the object.
class CurrentFolder
{
public:
    explicit CurrentFolder(const std::string& path);
    ~CurrentFolder() { SetCurrentDirectoryW(m_saved); }

private:
    WCHAR m_saved[MAX_PATH];
};

// The entries of a list of wide strings in UTF-8, in the list's order, and sorted, for
// comparisons that do not depend on the search order.
template <typename List>
std::vector<std::string> ToVector(const List* pList)
{
    std::vector<std::string> result;
    for (auto pos = pList->GetHeadPosition(); pos != NULL;)
        result.push_back(Utf8(pList->GetNext(pos)));
    return result;
}

inline std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

template <typename List>
std::vector<std::string> Sorted(const List* pList)
{
    return Sorted(ToVector(pList));
}

// The entries of an array of wide strings in UTF-8, in the array's order.
template <typename Array>
std::vector<std::string> ArrayNames(const Array& arr)
{
    std::vector<std::string> result;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        result.push_back(Utf8(arr[i]));
    return result;
}
