// Checks the resources of the built program, read back from the executable as
// a data file. The program to check is named by KAVROST_RESOURCE_EXE; a 64-bit
// test process can read a 32-bit executable this way too.
#include "resource_reader.h"
#include "support/Scratch.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Newer than the oldest system the build's headers are set for.
extern "C" WINBASEAPI BOOL WINAPI QueryActCtxSettingsW(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*);

const WORD LANG_EN_US = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033
const WORD LANG_NEUTRAL_DEFAULT = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);  // 1024
const WORD LANG_NEUTRAL_NEUTRAL = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);  // 0

// The program named by KAVROST_RESOURCE_EXE, loaded as a data file for each case.
class ProgramResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* pszPath = std::getenv("KAVROST_RESOURCE_EXE");
        ASSERT_TRUE(pszPath != NULL && *pszPath != '\0') << "KAVROST_RESOURCE_EXE must name the executable to check";
        m_strPath = WindowsPath(pszPath);
        m_hModule = LoadLibraryExA(m_strPath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_hModule) << "cannot load " << pszPath << " as a data file, error " << GetLastError();
    }

    void TearDown() override
    {
        if (m_hModule != NULL)
            FreeLibrary(m_hModule);
    }

    HMODULE Module() const { return m_hModule; }
    const std::string& Path() const { return m_strPath; }

    std::vector<BYTE> Read(LPCSTR pszType, WORD wName, WORD wLanguage) const
    {
        std::vector<BYTE> data;
        ReadResource(m_hModule, pszType, MAKEINTRESOURCEA(wName), wLanguage, data);
        return data;
    }

private:
    std::string m_strPath;
    HMODULE m_hModule = NULL;
};

std::wstring Hex(DWORD dw)
{
    wchar_t sz[16];
    swprintf(sz, 16, L"0x%08lX", static_cast<unsigned long>(dw));
    return sz;
}

std::wstring Lower(std::wstring str)
{
    std::transform(str.begin(), str.end(), str.begin(),
                   [](wchar_t ch) { return static_cast<wchar_t>(std::towlower(ch)); });
    return str;
}

std::wstring Text(const NameOrOrdinal& n)
{
    return n.bOrdinal ? L"#" + std::to_wstring(n.wOrdinal) : L"'" + n.strName + L"'";
}

// A rectangle, and what a template holds beyond it only where it is not 0.
std::wstring Place(short x, short y, short cx, short cy, DWORD dwExStyle, DWORD dwHelpId, DWORD cbExtra = 0)
{
    wchar_t sz[160];
    swprintf(sz, 160, L" at %d,%d size %dx%d", x, y, cx, cy);
    std::wstring place = sz;
    if (dwExStyle != 0)
        place += L" extended style " + Hex(dwExStyle);
    if (dwHelpId != 0)
        place += L" help id " + std::to_wstring(dwHelpId);
    if (cbExtra != 0)
        place += L" creation data " + std::to_wstring(cbExtra);
    return place;
}

// A dialog's frame and each of its controls as one line, to compare with the expected line.
std::wstring Frame(const DialogTemplate& d)
{
    return std::wstring(d.bExtended ? L"extended" : L"classic") + L" " + Hex(d.dwStyle) +
           Place(d.x, d.y, d.cx, d.cy, d.dwExStyle, d.dwHelpId) + L" menu " + Text(d.menu) + L" class " +
           Text(d.cls) + L" caption '" + d.strCaption + L"' font " + std::to_wstring(d.wPointSize) + L" '" +
           d.strFace + L"' weight " + std::to_wstring(d.wWeight) + L" italic " + std::to_wstring(d.bItalic) +
           L" charset " + std::to_wstring(d.bCharSet);
}

std::wstring Control(const DialogControl& c)
{
    return L"id " + std::to_wstring(c.dwId) + L" " + Lower(ClassName(c.cls)) + L" " + Text(c.text) + L" " +
           Hex(c.dwStyle) + Place(c.x, c.y, c.cx, c.cy, c.dwExStyle, c.dwHelpId, c.cbExtra);
}

// ---------------------------------------------------------------------------

