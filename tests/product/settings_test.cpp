#include "product/Settings.h"

#include "support/Scratch.h"

#include <aclapi.h>
#include <gtest/gtest.h>

#include <string>

namespace {

const char kDirectories[] = KAVROST_PRODUCT_KEY "\\Directories";
const char kSettings[] = KAVROST_PRODUCT_KEY "\\Settings";

std::string Read(const char* section, const char* name, const char* def = NULL)
{
    CString s = ReadSetting(section, name, def);
    return std::string(static_cast<LPCSTR>(s), s.GetLength());
}

class ReadSettingTest : public ::testing::Test
{
protected:
    ScratchRegistry m_registry;
};

} // namespace

class ReadSettingValueTypes : public ReadSettingTest {};
class ReadSettingEmptyAndMissing : public ReadSettingTest {};
class ReadSettingKeys : public ReadSettingTest {};
class ReadSettingBounds : public ReadSettingTest {};

TEST_F(ReadSettingValueTypes, StringsAreReturnedAsStored)
{
    ScratchRegistry::SetString(kDirectories, "PathName", "C:\\Tessaline\\");
    ScratchRegistry::SetString(kDirectories, "Agency", "%USERPROFILE%\\Agency\\", REG_EXPAND_SZ);
    EXPECT_EQ("C:\\Tessaline\\", Read("Directories", "PathName"));
    EXPECT_EQ("%USERPROFILE%\\Agency\\", Read("Directories", "Agency"))
        << "environment references are not expanded";
}

TEST_F(ReadSettingValueTypes, FolderSettingsAreExactOutsideTheCodePage)
{
    // The ANSI calls read "\u0141ukasz" as "Lukasz": the name of another folder.
    const std::string install = "C:\\Data\\\xC5\x81ukasz\\";
    ScratchRegistry::SetString(kDirectories, "PathName", install);
    DWORD dw = 65;
    ScratchRegistry::SetBinary(kDirectories, "Agency", REG_DWORD, &dw, sizeof(dw));
    EXPECT_EQ(install, Utf8(ReadInstallFolder()));
    EXPECT_EQ("A", Utf8(ReadAgencyFolder())) << "the same rules as every setting";
}

TEST_F(ReadSettingValueTypes, MultiStringYieldsItsFirstString)
{
    const char multi[] = "first\0second\0";
    ScratchRegistry::SetBinary(kSettings, "ResourceDLL", REG_MULTI_SZ, multi, sizeof(multi));
    EXPECT_EQ("first", Read("Settings", "ResourceDLL"));
}

TEST_F(ReadSettingValueTypes, DwordBytesAreTakenAsText)
{
    DWORD dw = 65;
    ScratchRegistry::SetBinary(kSettings, "ResourceDLL", REG_DWORD, &dw, sizeof(dw));
    EXPECT_EQ("A", Read("Settings", "ResourceDLL", "default"));
    dw = 0;
    ScratchRegistry::SetBinary(kSettings, "ResourceDLL", REG_DWORD, &dw, sizeof(dw));
    EXPECT_EQ("", Read("Settings", "ResourceDLL", "default"));
}

TEST_F(ReadSettingValueTypes, DataWithoutTerminatingZeroIsReturnedWhole)
{
    ScratchRegistry::SetBinary(kDirectories, "PathName", REG_BINARY, "D:\\Data\\", 8);
    EXPECT_EQ("D:\\Data\\", Read("Directories", "PathName"));
    ScratchRegistry::SetBinary(kDirectories, "Agency", REG_SZ, "E:\\Ag\\", 6);
    EXPECT_EQ("E:\\Ag\\", Read("Directories", "Agency"));
}

TEST_F(ReadSettingEmptyAndMissing, ZeroLengthValueIsEmptyDespiteADefault)
{
    ScratchRegistry::SetBinary(kSettings, "ResourceDLL", REG_SZ, "", 0);
    EXPECT_EQ("", Read("Settings", "ResourceDLL", "default"));
    ScratchRegistry::SetBinary(kSettings, "ResourceDLL", REG_SZ, "", 1);
    EXPECT_EQ("", Read("Settings", "ResourceDLL", "default"));
}

TEST_F(ReadSettingEmptyAndMissing, MissingValueGivesTheDefault)
{
    ScratchRegistry::SetString(kSettings, "Other", "x");
    EXPECT_EQ("fallback", Read("Settings", "ResourceDLL", "fallback"));
    EXPECT_EQ("", Read("Settings", "ResourceDLL", NULL)) << "a null default is the empty text";
}

TEST_F(ReadSettingKeys, MissingKeysAreCreatedWithTheProductClass)
{
    ASSERT_FALSE(ScratchRegistry::KeyExists("Software\\dabro"));
    EXPECT_EQ("", Read("Settings", "ResourceDLL"));
    EXPECT_EQ("", Read("Directories", "PathName"));
    EXPECT_TRUE(ScratchRegistry::KeyExists(kSettings));
    EXPECT_TRUE(ScratchRegistry::KeyExists(kDirectories));
    EXPECT_EQ("Tessaline", ScratchRegistry::KeyClass(kSettings));
    EXPECT_EQ("Tessaline", ScratchRegistry::KeyClass(kDirectories));
}

TEST_F(ReadSettingKeys, ReadOnlyKeyIsStillRead)
{
    ScratchRegistry::SetString(kDirectories, "PathName", "C:\\ReadOnly\\");
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kDirectories, 0,
                                           READ_CONTROL | WRITE_DAC, &hKey));
    // Everyone may read the key; nobody may change it.
    EXPLICIT_ACCESS_A access = {};
    access.grfAccessPermissions = KEY_READ;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = const_cast<LPSTR>("EVERYONE");
    PACL pAcl = NULL;
    ASSERT_EQ(ERROR_SUCCESS, SetEntriesInAclA(1, &access, NULL, &pAcl));
    ASSERT_EQ(ERROR_SUCCESS, SetSecurityInfo(hKey, SE_REGISTRY_KEY,
                                             DACL_SECURITY_INFORMATION |
                                                 PROTECTED_DACL_SECURITY_INFORMATION,
                                             NULL, NULL, pAcl, NULL));
    LocalFree(pAcl);
    RegCloseKey(hKey);

    HKEY hProbe;
    LONG lFull = RegOpenKeyExA(HKEY_CURRENT_USER, kDirectories, 0, KEY_ALL_ACCESS, &hProbe);
    if (lFull == ERROR_SUCCESS) {
        RegCloseKey(hProbe);
        GTEST_SKIP() << "this platform does not enforce registry key security";
    }
    EXPECT_EQ("C:\\ReadOnly\\", Read("Directories", "PathName", "default"));
}

TEST_F(ReadSettingBounds, OverlongSectionGivesTheDefaultAndNoKey)
{
    std::string section(300, 's');
    EXPECT_EQ("default", Read(section.c_str(), "PathName", "default"));
    // The cut path would have named a key below the product's settings.
    EXPECT_FALSE(ScratchRegistry::KeyExists("Software\\dabro"));
}
