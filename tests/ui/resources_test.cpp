// Checks the resources of the built program, read back from the executable as
// a data file. The program to check is named by KAVROST_RESOURCE_EXE; a 64-bit
// test process can read a 32-bit executable this way too.
#include "resource_reader.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

const WORD LANG_EN_US = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033
const WORD LANG_NEUTRAL_DEFAULT = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);  // 1024

class ProgramResources : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const char* pszPath = std::getenv("KAVROST_RESOURCE_EXE");
        if (pszPath == NULL || *pszPath == '\0')
            return;
        s_strPath = NativePath(pszPath);
        s_hModule = LoadLibraryExA(s_strPath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }

    static void TearDownTestSuite()
    {
        if (s_hModule != NULL)
            FreeLibrary(s_hModule);
        s_hModule = NULL;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, std::getenv("KAVROST_RESOURCE_EXE"))
            << "KAVROST_RESOURCE_EXE must name the executable to check";
        ASSERT_NE(nullptr, s_hModule)
            << "cannot load " << s_strPath << " as a data file, error " << GetLastError();
    }

    static HMODULE Module() { return s_hModule; }

    static std::vector<BYTE> Read(LPCSTR pszType, WORD wName, WORD wLanguage)
    {
        std::vector<BYTE> data;
        ReadResource(s_hModule, pszType, MAKEINTRESOURCEA(wName), wLanguage, data);
        return data;
    }

private:
    static HMODULE s_hModule;
    static std::string s_strPath;
};

HMODULE ProgramResources::s_hModule = NULL;
std::string ProgramResources::s_strPath;

std::wstring Lower(std::wstring str)
{
    std::transform(str.begin(), str.end(), str.begin(),
                   [](wchar_t ch) { return static_cast<wchar_t>(std::towlower(ch)); });
    return str;
}

std::wstring Hex(DWORD dw)
{
    wchar_t sz[16];
    swprintf(sz, 16, L"0x%08lX", static_cast<unsigned long>(dw));
    return sz;
}

struct ExpectedControl
{
    DWORD dwId;
    const wchar_t* pszClass;
    const wchar_t* pszText;  // NULL: the text is an ordinal
    WORD wTextOrdinal;
    DWORD dwStyle;
    short x, y, cx, cy;
};

// Compares one control with its expected fields; the message names the control.
::testing::AssertionResult ControlMatches(const DialogControl& c, const ExpectedControl& e)
{
    std::wstring strText = c.text.bOrdinal ? L"#" + std::to_wstring(c.text.wOrdinal) : c.text.strName;
    std::wstring strWant = e.pszText ? std::wstring(e.pszText) : L"#" + std::to_wstring(e.wTextOrdinal);
    std::vector<std::string> faults;
    if (c.dwId != e.dwId)
        faults.push_back("id " + std::to_string(c.dwId) + ", expected " + std::to_string(e.dwId));
    if (Lower(ClassName(c.cls)) != Lower(e.pszClass))
        faults.push_back("another class than expected");
    if (strText != strWant || c.text.bOrdinal != (e.pszText == NULL))
        faults.push_back("another text than expected");
    if (c.dwStyle != e.dwStyle) {
        std::wstring w = Hex(c.dwStyle) + L", expected " + Hex(e.dwStyle);
        faults.push_back("style " + std::string(w.begin(), w.end()));
    }
    if (c.dwExStyle != 0 || c.dwHelpId != 0)
        faults.push_back("extended style or help id not 0");
    if (c.x != e.x || c.y != e.y || c.cx != e.cx || c.cy != e.cy)
        faults.push_back("rectangle " + std::to_string(c.x) + "," + std::to_string(c.y) + "," +
                         std::to_string(c.cx) + "," + std::to_string(c.cy));
    if (c.cbExtra != 0)
        faults.push_back("creation data present");
    if (faults.empty())
        return ::testing::AssertionSuccess();
    auto result = ::testing::AssertionFailure() << "control " << static_cast<int>(c.dwId) << ":";
    for (const auto& f : faults)
        result << " " << f << ";";
    return result;
}

