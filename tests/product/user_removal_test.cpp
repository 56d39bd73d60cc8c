#include "product/UserRemoval.h"

#include "product/Settings.h"
#include "product/UserFolders.h"

#include "fs/fake_volume.h"
#include "support/HostShell.h"
#include "support/RemovalWays.h"
#include "support/Scratch.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <thread>
#include <vector>

// What a removal came to, as the dialog shows it: done, the notice, "Couldn't open reg
// key!", or both boxes.
const RemoveUserResult RemoveUserDone = { TRUE, TRUE };
const RemoveUserResult RemoveUserIncomplete = { FALSE, TRUE };
const RemoveUserResult RemoveUserBadName = RemoveUserIncomplete;
const RemoveUserResult RemoveUserNoUserKey = { TRUE, FALSE };

bool operator==(const RemoveUserResult& a, const RemoveUserResult& b)
{
    return !a.bComplete == !b.bComplete && !a.bUsersKeyOpened == !b.bUsersKeyOpened;
}
RemoveUserResult operator|(const RemoveUserResult& a, const RemoveUserResult& b)
{
    return { a.bComplete && b.bComplete, a.bUsersKeyOpened && b.bUsersKeyOpened };
}

namespace {

const char kUserKey[] = KAVROST_USERS_KEY;

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
        m_install = m_root.MakeDir("Install");
        m_agency = m_root.MakeDir("Agency");
        SetFolder("PathName", m_install);
        SetFolder("Agency", m_agency);
        for (const char* name : { "anna", "_guest", "bob" })
            SeedUser(name);
    }

    void SeedUser(const std::string& name)
    {
        m_root.MakeFile("Install\\User\\" + name + "\\rooms\\r1\\room.dat");
        m_root.MakeFile("Install\\User\\" + name + "\\profile.ini");
        std::string hidden = m_root.MakeFile("Install\\User\\" + name + "\\rooms\\.hidden");
        SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
        m_root.MakeFile("Agency\\USER_SPC\\" + name + "\\spc\\a.bin");
        ScratchRegistry::SetString(Key(name) + "\\Rooms\\r1", "Title", "x");
        ScratchRegistry::SetString(Key(name), "Name", name);
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
        EXPECT_TRUE(ScratchRegistry::KeyExists(Key(name) + "\\Rooms\\r1"));
    }

    void ExpectUserGone(const std::string& name)
    {
        SCOPED_TRACE("user " + name);
        EXPECT_FALSE(UserFolderExists(name));
        EXPECT_FALSE(AgencyFolderExists(name));
        EXPECT_FALSE(ScratchRegistry::KeyExists(Key(name)));
    }

    ScratchRegistry m_registry;
    ScratchFolder m_root;
    std::string m_install;
    std::string m_agency;
    // Reads the list as the dialog does, holding the folders it was read from.
    std::vector<std::string> ListedUsers()
    {
        CStringArrayW arr;
        ReadListedUsers(m_listed, arr);
        return Sorted(ArrayNames(arr));
    }
    // Removes the user named in UTF-8 from the folders listed last, and looks for it where
    // the settings name them now.
    RemoveUserResult RemoveListed(const std::string& name)
    {
        return RemoveUser(m_listed, Wide(name).c_str());
    }
    // Reads the list, then removes the user, as Delete! does.
    RemoveUserResult Remove(const std::string& name)
    {
        ListedUsers();
        return RemoveListed(name);
    }

    // Sets the installation ("PathName") or the agency folder ("Agency") in the settings.
    static void SetFolder(const char* value, const std::string& folder)
    {
        ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Directories", value, folder);
    }

    CListedFolders m_listed;   // closed before the scratch folders go
};

// Makes linkKey a registry link to targetKey (both below HKEY_CURRENT_USER, UTF-8).
bool MakeRegistryLink(const std::string& linkKey, const std::string& targetKey)
{
    // The link holds the target's full name, which its open key reports.
    typedef LONG(NTAPI * PFN_QUERY_KEY)(HANDLE, int, PVOID, ULONG, PULONG);
    PFN_QUERY_KEY pfnQueryKey = reinterpret_cast<PFN_QUERY_KEY>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
    HKEY hTarget;
    if (pfnQueryKey == NULL ||
        RegOpenKeyExW(HKEY_CURRENT_USER, Wide(targetKey).c_str(), 0, KEY_READ, &hTarget) != ERROR_SUCCESS)
        return false;
    struct { ULONG cbName; WCHAR szName[1024]; } info = {};
    ULONG cbResult = 0;
    LONG lStatus = pfnQueryKey(hTarget, 3 /* KeyNameInformation */, &info, sizeof(info), &cbResult);
    RegCloseKey(hTarget);
    HKEY hLink;
    if (lStatus != 0 ||
        RegCreateKeyExW(HKEY_CURRENT_USER, Wide(linkKey).c_str(), 0, NULL,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK,
                        NULL, &hLink, NULL) != ERROR_SUCCESS)
        return false;
    LONG lResult = RegSetValueExW(hLink, L"SymbolicLinkValue", 0, REG_LINK,
                                  reinterpret_cast<const BYTE*>(info.szName), info.cbName);
    RegCloseKey(hLink);
    return lResult == ERROR_SUCCESS;
}