TEST_F(ProgramResources, EachTypeHoldsOnlyItsIdsEachInOneLanguage)
{
    const struct { const char* name; LPCSTR pszType; std::vector<WORD> ids; WORD wLanguage; } types[] = {
        {"dialogs", RT_DIALOG, {IDD_ABOUTBOX, IDD_REMOVER_DIALOG}, LANG_EN_US},
        {"string blocks", RT_STRING, {7}, LANG_EN_US},   // ids 101 to 109 all fall into block 7 (96 to 111)
        {"icon groups", RT_GROUP_ICON, {IDR_MAINFRAME}, LANG_NEUTRAL_DEFAULT},
        {"icon images", RT_ICON, {1, 2}, LANG_NEUTRAL_DEFAULT},
        {"version blocks", RT_VERSION, {1}, LANG_EN_US},
        // Windows reads the manifest of a process from resource 1 only.
        {"manifests", RT_MANIFEST, {1}, LANG_NEUTRAL_NEUTRAL},
    };
    for (const auto& type : types) {
        SCOPED_TRACE(type.name);
        EXPECT_EQ(type.ids, ResourceOrdinals(Module(), type.pszType));
        for (WORD wId : type.ids)
            EXPECT_EQ(std::vector<WORD>{type.wLanguage},
                      ResourceLanguages(Module(), type.pszType, MAKEINTRESOURCEA(wId))) << "id " << wId;
    }
}

// ---------------------------------------------------------------------------

class DialogTemplates : public ProgramResources
{
protected:
    void ExpectDialog(WORD wId, const std::wstring& frame, const std::vector<std::wstring>& controls)
    {
        DialogTemplate dlg;
        ASSERT_TRUE(ParseDialog(Read(RT_DIALOG, wId, LANG_EN_US), dlg));
        EXPECT_EQ(frame, Frame(dlg));
        ASSERT_EQ(controls.size(), dlg.controls.size());
        for (size_t i = 0; i < controls.size(); ++i)
            EXPECT_EQ(controls[i], Control(dlg.controls[i])) << "tab position " << i;
    }
};

TEST_F(DialogTemplates, MainDialogFrameAndControlsInTabOrder)
{
    ExpectDialog(IDD_REMOVER_DIALOG,
                 L"extended 0x90C800C0 at 0,0 size 261x138 extended style 0x00040000 menu '' class '' "
                 L"caption 'Kavrost' font 8 'MS Sans Serif' weight 0 italic 0 charset 1",
                 {L"id 1 button 'Delete!' 0x50010001 at 72,117 size 50x14",
                  L"id 2 button 'Close' 0x50010000 at 138,117 size 50x14",
                  L"id 1001 static 'Select a user to delete' 0x50020000 at 25,15 size 200x17",
                  L"id 1000 listbox '' 0x50A10103 at 25,36 size 210x67"});
}

// Not visible until it runs.
TEST_F(DialogTemplates, AboutBoxFrameAndControlsInTabOrder)
{
    ExpectDialog(IDD_ABOUTBOX,
                 L"classic 0x80C800C0 at 0,0 size 235x55 menu '' class '' "
                 L"caption 'About Kavrost' font 8 'MS Sans Serif' weight 0 italic 0 charset 0",
                 {L"id 65535 static #128 0x50000003 at 11,17 size 20x20",
                  L"id 65535 static 'Kavrost Version 1.0' 0x50020080 at 40,10 size 119x8",
                  L"id 65535 static 'Copyright (C) 2026 dabro. All rights reserved.' 0x50020000 at 40,25 size 125x23",
                  L"id 1 button 'OK' 0x50030001 at 178,7 size 50x14"});
}

// ---------------------------------------------------------------------------

using StringTable = ProgramResources;

