// The language choice: the product's "ResourceDLL" setting decides where one is
// stored; otherwise the country of the regional settings (this program runs
// with LC_ALL=C.UTF-8, country 1).
#include "product/Settings.h"
#include "support/Scratch.h"
#include "ui/Language.h"

#include <gtest/gtest.h>

namespace {

const char kSettingsKey[] = KAVROST_PRODUCT_KEY "\\Settings";

class LanguageChoice : public ::testing::Test
{
protected:
    ScratchRegistry m_registry;
};

TEST_F(LanguageChoice, LangDEInAnyLetterCaseIsGerman)
{
    for (const char* pszValue : {"LangDE.dll", "LANGDE.DLL", "langde.dll", "lAnGdE.DlL"}) {
        SCOPED_TRACE(pszValue);
        ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", pszValue);
        EXPECT_EQ(1, ChooseLanguage());   // exactly 1, not just nonzero
    }
}

TEST_F(LanguageChoice, OtherNamesAreEnglish)
{
    for (const char* pszValue : {"LangEN.dll", "C:\\zell\\LangDE.dll", "LangDE.dll ", " LangDE.dll",
                                 "LangDE", "LangDE.dll.bak", "L"}) {
        SCOPED_TRACE(pszValue);
        ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", pszValue);
        EXPECT_EQ(0, ChooseLanguage());
    }
}

TEST_F(LanguageChoice, AbsentOrEmptySettingFollowsTheLocale)
{
    EXPECT_EQ(0, ChooseLanguage()) << "no settings key";
    EXPECT_TRUE(ScratchRegistry::KeyExists(kSettingsKey)) << "reading creates the key";
    EXPECT_EQ(0, ChooseLanguage()) << "key without the value";
    ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", "");
    EXPECT_EQ(0, ChooseLanguage()) << "empty value";
}

} // namespace
