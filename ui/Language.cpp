#include "ui/Language.h"

#include "product/Settings.h"

#include <stdlib.h>
#include <string.h>

BOOL g_bGerman = FALSE;

namespace {
const int kCountryGermany = 49;
}

void ChooseLanguage()
{
    CString strResourceDll = ReadSetting("Settings", "ResourceDLL", NULL);
    if (!strResourceDll.IsEmpty()) {
        g_bGerman = _stricmp(strResourceDll, "LangDE.dll") == 0 ? 1 : 0;
        return;
    }

    // A failed query leaves the buffer empty, which reads as no country: English.
    char szCountry[6] = "";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, szCountry, sizeof(szCountry)) == 0)
        szCountry[0] = '\0';
    g_bGerman = atoi(szCountry) == kCountryGermany ? 1 : 0;
}
