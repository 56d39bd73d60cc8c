// Removal of files and folder trees: results, survivors, links, long paths, the rules
// that keep a removal inside its tree, and a tree that changes while it is removed.
#include "fs/FileScanner.h"

#include "fake_volume.h"
#include "platform/File.h"
#include "support/HostShell.h"
#include "support/RemovalWays.h"
#include "support/Scratch.h"
#include "support/SmallStack.h"

#include <atomic>
#include <functional>
#include <thread>

using Names = std::vector<std::string>;

class TreeRemoval : public ::testing::Test
{
protected:
    // The entries below the scratch folder that still exist, among those named.
    Names Surviving(const Names& relatives) const
    {
        Names result;
        for (const std::string& r : relatives)
            if (m_scratch.Exists(r))
                result.push_back(r);
        return result;
    }

    // Removes the folder at path as the program does.
    BOOL RemoveTree(const std::string& path) { return RemoveTreeAt(m_scanner, path); }

    ScratchFolder m_scratch;
    CFileScanner m_scanner;
};

// Trees without links, removed both ways, each with the budget of a scanner of its own.
class TreeRemovalBothWays : public TreeRemoval, public RemovalWay {};
KAVROST_BOTH_REMOVAL_WAYS(TreeRemovalBothWays);

TEST_F(TreeRemoval, RemovesATreeGivenWithOrWithoutTrailingSeparator)
{
    for (const char* suffix : { "", "\\", "/" }) {
        m_scratch.MakeFile("u\\a.txt");
        m_scratch.MakeFile("u\\sub\\b.txt");
        m_scratch.MakeDir("u\\sub\\empty");
        std::string folder = m_scratch.Path() + "u" + suffix;
        EXPECT_TRUE(RemoveTree(folder)) << folder;
        EXPECT_FALSE(m_scratch.Exists("u")) << folder;
    }
}

TEST_F(TreeRemoval, RemovesAnEmptyFolder)
{
    m_scratch.MakeDir("e");
    EXPECT_TRUE(RemoveTree(m_scratch.Path() + "e"));
    EXPECT_FALSE(m_scratch.Exists("e"));
}

TEST_F(TreeRemoval, AMissingFolderOrEmptyPathFailsAndTouchesNothing)
{
    m_scratch.MakeFile("here.txt");
    EXPECT_FALSE(RemoveTree(m_scratch.Path() + "missing\\"));

    {
        CurrentFolder current(m_scratch.Path());
        EXPECT_FALSE(RemoveTree(""));
    }
    EXPECT_TRUE(m_scratch.Exists("here.txt"));
}