TEST_F(StringTable, TextsAreExactUtf16AndNoOthers)
{
    std::vector<std::wstring> strings, expected(16);
    ASSERT_TRUE(ParseStringBlock(Read(RT_STRING, IDS_ABOUTBOX / 16 + 1, LANG_EN_US), strings));
    expected[IDS_ABOUTBOX % 16] = L"&About Kavrost...";
    expected[IDS_PROMPT_EN % 16] = L"Select a local user to delete:";
    expected[IDS_DELETE_DE % 16] = L"L\u00f6schen!";
    expected[IDS_CLOSE_DE % 16] = L"Schliessen";
    expected[IDS_CONFIRM_EN % 16] = L"CAUTION: You are about to delete a local user - including all rooms owned "
                                    L"by this user.\nAre you sure?";
    expected[IDS_CONFIRM_DE % 16] = L"VORSICHT: Sie werden die lokalen Daten eines Users l\u00f6schen. Alle "
                                    L"R\u00e4ume dieser Person werden mitgel\u00f6scht.\nM\u00f6" L"chten Sie das "
                                    L"wirklich tun?";
    expected[IDS_PROMPT_DE % 16] = L"User zum L\u00f6schen ausw\u00e4hlen:";
    expected[IDS_INCOMPLETE_EN % 16] = L"Not everything of this user could be deleted.\nFiles in use, read-only "
                                       L"files and links may remain.";
    expected[IDS_INCOMPLETE_DE % 16] = L"Nicht alles von diesem User konnte gel\u00f6scht werden.\nDateien in "
                                       L"Gebrauch, schreibgesch\u00fctzte Dateien und Verkn\u00fcpfungen "
                                       L"k\u00f6nnen \u00fc" L"brig bleiben.";
    ASSERT_EQ(16u, strings.size());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(expected[i], strings[i]) << "string " << IDS_ABOUTBOX / 16 * 16 + i;
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

using IconGroup = ProgramResources;

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

std::wstring Numbers(std::initializer_list<unsigned long> numbers)
{
    std::wstring text;
    for (unsigned long n : numbers)
        text += (text.empty() ? L"" : L" ") + std::to_wstring(n);
    return text;
}

TEST_F(IconGroup, HeaderAndEntries)
{
    std::vector<BYTE> data = Read(RT_GROUP_ICON, IDR_MAINFRAME, LANG_NEUTRAL_DEFAULT);
    ASSERT_EQ(sizeof(GroupHeader) + 2 * sizeof(GroupEntry), data.size());
    const GroupHeader* h = reinterpret_cast<const GroupHeader*>(data.data());
    EXPECT_EQ(L"reserved 0 type 1 count 2", L"reserved " + Numbers({h->wReserved}) + L" type " +
                                                Numbers({h->wType}) + L" count " + Numbers({h->wCount}));
    // Each entry: width, height, colours, reserved, planes, bits per pixel, bytes, image id.
    const GroupEntry* e = reinterpret_cast<const GroupEntry*>(data.data() + sizeof(GroupHeader));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(i == 0 ? L"32 32 0 0 1 8 2216 1" : L"16 16 0 0 1 8 1384 2",
                  Numbers({e[i].bWidth, e[i].bHeight, e[i].bColorCount, e[i].bReserved, e[i].wPlanes,
                           e[i].wBitCount, e[i].dwBytesInRes, e[i].nId})) << "entry " << i + 1;
}

TEST_F(IconGroup, ImagesAreNeutralBitmapsOfTheGivenSizes)
{
    // Header size, width, height (the colour image and the mask), planes, bits per pixel,
    // compression and image size; after the header a full 256-entry palette, then the image.
    const struct { WORD nId; DWORD cbImage; const wchar_t* header; } images[] = {
        {1, 1152, L"40 32 64 1 8 0 1152"}, {2, 320, L"40 16 32 1 8 0 320"}};
    for (const auto& img : images) {
        std::vector<BYTE> data = Read(RT_ICON, img.nId, LANG_NEUTRAL_DEFAULT);
        ASSERT_EQ(40u + 256 * 4 + img.cbImage, data.size()) << "icon " << img.nId;
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, data.data(), sizeof bih);
        EXPECT_EQ(img.header, Numbers({bih.biSize, static_cast<unsigned long>(bih.biWidth),
                                       static_cast<unsigned long>(bih.biHeight), bih.biPlanes, bih.biBitCount,
                                       bih.biCompression, bih.biSizeImage})) << "icon " << img.nId;
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
    VersionNode Root() const
    {
        VersionNode root;
        EXPECT_TRUE(ParseVersion(Read(RT_VERSION, 1, LANG_EN_US), root));
        return root;
    }
};

TEST_F(VersionBlock, FixedPart)
{
    VersionNode root = Root();
    EXPECT_EQ(L"VS_VERSION_INFO", root.strKey);
    EXPECT_EQ(0, root.wType);
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.value.size());
    VS_FIXEDFILEINFO ffi;
    std::memcpy(&ffi, root.value.data(), sizeof ffi);
    // The structure's thirteen fields in their order.
    const struct { const char* name; DWORD dw; } expected[] = {
        {"signature", 0xFEEF04BD}, {"structure version", 0x00010000}, {"file version MS", 0x00010000},
        {"file version LS", 1}, {"product version MS", 0x00010000}, {"product version LS", 1},
        {"flags mask", 0x3F}, {"flags", 0}, {"OS", VOS__WINDOWS32}, {"type", VFT_APP}, {"subtype", 0},
        {"date MS", 0}, {"date LS", 0}};
    const DWORD* fields = &ffi.dwSignature;
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(Hex(expected[i].dw), Hex(fields[i])) << expected[i].name;
}

TEST_F(VersionBlock, StringTableKeysInOrderAndTranslation)
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

    // U.S. English in Unicode (code page 1200).
    const VersionNode& vfi = root.children[1];
    EXPECT_EQ(L"VarFileInfo", vfi.strKey);
    ASSERT_EQ(1u, vfi.children.size());
    const VersionNode& tr = vfi.children[0];
    EXPECT_EQ(L"Translation", tr.strKey);
    EXPECT_EQ(0, tr.wType);
    EXPECT_EQ((std::vector<BYTE>{0x09, 0x04, 0xB0, 0x04}), tr.value);
}

