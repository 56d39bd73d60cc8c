// The file scanner: path helpers, attribute filters, listings and the recursive collection.
#include "fs/FileScanner.h"

#include <memory>

#include "support/HostShell.h"
#include "support/Scratch.h"

using Names = std::vector<std::string>;

// --- Path helpers ---------------------------------------------------------------------

TEST(PathHelpers, JoinPathAddsASeparatorOnlyWhereOneIsMissing)
{
    struct { const char* folder; const char* name; const char* expected; } cases[] = {
        { "", "x", "x" },
        { "C:\\a", "x", "C:\\a\\x" },
        { "C:\\a\\", "x", "C:\\a\\x" },
        { "C:\\a/", "x", "C:\\a/x" },
        { "C:", "x", "C:\\x" },
        { "a", "*.*", "a\\*.*" },
    };
    CFileScanner scanner;
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Utf8(scanner.JoinPath(Wide(c.folder).c_str(), Wide(c.name).c_str()))) << c.folder << " + " << c.name;
}

TEST(PathHelpers, FileNameOfTakesWhatFollowsTheLastSeparator)
{
    struct { const char* path; const char* expected; } cases[] = {
        { "a\\b/c", "c" }, { "a/b\\c", "c" }, { "abc", "abc" }, { "a\\b\\", "" },
        { "", "" }, { "C:\\a\\*.*", "*.*" }, { "C:b.txt", "C:b.txt" },
    };
    CFileScanner scanner;
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Utf8(scanner.FileNameOf(Wide(c.path).c_str()))) << c.path;
}

TEST(PathHelpers, DirectoryOfKeepsTheSeparatorAndOptionallyTheDrive)
{
    struct { const char* path; BOOL bKeepDrive; const char* expected; } cases[] = {
        { "C:\\a\\b.txt", TRUE, "C:\\a\\" },
        { "C:\\a\\b.txt", FALSE, "\\a\\" },
        { "b.txt", TRUE, "" },
        { "b.txt", FALSE, "" },
        { "C:b.txt", TRUE, "" },
        { "C:b.txt", FALSE, "" },
        { "a/b\\c/d", TRUE, "a/b\\c/" },
        { "\\\\srv\\share\\f", FALSE, "\\\\srv\\share\\" },
    };
    CFileScanner scanner;
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Utf8(scanner.DirectoryOf(Wide(c.path).c_str(), c.bKeepDrive)))
            << c.path << " keep drive " << c.bKeepDrive;
}

// --- Attribute filters ----------------------------------------------------------------