TEST_F(TreeRemoval, HiddenAndSystemEntriesAreRemoved)
{
    SetFileAttributesA(m_scratch.MakeFile("t\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(m_scratch.MakeFile("t\\s.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    m_scratch.MakeFile("t\\.dot\\x.txt");
    SetFileAttributesA(m_scratch.MakeDir("t\\sysdir").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(RemoveTree(m_scratch.Path() + "t\\"));
    EXPECT_FALSE(m_scratch.Exists("t"));
}

TEST_P(TreeRemovalBothWays, AReadOnlyFileDeepInsideStaysWithItsAncestorsOnly)
{
    const Names all{ "t", "t\\top.txt", "t\\a", "t\\a\\y.txt", "t\\a\\b", "t\\a\\b\\ro.txt",
                     "t\\a\\b\\x.txt", "t\\a\\c", "t\\a\\c\\z.txt", "t\\d", "t\\d\\w.txt" };
    std::string readOnly = m_scratch.Path() + "t\\a\\b\\ro.txt";
    for (const std::string& r : all)
        if (r.find(".txt") != std::string::npos)
            m_scratch.MakeFile(r);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(RemoveTree(m_scratch.Path() + "t\\"));
    EXPECT_EQ((Names{ "t", "t\\a", "t\\a\\b", "t\\a\\b\\ro.txt" }), Surviving(all));
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY)
        << "no attribute is changed";
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_P(TreeRemovalBothWays, AFileHeldOpenStaysUnlessItsHolderAllowsDeletion)
{
    m_scratch.MakeFile("t\\other.txt");
    m_scratch.MakeFile("t\\sub\\inner.txt");
    std::string open = m_scratch.MakeFile("t\\open.txt");
    std::string shared = m_scratch.MakeFile("t\\shared.txt");
    HANDLE h = CreateFileA(open.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    HANDLE hShared = CreateFileA(shared.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                 OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hShared);
    BOOL bResult = RemoveTree(m_scratch.Path() + "t");
    CloseHandle(h);
    CloseHandle(hShared);
    EXPECT_FALSE(bResult);
    EXPECT_EQ((Names{ "t", "t\\open.txt" }),
              Surviving({ "t", "t\\open.txt", "t\\shared.txt", "t\\other.txt", "t\\sub",
                          "t\\sub\\inner.txt" }))
        << "the file whose holder allows deletion goes once it is let go";
    ForceRemoveTree(m_scratch.Path() + "t");
}

TEST_P(TreeRemovalBothWays, AFileHeldForAMomentIsTriedAgain)
{
    // An indexer or a virus scanner holds a file briefly, without delete sharing.
    m_scratch.MakeFile("t\\a.txt");
    std::string held = m_scratch.MakeFile("t\\sub\\held.txt");
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::thread holder([h] {
        Sleep(200);
        CloseHandle(h);
    });
    BOOL bResult = RemoveTree(m_scratch.Path() + "t");
    holder.join();
    EXPECT_TRUE(bResult);
    EXPECT_FALSE(m_scratch.Exists("t"));
    ForceRemoveTree(m_scratch.Path() + "t");
}

TEST_F(TreeRemoval, ABranchFiveHundredLevelsDeepGoesOnASmallStack)
{
    // A walk whose stack grows with the depth runs out here: about 64 KiB are left.
    std::wstring path = L"\\\\?\\" + Wide(m_scratch.Path()) + L"t";
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), NULL));
    for (int i = 0; i < 500; ++i) {
        path += L"\\d";
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), NULL)) << i;
    }
    m_scratch.MakeFile("t\\top.txt");
    HANDLE h = CreateFileW((path + L"\\deep.txt").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    BOOL bResult = FALSE;
    ASSERT_TRUE(RunOnSmallStack([&] { bResult = RemoveTree(m_scratch.Path() + "t"); }))
        << "the removal ran out of stack";
    EXPECT_TRUE(bResult);
    EXPECT_FALSE(m_scratch.Exists("t"));
}

// --- Links: nothing outside the given folder is ever touched ---------------------------