void ExpectControls(const DialogTemplate& dlg, const std::vector<ExpectedControl>& expected)
{
    ASSERT_EQ(expected.size(), dlg.controls.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(ControlMatches(dlg.controls[i], expected[i])) << "tab position " << i;
}

// ---------------------------------------------------------------------------

class MainDialogTemplate : public ProgramResources {};

TEST_F(MainDialogTemplate, IsOneExtendedTemplateInEnglish)
{
    EXPECT_EQ(std::vector<WORD>{LANG_EN_US},
              ResourceLanguages(Module(), RT_DIALOG, MAKEINTRESOURCEA(IDD_REMOVER_DIALOG)));
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_REMOVER_DIALOG, LANG_EN_US), dlg));
    EXPECT_TRUE(dlg.bExtended);
    EXPECT_EQ(0u, dlg.dwHelpId);
}

TEST_F(MainDialogTemplate, FrameCaptionAndFont)
{
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_REMOVER_DIALOG, LANG_EN_US), dlg));
    EXPECT_EQ(Hex(0x90C800C0), Hex(dlg.dwStyle));
    EXPECT_EQ(Hex(WS_EX_APPWINDOW), Hex(dlg.dwExStyle));
    EXPECT_EQ(0, dlg.x);
    EXPECT_EQ(0, dlg.y);
    EXPECT_EQ(261, dlg.cx);
    EXPECT_EQ(138, dlg.cy);
    EXPECT_FALSE(dlg.menu.bOrdinal);
    EXPECT_EQ(L"", dlg.menu.strName) << "no menu";
    EXPECT_FALSE(dlg.cls.bOrdinal);
    EXPECT_EQ(L"", dlg.cls.strName) << "the default dialog class";
    EXPECT_EQ(L"Kavrost", dlg.strCaption);
    EXPECT_EQ(8, dlg.wPointSize);
    EXPECT_EQ(0, dlg.wWeight);
    EXPECT_EQ(0, dlg.bItalic);
    EXPECT_EQ(1, dlg.bCharSet);
    EXPECT_EQ(L"MS Sans Serif", dlg.strFace);
}

TEST_F(MainDialogTemplate, ControlsInTabOrder)
{
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_REMOVER_DIALOG, LANG_EN_US), dlg));
    ExpectControls(dlg, {
        {IDOK, L"Button", L"Delete!", 0, 0x50010001, 72, 117, 50, 14},
        {IDCANCEL, L"Button", L"Close", 0, 0x50010000, 138, 117, 50, 14},
        {IDC_PROMPT, L"Static", L"Select a user to delete", 0, 0x50020000, 25, 15, 200, 17},
        {IDC_USER_LIST, L"ListBox", L"", 0, 0x50A10103, 25, 36, 210, 67},
    });
}

// ---------------------------------------------------------------------------

class AboutDialogTemplate : public ProgramResources {};

TEST_F(AboutDialogTemplate, IsOneClassicTemplateInEnglish)
{
    EXPECT_EQ(std::vector<WORD>{LANG_EN_US},
              ResourceLanguages(Module(), RT_DIALOG, MAKEINTRESOURCEA(IDD_ABOUTBOX)));
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_ABOUTBOX, LANG_EN_US), dlg));
    EXPECT_FALSE(dlg.bExtended);
}

TEST_F(AboutDialogTemplate, FrameCaptionAndFont)
{
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_ABOUTBOX, LANG_EN_US), dlg));
    EXPECT_EQ(Hex(0x80C800C0), Hex(dlg.dwStyle)) << "not visible until it runs";
    EXPECT_EQ(Hex(0), Hex(dlg.dwExStyle));
    EXPECT_EQ(0, dlg.x);
    EXPECT_EQ(0, dlg.y);
    EXPECT_EQ(235, dlg.cx);
    EXPECT_EQ(55, dlg.cy);
    EXPECT_FALSE(dlg.menu.bOrdinal);
    EXPECT_EQ(L"", dlg.menu.strName);
    EXPECT_FALSE(dlg.cls.bOrdinal);
    EXPECT_EQ(L"", dlg.cls.strName);
    EXPECT_EQ(L"About Kavrost", dlg.strCaption);
    EXPECT_EQ(8, dlg.wPointSize);
    EXPECT_EQ(L"MS Sans Serif", dlg.strFace);
}

