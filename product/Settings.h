// The product's settings in the current user's registry hive.
#pragma once

#include "platform/String.h"

// The maker's key below HKEY_CURRENT_USER, which holds the settings and the users' keys:
// the product's key, with one key per settings section, and the key of the users.
#define KAVROST_MAKER_KEY "Software\\dabro"
#define KAVROST_PRODUCT_KEY KAVROST_MAKER_KEY "\\Tessaline\\1.0"
#define KAVROST_USERS_KEY KAVROST_MAKER_KEY "\\User"

// Reads one text value of the settings section
// HKEY_CURRENT_USER\Software\dabro\Tessaline\1.0\<lpszSection>, creating the key
// (class "Tessaline") when it is missing. The stored bytes are taken as text up to
// the first zero byte, whatever the value's type; nothing is expanded. Returns
// lpszDefault (null: the empty text) when the key or the value cannot be read.
CString ReadSetting(LPCSTR lpszSection, LPCSTR lpszValueName, LPCSTR lpszDefault);

// The settings that name the product's folders, each ending in a backslash: the
// installation folder ("Directories", "PathName") and the agency folder ("Directories",
// "Agency"), read as ReadSetting reads, but in UTF-16, so that a folder whose name lies
// outside the ANSI code page is not read as another folder. The empty text when not set.
CStringW ReadInstallFolder();
CStringW ReadAgencyFolder();

// KAVROST_USERS_KEY in UTF-16: one subkey per user.
extern const WCHAR kUsersKeyPath[];
