#include "resource_reader.h"

#include <algorithm>
#include <cstring>

namespace {

// Reads little-endian fields from a byte buffer; any read past the end sets
// the failure flag and yields zero.
class Reader
{
public:
    Reader(const std::vector<BYTE>& data, size_t nStart = 0, size_t nEnd = SIZE_MAX)
        : m_data(data), m_nPos(nStart), m_nEnd(std::min(nEnd, data.size())) {}

    bool Failed() const { return m_bFailed; }
    size_t Pos() const { return m_nPos; }

    template <class T> T Get()
    {
        T value = 0;
        if (Take(sizeof(T)))
            std::memcpy(&value, &m_data[m_nPos - sizeof(T)], sizeof(T));
        return value;
    }

    std::wstring GetString()
    {
        std::wstring str;
        for (;;) {
            WORD ch = Get<WORD>();
            if (ch == 0 || m_bFailed)
                return str;
            str += static_cast<wchar_t>(ch);
        }
    }

    NameOrOrdinal GetNameOrOrdinal()
    {
        NameOrOrdinal n;
        WORD first = Get<WORD>();
        if (first == 0xFFFF) {
            n.bOrdinal = true;
            n.wOrdinal = Get<WORD>();
        } else if (first != 0) {
            n.strName = static_cast<wchar_t>(first);
            n.strName += GetString();
        }
        return n;
    }

    std::vector<BYTE> GetBytes(size_t n)
    {
        if (!Take(n))
            return {};
        return std::vector<BYTE>(m_data.begin() + (m_nPos - n), m_data.begin() + m_nPos);
    }

    // Skips to the next multiple of 4, counted from the start of the resource.
    void AlignDword() { m_nPos = std::min((m_nPos + 3) & ~size_t(3), m_nEnd); }

private:
    // Moves past n bytes; where fewer are left, moves to the end and fails.
    bool Take(size_t n)
    {
        m_bFailed = m_bFailed || m_nPos + n > m_nEnd;
        m_nPos = m_bFailed ? m_nEnd : m_nPos + n;
        return !m_bFailed;
    }

    const std::vector<BYTE>& m_data;
    size_t m_nPos;
    size_t m_nEnd;
    bool m_bFailed = false;
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR pszName, LONG_PTR lParam)
{
    if (IS_INTRESOURCE(pszName))
        reinterpret_cast<std::vector<WORD>*>(lParam)->push_back(
            static_cast<WORD>(reinterpret_cast<ULONG_PTR>(pszName)));
    else
        reinterpret_cast<std::vector<WORD>*>(lParam)->push_back(0xFFFF);  // named: never ours
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD wLanguage, LONG_PTR lParam)
{
    reinterpret_cast<std::vector<WORD>*>(lParam)->push_back(wLanguage);
    return TRUE;
}

bool ParseVersionNode(const std::vector<BYTE>& data, size_t nStart, VersionNode& node)
{
    Reader r(data, nStart);
    node.wLength = r.Get<WORD>();
    node.wValueLength = r.Get<WORD>();
    node.wType = r.Get<WORD>();
    if (r.Failed() || node.wLength < 6 || nStart + node.wLength > data.size())
        return false;
    size_t nEnd = nStart + node.wLength;
    Reader body(data, r.Pos(), nEnd);
    node.strKey = body.GetString();
    body.AlignDword();
    size_t cbValue = node.wType == 1 ? node.wValueLength * 2u : node.wValueLength;
    node.value = body.GetBytes(cbValue);
    if (body.Failed())
        return false;
    body.AlignDword();
    size_t nPos = body.Pos();
    while (nPos < nEnd) {
        VersionNode child;
        if (!ParseVersionNode(data, nPos, child) || nPos + child.wLength > nEnd)
            return false;
        nPos = (nPos + child.wLength + 3) & ~size_t(3);
        node.children.push_back(child);
    }
    return true;
}

} // namespace

std::wstring VersionNode::Text() const
{
    std::wstring str;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        wchar_t ch = static_cast<wchar_t>(value[i] | (value[i + 1] << 8));
        if (ch == 0)
            break;
        str += ch;
    }
    return str;
}

