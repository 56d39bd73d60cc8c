// Reads the resources of a built executable back, field by field, so that tests
// compare what landed in the file rather than what the script says.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A template field that holds either an ordinal or a name.
struct NameOrOrdinal
{
    bool bOrdinal = false;
    WORD wOrdinal = 0;
    std::wstring strName;
};

struct DialogControl
{
    DWORD dwHelpId = 0, dwExStyle = 0, dwStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD dwId = 0;
    NameOrOrdinal cls, text;
    WORD cbExtra = 0;
};

struct DialogTemplate
{
    bool bExtended = false;
    DWORD dwHelpId = 0, dwExStyle = 0, dwStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu, cls;
    std::wstring strCaption;
    WORD wPointSize = 0, wWeight = 0;
    BYTE bItalic = 0, bCharSet = 0;
    std::wstring strFace;
    std::vector<DialogControl> controls;
};

// One node of a version block: key, value and children.
struct VersionNode
{
    WORD wLength = 0, wValueLength = 0, wType = 0;
    std::wstring strKey;
    std::vector<BYTE> value;
    std::vector<VersionNode> children;

    // The value as text, without its terminating zero (wType 1).
    std::wstring Text() const;
};

// The raw bytes of one resource in one language; false if it is absent.
bool ReadResource(HMODULE hModule, LPCSTR pszType, LPCSTR pszName, WORD wLanguage,
                  std::vector<BYTE>& data);

// The names (ordinals) and languages present for a resource type.
std::vector<WORD> ResourceOrdinals(HMODULE hModule, LPCSTR pszType);
std::vector<WORD> ResourceLanguages(HMODULE hModule, LPCSTR pszType, LPCSTR pszName);

// Parsers; each returns false when the data ends before the structure does.
bool ParseDialog(const std::vector<BYTE>& data, DialogTemplate& dlg);
bool ParseStringBlock(const std::vector<BYTE>& data, std::vector<std::wstring>& strings);
bool ParseVersion(const std::vector<BYTE>& data, VersionNode& root);

// The class of a control as its name: ordinals of the predefined classes are
// mapped to "Button", "Edit", "Static", "ListBox", "ScrollBar" and "ComboBox".
std::wstring ClassName(const NameOrOrdinal& cls);
