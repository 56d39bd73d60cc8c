#include "fs_test_support.h"

#include <windows.h>

#include <algorithm>
#include <functional>

namespace {

typedef char*(CDECL* PFN_UNIX_NAME)(LPCWSTR);

// The host's name of a Windows path, or "" when not running under Wine.
std::string HostPath(const std::string& path)
{
    PFN_UNIX_NAME pfn = reinterpret_cast<PFN_UNIX_NAME>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (pfn == NULL)
        return "";
    WCHAR szWide[2048];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, szWide, 2048) == 0)
        return "";
    char* pszUnix = pfn(szWide);
    if (pszUnix == NULL)
        return "";
    std::string result = pszUnix;
    HeapFree(GetProcessHeap(), 0, pszUnix);
    return result;
}

// Starts a host program and waits until done() holds. A host process started under
// Wine gives no handle that can be waited for.
bool RunHost(std::string commandLine, const std::function<bool()>& done)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 100; ++i) {
        if (done())
            return true;
        Sleep(50);
    }
    return false;
}

bool RunHost(const std::string& commandLine, const std::string& path, bool bExpectExists)
{
    return RunHost(commandLine, [&] {
        return (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == bExpectExists;
    });
}

std::string WithoutTrailingSeparator(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

} // namespace

std::vector<std::string> ToVector(const CStringListW* pList)
{
    std::vector<std::string> result;
    POSITION pos = pList->GetHeadPosition();
    while (pos != NULL)
        result.push_back(Utf8(pList->GetNext(pos)));
    return result;
}

std::vector<std::string> Sorted(const CStringListW* pList)
{
    std::vector<std::string> result = ToVector(pList);
    std::sort(result.begin(), result.end());
    return result;
}

bool MakeSymbolicLink(const std::string& target, const std::string& linkPath)
{
    std::string hostTarget = HostPath(WithoutTrailingSeparator(target));
    std::string hostLink = HostPath(WithoutTrailingSeparator(linkPath));
    if (!hostTarget.empty() && !hostLink.empty()) {
        return RunHost("Z:\\bin\\ln -s \"" + hostTarget + "\" \"" + hostLink + "\"",
                       WithoutTrailingSeparator(linkPath), true);
    } else {
        DWORD dwFlags = (GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
        typedef BOOLEAN(WINAPI * PFN_LINK)(LPCSTR, LPCSTR, DWORD);
        PFN_LINK pfn = reinterpret_cast<PFN_LINK>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
        if (pfn == NULL || !pfn(WithoutTrailingSeparator(linkPath).c_str(),
                                WithoutTrailingSeparator(target).c_str(), dwFlags))
            return false;
    }
    DWORD dwAttributes = GetFileAttributesA(WithoutTrailingSeparator(linkPath).c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES;
}

void HostRemoveTree(const std::string& path)
{
    std::string hostPath = HostPath(WithoutTrailingSeparator(path));
    if (!hostPath.empty())
        RunHost("Z:\\bin\\rm -rf \"" + hostPath + "\"", WithoutTrailingSeparator(path), false);
}

std::string ReadText(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                           NULL);
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
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((L"\\\\?\\" + Wide(WithoutTrailingSeparator(folder)) + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
            names.push_back(Utf8(fd.cFileName));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

bool MakeHostFile(const std::string& folder, const std::string& name)
{
    std::string hostFolder = HostPath(WithoutTrailingSeparator(folder));
    if (hostFolder.empty())
        return false;
    return RunHost("Z:\\bin\\sh -c \"echo x > '" + hostFolder + "/" + name + "'\"", [&] {
        std::vector<std::string> names = EntriesOf(folder);
        return std::find(names.begin(), names.end(), name) != names.end();
    });
}

std::string HostPathOf(const std::string& path)
{
    return HostPath(WithoutTrailingSeparator(path));
}

bool RunHostShell(const std::string& script, const std::function<bool()>& done)
{
    return RunHost("Z:\\bin\\sh -c \"" + script + "\"", done);
}