TEST_F(AboutDialogTemplate, ControlsInTabOrder)
{
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_ABOUTBOX, LANG_EN_US), dlg));
    ExpectControls(dlg, {
        {WORD(IDC_STATIC), L"Static", NULL, IDR_MAINFRAME, 0x50000003, 11, 17, 20, 20},
        {WORD(IDC_STATIC), L"Static", L"Kavrost Version 1.0", 0, 0x50020080, 40, 10, 119, 8},
        {WORD(IDC_STATIC), L"Static", L"Copyright (C) 2026 dabro. All rights reserved.", 0, 0x50020000, 40, 25, 125, 23},
        {IDOK, L"Button", L"OK", 0, 0x50030001, 178, 7, 50, 14},
    });
}

TEST_F(AboutDialogTemplate, CopyrightNoticeWrapsOntoTwoLines)
{
    DialogTemplate dlg;
    ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, IDD_ABOUTBOX, LANG_EN_US), dlg));
    ASSERT_EQ(4u, dlg.controls.size());
    const std::wstring str = dlg.controls[2].text.strName;
    // At about 4 dialog units per character, a 125-unit line holds some 30
    // characters; the 23-unit static has room for two lines of 8 units.
    EXPECT_GT(str.size(), 31u) << "too short to wrap onto a second line";
    EXPECT_LE(str.size(), 60u) << "too long for two lines";
}

// ---------------------------------------------------------------------------

class StringTable : public ProgramResources
{
protected:
    static std::vector<std::wstring> Block(WORD wBlock)
    {
        std::vector<std::wstring> strings;
        EXPECT_TRUE(ParseStringBlock(Read(RT_STRING, wBlock, LANG_EN_US), strings));
        return strings;
    }
};

TEST_F(StringTable, OneBlockInEnglishOnly)
{
    // Ids 101 to 109 all fall into block 7 (ids 96 to 111).
    EXPECT_EQ(std::vector<WORD>{7}, ResourceOrdinals(Module(), RT_STRING));
    EXPECT_EQ(std::vector<WORD>{LANG_EN_US},
              ResourceLanguages(Module(), RT_STRING, MAKEINTRESOURCEA(7)));
}

TEST_F(StringTable, TextsAreExactUtf16)
{
    std::vector<std::wstring> strings = Block(IDS_ABOUTBOX / 16 + 1);
    ASSERT_EQ(16u, strings.size());
    auto text = [&](int id) { return strings[id % 16]; };
    EXPECT_EQ(L"&About Kavrost...", text(IDS_ABOUTBOX));
    EXPECT_EQ(L"Select a local user to delete:", text(IDS_PROMPT_EN));
    EXPECT_EQ(L"L\u00f6schen!", text(IDS_DELETE_DE));
    EXPECT_EQ(L"Schliessen", text(IDS_CLOSE_DE));
    EXPECT_EQ(L"CAUTION: You are about to delete a local user - including all rooms owned "
              L"by this user.\nAre you sure?",
              text(IDS_CONFIRM_EN));
    EXPECT_EQ(L"VORSICHT: Sie werden die lokalen Daten eines Users l\u00f6schen. Alle "
              L"R\u00e4ume dieser Person werden mitgel\u00f6scht.\nM\u00f6" L"chten Sie das "
              L"wirklich tun?",
              text(IDS_CONFIRM_DE));
    EXPECT_EQ(L"User zum L\u00f6schen ausw\u00e4hlen:", text(IDS_PROMPT_DE));
    EXPECT_EQ(134u, text(IDS_CONFIRM_DE).size());
    EXPECT_EQ(L"Not everything of this user could be deleted.\nFiles in use, read-only files "
              L"and links may remain.",
              text(IDS_INCOMPLETE_EN));
    EXPECT_EQ(L"Nicht alles von diesem User konnte gel\u00f6scht werden.\nDateien in Gebrauch, "
              L"schreibgesch\u00fctzte Dateien und Verkn\u00fcpfungen k\u00f6nnen \u00fc" L"brig "
              L"bleiben.",
              text(IDS_INCOMPLETE_DE));
}

