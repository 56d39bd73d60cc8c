#include "support/HostShell.h"

#include "support/Scratch.h"

#include <windows.h>

#include <cstdlib>

namespace {

std::string WithoutTrailingSeparator(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

// A name made by wsprintfA from the format and up to three numbers.
std::string Numbered(const char* pszFormat, int a, int b = 0, int c = 0)
{
    char sz[64];
    wsprintfA(sz, pszFormat, a, b, c);
    return sz;
}

} // namespace

std::string HostPath(const std::string& path)
{
    typedef char*(CDECL * PFN_UNIX_NAME)(LPCWSTR);
    PFN_UNIX_NAME pfnUnixName = reinterpret_cast<PFN_UNIX_NAME>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (pfnUnixName == NULL)
        return "";
    char* pszHost = pfnUnixName(Wide(path).c_str());
    if (pszHost == NULL)
        return "";
    std::string host = pszHost;
    HeapFree(GetProcessHeap(), 0, pszHost);
    return host;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char ch : text)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

// Wine starts a host program given by its Z: path but gives no handle that tells its
// end, so the script leaves its exit status in a mark beside it, in the temporary folder.
bool RunHostShell(const std::string& commands)
{
    static LONG s_nRuns = 0;
    char szTemp[MAX_PATH], szBase[MAX_PATH + 64];
    GetTempPathA(sizeof(szTemp), szTemp);
    wsprintfA(szBase, "%skavrost-shell-%lu-%ld", szTemp, GetCurrentProcessId(), InterlockedIncrement(&s_nRuns));
    std::string script = std::string(szBase) + ".sh", mark = std::string(szBase) + ".status";
    std::string hostScript = HostPath(script), hostMark = HostPath(mark);
    std::string text = "( set -e\n" + commands + "\n)\necho $? > " + ShellQuoted(hostMark + ".new") +
                       " && mv " + ShellQuoted(hostMark + ".new") + " " + ShellQuoted(hostMark) + "\n";
    DeleteFileA(mark.c_str());   // left by an earlier process of this id
    DeleteFileA(script.c_str());
    if (hostScript.empty() || hostMark.empty() || !MakeFile(script, text))
        return false;
    std::wstring command = L"Z:\\bin\\sh \"" + Wide(hostScript) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    bool bStarted = CreateProcessW(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi) != 0;
    if (bStarted) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        for (int i = 0; i < 24000 && GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(5);
    }
    std::string status = ReadText(mark);
    DeleteFileA(mark.c_str());
    DeleteFileA(script.c_str());
    return bStarted && (status == "0" || status == "0\n");
}

bool SwapForLink(const std::string& folder, const std::string& target)
{
    std::string host = HostPath(WithoutTrailingSeparator(folder)), to = HostPath(WithoutTrailingSeparator(target));
    return !host.empty() && !to.empty() &&
           RunHostShell("mv " + ShellQuoted(host) + " " + ShellQuoted(host + ".old") + " && ln -s " +
                        ShellQuoted(to) + " " + ShellQuoted(host));
}

bool MakeSymbolicLink(const std::string& target, const std::string& linkPath)
{
    std::string from = WithoutTrailingSeparator(linkPath), to = WithoutTrailingSeparator(target);
    if (!HostPath(to).empty() && !HostPath(from).empty()) {
        if (!RunHostShell("ln -s " + ShellQuoted(HostPath(to)) + " " + ShellQuoted(HostPath(from))))
            return false;
    } else {
        typedef BOOLEAN(WINAPI * PFN_LINK)(LPCWSTR, LPCWSTR, DWORD);
        PFN_LINK pfn = reinterpret_cast<PFN_LINK>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkW")));
        DWORD dwFlags = (GetFileAttributesW(Wide(to).c_str()) & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
        if (pfn == NULL || !pfn(Wide(from).c_str(), Wide(to).c_str(), dwFlags))
            return false;
    }
    return GetFileAttributesW(Wide(from).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void HostRemoveTree(const std::string& path)
{
    std::string hostPath = HostPath(WithoutTrailingSeparator(path));
    if (!hostPath.empty())
        RunHostShell("rm -rf " + ShellQuoted(hostPath));
}

bool MakeHostFile(const std::string& folder, const std::string& name)
{
    std::string hostFolder = HostPath(WithoutTrailingSeparator(folder));
    return !hostFolder.empty() && RunHostShell("echo x > " + ShellQuoted(hostFolder + "/" + name));
}

bool FillFolder(const std::string& folder, int count)
{
    std::string base = WithoutTrailingSeparator(folder), host = HostPath(base);
    if (!host.empty())
        return RunHostShell("cd " + ShellQuoted(host) + "\nseq -f entry%06g.dat 0 " + std::to_string(count - 1) +
                            " | xargs touch");
    for (int i = 0; i < count; ++i)
        if (!MakeFile(base + Numbered("\\entry%06d.dat", i)))
            return false;
    return true;
}

bool FillTree(const std::string& root, int nTop, int nSub, int nFiles)
{
    int nFolders = nTop * nSub;
    std::string base = WithoutTrailingSeparator(root), host = HostPath(base);
    if (!host.empty()) {
        std::string vars = " -v nsub=" + std::to_string(nSub) + " -v nfolders=" + std::to_string(nFolders);
        return RunHostShell(
            "cd " + ShellQuoted(host) + "\n"
            "seq 0 " + std::to_string(nFolders - 1) + " | awk" + vars +
            " '{ printf \"top%02d/sub%02d\\n\", int($1 / nsub), $1 % nsub }' | xargs mkdir -p\n"
            "seq 0 " + std::to_string(nFiles - 1) + " | awk" + vars +
            " '{ f = $1 % nfolders; printf \"top%02d/sub%02d/file%06d.dat\\n\", int(f / nsub), f % nsub, $1 }'"
            " | xargs touch");
    }
    for (int f = 0; f < nFolders; ++f) {
        CreateDirectoryA((base + Numbered("\\top%02d", f / nSub)).c_str(), NULL);
        CreateDirectoryA((base + Numbered("\\top%02d\\sub%02d", f / nSub, f % nSub)).c_str(), NULL);
    }
    for (int i = 0; i < nFiles; ++i)
        if (!MakeFile(base + Numbered("\\top%02d\\sub%02d\\file%06d.dat", i % nFolders / nSub, i % nFolders % nSub, i)))
            return false;
    return true;
}

// The letters q to y are lent to MappedDrive, k to p are left unmapped; each letter is
// taken with one ln, which fails where another process took it first.
MappedDrive::MappedDrive()
{
    ScratchFolder marks("drive");
    std::string mark = marks.Path() + "letter.txt";
    const char* pszPrefix = getenv("WINEPREFIX");
    std::string hostMark = HostPath(mark);
    if (pszPrefix == NULL || hostMark.empty())
        return;
    std::string host = "/tmp/kavrost-drive-" + std::to_string(GetCurrentProcessId());
    if (!RunHostShell("rm -rf " + ShellQuoted(host) + " && mkdir -p " + ShellQuoted(host) + "\n"
                      "for l in q r s t u v w x y; do\n"
                      "  if ln -s " + ShellQuoted(host) + " " + ShellQuoted(std::string(pszPrefix) + "/dosdevices/") +
                      "\"$l:\" 2>/dev/null; then echo \"$l\" > " + ShellQuoted(hostMark) + "; exit 0; fi\n"
                      "done\nexit 1"))
        return;
    std::string letter = ReadText(mark).substr(0, 1);
    m_hostFolder = host;
    m_root = letter + ":\\";
    // Wine reads the drives again at most once a second to name what a path leads to.
    Sleep(1100);
}

MappedDrive::~MappedDrive()
{
    if (m_root.empty())
        return;
    std::string link = std::string(getenv("WINEPREFIX")) + "/dosdevices/" + m_root.substr(0, 1) + ":";
    RunHostShell("rm -f " + ShellQuoted(link));
    // Every process of the prefix names handles by its list of drives for up to a second;
    // a folder made meanwhile on the freed inode would be named as this drive's root.
    Sleep(1100);
    RunHostShell("rm -rf " + ShellQuoted(m_hostFolder));
}

std::string UnmappedDriveRoot()
{
    DWORD dwDrives = GetLogicalDrives();
    for (char letter = 'k'; letter <= 'p'; ++letter)
        if ((dwDrives & (1u << (letter - 'a'))) == 0)
            return std::string(1, letter) + ":\\";
    return "";
}