class ScannerFilters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_scratch.MakeFile("plain.txt");
        SetFileAttributesA(m_scratch.MakeFile("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA(m_scratch.MakeFile("system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
        SetFileAttributesA(m_scratch.MakeFile("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        m_scratch.MakeDir("sub");
    }
    void TearDown() override
    {
        SetFileAttributesA((m_scratch.Path() + "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    Names List(int nFilter)
    {
        CFileScanner scanner;
        CStringListW list;
        scanner.ListEntries(Wide(m_scratch.Path() + "*.*").c_str(), nFilter, list);
        Names names;
        for (const std::string& path : Sorted(&list))
            names.push_back(path.substr(m_scratch.Path().size()));
        return names;
    }

    ScratchFolder m_scratch;
};

TEST_F(ScannerFilters, ZeroAndNormalSelectPlainFilesReadOnlyIncluded)
{
    EXPECT_EQ((Names{ "plain.txt", "readonly.txt" }), List(0));
    EXPECT_EQ((Names{ "plain.txt", "readonly.txt" }), List(FILE_ATTRIBUTE_NORMAL));
}

TEST_F(ScannerFilters, MinusOneSelectsEveryEntry)
{
    EXPECT_EQ((Names{ "hidden.txt", "plain.txt", "readonly.txt", "sub", "system.txt" }), List(-1));
}

TEST_F(ScannerFilters, OtherValuesSelectBySharedBits)
{
    EXPECT_EQ((Names{ "sub" }), List(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ((Names{ "hidden.txt", "system.txt" }), List(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ((Names{ "readonly.txt" }), List(FILE_ATTRIBUTE_READONLY));
}

TEST_F(ScannerFilters, FindEntryReportsAFilteredEntryAsReadWithEmptyName)
{
    CFileScanner scanner;
    CStringW strName(L"stale");
    EXPECT_TRUE(scanner.FindEntry(strName, Wide(m_scratch.Path() + "hidden.txt").c_str(), 0));
    EXPECT_STREQ(L"", strName);
    EXPECT_TRUE(scanner.FindEntry(strName, Wide(m_scratch.Path() + "hidden.txt").c_str(), -1));
    EXPECT_STREQ(L"hidden.txt", strName);
    EXPECT_FALSE(scanner.FindEntry(strName, CStringW(), -1));   // the search has no second entry
    EXPECT_STREQ(L"", strName);
    EXPECT_FALSE(scanner.FindEntry(strName, Wide(m_scratch.Path() + "absent.txt").c_str(), -1));
}

TEST_F(ScannerFilters, NextEntrySkipsRefusedEntriesAndRestoresTheErrorMode)
{
    UINT uBefore = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    CFileScanner scanner;
    Names names;
    CStringW strName;
    for (BOOL bFound = scanner.NextEntry(strName, Wide(m_scratch.Path() + "*.*").c_str(), FILE_ATTRIBUTE_DIRECTORY);
         bFound; bFound = scanner.NextEntry(strName, CStringW(), FILE_ATTRIBUTE_DIRECTORY))
        names.push_back(Utf8(strName));
    EXPECT_TRUE(strName.IsEmpty()) << "the end of the search leaves the name empty";
    std::sort(names.begin(), names.end());
    EXPECT_EQ((Names{ ".", "..", "sub" }), names);
    EXPECT_EQ(static_cast<UINT>(SEM_NOGPFAULTERRORBOX), SetErrorMode(uBefore));
}

// --- Listings -------------------------------------------------------------------------

class ScannerListing : public ::testing::Test
{
protected:
    ScratchFolder m_scratch;
    CFileScanner m_scanner;
};

TEST_F(ScannerListing, DotEntriesAreNeverListedButDotNamesAre)
{
    m_scratch.MakeFile(".profile");
    m_scratch.MakeFile("..x");
    m_scratch.MakeDir(".hiddendir");
    CStringListW entries;
    m_scanner.ListEntries(Wide(m_scratch.Path() + "*.*").c_str(), -1, entries);
    EXPECT_EQ((Names{ m_scratch.Path() + "..x", m_scratch.Path() + ".hiddendir", m_scratch.Path() + ".profile" }),
              Sorted(&entries));
    CStringListW folders;
    m_scanner.ListDirectories(Wide(m_scratch.Path()).c_str(), FALSE, folders);
    EXPECT_EQ((Names{ ".hiddendir" }), Sorted(&folders));
}

TEST_F(ScannerListing, ListDirectoriesIsTheSameWithOrWithoutTrailingSeparator)
{
    m_scratch.MakeDir("a\\one");
    m_scratch.MakeDir("a\\two");
    m_scratch.MakeFile("a\\file.txt");
    std::string folder = m_scratch.Path() + "a";
    Names expected{ folder + "\\one", folder + "\\two" };
    for (const std::string& given : { folder, folder + "\\" }) {
        CStringListW list;
        m_scanner.ListDirectories(Wide(given).c_str(), TRUE, list);
        EXPECT_EQ(expected, Sorted(&list)) << given;
    }
    CStringListW slash;
    m_scanner.ListDirectories(Wide(folder + "/").c_str(), TRUE, slash);
    EXPECT_EQ((Names{ folder + "/one", folder + "/two" }), Sorted(&slash));
    CStringListW names;
    m_scanner.ListDirectories(Wide(folder).c_str(), FALSE, names);
    EXPECT_EQ((Names{ "one", "two" }), Sorted(&names));
}

TEST_F(ScannerListing, AMissingFolderGivesEmptyLists)
{
    std::string missing = m_scratch.Path() + "missing";
    CStringListW folders;
    m_scanner.ListDirectories(Wide(missing).c_str(), TRUE, folders);
    CStringListW entries;
    m_scanner.ListEntries(Wide(missing + "\\*.*").c_str(), -1, entries);
    CStringListW files;
    m_scanner.CollectFiles(Wide(missing + "\\*.*").c_str(), -1, TRUE, files);
    EXPECT_TRUE(folders.IsEmpty());
    EXPECT_TRUE(entries.IsEmpty());
    EXPECT_TRUE(files.IsEmpty());
}

TEST_F(ScannerListing, APatternWithoutFolderPartGivesBareNames)
{
    m_scratch.MakeFile("one.txt");
    char szPrevious[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, szPrevious);
    ASSERT_TRUE(SetCurrentDirectoryA(m_scratch.Path().c_str()));
    CStringListW list;
    m_scanner.ListEntries(L"*.txt", -1, list);
    SetCurrentDirectoryA(szPrevious);
    EXPECT_EQ((Names{ "one.txt" }), ToVector(&list));
}

TEST_F(ScannerListing, CollectFilesGoesDepthFirstParentsFirst)
{
    // Each folder holds one file and at most one subfolder, so the order is fixed
    // whatever order the system's search returns.
    m_scratch.MakeFile("t\\f0.txt");
    m_scratch.MakeFile("t\\a\\f1.txt");
    m_scratch.MakeFile("t\\a\\b\\f2.txt");
    m_scratch.MakeDir("t\\a\\b\\c");
    std::string t = m_scratch.Path() + "t\\";
    CStringListW list;
    m_scanner.CollectFiles(Wide(t + "*.txt").c_str(), -1, TRUE, list);
    EXPECT_EQ((Names{ t + "f0.txt", t + "a\\f1.txt", t + "a\\b\\f2.txt" }), ToVector(&list));

    // Two sibling subtrees: each is complete before the next begins.
    m_scratch.MakeFile("t\\z\\f3.txt");
    m_scratch.MakeFile("t\\z\\y\\f4.txt");
    list.RemoveAll();
    m_scanner.CollectFiles(Wide(t + "*.*").c_str(), 0, TRUE, list);
    Names got = ToVector(&list);
    ASSERT_EQ(5u, got.size());
    EXPECT_EQ(t + "f0.txt", got[0]);
    Names aTree{ t + "a\\f1.txt", t + "a\\b\\f2.txt" }, zTree{ t + "z\\f3.txt", t + "z\\y\\f4.txt" };
    Names rest(got.begin() + 1, got.end());
    Names az = aTree, za = zTree;
    az.insert(az.end(), zTree.begin(), zTree.end());
    za.insert(za.end(), aTree.begin(), aTree.end());
    EXPECT_TRUE(rest == az || rest == za) << "order: " << ::testing::PrintToString(got);
}

TEST_F(ScannerListing, CollectFilesAppendsToTheListAndDescendsIntoHiddenFolders)
{
    m_scratch.MakeFile("t\\.hidden\\inner.txt");
    SetFileAttributesA((m_scratch.Path() + "t\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    CStringListW list;
    list.AddTail(L"first");
    m_scanner.CollectFiles(Wide(m_scratch.Path() + "t\\*.*").c_str(), 0, TRUE, list);
    EXPECT_EQ((Names{ "first", m_scratch.Path() + "t\\.hidden\\inner.txt" }), ToVector(&list));
}

TEST_F(ScannerListing, CollectFilesDoesNotDescendIntoAFolderLink)
{
    ScratchFolder outside;
    outside.MakeFile("secret.txt");
    m_scratch.MakeFile("t\\own.txt");
    if (!MakeSymbolicLink(outside.Path(), m_scratch.Path() + "t\\link"))
        GTEST_SKIP() << "no symbolic links on this system";
    CStringListW list;
    m_scanner.CollectFiles(Wide(m_scratch.Path() + "t\\*.txt").c_str(), -1, TRUE, list);
    EXPECT_EQ((Names{ m_scratch.Path() + "t\\own.txt" }), ToVector(&list));
    HostRemoveTree(m_scratch.Path() + "t\\link");
}