TEST_F(StringTable, NoOtherStringsAndNoStrayCharacters)
{
    std::vector<std::wstring> strings = Block(IDS_ABOUTBOX / 16 + 1);
    ASSERT_EQ(16u, strings.size());
    for (int id = 96; id < 112; ++id) {
        const std::wstring& str = strings[id % 16];
        if (id >= IDS_ABOUTBOX && id <= IDS_INCOMPLETE_DE) {
            EXPECT_EQ(std::wstring::npos, str.find(L'\r')) << "string " << id;
            EXPECT_EQ(std::wstring::npos, str.find(L'\0')) << "string " << id;
            EXPECT_TRUE(!str.empty() && str.back() != L'\n') << "string " << id;
            for (wchar_t ch : str)
                EXPECT_TRUE(ch == L'\n' || (ch >= 0x20 && ch < 0x7F) || ch == 0xF6 || ch == 0xE4 ||
                            ch == 0xFC)
                    << "string " << id << " holds U+" << std::hex << static_cast<int>(ch);
        } else {
            EXPECT_TRUE(str.empty()) << "string " << id << " should not exist";
        }
    }
}

TEST_F(StringTable, LoadsAsWindows1252)
{
    // The program loads its texts with the ANSI loader in code page 1252.
    char sz[256];
    ASSERT_EQ(8, LoadStringA(Module(), IDS_DELETE_DE, sz, sizeof sz));
    EXPECT_STREQ("L\xF6schen!", sz);
    ASSERT_EQ(27, LoadStringA(Module(), IDS_PROMPT_DE, sz, sizeof sz));
    EXPECT_STREQ("User zum L\xF6schen ausw\xE4hlen:", sz);
}

// ---------------------------------------------------------------------------

class IconGroup : public ProgramResources {};

#pragma pack(push, 1)
struct GroupHeader
{
    WORD wReserved, wType, wCount;
};
struct GroupEntry
{
    BYTE bWidth, bHeight, bColorCount, bReserved;
    WORD wPlanes, wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
#pragma pack(pop)

TEST_F(IconGroup, OnlyGroupIsNeutral)
{
    EXPECT_EQ(std::vector<WORD>{IDR_MAINFRAME}, ResourceOrdinals(Module(), RT_GROUP_ICON));
    EXPECT_EQ(std::vector<WORD>{LANG_NEUTRAL_DEFAULT},
              ResourceLanguages(Module(), RT_GROUP_ICON, MAKEINTRESOURCEA(IDR_MAINFRAME)));
}

TEST_F(IconGroup, HeaderAndEntries)
{
    std::vector<BYTE> data = Read(RT_GROUP_ICON, IDR_MAINFRAME, LANG_NEUTRAL_DEFAULT);
    ASSERT_EQ(sizeof(GroupHeader) + 2 * sizeof(GroupEntry), data.size());
    const GroupHeader* h = reinterpret_cast<const GroupHeader*>(data.data());
    EXPECT_EQ(0, h->wReserved);
    EXPECT_EQ(1, h->wType);
    ASSERT_EQ(2, h->wCount);
    const GroupEntry* e = reinterpret_cast<const GroupEntry*>(data.data() + sizeof(GroupHeader));
    const struct { int cx; DWORD cb; WORD nId; } expected[] = {{32, 2216, 1}, {16, 1384, 2}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        EXPECT_EQ(expected[i].cx, e[i].bWidth);
        EXPECT_EQ(expected[i].cx, e[i].bHeight);
        EXPECT_EQ(0, e[i].bColorCount);
        EXPECT_EQ(0, e[i].bReserved);
        EXPECT_EQ(1, e[i].wPlanes);
        EXPECT_EQ(8, e[i].wBitCount);
        EXPECT_EQ(expected[i].cb, e[i].dwBytesInRes);
        EXPECT_EQ(expected[i].nId, e[i].nId);
    }
}

TEST_F(IconGroup, ImagesAreNeutralBitmapsOfTheGivenSizes)
{
    EXPECT_EQ((std::vector<WORD>{1, 2}), ResourceOrdinals(Module(), RT_ICON));
    const struct { WORD nId; LONG cx; DWORD cb; DWORD cbImage; } images[] = {
        {1, 32, 2216, 1152}, {2, 16, 1384, 320}};
    for (const auto& img : images) {
        SCOPED_TRACE("icon " + std::to_string(img.nId));
        EXPECT_EQ(std::vector<WORD>{LANG_NEUTRAL_DEFAULT},
                  ResourceLanguages(Module(), RT_ICON, MAKEINTRESOURCEA(img.nId)));
        std::vector<BYTE> data = Read(RT_ICON, img.nId, LANG_NEUTRAL_DEFAULT);
        ASSERT_EQ(img.cb, data.size());
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, data.data(), sizeof bih);
        EXPECT_EQ(40u, bih.biSize);
        EXPECT_EQ(img.cx, bih.biWidth);
        EXPECT_EQ(2 * img.cx, bih.biHeight) << "colour image and mask";
        EXPECT_EQ(1, bih.biPlanes);
        EXPECT_EQ(8, bih.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), bih.biCompression);
        EXPECT_EQ(img.cbImage, bih.biSizeImage);
        EXPECT_EQ(40u + 256 * 4 + img.cbImage, data.size()) << "a full 256-entry palette";
    }
}