bool ReadResource(HMODULE hModule, LPCSTR pszType, LPCSTR pszName, WORD wLanguage,
                  std::vector<BYTE>& data)
{
    data.clear();
    HRSRC hRes = FindResourceExA(hModule, pszType, pszName, wLanguage);
    if (hRes == NULL)
        return false;
    DWORD cb = SizeofResource(hModule, hRes);
    HGLOBAL hData = LoadResource(hModule, hRes);
    const BYTE* p = hData ? static_cast<const BYTE*>(LockResource(hData)) : NULL;
    if (p == NULL)
        return false;
    data.assign(p, p + cb);
    return true;
}

std::vector<WORD> ResourceOrdinals(HMODULE hModule, LPCSTR pszType)
{
    std::vector<WORD> names;
    EnumResourceNamesA(hModule, pszType, CollectName, reinterpret_cast<LONG_PTR>(&names));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<WORD> ResourceLanguages(HMODULE hModule, LPCSTR pszType, LPCSTR pszName)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(hModule, pszType, pszName, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    std::sort(languages.begin(), languages.end());
    return languages;
}

bool ParseDialog(const std::vector<BYTE>& data, DialogTemplate& dlg)
{
    dlg = DialogTemplate();
    Reader r(data);
    // An extended template starts with its version 1 and the signature 0xFFFF, then its help
    // id; it holds the extended style before the style, a classic one after it.
    dlg.bExtended = data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
    auto styles = [&](DWORD& dwHelpId, DWORD& dwStyle, DWORD& dwExStyle) {
        dwHelpId = dlg.bExtended ? r.Get<DWORD>() : 0;
        DWORD dwFirst = r.Get<DWORD>(), dwSecond = r.Get<DWORD>();
        dwStyle = dlg.bExtended ? dwSecond : dwFirst;
        dwExStyle = dlg.bExtended ? dwFirst : dwSecond;
    };
    if (dlg.bExtended)
        r.Get<DWORD>();
    styles(dlg.dwHelpId, dlg.dwStyle, dlg.dwExStyle);
    WORD cItems = r.Get<WORD>();
    dlg.x = r.Get<short>(); dlg.y = r.Get<short>(); dlg.cx = r.Get<short>(); dlg.cy = r.Get<short>();
    dlg.menu = r.GetNameOrOrdinal();
    dlg.cls = r.GetNameOrOrdinal();
    dlg.strCaption = r.GetString();
    if (dlg.dwStyle & DS_SETFONT) {
        dlg.wPointSize = r.Get<WORD>();
        if (dlg.bExtended) {
            dlg.wWeight = r.Get<WORD>();
            dlg.bItalic = r.Get<BYTE>();
            dlg.bCharSet = r.Get<BYTE>();
        }
        dlg.strFace = r.GetString();
    }
    for (WORD i = 0; i < cItems && !r.Failed(); ++i) {
        DialogControl c;
        r.AlignDword();
        styles(c.dwHelpId, c.dwStyle, c.dwExStyle);
        c.x = r.Get<short>(); c.y = r.Get<short>(); c.cx = r.Get<short>(); c.cy = r.Get<short>();
        c.dwId = dlg.bExtended ? r.Get<DWORD>() : r.Get<WORD>();
        c.cls = r.GetNameOrOrdinal();
        c.text = r.GetNameOrOrdinal();
        c.cbExtra = r.Get<WORD>();
        r.GetBytes(c.cbExtra);
        dlg.controls.push_back(c);
    }
    return !r.Failed();
}

bool ParseStringBlock(const std::vector<BYTE>& data, std::vector<std::wstring>& strings)
{
    strings.clear();
    Reader r(data);
    for (int i = 0; i < 16; ++i) {
        WORD cch = r.Get<WORD>();
        std::wstring str;
        for (WORD j = 0; j < cch; ++j)
            str += static_cast<wchar_t>(r.Get<WORD>());
        strings.push_back(str);
    }
    return !r.Failed();
}

bool ParseVersion(const std::vector<BYTE>& data, VersionNode& root)
{
    root = VersionNode();
    return ParseVersionNode(data, 0, root);
}

std::wstring ClassName(const NameOrOrdinal& cls)
{
    static const wchar_t* const kPredefined[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
    if (!cls.bOrdinal)
        return cls.strName;
    if (cls.wOrdinal >= 0x80 && cls.wOrdinal <= 0x85)
        return kPredefined[cls.wOrdinal - 0x80];
    return L"#" + std::to_wstring(cls.wOrdinal);
}
