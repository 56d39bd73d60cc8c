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

// German is exactly 1, not just nonzero.
TEST_F(LanguageChoice, LangDEInAnyLetterCaseIsGermanOtherNamesEnglish)
{
    const struct { const char* pszValue; int nLanguage; } values[] = {
        {"LangDE.dll", 1}, {"LANGDE.DLL", 1}, {"langde.dll", 1}, {"lAnGdE.DlL", 1}, {"LangEN.dll", 0},
        {"C:\\zell\\LangDE.dll", 0}, {"LangDE.dll ", 0}, {" LangDE.dll", 0}, {"LangDE", 0}, {"LangDE.dll.bak", 0},
        {"L", 0}};
    for (const auto& value : values) {
        ScratchRegistry::SetString(kSettingsKey, "ResourceDLL", value.pszValue);
        EXPECT_EQ(value.nLanguage, ChooseLanguage()) << value.pszValue;
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