TEST_F(IconGroup, PictureIsOpaqueInsideAndTransparentInTheCorners)
{
    for (LONG cx : {32L, 16L}) {
        SCOPED_TRACE("size " + std::to_string(cx));
        std::vector<BYTE> data = Read(RT_ICON, cx == 32 ? 1 : 2, LANG_NEUTRAL_DEFAULT);
        ASSERT_FALSE(data.empty());
        const BYTE* palette = data.data() + 40;
        const BYTE* colours = palette + 256 * 4;
        const BYTE* mask = colours + cx * cx;
        const LONG cbMaskRow = 4;  // 32 or 16 bits, padded to 4 bytes
        ASSERT_EQ(data.size(), static_cast<size_t>(mask - data.data() + cbMaskRow * cx));
        // row 0 of the stored bitmap is the bottom row of the picture
        auto transparent = [&](LONG x, LONG row) {
            return (mask[row * cbMaskRow + x / 8] & (0x80 >> (x % 8))) != 0;
        };
        EXPECT_TRUE(transparent(0, 0));
        EXPECT_TRUE(transparent(cx - 1, 0));
        EXPECT_TRUE(transparent(0, cx - 1));
        EXPECT_TRUE(transparent(cx - 1, cx - 1));
        EXPECT_FALSE(transparent(cx / 2, cx / 2));
        // the middle of the picture is the yellow bar of the exclamation mark
        const BYTE* rgb = palette + 4 * colours[(cx / 2) * cx + cx / 2];  // blue, green, red
        EXPECT_GT(rgb[2], 200);
        EXPECT_GT(rgb[1], 200);
        EXPECT_LT(rgb[0], 80);
        // and left of it lies the red burst
        rgb = palette + 4 * colours[(cx / 2) * cx + cx / 4];
        EXPECT_GT(rgb[2], 150);
        EXPECT_LT(rgb[1], 80);
    }
}

// ---------------------------------------------------------------------------

class VersionBlock : public ProgramResources
{
protected:
    static VersionNode Root()
    {
        VersionNode root;
        EXPECT_TRUE(ParseVersion(Read(RT_VERSION, 1, LANG_EN_US), root));
        return root;
    }
};

TEST_F(VersionBlock, OneBlockInEnglish)
{
    EXPECT_EQ(std::vector<WORD>{1}, ResourceOrdinals(Module(), RT_VERSION));
    EXPECT_EQ(std::vector<WORD>{LANG_EN_US},
              ResourceLanguages(Module(), RT_VERSION, MAKEINTRESOURCEA(1)));
}

