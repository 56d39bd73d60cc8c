#include "product/UserRemoval.h"

#include "product/UserFolders.h"

#include "fs_test_support.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kUserKey[] = "Software\\dabro\\User";
const char kDirectories[] = "Software\\dabro\\Tessaline\\1.0\\Directories";

std::string Key(const std::string& name)
{
    return std::string(kUserKey) + "\\" + name;
}

// An installation with the users anna, _guest and bob: folders under the
// installation and agency folders with nested content, and registry keys.
class UserRemovalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_strSavedInstall = g_strInstallPath;
        m_install = m_root.MakeDir("Install");
        m_agency = m_root.MakeDir("Agency");
        g_strInstallPath = m_install.c_str();
        ScratchRegistry::SetString(kDirectories, "Agency", m_agency.c_str());
        for (const char* name : { "anna", "_guest", "bob" })
            SeedUser(name);
    }

    void TearDown() override { g_strInstallPath = m_strSavedInstall; }

    void SeedUser(const std::string& name)
    {
        m_root.MakeFile("Install\\User\\" + name + "\\rooms\\r1\\room.dat");
        m_root.MakeFile("Install\\User\\" + name + "\\profile.ini");
        std::string hidden = m_root.MakeFile("Install\\User\\" + name + "\\rooms\\.hidden");
        SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
        m_root.MakeFile("Agency\\USER_SPC\\" + name + "\\spc\\a.bin");
        ScratchRegistry::SetString((Key(name) + "\\Rooms\\r1").c_str(), "Title", "x");
        ScratchRegistry::SetString(Key(name).c_str(), "Name", name.c_str());
    }

    bool UserFolderExists(const std::string& name) const
    {
        return m_root.Exists("Install\\User\\" + name);
    }
    bool AgencyFolderExists(const std::string& name) const
    {
        return m_root.Exists("Agency\\USER_SPC\\" + name);
    }

    void ExpectUserIntact(const std::string& name)
    {
        SCOPED_TRACE("user " + name);
        EXPECT_TRUE(m_root.Exists("Install\\User\\" + name + "\\rooms\\r1\\room.dat"));
        EXPECT_TRUE(m_root.Exists("Agency\\USER_SPC\\" + name + "\\spc\\a.bin"));
        EXPECT_TRUE(ScratchRegistry::KeyExists((Key(name) + "\\Rooms\\r1").c_str()));
    }

    void ExpectUserGone(const std::string& name)
    {
        SCOPED_TRACE("user " + name);
        EXPECT_FALSE(UserFolderExists(name));
        EXPECT_FALSE(AgencyFolderExists(name));
        EXPECT_FALSE(ScratchRegistry::KeyExists(Key(name).c_str()));
    }

    ScratchRegistry m_registry;
    ScratchFolder m_root;
    std::string m_install;
    std::string m_agency;
    CString m_strSavedInstall;
};

// Removes the user named in UTF-8.
RemoveUserResult Remove(const std::string& name)
{
    return RemoveUser(Wide(name).c_str());
}

std::vector<std::string> ListedUsers()
{
    CStringArrayW arr;
    ListUsers(arr, TRUE, TRUE);
    std::vector<std::string> names;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        names.push_back(Narrow(arr[i]));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class RemoveUserLocations : public UserRemovalTest {};
class RemoveUserMissingParts : public UserRemovalTest {};
class RemoveUserBadNames : public UserRemovalTest {};
class RemoveUserBaseFolders : public UserRemovalTest {};
class RemoveUserSurvivors : public UserRemovalTest {};

TEST_F(RemoveUserLocations, AllThreeGoAndSiblingsStay)
{
    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    ExpectUserGone("anna");
    ExpectUserIntact("_guest");
    ExpectUserIntact("bob");
    EXPECT_TRUE(ScratchRegistry::KeyExists(kUserKey));
    EXPECT_EQ((std::vector<std::string>{ "_guest", "bob" }), ListedUsers());
}

TEST_F(RemoveUserLocations, UnderscoreUserIsRemovedTheSameWay)
{
    EXPECT_EQ(RemoveUserDone, Remove("_guest"));
    ExpectUserGone("_guest");
    ExpectUserIntact("anna");
    ExpectUserIntact("bob");
}

TEST_F(RemoveUserMissingParts, NoAgencyFolderStillRemovesTheRest)
{
    ForceRemoveTree(m_agency + "USER_SPC\\anna");
    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    ExpectUserGone("anna");
    ExpectUserIntact("bob");
}

TEST_F(RemoveUserMissingParts, MissingUserKeyIsSilent)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, Key("anna").c_str());
    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    ExpectUserGone("anna");
    ExpectUserIntact("bob");
}

TEST_F(RemoveUserMissingParts, MissingUserRootKeyIsReportedAfterTheFolders)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
    EXPECT_EQ(RemoveUserNoUserKey, Remove("anna"));
    EXPECT_FALSE(UserFolderExists("anna"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(kUserKey)) << "no key is created";
    EXPECT_TRUE(UserFolderExists("bob"));
}

