// The language of the tool's texts, chosen once per run.
#pragma once

#include <windows.h>

// TRUE (1) for the German texts, FALSE (0) for the English ones: from the product's
// "ResourceDLL" setting when one is stored (German for "LangDE.dll" in any letter
// case), else from the country of the user's regional settings (German for Germany only).
BOOL ChooseLanguage();
