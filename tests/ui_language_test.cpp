// The language choice: the product's "ResourceDLL" setting decides where one is
// stored; otherwise the country of the regional settings (this program runs
// with LC_ALL=en_US.UTF-8, country 1).
#include "support/Scratch.h"
#include "ui/Language.h"

#include <gtest/gtest.h>

namespace {

const char kSettingsKey[] = "Software\\dabro\\Tessaline\\1.0\\Settings";

class LanguageChoice : public ::testing::Test
{
protected:
    // Starts from the opposite answer, so that every case shows a real assignment.
    BOOL Choose(BOOL bBefore)
    {
        g_bGerman = bBefore;
        ChooseLanguage();
        return g_bGerman;
    }
    ScratchRegistry m_registry;
};

TEST_F(LanguageChoice, LangDEInAnyLetterCaseIsGerman)
{
    for (const char* pszValue : {"LangDE.dll", "LANGDE.DLL", "langde.dll", "lAnGdE.DlL"}) {
        SCOPED_TRACE(pszValue);
        ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", pszValue);
        EXPECT_EQ(1, Choose(0));   // exactly 1, not just nonzero
    }
}

TEST_F(LanguageChoice, OtherNamesAreEnglish)
{
    for (const char* pszValue : {"LangEN.dll", "C:\\zell\\LangDE.dll", "LangDE.dll ", " LangDE.dll",
                                 "LangDE", "LangDE.dll.bak", "L"}) {
        SCOPED_TRACE(pszValue);
        ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", pszValue);
        EXPECT_EQ(0, Choose(1));
    }
}

TEST_F(LanguageChoice, AbsentOrEmptySettingFollowsTheLocale)
{
    EXPECT_EQ(0, Choose(1)) << "no settings key";
    EXPECT_TRUE(ScratchRegistry::KeyExists(kSettingsKey)) << "reading creates the key";
    EXPECT_EQ(0, Choose(1)) << "key without the value";
    ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", "");
    EXPECT_EQ(0, Choose(1)) << "empty value";
}

} // namespace
