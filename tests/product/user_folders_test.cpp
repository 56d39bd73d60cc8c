#include "product/UserFolders.h"

#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An installation folder with the user folder "User\" below it.
class UserFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_strInstallPath = Wide(m_install.Path()).c_str();
        m_install.MakeDir("User");
    }

    // Lists the users of the installation folder through its users' folder, held as the
    // program holds it.
    int List(CStringArrayW& arr, BOOL bPlain, BOOL bUnderscore)
    {
        arr.SetAtGrow(0, L"stale");   // must be emptied first
        CHeldFolder users;
        users.OpenByPath(m_strInstallPath + L"User");
        return ListUsers(users, arr, bPlain, bUnderscore);
    }
    // Lists the subfolders of the folder at path, held.
    static BOOL ListIn(const std::string& path, CStringArrayW& arr)
    {
        CHeldFolder folder;
        folder.OpenByPath(Wide(path).c_str());
        return ListSubdirectories(folder, arr);
    }

    ScratchFolder m_install;
    CStringW m_strInstallPath;
};

} // namespace

class ListUsersFilters : public UserFolderTest {};
class ListSubdirectoriesEntries : public UserFolderTest {};
class ListUsersLocations : public UserFolderTest {};

TEST_F(ListUsersFilters, EachFlagSelectsItsGroup)
{
    m_install.MakeDir("User\\anna");
    m_install.MakeDir("User\\_guest");
    m_install.MakeDir("User\\_");

    CStringArrayW arr;
    EXPECT_EQ(3, List(arr, TRUE, TRUE));
    EXPECT_EQ((std::vector<std::string>{ "_", "_guest", "anna" }), Sorted(ArrayNames(arr)));

    EXPECT_EQ(1, List(arr, TRUE, FALSE));
    EXPECT_EQ((std::vector<std::string>{ "anna" }), ArrayNames(arr));

    EXPECT_EQ(2, List(arr, FALSE, TRUE));
    EXPECT_EQ((std::vector<std::string>{ "_", "_guest" }), Sorted(ArrayNames(arr)))
        << "a folder named '_' begins with '_'";
    EXPECT_EQ(2, arr.GetSize());
}

TEST_F(ListUsersFilters, BothFlagsOffSearchesNothing)
{
    m_install.MakeDir("User\\anna");
    m_strInstallPath = L"Q:\\no\\such\\drive\\";   // a search would find nothing either way
    CStringArrayW arr;
    EXPECT_EQ(0, List(arr, FALSE, FALSE));
    EXPECT_EQ(0, arr.GetSize());
}

TEST_F(ListSubdirectoriesEntries, OnlyFoldersWithoutADot)
{
    m_install.MakeDir("User\\anna");
    m_install.MakeFile("User\\carl", "a file, not a user");
    m_install.MakeFile("User\\notes.txt");
    m_install.MakeDir("User\\anna.old");
    m_install.MakeDir("User\\.cfg");
    m_install.MakeDir("User\\..x");
    m_install.MakeDir("User\\bob");
    SetFileAttributesA((m_install.Path() + "User\\bob").c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    m_install.MakeDir("User\\sys");
    SetFileAttributesA((m_install.Path() + "User\\sys").c_str(),
                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);

    CStringArrayW arr;
    arr.SetAtGrow(0, L"stale");
    EXPECT_TRUE(ListIn(m_install.Path() + "User\\", arr));
    EXPECT_EQ((std::vector<std::string>{ "anna", "bob", "sys" }), Sorted(ArrayNames(arr)))
        << "hidden and system folders count; files, dotted names, '.' and '..' do not";
}

TEST_F(ListSubdirectoriesEntries, MissingAndEmptyFoldersGiveAnEmptyListAndTrue)
{
    CStringArrayW arr;
    arr.SetAtGrow(0, L"stale");
    EXPECT_TRUE(ListIn(m_install.Path() + "missing\\", arr));
    EXPECT_EQ(0, arr.GetSize());
    EXPECT_TRUE(ListIn(m_install.Path() + "User\\", arr));
    EXPECT_EQ(0, arr.GetSize());
}

TEST_F(ListSubdirectoriesEntries, OverlongFolderSearchesNothing)
{
    // A folder whose pattern would not fit: nothing is listed, and in particular
    // not the shorter folder that a cut pattern would name.
    m_install.MakeDir("User\\anna");
    std::string folder = m_install.Path() + "User\\";
    while (folder.size() < MAX_PATH - 1)
        folder += "x";
    CStringArrayW arr;
    EXPECT_TRUE(ListIn(folder, arr));
    EXPECT_EQ(0, arr.GetSize());

    std::string install = m_install.Path() + std::string(MAX_PATH, 'y') + "\\";
    m_strInstallPath = Wide(install).c_str();
    EXPECT_EQ(0, List(arr, TRUE, TRUE));
}

TEST_F(ListUsersLocations, MissingUserFolderGivesZero)
{
    ForceRemoveTree(m_install.Path() + "User");
    CStringArrayW arr;
    EXPECT_EQ(0, List(arr, TRUE, TRUE));
    EXPECT_EQ(0, arr.GetSize());
}

TEST_F(ListUsersLocations, EmptyInstallPathSearchesUserBelowTheCurrentFolder)
{
    m_install.MakeDir("User\\zoe");
    CurrentFolder current(m_install.Path());
    m_strInstallPath = L"";
    CStringArrayW arr;
    EXPECT_EQ(1, List(arr, TRUE, TRUE));
    EXPECT_EQ((std::vector<std::string>{ "zoe" }), ArrayNames(arr));
}