// Counts the removal's waits between tries, and their length in all, while it lives;
// the waits return at once.
class CountedWaits
{
public:
    CountedWaits()
    {
        s_nWaits = 0;
        s_dwTotalMs = 0;
        RemovalCalls().pfnSleep = Count;
    }
    int Waits() const { return s_nWaits; }
    DWORD TotalMs() const { return s_dwTotalMs; }

private:
    static VOID WINAPI Count(DWORD dwMs)
    {
        ++s_nWaits;
        s_dwTotalMs += dwMs;
    }
    CRemovalCallsGuard m_guard;
    static int s_nWaits;
    static DWORD s_dwTotalMs;
};
int CountedWaits::s_nWaits;
DWORD CountedWaits::s_dwTotalMs;

} // namespace

class RemoveUserLocations : public UserRemovalTest {};
class RemoveUserMissingParts : public UserRemovalTest {};
class RemoveUserBadNames : public UserRemovalTest {};
class RemoveUserBaseFolders : public UserRemovalTest {};
class RemoveUserSurvivors : public UserRemovalTest {};
class RemoveUserRetries : public UserRemovalTest {};
class RemoveUserFolderLinks : public UserRemovalTest {};
class RemoveUserExactNames : public UserRemovalTest, public RemovalWay {};
KAVROST_BOTH_REMOVAL_WAYS(RemoveUserExactNames);
class RemoveUserRegistryLinks : public UserRemovalTest
{
protected:
    // After the listing, the key on the way to the users' key is replaced by a link to
    // target, which holds the key kept where the users' key would hold anna's.
    void ExpectAKeyOnTheWayNotFollowed(const char* key, const char* target, const char* kept)
    {
        ScratchRegistry::SetString(kept, "Keep", "1");
        ListedUsers();
        SHDeleteKeyA(HKEY_CURRENT_USER, key);
        ASSERT_TRUE(MakeRegistryLink(key, target));
        EXPECT_EQ(RemoveUserNoUserKey, RemoveListed("anna"));
        EXPECT_TRUE(ScratchRegistry::KeyExists(kept));
        EXPECT_FALSE(UserFolderExists("anna"));
    }
};
class RemoveUserListedFolders : public UserRemovalTest {};

// A '_' user goes the same way as any other.
TEST_F(RemoveUserLocations, AllThreeGoAndSiblingsStay)
{
    EXPECT_EQ(RemoveUserDone, Remove("_guest"));
    ExpectUserGone("_guest");
    ExpectUserIntact("anna");
    ExpectUserIntact("bob");
    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    ExpectUserGone("anna");
    ExpectUserIntact("bob");
    EXPECT_TRUE(ScratchRegistry::KeyExists(kUserKey));
    EXPECT_EQ((std::vector<std::string>{ "bob" }), ListedUsers());
}

TEST_F(RemoveUserRegistryLinks, AKeyChainThreeHundredLevelsDeepGoesOnASmallStack)
{
    // A deletion whose stack grows with the depth runs out here: about 64 KiB are left.
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, Wide(Key("anna")).c_str(), 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &hKey, NULL));
    for (int i = 0; i < 300; ++i) {
        HKEY hSub;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(hKey, L"k", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hSub, NULL)) << i;
        RegCloseKey(hKey);
        hKey = hSub;
    }
    RegCloseKey(hKey);
    RemoveUserResult result = RemoveUserIncomplete;
    ASSERT_TRUE(RunOnSmallStack([&] { result = Remove("anna"); })) << "the removal ran out of stack";
    EXPECT_EQ(RemoveUserDone, result);
    ExpectUserGone("anna");
    ExpectUserIntact("bob");
}

