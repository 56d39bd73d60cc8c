// The language of the tool's texts, chosen once per run.
#pragma once

#include <windows.h>

// TRUE when the German texts are shown; 0 until ChooseLanguage has run.
extern BOOL g_bGerman;

// Sets g_bGerman: from the product's "ResourceDLL" setting when one is stored
// (German for "LangDE.dll" in any letter case), else from the country of the
// user's regional settings (German for Germany only).
void ChooseLanguage();