// ---------------------------------------------------------------------------

// The application manifest, as the system reads it for a process of the program: Windows
// refuses to start a program whose manifest it cannot read, and ignores a setting that is
// not in the namespace it looks in.
class Manifest : public ProgramResources
{
protected:
    void SetUp() override
    {
        ProgramResources::SetUp();
        ACTCTXA ctx = {sizeof ctx, ACTCTX_FLAG_RESOURCE_NAME_VALID, Path().c_str(), 0, 0, NULL,
                       MAKEINTRESOURCEA(1), NULL, NULL};
        m_hContext = CreateActCtxA(&ctx);
        ASSERT_NE(INVALID_HANDLE_VALUE, m_hContext)
            << "the system cannot read the manifest or find an assembly it names, error " << GetLastError();
    }
    void TearDown() override
    {
        if (m_hContext != INVALID_HANDLE_VALUE)
            ReleaseActCtx(m_hContext);
        ProgramResources::TearDown();
    }
    // What a query of the context answers; empty where it fails.
    std::vector<BYTE> Query(ULONG ulClass, DWORD dwIndex = 0) const
    {
        std::vector<BYTE> info(4096);
        SIZE_T cb = 0;
        if (!QueryActCtxW(0, m_hContext, dwIndex ? &dwIndex : NULL, ulClass, info.data(), info.size(), &cb))
            cb = 0;
        info.resize(cb);
        return info;
    }
    std::wstring Setting(const wchar_t* pszNamespace, const wchar_t* pszName) const
    {
        wchar_t sz[64] = L"";
        SIZE_T cch = 0;
        return QueryActCtxSettingsW(0, m_hContext, pszNamespace, pszName, sz, 64, &cch) ? sz : L"(none)";
    }
    HANDLE m_hContext = INVALID_HANDLE_VALUE;
};

TEST_F(Manifest, BindsTheVersion6CommonControlsAndAsksForNoExecutionLevel)
{
    // The assembly the program depends on, second after its own, as the system bound it.
    std::vector<BYTE> info = Query(AssemblyDetailedInformationInActivationContext, 2);
    ASSERT_FALSE(info.empty()) << "the manifest names no dependency";
    std::wstring id = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(
        info.data())->lpAssemblyEncodedAssemblyIdentity;
    EXPECT_EQ(0u, id.find(L"Microsoft.Windows.Common-Controls,")) << id;
    EXPECT_NE(std::wstring::npos, id.find(L"publicKeyToken=\"6595b64144ccf1df\"")) << id;
    EXPECT_NE(std::wstring::npos, id.find(L"version=\"6.")) << id;
    info = Query(RunlevelInformationInActivationContext);
    ASSERT_EQ(sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION), info.size());
    EXPECT_EQ(ACTCTX_RUN_LEVEL_UNSPECIFIED,
              reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(info.data())->RunLevel);
}

// Vista to 8.1 read dpiAware (system aware); 10 from 1703 on dpiAwareness (per monitor,
// dialogs rescaled by the system; 1607 knows only the second choice).
TEST_F(Manifest, DpiAwareInBothNamespacesAndSupportsVistaTo11)
{
    EXPECT_EQ(L"true", Setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"));
    EXPECT_EQ(L"PerMonitorV2, System",
              Setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"));
    // Each element of the answer: the id, its kind (1: an operating system), and the version tested.
    struct Element { GUID id; DWORD dwType; ULONGLONG ullMaxVersionTested; };
    std::vector<BYTE> info = Query(CompatibilityInformationInActivationContext);
    ASSERT_GE(info.size(), 8u);
    std::vector<std::wstring> ids;
    for (size_t nPos = 8; nPos + sizeof(Element) <= info.size(); nPos += sizeof(Element)) {
        const Element& e = *reinterpret_cast<const Element*>(info.data() + nPos);
        wchar_t sz[48];
        swprintf(sz, 48, L"%lu {%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", e.dwType, e.id.Data1,
                 e.id.Data2, e.id.Data3, e.id.Data4[0], e.id.Data4[1], e.id.Data4[2], e.id.Data4[3],
                 e.id.Data4[4], e.id.Data4[5], e.id.Data4[6], e.id.Data4[7]);
        ids.push_back(sz);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ((std::vector<std::wstring>{L"1 {1f676c76-80e1-4239-95bb-83d0f6d0da78}",     // 8.1
                                         L"1 {35138b9a-5d96-4fbd-8e2d-a2440225f93a}",     // 7
                                         L"1 {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",     // 8
                                         L"1 {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",     // 10 and 11
                                         L"1 {e2011457-1546-43c5-a5fe-008deee3d3f0}"}),   // Vista
              ids);
}

} // namespace
