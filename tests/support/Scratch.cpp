#include "support/Scratch.h"

#include "support/HostShell.h"

#include <shlwapi.h>

#include <stdio.h>

#include <atomic>

namespace {

const char kScratchRoot[] = "Software\\KavrostTestScratch";
std::atomic<int> s_nextId{0};

std::string UniqueName()
{
    char sz[64];
    wsprintfA(sz, "%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), s_nextId++);
    return sz;
}

} // namespace

ScratchRegistry::ScratchRegistry() : m_hScratch(NULL)
{
    // The scratch key is created in the real hive, then the hive is redirected to it.
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    m_strName = std::string(kScratchRoot) + "\\" + UniqueName();
    LONG lResult = RegCreateKeyExA(HKEY_CURRENT_USER, m_strName.c_str(), 0, NULL, 0,
                                   KEY_ALL_ACCESS, NULL, &m_hScratch, NULL);
    if (lResult != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create scratch key, error " << lResult;
        return;
    }
    lResult = RegOverridePredefKey(HKEY_CURRENT_USER, m_hScratch);
    if (lResult != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot redirect HKEY_CURRENT_USER, error " << lResult;
}

ScratchRegistry::~ScratchRegistry()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    if (m_hScratch != NULL)
        RegCloseKey(m_hScratch);
    SHDeleteKeyA(HKEY_CURRENT_USER, m_strName.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchRoot);   // only when no other test uses it
}

namespace {

// Sets a value in the key (created where missing) with set(hKey); a failure is reported.
template <typename Set>
bool SetValue(const std::string& key, const std::string& name, Set set)
{
    HKEY hKey;
    LONG lResult = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL);
    if (lResult == ERROR_SUCCESS) {
        lResult = set(hKey);
        RegCloseKey(hKey);
    }
    if (lResult != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot write " << key << "\\" << name << ", error " << lResult;
    return lResult == ERROR_SUCCESS;
}

} // namespace

bool ScratchRegistry::SetBinary(const std::string& key, const char* pszName, DWORD dwType, const void* pData,
                                DWORD cbData)
{
    return SetValue(key, pszName, [&](HKEY hKey) {
        return RegSetValueExA(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cbData);
    });
}

bool ScratchRegistry::SetString(const std::string& key, const std::string& name, const std::string& value,
                                DWORD dwType)
{
    std::wstring text = Wide(value);
    return SetValue(key, name, [&](HKEY hKey) {
        return RegSetValueExW(hKey, Wide(name).c_str(), 0, dwType, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    });
}

bool ScratchRegistry::KeyExists(const std::string& key)
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

std::string ScratchRegistry::KeyClass(const char* pszKey)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, pszKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return "<missing key>";
    char szClass[256] = "";
    DWORD cchClass = sizeof(szClass);
    RegQueryInfoKeyA(hKey, szClass, &cchClass, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                     NULL);
    RegCloseKey(hKey);
    return szClass;
}

ScratchFolder::ScratchFolder(const char* pszTag)
{
    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    char szName[96];
    wsprintfA(szName, "kavrost-%s-%lu-%d\\", pszTag, GetCurrentProcessId(), s_nextId++);
    m_strPath = std::string(szTemp) + szName;
    if (GetFileAttributesA(m_strPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "removing %s, left by an interrupted run\n", m_strPath.c_str());
        RemoveEverything();
    }
    m_bCreated = CreateDirectoryA(m_strPath.c_str(), NULL) != 0;
    if (!m_bCreated)
        ADD_FAILURE() << "cannot create scratch folder " << m_strPath;
}

ScratchFolder::~ScratchFolder()
{
    if (m_bCreated)
        RemoveEverything();
}

// What the system's calls cannot remove without following a link goes on the host's side.
void ScratchFolder::RemoveEverything() const
{
    ForceRemoveTree(m_strPath);
    if (GetFileAttributesA(m_strPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        HostRemoveTree(m_strPath);
}

namespace {

// A test path (UTF-8) in the system's literal form, which takes any name and length.
std::wstring Literal(const std::string& path)
{
    return L"\\\\?\\" + Wide(path);
}

bool WriteFileAt(const std::wstring& path, const std::string& text, DWORD dwDisposition)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, dwDisposition, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    BOOL bOk = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &dwWritten, NULL);
    CloseHandle(h);
    return bOk && dwWritten == text.size();
}

// Calls f with the name and attributes of every entry of a folder (a literal path ending
// in '\') but "." and "..".
template <typename F>
void ForEachEntry(const std::wstring& folder, F f)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
            f(std::wstring(fd.cFileName), fd.dwFileAttributes);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

std::wstring FolderLiteral(const std::string& path)
{
    std::wstring folder = Literal(path);
    return folder.back() == L'\\' ? folder : folder + L'\\';
}

} // namespace

std::string ScratchFolder::MakeDir(const std::string& relative) const
{
    std::string path = m_strPath;
    for (size_t start = 0, end; start < relative.size(); start = end + 1) {
        end = std::min(relative.find('\\', start), relative.size());
        if (end > start) {
            path += relative.substr(start, end - start) + "\\";
            CreateDirectoryW(Literal(path).c_str(), NULL);
        }
    }
    return path;
}

std::string ScratchFolder::MakeFile(const std::string& relative, const std::string& text) const
{
    size_t slash = relative.rfind('\\');
    if (slash != std::string::npos)
        MakeDir(relative.substr(0, slash));
    std::string path = m_strPath + relative;
    if (!WriteFileAt(Literal(path), text, CREATE_ALWAYS))
        ADD_FAILURE() << "cannot create " << path;
    return path;
}

bool ScratchFolder::Exists(const std::string& relative) const
{
    return GetFileAttributesW(Literal(m_strPath + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ForceRemoveTree(const std::string& path)
{
    std::wstring folder = FolderLiteral(path);
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return;   // under Wine, removing a folder link may act on its target
    ForEachEntry(folder, [&](const std::wstring& name, DWORD dwAttributes) {
        std::wstring child = folder + name;
        if (name.find_first_of(L"\\/") != std::wstring::npos || (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            // Left alone, as above.
        } else if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ForceRemoveTree(Utf8(child.c_str() + 4));
        } else {
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(child.c_str());
        }
    });
    RemoveDirectoryW(folder.c_str());
}

bool MakeFile(const std::string& path, const std::string& text)
{
    return WriteFileAt(Wide(path), text, CREATE_NEW);
}

std::string ReadText(const std::string& path)
{
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    char sz[256];
    DWORD cb = 0;
    ReadFile(h, sz, sizeof(sz), &cb, NULL);
    CloseHandle(h);
    return std::string(sz, cb);
}

std::vector<std::string> EntriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    ForEachEntry(FolderLiteral(folder), [&](const std::wstring& name, DWORD) { names.push_back(Utf8(name.c_str())); });
    return Sorted(names);
}

std::string Utf8(LPCWSTR psz)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, psz, -1, NULL, 0, NULL, NULL);
    std::string result(cb > 0 ? cb - 1 : 0, '\0');
    if (cb > 1)
        WideCharToMultiByte(CP_UTF8, 0, psz, -1, &result[0], cb, NULL, NULL);
    return result;
}

std::wstring Wide(const std::string& text)
{
    int cch = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, NULL, 0);
    std::wstring result(cch > 0 ? cch - 1 : 0, L'\0');
    if (cch > 1)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], cch);
    return result;
}

std::string WindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string windows = "Z:" + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

CurrentFolder::CurrentFolder(const std::string& path)
{
    GetCurrentDirectoryW(MAX_PATH, m_saved);
    if (!SetCurrentDirectoryW(Wide(path).c_str()))
        ADD_FAILURE() << "cannot make " << path << " the current folder";
}