TEST_F(RemoveUserBadNames, NothingIsTouched)
{
    // "anna." and "anna " would name the folder anna on Windows; an empty name
    // would delete every user's key.
    const char* bad[] = { "", ".", "..", "anna.", "anna ", "an\\na", "an/na", "an:na", "*",
                          "ann?", "an\"na", "<anna", "anna>", "an|na", "..\\User" };
    for (const char* name : bad) {
        SCOPED_TRACE(std::string("name '") + name + "'");
        EXPECT_EQ(RemoveUserBadName, Remove(name));
        EXPECT_FALSE(IsValidUserName(Wide(name).c_str()));
        ExpectUserIntact("anna");
        ExpectUserIntact("bob");
        ExpectUserIntact("_guest");
    }
    EXPECT_EQ(RemoveUserBadName, RemoveUser(NULL));
    for (const char* good : { "anna", "_", "a.b", "x y", ".cfg" })
        EXPECT_TRUE(IsValidUserName(Wide(good).c_str())) << good;
}

TEST_F(RemoveUserBaseFolders, AbsoluteFolderForms)
{
    for (const char* good : { "C:\\", "c:\\data\\", "D:/x/", "\\\\server\\share\\" })
        EXPECT_TRUE(IsAbsoluteFolder(good)) << good;
    for (const char* bad : { "", "C:", "C:data\\", "\\data\\", "data\\", "\\\\", "\\\\\\x",
                             "1:\\" })
        EXPECT_FALSE(IsAbsoluteFolder(bad)) << bad;
    EXPECT_FALSE(IsAbsoluteFolder(NULL));
}

TEST_F(RemoveUserBaseFolders, EmptyOrRelativeAgencyLeavesTheCurrentFolderAlone)
{
    ScratchFolder cwd;
    cwd.MakeFile("USER_SPC\\anna\\keep.txt");
    cwd.MakeFile("rel\\USER_SPC\\bob\\keep.txt");
    char szSaved[MAX_PATH];
    GetCurrentDirectoryA(sizeof(szSaved), szSaved);
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.Path().c_str()));

    ScratchRegistry::SetString(kDirectories, "Agency", "");
    RemoveUserResult r1 = Remove("anna");
    ScratchRegistry::SetString(kDirectories, "Agency", "rel\\");
    RemoveUserResult r2 = Remove("bob");
    SetCurrentDirectoryA(szSaved);

    EXPECT_EQ(RemoveUserDone, r1);
    EXPECT_EQ(RemoveUserDone, r2);
    EXPECT_TRUE(cwd.Exists("USER_SPC\\anna\\keep.txt"));
    EXPECT_TRUE(cwd.Exists("rel\\USER_SPC\\bob\\keep.txt"));
    // The other locations are still handled.
    EXPECT_FALSE(UserFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("anna").c_str()));
    EXPECT_FALSE(UserFolderExists("bob"));
    EXPECT_TRUE(AgencyFolderExists("anna")) << "the agency setting no longer names it";
}

TEST_F(RemoveUserBaseFolders, RelativeInstallFolderIsSkipped)
{
    ScratchFolder cwd;
    cwd.MakeFile("User\\anna\\keep.txt");
    char szSaved[MAX_PATH];
    GetCurrentDirectoryA(sizeof(szSaved), szSaved);
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.Path().c_str()));
    g_strInstallPath = "";
    RemoveUserResult r = Remove("anna");
    SetCurrentDirectoryA(szSaved);
    EXPECT_EQ(RemoveUserDone, r);
    EXPECT_TRUE(cwd.Exists("User\\anna\\keep.txt"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
}

TEST_F(RemoveUserBaseFolders, OverlongPathIsSkippedNotCut)
{
    // The user folder's path fits, the agency folder's does not: the agency folder
    // is skipped, and no folder named by the cut path is removed in its place.
    std::string agency = m_root.MakeDir("AgencyWithAMuchLongerName");
    ScratchRegistry::SetString(kDirectories, "Agency", agency.c_str());
    std::string name(MAX_PATH - m_install.size() - 10, 'n');
    ASSERT_LT(m_install.size() + 5 + name.size() + 1, static_cast<size_t>(MAX_PATH));
    size_t fit = MAX_PATH - 1 - agency.size() - 9;
    ASSERT_LT(fit, name.size());
    m_root.MakeDir("Install\\User\\" + name);
    std::string cut = agency + "USER_SPC\\" + name.substr(0, fit);
    CreateDirectoryA((agency + "USER_SPC").c_str(), NULL);
    ASSERT_TRUE(CreateDirectoryA(cut.c_str(), NULL));

    EXPECT_EQ(RemoveUserDone, Remove(name));
    EXPECT_FALSE(UserFolderExists(name));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cut.c_str()));
}

TEST_F(RemoveUserSurvivors, ReadOnlyFileKeepsItsAncestorsAndTheUserListed)
{
    std::string locked = m_root.MakeFile("Install\\User\\anna\\rooms\\r2\\locked.dat");
    m_root.MakeFile("Install\\User\\anna\\rooms\\r2\\free.dat");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(RemoveUserDone, Remove("anna"));

    EXPECT_TRUE(m_root.Exists("Install\\User\\anna\\rooms\\r2\\locked.dat"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\rooms\\r2\\free.dat"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\rooms\\r1"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\profile.ini"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\rooms\\.hidden"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("anna").c_str()));
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob" }), ListedUsers());
}

TEST_F(RemoveUserSurvivors, LinkedFolderTargetSurvives)
{
    ScratchFolder outside;
    outside.MakeFile("precious\\data.txt", "keep me");
    if (!MakeSymbolicLink(outside.Path() + "precious",
                          m_install + "User\\anna\\rooms\\link"))
        GTEST_SKIP() << "no folder link can be made here";

    Remove("anna");

    EXPECT_EQ("keep me", ReadText(outside.Path() + "precious\\data.txt"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\profile.ini"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    HostRemoveTree(m_install + "User\\anna");
}