TEST_F(VersionBlock, FixedPart)
{
    VersionNode root = Root();
    EXPECT_EQ(L"VS_VERSION_INFO", root.strKey);
    EXPECT_EQ(0, root.wType);
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.value.size());
    VS_FIXEDFILEINFO ffi;
    std::memcpy(&ffi, root.value.data(), sizeof ffi);
    EXPECT_EQ(Hex(0xFEEF04BD), Hex(ffi.dwSignature));
    EXPECT_EQ(Hex(0x00010000), Hex(ffi.dwStrucVersion));
    EXPECT_EQ(Hex(0x00010000), Hex(ffi.dwFileVersionMS));
    EXPECT_EQ(Hex(0x00000001), Hex(ffi.dwFileVersionLS));
    EXPECT_EQ(Hex(0x00010000), Hex(ffi.dwProductVersionMS));
    EXPECT_EQ(Hex(0x00000001), Hex(ffi.dwProductVersionLS));
    EXPECT_EQ(Hex(0x3F), Hex(ffi.dwFileFlagsMask));
    EXPECT_EQ(Hex(0), Hex(ffi.dwFileFlags));
    EXPECT_EQ(Hex(VOS__WINDOWS32), Hex(ffi.dwFileOS));
    EXPECT_EQ(Hex(VFT_APP), Hex(ffi.dwFileType));
    EXPECT_EQ(Hex(0), Hex(ffi.dwFileSubtype));
    EXPECT_EQ(Hex(0), Hex(ffi.dwFileDateMS));
    EXPECT_EQ(Hex(0), Hex(ffi.dwFileDateLS));
}

TEST_F(VersionBlock, StringTableKeysInOrder)
{
    VersionNode root = Root();
    ASSERT_EQ(2u, root.children.size());
    const VersionNode& sfi = root.children[0];
    EXPECT_EQ(L"StringFileInfo", sfi.strKey);
    ASSERT_EQ(1u, sfi.children.size());
    const VersionNode& table = sfi.children[0];
    EXPECT_EQ(L"040904b0", table.strKey);

    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Comments", L"zell User Deletion Utility"},
        {L"CompanyName", L"www.dabro.com"},
        {L"FileDescription", L"Kavrost  Application"},
        {L"FileVersion", L"1, 0, 0, 1"},
        {L"InternalName", L"Kavrost"},
        {L"LegalCopyright", L"Copyright (C) 2026 dabro"},
        {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"Kavrost.EXE"},
        {L"PrivateBuild", L""},
        {L"ProductName", L"Kavrost Application"},
        {L"ProductVersion", L"1, 0, 0, 1"},
        {L"SpecialBuild", L""},
    };
    ASSERT_EQ(expected.size(), table.children.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const VersionNode& v = table.children[i];
        const std::wstring& key = expected[i].first;
        SCOPED_TRACE(std::string(key.begin(), key.end()));
        EXPECT_EQ(key, v.strKey);
        EXPECT_EQ(1, v.wType) << "a text value";
        ASSERT_FALSE(v.value.empty());
        // the value length counts the characters and the one terminating zero
        EXPECT_EQ(v.Text().size() + 1, v.wValueLength);
        EXPECT_EQ(expected[i].second, v.Text());
    }
}

TEST_F(VersionBlock, Translation)
{
    VersionNode root = Root();
    ASSERT_EQ(2u, root.children.size());
    const VersionNode& vfi = root.children[1];
    EXPECT_EQ(L"VarFileInfo", vfi.strKey);
    ASSERT_EQ(1u, vfi.children.size());
    const VersionNode& tr = vfi.children[0];
    EXPECT_EQ(L"Translation", tr.strKey);
    EXPECT_EQ(0, tr.wType);
    ASSERT_EQ(4u, tr.value.size());
    EXPECT_EQ(0x0409, tr.value[0] | (tr.value[1] << 8));
    EXPECT_EQ(0x04B0, tr.value[2] | (tr.value[3] << 8));
}

} // namespace
