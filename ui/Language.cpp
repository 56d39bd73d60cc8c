#include "ui/Language.h"

#include "product/Settings.h"

#include <stdlib.h>
#include <string.h>

namespace {
const int kCountryGermany = 49;
}

BOOL ChooseLanguage()
{
    CString strResourceDll = ReadSetting("Settings", "ResourceDLL", NULL);
    if (!strResourceDll.IsEmpty())
        return _stricmp(strResourceDll, "LangDE.dll") == 0 ? TRUE : FALSE;


    // A failed query leaves the buffer empty, which reads as no country: English.
    char szCountry[6] = "";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, szCountry, sizeof(szCountry)) == 0)
        szCountry[0] = '\0';
    return atoi(szCountry) == kCountryGermany ? TRUE : FALSE;
}