TEST_F(RemoveUserRetries, AFolderWhoseLastFileIsStillGoingIsTriedAgain)
{
    // Another program holds anna's profile with delete sharing and lets it go 200 ms later.
    // Deleted meanwhile, the file keeps its name, and anna's folder is not empty, until then
    // (so on Wine, whether the holder is a thread or a process, and on Windows without
    // POSIX deletion).
    HANDLE h = CreateFileA((m_install + "User\\anna\\profile.ini").c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::thread holder([h] {
        Sleep(200);
        CloseHandle(h);
    });
    RemoveUserResult result = Remove("anna");
    holder.join();
    EXPECT_EQ(RemoveUserDone, result);
    ExpectUserGone("anna");
    EXPECT_EQ((std::vector<std::string>{ "_guest", "bob" }), ListedUsers());
}

TEST_F(RemoveUserMissingParts, NoAgencyFolderOrNoUserKeyStillRemovesTheRestSilently)
{
    ForceRemoveTree(m_agency + "USER_SPC\\anna");
    SHDeleteKeyA(HKEY_CURRENT_USER, Key("bob").c_str());
    for (const char* name : { "anna", "bob" }) {
        EXPECT_EQ(RemoveUserDone, Remove(name));
        ExpectUserGone(name);
    }
    ExpectUserIntact("_guest");
}

TEST_F(RemoveUserMissingParts, AnAgencyFolderIsMissingOnlyOnADriveThatAnswers)
{
    SetFolder("Agency", m_root.Path() + "NoAgency\\");
    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    std::string unmapped = UnmappedDriveRoot();
    if (unmapped.empty())
        GTEST_SKIP() << "every drive letter is mapped";
    SetFolder("Agency", unmapped + "Agency\\");
    EXPECT_EQ(RemoveUserIncomplete, Remove("bob")) << "nothing is known of a folder on " << unmapped;
    EXPECT_FALSE(UserFolderExists("bob"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("bob")));
}

TEST_F(RemoveUserMissingParts, MissingUserRootKeyIsReportedAfterTheFolders)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
    EXPECT_EQ(RemoveUserNoUserKey, Remove("anna"));
    EXPECT_FALSE(UserFolderExists("anna"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(kUserKey)) << "no key is created";
    EXPECT_TRUE(UserFolderExists("bob"));
    // A folder left is reported too.
    std::string locked = m_install + "User\\bob\\profile.ini";
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(RemoveUserNoUserKey | RemoveUserIncomplete, Remove("bob"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
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
    EXPECT_EQ(RemoveUserBadName, RemoveUser(m_listed, NULL));
    for (const char* good : { "anna", "_", "a.b", "x y", ".cfg" })
        EXPECT_TRUE(IsValidUserName(Wide(good).c_str())) << good;
}

TEST_F(RemoveUserBaseFolders, AbsoluteFolderForms)
{
    for (const char* good : { "C:\\", "c:\\data\\", "D:/x/", "\\\\server\\share\\" })
        EXPECT_TRUE(IsAbsoluteFolder(Wide(good).c_str())) << good;
    for (const char* bad : { "", "C:", "C:data\\", "\\data\\", "data\\", "\\\\", "\\\\\\x",
                             "1:\\" })
        EXPECT_FALSE(IsAbsoluteFolder(Wide(bad).c_str())) << bad;
    EXPECT_FALSE(IsAbsoluteFolder(NULL));
}

TEST_F(RemoveUserBaseFolders, EmptyOrRelativeAgencyLeavesTheCurrentFolderAlone)
{
    ScratchFolder cwd;
    cwd.MakeFile("USER_SPC\\anna\\keep.txt");
    cwd.MakeFile("rel\\USER_SPC\\bob\\keep.txt");
    {
        CurrentFolder current(cwd.Path());
        SetFolder("Agency", "");
        EXPECT_EQ(RemoveUserDone, Remove("anna"));
        SetFolder("Agency", "rel\\");
        EXPECT_EQ(RemoveUserDone, Remove("bob"));
    }
    EXPECT_TRUE(cwd.Exists("USER_SPC\\anna\\keep.txt"));
    EXPECT_TRUE(cwd.Exists("rel\\USER_SPC\\bob\\keep.txt"));
    // The other locations are still handled.
    EXPECT_FALSE(UserFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("anna")));
    EXPECT_FALSE(UserFolderExists("bob"));
    EXPECT_TRUE(AgencyFolderExists("anna")) << "the agency setting no longer names it";
}

TEST_F(RemoveUserBaseFolders, FoldersOutsideTheCodePageAreReadAndRemovedExactly)
{
    // Read through the ANSI code page, "\u0141ukasz" becomes "Lukasz": another folder,
    // whose users Delete! would then remove.
    const std::string lukasz = "\xC5\x81ukasz\\";
    for (const std::string& base : { lukasz, std::string("Lukasz\\") }) {
        m_root.MakeFile(base + "User\\anna\\profile.ini", base);
        m_root.MakeFile(base + "USER_SPC\\anna\\spc\\a.bin", base);
    }
    for (const char* value : { "PathName", "Agency" })
        ScratchRegistry::SetString(KAVROST_PRODUCT_KEY "\\Directories", value, m_root.Path() + lukasz);

    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    EXPECT_FALSE(m_root.Exists(lukasz + "User\\anna"));
    EXPECT_FALSE(m_root.Exists(lukasz + "USER_SPC\\anna"));
    EXPECT_EQ("Lukasz\\", ReadText(m_root.Path() + "Lukasz\\User\\anna\\profile.ini"));
    EXPECT_EQ("Lukasz\\", ReadText(m_root.Path() + "Lukasz\\USER_SPC\\anna\\spc\\a.bin"));
}

TEST_F(RemoveUserBaseFolders, RelativeInstallFolderRemovesNothing)
{
    // Half a user would be left: the agency folder and the key stay too.
    ScratchFolder cwd;
    cwd.MakeFile("User\\anna\\keep.txt");
    {
        CurrentFolder current(cwd.Path());
        for (const char* install : { "", "rel\\" }) {
            SetFolder("PathName", install);
            EXPECT_EQ(RemoveUserIncomplete, Remove("anna")) << install;
        }
    }
    EXPECT_TRUE(cwd.Exists("User\\anna\\keep.txt"));
    SetFolder("PathName", m_install);
    ExpectUserIntact("anna");
}

TEST_F(RemoveUserBaseFolders, OverlongPathIsSkippedNotCut)
{
    // The user folder's path fits, the agency folder's does not: the agency folder
    // is skipped, and no folder named by the cut path is removed in its place.
    std::string agency = m_root.MakeDir("AgencyWithAMuchLongerName");
    SetFolder("Agency", agency);
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

    EXPECT_EQ(RemoveUserIncomplete, Remove("anna"));

    EXPECT_TRUE(m_root.Exists("Install\\User\\anna\\rooms\\r2\\locked.dat"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\rooms\\r2\\free.dat"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\rooms\\r1"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\profile.ini"));
    EXPECT_FALSE(m_root.Exists("Install\\User\\anna\\rooms\\.hidden"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("anna")));
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob" }), ListedUsers());
}

TEST_F(RemoveUserSurvivors, WhateverIsLeftMakesTheRemovalIncomplete)
{
    EXPECT_EQ(RemoveUserDone, Remove("anna"));

    // A folder left: a read-only file keeps bob's agency folder.
    std::string locked = m_agency + "USER_SPC\\bob\\spc\\a.bin";
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(RemoveUserIncomplete, Remove("bob"));
    EXPECT_TRUE(AgencyFolderExists("bob"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A key that cannot be read: _guest's, with an empty access list, is no key gone.
    HKEY hGuest;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Key("_guest")).c_str(), 0, WRITE_DAC, &hGuest));
    SECURITY_DESCRIPTOR sd;
    ACL emptyAcl;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, &emptyAcl, FALSE);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(hGuest, DACL_SECURITY_INFORMATION, &sd));
    EXPECT_EQ(RemoveUserIncomplete, Remove("_guest"));
    SetSecurityDescriptorDacl(&sd, TRUE, NULL, FALSE);   // every access again
    RegSetKeySecurity(hGuest, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(hGuest);
    EXPECT_TRUE(ScratchRegistry::KeyExists(Key("_guest") + "\\Rooms\\r1"));
    EXPECT_FALSE(UserFolderExists("_guest"));
}

TEST_F(RemoveUserRetries, WhatStaysCostsNoWaitAndHeldFilesShareOneSecond)
{
    // A read-only file stays at once, and so do its folders: none of them is tried again,
    // which would spend the time that brief refusals after them need.
    std::string locked = m_root.MakeFile("Install\\User\\anna\\rooms\\r2\\locked.dat");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        CountedWaits waits;
        EXPECT_EQ(RemoveUserIncomplete, Remove("anna"));
        EXPECT_EQ(0, waits.Waits()) << "waited for folders that keep a read-only file";
    }
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Ten files in bob's two folders held without delete sharing for the whole removal:
    // the waits for them come to the removal's budget in all, not to one wait for each.
    std::vector<HANDLE> held;
    for (int i = 0; i < 10; ++i) {
        std::string file = m_root.MakeFile(std::string(i % 2 == 0 ? "Install\\User" : "Agency\\USER_SPC") +
                                           "\\bob\\held" + std::to_string(i));
        held.push_back(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
        ASSERT_NE(INVALID_HANDLE_VALUE, held.back());
    }
    CountedWaits waits;
    EXPECT_EQ(RemoveUserIncomplete, Remove("bob"));
    for (HANDLE h : held)
        CloseHandle(h);
    EXPECT_GT(waits.TotalMs(), 0u) << "a held file is tried again";
    EXPECT_LE(waits.TotalMs(), kRemovalRetryBudgetMs) << "in " << waits.Waits() << " waits";
}

TEST_F(RemoveUserFolderLinks, ALinkToTheSamePathOnAnotherDriveIsALink)
{
    // anna's folder, and bob's profile, are links to their twins at the same path on
    // another drive: a handle's name without its volume would take them for themselves.
    MappedDrive drive;
    if (drive.Root().empty())
        GTEST_SKIP() << "no drive can be mapped here";
    const std::string twin = drive.Root() + m_install.substr(3) + "User\\";
    const std::vector<std::string> files{ "anna\\f1.txt", "anna\\f2.txt", "anna\\sub\\f3.txt", "bob\\profile.ini" };
    for (const std::string& f : files) {
        for (size_t i = drive.Root().size(); (i = (twin + f).find('\\', i)) != std::string::npos; ++i)
            CreateDirectoryA((twin + f).substr(0, i).c_str(), NULL);
        ASSERT_TRUE(MakeFile(twin + f, "twin")) << f;
    }
    ForceRemoveTree(m_install + "User\\anna");
    DeleteFileA((m_install + "User\\bob\\profile.ini").c_str());
    if (!MakeSymbolicLink(twin + "anna", m_install + "User\\anna") ||
        !MakeSymbolicLink(twin + "bob\\profile.ini", m_install + "User\\bob\\profile.ini"))
        GTEST_SKIP() << "no links can be made here";

    EXPECT_EQ(RemoveUserIncomplete, Remove("anna"));
    EXPECT_EQ(RemoveUserIncomplete, Remove("bob"));
    for (const std::string& f : files)
        EXPECT_EQ("twin", ReadText(twin + f)) << f;
    HostRemoveTree(m_install + "User");
}

TEST_F(RemoveUserFolderLinks, LinkedFolderTargetSurvives)
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

TEST_F(RemoveUserListedFolders, AFolderReplacedAfterTheListingIsNotActedIn)
{
    // While the warning waits, User (then USER_SPC) is replaced: renamed and a link to a
    // decoy put in its place, or emptied into another folder, removed and made again with
    // a decoy inside. The decoy is never touched, and the last look finds it.
    if (HostPath(m_root.Path()).empty())
        GTEST_SKIP() << "no host side to swap the folders from";
    const std::string decoy = HostPath(m_root.Path() + "Decoy");
    const struct { const char* folder; const char* user; } places[] = { { "Install\\User", "anna" },
                                                                       { "Agency\\USER_SPC", "bob" } };
    for (bool bMadeAgain : { false, true }) {
        for (const auto& place : places) {
            SCOPED_TRACE(std::string(place.folder) + (bMadeAgain ? ", made again" : ", a link"));
            const std::string host = HostPath(m_root.Path() + place.folder);
            const std::string user = ShellQuoted(std::string("/") + place.user);
            ListedUsers();
            ASSERT_TRUE(RunHostShell("mkdir -p " + ShellQuoted(decoy) + user + " && echo decoy >" + ShellQuoted(decoy) +
                                     user + "/keep.txt"));
            if (bMadeAgain)
                ASSERT_TRUE(RunHostShell("mv " + ShellQuoted(host) + " " + ShellQuoted(host + ".old") + " && mv " +
                                         ShellQuoted(decoy) + " " + ShellQuoted(host)));
            else
                ASSERT_TRUE(SwapForLink(m_root.Path() + place.folder, m_root.Path() + "Decoy"));
            EXPECT_EQ(RemoveUserIncomplete, RemoveListed(place.user));
            EXPECT_EQ("decoy\n", ReadText(m_root.Path() + place.folder + "\\" + place.user + "\\keep.txt"));
            ASSERT_TRUE(RunHostShell("rm -rf " + ShellQuoted(host) + " " + ShellQuoted(decoy) + " && mv " +
                                     ShellQuoted(host + ".old") + " " + ShellQuoted(host)));
        }
    }
    // Renamed with nothing in its place: where each handle is checked against the name its
    // folder had when it was opened (Wine), the listed folder is out of reach and stays, told.
    const std::string host = HostPath(m_install + "User");
    ListedUsers();
    ASSERT_TRUE(RunHostShell("mv " + ShellQuoted(host) + " " + ShellQuoted(host + "s")));
    RemoveUserResult result = RemoveListed("_guest");
    EXPECT_TRUE(result == RemoveUserIncomplete || !m_root.Exists("Install\\Users\\_guest"));

    // A User that was a link already when the list was read is acted in through it.
    ASSERT_TRUE(RunHostShell("ln -s " + ShellQuoted(host + "s") + " " + ShellQuoted(host)));
    EXPECT_EQ(RemoveUserDone, Remove("_guest"));
    EXPECT_FALSE(m_root.Exists("Install\\Users\\_guest"));
    EXPECT_TRUE(m_root.Exists("Install\\Users\\anna"));
}

TEST_F(RemoveUserFolderLinks, AnAgencyUsersFolderThatIsALinkIsNeverEntered)
{
    ScratchFolder decoy;
    decoy.MakeFile("anna\\keep.txt", "decoy");
    HostRemoveTree(m_agency + "USER_SPC");
    if (!MakeSymbolicLink(decoy.Path(), m_agency + "USER_SPC"))
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(RemoveUserIncomplete, Remove("anna"));
    EXPECT_EQ("decoy", ReadText(decoy.Path() + "anna\\keep.txt"));
    HostRemoveTree(m_agency + "USER_SPC");
}

TEST_F(RemoveUserListedFolders, TheAgencySettingChangedAfterTheListing)
{
    // Emptied: bob's agency folder goes through the folder held since the listing.
    ListedUsers();
    SetFolder("Agency", "");
    EXPECT_EQ(RemoveUserDone, RemoveListed("bob"));
    ExpectUserGone("bob");
    // Set to another folder, which holds anna: the last look finds her there.
    ScratchFolder other;
    other.MakeFile("USER_SPC\\anna\\keep.txt", "other");
    SetFolder("Agency", other.Path());
    EXPECT_EQ(RemoveUserIncomplete, RemoveListed("anna"));
    EXPECT_EQ("other", ReadText(other.Path() + "USER_SPC\\anna\\keep.txt"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    // A folder that was not there at the listing is not acted in, whatever stands there then.
    SetFolder("Agency", m_root.Path() + "Later\\");
    ListedUsers();
    m_root.MakeFile("Later\\USER_SPC\\_guest\\keep.txt", "later");
    EXPECT_EQ(RemoveUserIncomplete, RemoveListed("_guest"));
    EXPECT_EQ("later", ReadText(m_root.Path() + "Later\\USER_SPC\\_guest\\keep.txt"));
}

TEST_F(RemoveUserListedFolders, AsOnWindowsDeleteActsThroughTheFoldersHeld)
{
    // A volume that opens a name through the folder held, wherever it has been moved, and
    // without regard to case.
    const BOOL bOwnWay = CTreeRemoval::VerifiesEntries();
    CTreeRemoval::SetVerifiesEntries(FALSE);
    {
        FakeVolume volume(true);
        for (const std::wstring user : { L"anna", L"bob" }) {
            volume.AddFile(L"X:\\Install\\User\\" + user + L"\\f.txt");
            volume.AddFile(L"X:\\Agency\\USER_SPC\\" + user + L"\\f.txt");
        }
        // Carl's twin carl, listed after it, and dora, whose empty agency folder's first
        // listing answers "no such file", as on FAT.
        volume.AddFile(L"X:\\Install\\User\\Carl\\keep.txt");
        volume.AddFile(L"X:\\Install\\User\\twin\\f.txt");
        volume.Rename(L"X:\\Install\\User\\twin", L"X:\\Install\\User\\carl");
        volume.AddFile(L"X:\\Install\\User\\dora\\f.txt");
        volume.AddFolder(L"X:\\Agency\\USER_SPC\\dora");
        volume.AnswerNoSuchFileWhereEmpty();
        volume.AddFile(L"X:\\Decoy\\anna\\keep.txt");
        SetFolder("PathName", "X:\\Install\\");
        SetFolder("Agency", "X:\\Agency\\");
        CListedFolders listed;
        CStringArrayW arr;

        ReadListedUsers(listed, arr);
        EXPECT_EQ(RemoveUserIncomplete, RemoveUser(listed, L"carl"));
        EXPECT_TRUE(volume.Exists(L"X:\\Install\\User\\Carl\\keep.txt"));
        EXPECT_EQ(RemoveUserDone, RemoveUser(listed, L"dora"));
        EXPECT_FALSE(volume.Exists(L"X:\\Agency\\USER_SPC\\dora"));

        // USER_SPC renamed while the warning waits, nothing in its place: bob goes through it.
        ReadListedUsers(listed, arr);
        volume.Rename(L"X:\\Agency\\USER_SPC", L"X:\\Agency\\Moved");
        EXPECT_EQ(RemoveUserDone, RemoveUser(listed, L"bob"));
        EXPECT_FALSE(volume.Exists(L"X:\\Agency\\Moved\\bob"));
        EXPECT_FALSE(volume.Exists(L"X:\\Install\\User\\bob"));

        // User renamed and a decoy put in its place: the listed anna goes, the decoy's stays.
        ReadListedUsers(listed, arr);
        volume.Rename(L"X:\\Install\\User", L"X:\\Install\\Moved");
        volume.Rename(L"X:\\Decoy", L"X:\\Install\\User");
        EXPECT_EQ(RemoveUserIncomplete, RemoveUser(listed, L"anna"));
        EXPECT_FALSE(volume.Exists(L"X:\\Install\\Moved\\anna"));
        EXPECT_TRUE(volume.Exists(L"X:\\Install\\User\\anna\\keep.txt"));
        EXPECT_TRUE(volume.Faults().empty());
    }
    CTreeRemoval::SetVerifiesEntries(bOwnWay);
}

namespace {

// The last look's seam: the open by path of the entry named here first makes it again.
std::wstring g_remakeOnLook;

LONG NTAPI RemakeThenOpen(PHANDLE ph, ACCESS_MASK access, POBJECT_ATTRIBUTES pAttributes, PIO_STATUS_BLOCK pio,
                          ULONG share, ULONG options)
{
    std::wstring name(pAttributes->ObjectName->Buffer, pAttributes->ObjectName->Length / sizeof(WCHAR));
    if (pAttributes->RootDirectory == NULL && name.size() > 4 && name.substr(4) == g_remakeOnLook)
        CreateDirectoryW((L"\\\\?\\" + g_remakeOnLook).c_str(), NULL);
    return CRemovalCallsGuard::System().pfnOpenFile(ph, access, pAttributes, pio, share, options);
}

} // namespace

TEST_F(RemoveUserListedFolders, DoneOnlyWhereTheLastLookFindsNothing)
{
    // Made again by path right after the walk, as another program could.
    for (const std::string& folder : { m_install + "User\\anna", m_agency + "USER_SPC\\bob" }) {
        SCOPED_TRACE(folder);
        g_remakeOnLook = Wide(folder);
        RemoveUserResult result;
        {
            CRemovalCallsGuard guard;
            RemovalCalls().pfnOpenFile = RemakeThenOpen;
            result = Remove(folder.find("anna") != std::string::npos ? "anna" : "bob");
        }
        EXPECT_EQ(RemoveUserIncomplete, result);
        EXPECT_TRUE(m_root.Exists(folder.substr(m_root.Path().size())));
    }
}

TEST_P(RemoveUserExactNames, NamesThatReadAsPathsStayInsideTheUsersFolders)
{
    // U+FF3C FULLWIDTH REVERSE SOLIDUS: the ANSI calls return it as '\'.
    const std::string up = "..\xEF\xBC\xBC";
    m_root.MakeFile("x.txt", "sentinel");
    for (const std::string tree : { "Install\\User\\anna\\", "Agency\\USER_SPC\\anna\\" }) {
        m_root.MakeFile(tree + up + up + up + "x.txt");
        m_root.MakeFile(tree + up + "bob\\b.txt");
    }
    // A name with real backslashes, as another system can write it (under Wine, a host file).
    const std::string hostName = "..\\..\\..\\x.txt";
    bool bHostName = MakeHostFile(m_install + "User\\anna", hostName);

    CountedWaits waits;
    EXPECT_EQ(bHostName ? RemoveUserIncomplete : RemoveUserDone, Remove("anna"));
    EXPECT_EQ(0, waits.Waits()) << "a folder that keeps an entry no path can name is not tried again";

    EXPECT_EQ("sentinel", ReadText(m_root.Path() + "x.txt"));
    ExpectUserIntact("bob");
    EXPECT_FALSE(m_root.Exists("Install\\User\\bob\\b.txt"));
    EXPECT_FALSE(m_root.Exists("Agency\\USER_SPC\\bob\\b.txt"));
    EXPECT_FALSE(AgencyFolderExists("anna"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("anna")));
    if (bHostName) {
        // That entry cannot be named, so it stays with its folders, and nothing else does.
        EXPECT_EQ((std::vector<std::string>{ hostName }), EntriesOf(m_install + "User\\anna"));
        HostRemoveTree(m_install + "User\\anna");
    } else {
        EXPECT_FALSE(UserFolderExists("anna"));
    }
}

TEST_P(RemoveUserExactNames, BestFitTwinsAreSeparateUsers)
{
    // The ANSI calls list both of each pair under one name.
    const std::string lukasz = "\xC5\x81ukasz";
    const std::string fullwidthAnna = "\xEF\xBD\x81\xEF\xBD\x8E\xEF\xBD\x8E\xEF\xBD\x81";
    for (const std::string& name : { lukasz, std::string("lukasz"), fullwidthAnna })
        SeedUser(name);
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob", "lukasz", lukasz, fullwidthAnna }),
              ListedUsers());

    EXPECT_EQ(RemoveUserDone, Remove(lukasz));
    ExpectUserGone(lukasz);
    ExpectUserIntact("lukasz");
    EXPECT_EQ(RemoveUserDone, Remove(fullwidthAnna));
    ExpectUserGone(fullwidthAnna);
    ExpectUserIntact("anna");

    // Case twins, as another system can write them: Windows may open either for the name,
    // so neither folder is entered.
    const std::string host = HostPath(m_install + "User");
    if (host.empty() || !RunHostShell("mkdir " + ShellQuoted(host + "/Anna") + " && echo twin >" +
                                      ShellQuoted(host + "/Anna/keep.txt")))
        return;
    EXPECT_EQ(RemoveUserIncomplete, Remove("anna"));
    EXPECT_EQ("twin\n", ReadText(m_install + "User\\Anna\\keep.txt"));
    EXPECT_TRUE(m_root.Exists("Install\\User\\anna\\rooms\\r1\\room.dat"));
    HostRemoveTree(m_install + "User\\Anna");
}

TEST_P(RemoveUserExactNames, NamesOutsideTheCodePageAreRemovedCompletely)
{
    const std::string greek = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    m_root.MakeFile("Install\\User\\anna\\" + greek + ".txt");
    m_root.MakeFile("Install\\User\\anna\\" + japanese + "\\" + emoji + ".bin");
    m_root.MakeFile("Agency\\USER_SPC\\anna\\" + emoji + "\\" + greek);
    SeedUser(nihon);
    EXPECT_EQ((std::vector<std::string>{ "_guest", "anna", "bob", nihon }), ListedUsers());

    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    ExpectUserGone("anna");
    EXPECT_EQ(RemoveUserDone, Remove(nihon));
    ExpectUserGone(nihon);
    ExpectUserIntact("bob");
}

TEST_F(RemoveUserRegistryLinks, LinksGoAsLinksAndTheirTargetsStay)
{
    // anna's key is itself a link; bob's key holds one among its subkeys.
    ScratchRegistry::SetString("Software\\Elsewhere\\Inner", "Keep", "1");
    ScratchRegistry::SetString("Software\\Other\\Inner", "Keep", "1");
    SHDeleteKeyA(HKEY_CURRENT_USER, Key("anna").c_str());
    ASSERT_TRUE(MakeRegistryLink(Key("anna"), "Software\\Elsewhere"));
    ASSERT_TRUE(MakeRegistryLink(Key("bob") + "\\Rooms\\link", "Software\\Other"));
    ASSERT_TRUE(ScratchRegistry::KeyExists((Key("anna") + "\\Inner").c_str()));
    ASSERT_TRUE(ScratchRegistry::KeyExists((Key("bob") + "\\Rooms\\link\\Inner").c_str()));

    EXPECT_EQ(RemoveUserDone, Remove("anna"));
    EXPECT_EQ(RemoveUserDone, Remove("bob"));

    EXPECT_TRUE(ScratchRegistry::KeyExists("Software\\Elsewhere\\Inner"));
    EXPECT_TRUE(ScratchRegistry::KeyExists("Software\\Other\\Inner"));
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("anna"))) << "the link itself goes";
    EXPECT_FALSE(ScratchRegistry::KeyExists(Key("bob")));
    ExpectUserIntact("_guest");
}

TEST_F(RemoveUserRegistryLinks, AKeyOnTheWayThatIsALinkIsNotFollowed)
{
    ExpectAKeyOnTheWayNotFollowed(kUserKey, "Software\\Elsewhere", "Software\\Elsewhere\\anna\\Rooms");
}

TEST_F(RemoveUserRegistryLinks, AMakersKeyThatIsALinkIsNotFollowed)
{
    ExpectAKeyOnTheWayNotFollowed(KAVROST_MAKER_KEY, "Software\\Other", "Software\\Other\\User\\anna\\Rooms");
}