class LinkSafety : public TreeRemoval
{
protected:
    void SetUp() override
    {
        m_scratch.MakeDir("t");
        m_outside.MakeFile("keep.txt", "outside");
        m_outside.MakeDir("empty");
    }
    void TearDown() override
    {
        for (const char* link : { "t\\full", "t\\empty", "t\\file", "lfull", "lempty" })
            if (m_scratch.Exists(link))
                HostRemoveTree(m_scratch.Path() + link);   // on the host side a link goes as a link
    }
    void ExpectOutsideIntact()
    {
        EXPECT_EQ("outside", ReadText(m_outside.Path() + "keep.txt"));
        EXPECT_TRUE(m_outside.Exists("empty")) << "an empty target folder must survive";
    }
    bool Link(const std::string& target, const std::string& relative)
    {
        return MakeSymbolicLink(target, m_scratch.Path() + relative);
    }
    // TRUE where the system opens a folder link as the link itself (and so can remove it
    // without touching its target), asked of the system directly.
    static bool SystemOpensALinkAsItself(const std::string& link)
    {
        HANDLE h = CreateFileW(Wide(link).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION info;
        bool bLink = GetFileInformationByHandle(h, &info) &&
                     (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        CloseHandle(h);
        return bLink;
    }

    ScratchFolder m_outside;
};

TEST_F(LinkSafety, LinksInsideTheTreeAreNeverFollowed)
{
    m_scratch.MakeFile("t\\own.txt");
    if (!Link(m_outside.Path(), "t\\full"))
        GTEST_SKIP() << "no symbolic links on this system";
    if (!Link(m_outside.Path() + "empty", "t\\empty"))
        GTEST_SKIP() << "no symbolic links on this system";
    if (!Link(m_outside.Path() + "keep.txt", "t\\file"))
        GTEST_SKIP() << "no symbolic links on this system";

    bool bOpensLinks = SystemOpensALinkAsItself(m_scratch.Path() + "t\\full");
    BOOL bResult = RemoveTree(m_scratch.Path() + "t\\");
    ExpectOutsideIntact();
    EXPECT_FALSE(m_scratch.Exists("t\\own.txt"));
    bool bLinksLeft = m_scratch.Exists("t\\full") || m_scratch.Exists("t\\empty") || m_scratch.Exists("t\\file");
    if (bOpensLinks) {
        // Windows: a link goes as a link, and then the whole tree with it.
        EXPECT_FALSE(bLinksLeft);
        EXPECT_TRUE(bResult);
    } else {
        // Where a link can be reached only through its target (Wine), it stays, and so does t.
        EXPECT_EQ(!bLinksLeft, bResult != FALSE);
    }
}

TEST_F(LinkSafety, AGivenFolderThatIsALinkIsNotWalked)
{
    if (!Link(m_outside.Path(), "lfull"))
        GTEST_SKIP() << "no symbolic links on this system";
    if (!Link(m_outside.Path() + "empty", "lempty"))
        GTEST_SKIP() << "no symbolic links on this system";
    for (const char* given : { "lfull", "lfull\\", "lempty", "lempty\\" })
        RemoveTree(m_scratch.Path() + given);
    ExpectOutsideIntact();
}

TEST_F(LinkSafety, ATreeReachedThroughALinkedAncestorIsRemoved)
{
    // Only the entries below the given folder are checked for links, not the way to it.
    m_outside.MakeFile("tree\\a.txt");
    m_outside.MakeFile("tree\\sub\\b.txt");
    if (!Link(m_outside.Path(), "via"))
        GTEST_SKIP() << "no symbolic links on this system";
    EXPECT_TRUE(RemoveTree(m_scratch.Path() + "via\\tree\\"));
    EXPECT_FALSE(m_outside.Exists("tree"));
    ExpectOutsideIntact();
    HostRemoveTree(m_scratch.Path() + "via");
}

// --- A volume that answers as FAT32 and exFAT do -----------------------------------------

// Such a volume refuses FileAttributeTagInformation (it has no reparse points) and POSIX
// deletion with STATUS_INVALID_PARAMETER; this seam answers so on the host's volume.
class FatVolume : public LinkSafety, public RemovalWay
{
protected:
    void SetUp() override
    {
        LinkSafety::SetUp();
        RemovalCalls().pfnQueryInformationFile = QueryInformation;
        RemovalCalls().pfnSetInformationFile = SetInformation;
    }
    void TearDown() override
    {
        LinkSafety::TearDown();
    }
    static LONG NTAPI QueryInformation(HANDLE h, PIO_STATUS_BLOCK pio, PVOID p, ULONG cb, ULONG infoClass)
    {
        return infoClass == FileAttributeTagInformation ? NtStatus::kInvalidParameter
                                                         : CRemovalCallsGuard::System().pfnQueryInformationFile(h, pio, p, cb, infoClass);
    }
    static LONG NTAPI SetInformation(HANDLE h, PIO_STATUS_BLOCK pio, PVOID p, ULONG cb, ULONG infoClass)
    {
        return infoClass == static_cast<ULONG>(kFileDispositionInformationEx) ? NtStatus::kInvalidParameter
                                                          : CRemovalCallsGuard::System().pfnSetInformationFile(h, pio, p, cb, infoClass);
    }
    CRemovalCallsGuard m_guard;
};
KAVROST_BOTH_REMOVAL_WAYS(FatVolume);

TEST_P(FatVolume, ATreeGoesWholeAndALinkIsNeverFollowed)
{
    m_scratch.MakeFile("t\\u\\a.txt");
    SetFileAttributesA(m_scratch.MakeFile("t\\u\\sub\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    m_scratch.MakeDir("t\\u\\sub\\empty");
    EXPECT_TRUE(RemoveTree(m_scratch.Path() + "t\\u\\"));
    EXPECT_FALSE(m_scratch.Exists("t\\u"));
    if (!GetParam())
        return;   // without the check, Wine would follow the link: the volume in memory shows that way
    m_scratch.MakeFile("t\\own.txt");
    if (!Link(m_outside.Path(), "t\\full"))
        GTEST_SKIP() << "no symbolic links on this system";
    RemoveTree(m_scratch.Path() + "t");
    ExpectOutsideIntact();
    EXPECT_FALSE(m_scratch.Exists("t\\own.txt"));
}

// --- Links as Windows opens them ---------------------------------------------------------

// Wine opens what a link leads to even when asked for the link itself; here the walk runs
// over a volume in memory that opens a link as Windows does, as itself.
TEST_P(TreeRemovalBothWays, AsOnWindowsLinksGoAsLinksUnfollowedAndUnlisted)
{
    for (bool bPosix : { true, false }) {
        SCOPED_TRACE(bPosix ? "POSIX deletion" : "deletion at close");
        FakeVolume volume(bPosix);
        volume.AddFile(L"X:\\out\\keep.txt");
        volume.AddFile(L"X:\\out\\tree\\a.txt");
        volume.AddFile(L"X:\\t\\u\\own.txt");
        volume.AddFile(L"X:\\t\\u\\sub\\inner.txt");
        volume.AddLink(L"X:\\t\\u\\folder", L"X:\\out\\tree", kSymlinkTag);
        volume.AddLink(L"X:\\t\\u\\sub\\junction", L"X:\\out\\tree", kJunctionTag);
        volume.AddLink(L"X:\\t\\u\\sub\\file", L"X:\\out\\keep.txt", kSymlinkTag);
        volume.AddLink(L"X:\\t\\v", L"X:\\out\\tree", kJunctionTag);   // a folder to remove that is a link

        EXPECT_TRUE(RemoveTree("X:\\t\\u"));
        EXPECT_TRUE(RemoveTree("X:\\t\\v\\"));
        EXPECT_FALSE(volume.Exists(L"X:\\t\\u"));
        EXPECT_FALSE(volume.Exists(L"X:\\t\\v"));
        EXPECT_TRUE(volume.Exists(L"X:\\out\\keep.txt"));
        EXPECT_TRUE(volume.Exists(L"X:\\out\\tree\\a.txt"));
        EXPECT_EQ(std::vector<std::wstring>(), volume.Faults());
    }
}

// --- Long paths and names the system's path conversion would change -----------------

class ExactPaths : public TreeRemoval, public RemovalWay
{
protected:
    // A chain of folders below "t" whose deepest file's path is far beyond MAX_PATH, made
    // with the wide calls, which take such paths.
    std::wstring MakeDeepChain()
    {
        WCHAR szBase[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, m_scratch.Path().c_str(), -1, szBase, MAX_PATH);
        std::wstring path = std::wstring(L"\\\\?\\") + szBase + L"t";
        CreateDirectoryW(path.c_str(), NULL);
        for (int i = 0; i < 9; ++i) {
            path += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + i));
            if (!CreateDirectoryW(path.c_str(), NULL))
                return L"";
        }
        path += L"\\deep.txt";
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (h == INVALID_HANDLE_VALUE)
            return L"";
        CloseHandle(h);
        return path;
    }
    void TearDown() override { HostRemoveTree(m_scratch.Path() + "t"); }
};

TEST_P(ExactPaths, ABranchFarBeyondMaxPathIsRemovedCompletely)
{
    m_scratch.MakeFile("t\\short.txt");
    std::wstring deep = MakeDeepChain();
    ASSERT_FALSE(deep.empty()) << "the system takes long paths in the \\\\?\\ form";
    ASSERT_GT(deep.size(), 400u);
    EXPECT_TRUE(RemoveTree(m_scratch.Path() + "t\\"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(deep.c_str()));
    EXPECT_FALSE(m_scratch.Exists("t"));
}

TEST_P(ExactPaths, TrailingDotsAndBlanksAreNamesOfTheirOwn)
{
    // In the plain path form "a." and "a " would both name "a", and so would be left.
    const std::wstring t = L"\\\\?\\" + Wide(m_scratch.Path()) + L"t";
    ASSERT_TRUE(CreateDirectoryW(t.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryW((t + L"\\b.").c_str(), NULL));
    for (const wchar_t* name : { L"\\a.", L"\\a ", L"\\a", L"\\b.\\c ", L"\\b.\\c.." }) {
        HANDLE h = CreateFileW((t + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << Utf8(name);
        CloseHandle(h);
    }
    EXPECT_TRUE(RemoveTree(m_scratch.Path() + "t"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(t.c_str()));
}

TEST_P(ExactPaths, APathBeyondTheCompositionBoundIsNeverCut)
{
    // The padding "\." keeps naming the same folder: a path cut anywhere in it would
    // name t itself, which must not be touched.
    m_scratch.MakeFile("t\\victim.txt");
    std::string padded = m_scratch.Path() + "t";
    while (padded.size() < kMaxComposedPath + 10)
        padded += "\\.";
    padded += "\\gone";
    EXPECT_FALSE(RemoveTree(padded));
    EXPECT_FALSE(RemoveTree("\\\\?\\" + padded));
    EXPECT_TRUE(m_scratch.Exists("t\\victim.txt"));
}

KAVROST_BOTH_REMOVAL_WAYS(ExactPaths);

// --- The rules that decide whether an entry may be touched -----------------------------

TEST(EntryRules, NamesThatCanBeJoinedToAPath)
{
    for (const wchar_t* good : { L"anna", L"a.b", L".profile", L"..x", L"x.", L"\xFF3C", L"\x65E5\x672C" })
        EXPECT_TRUE(IsComposableName(good)) << Utf8(good);
    for (const wchar_t* bad : { L"", L".", L"..", L"a\\b", L"..\\x", L"a/b", L"c:x", L"*", L"a?", L"\"",
                                L"<", L">", L"|" })
        EXPECT_FALSE(IsComposableName(bad)) << Utf8(bad);
    EXPECT_FALSE(IsComposableName(NULL));
}

TEST(EntryRules, OnlyNameSurrogatesAndUntaggedReparsePointsAreLinks)
{
    const DWORD kDir = FILE_ATTRIBUTE_DIRECTORY, kFile = FILE_ATTRIBUTE_ARCHIVE,
                kReparse = FILE_ATTRIBUTE_REPARSE_POINT;
    struct { DWORD attributes; DWORD tag; bool link; const char* what; } cases[] = {
        { kDir, 0, false, "plain folder" },
        { kFile, 0, false, "plain file" },
        { kDir | kReparse, 0xA0000003, true, "junction" },
        { kDir | kReparse, 0xA000000C, true, "folder symbolic link" },
        { kFile | kReparse, 0xA000000C, true, "file symbolic link" },
        { kDir | kReparse, 0, true, "reparse point without a tag (a host link under Wine)" },
        { kDir | kReparse, 0x9000601A, false, "cloud-files placeholder folder" },
        { kDir | kReparse, 0x90001018, false, "container (WCI) folder" },
        { kDir | kReparse, 0x9000001C, false, "projected (ProjFS) folder" },
        { kFile | kReparse, 0x80000013, false, "deduplicated file" },
        { kDir, 0xA000000C, false, "a tag without the attribute" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.link, IsLinkEntry(c.attributes, c.tag) != FALSE) << c.what;
}

TEST(EntryRules, AHandleIsTheEntryOnlyWhereItsVolumeFolderAndNameResolveExactly)
{
    const CStringW folder(L"\\??\\D:\\u\\anna\\big");
    EXPECT_TRUE(IsEntryItself(L"\\??\\D:\\u\\anna\\big\\f1", folder, L"f1"));
    EXPECT_TRUE(IsEntryItself(L"\\??\\D:\\f1", L"\\??\\D:\\", L"f1")) << "an entry of a volume's root";
    EXPECT_FALSE(IsEntryItself(L"\\??\\E:\\u\\anna\\big\\f1", folder, L"f1")) << "the same path on another volume";
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\bert\\big\\f1", folder, L"f1")) << "a swapped folder";
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\anna\\BIG\\f1", folder, L"f1")) << "another folder on a host";
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\anna\\big\\f1\\x", folder, L"f1")) << "a link's target below";
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\anna\\bigf1", folder, L"f1"));
    EXPECT_FALSE(IsEntryItself(L"", folder, L"f1"));
    // Wine names a handle without the trailing dots and blanks of its name.
    EXPECT_TRUE(IsEntryItself(L"\\??\\D:\\u\\anna\\big\\f1", folder, L"f1. ."));
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\anna\\big\\f1", folder, L"f1.x"));
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\anna\\big\\f1.", folder, L"f1"));
    EXPECT_FALSE(IsEntryItself(L"\\??\\D:\\u\\anna\\big\\", folder, L"..."));
}

// --- A tree that changes while it is removed --------------------------------------------

class ChangingTree : public TreeRemoval
{
protected:
    static constexpr int kFiles = 3000;

    void TearDown() override
    {
        HostRemoveTree(m_scratch.Path() + "t");   // the link goes as a link
    }
    // The names of a folder, in the order the system lists them.
    static std::vector<std::string> Listed(const std::string& folder)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((L"\\\\?\\" + Wide(folder) + L"\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
                names.push_back(Utf8(fd.cFileName));
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    }
    // Fills a folder with the files f0 ... f2999 from the host's side.
    static bool Fill(const std::string& folder)
    {
        CreateDirectoryW(Wide(folder).c_str(), NULL);
        std::string host = HostPath(folder);
        return !host.empty() &&
               RunHostShell("cd " + ShellQuoted(host) + " && i=0; while [ $i -lt " +
                            std::to_string(kFiles) + " ]; do echo v > f$i; i=$((i+1)); done") &&
               Listed(folder).size() == kFiles;
    }
    // Removes t while a watcher, as soon as the first file of t\big is gone, renames
    // t\big and puts a host link to target in its place. TRUE when the swap came while
    // the last file of t\big was still there. (The removal holds t\big open for deletion,
    // so the watcher cannot list it meanwhile; it looks at single files.)
    bool RemoveWhileSwapping(const std::string& target)
    {
        std::string big = m_scratch.Path() + "t\\big";
        std::vector<std::string> names = Listed(big);
        std::atomic<bool> removing(true);
        std::atomic<bool> swappedWithFilesLeft(false);
        std::thread watcher([&] {
            while (removing) {
                if (!m_scratch.Exists("t\\big\\" + names.front())) {
                    bool bLeft = m_scratch.Exists("t\\big\\" + names.back());
                    if (SwapForLink(big, target))
                        swappedWithFilesLeft = bLeft;
                    return;
                }
            }
        });
        RemoveTree(m_scratch.Path() + "t\\");
        removing = false;
        watcher.join();
        return swappedWithFilesLeft;
    }
};

TEST_F(ChangingTree, AFolderSwappedForALinkDuringTheRemovalLeadsNowhere)
{
    if (HostPath(m_scratch.Path()).empty())
        GTEST_SKIP() << "no host side to swap the folder from";
    ScratchFolder outside;
    struct { std::string target; const char* what; } targets[] = {
        { outside.Path() + "tree", "a tree outside" },
        { m_scratch.Path() + "bert", "another user's folder" },
    };
    for (const auto& c : targets) {
        SCOPED_TRACE(c.what);
        m_scratch.MakeDir("t");
        ASSERT_TRUE(Fill(m_scratch.Path() + "t\\big"));
        ASSERT_TRUE(Fill(c.target));
        ASSERT_TRUE(RemoveWhileSwapping(c.target))
            << "the swap must come while files are left, or the race proves nothing";
        EXPECT_EQ(kFiles, Listed(c.target).size()) << "every file of the other tree is there";
        EXPECT_EQ("v\n", ReadText(c.target + "\\f0"));
        HostRemoveTree(m_scratch.Path() + "t");
    }
}
