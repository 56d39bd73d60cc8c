#include "platform/String.h"

#include "platform/Object.h"

#include <limits.h>
#include <mbstring.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

// The character-type dependent operations: multibyte-aware for CString, plain
// UTF-16 units for CStringW.
template <typename TChar>
struct Chars;

template <>
struct Chars<char>
{
    static const unsigned char* U(const char* p) { return reinterpret_cast<const unsigned char*>(p); }
    static int Length(const char* p) { return lstrlenA(p); }
    static int Compare(const char* a, const char* b) { return strcmp(a, b); }
    static const char* Find(const char* p, char ch)
    {
        return reinterpret_cast<const char*>(_mbschr(U(p), static_cast<unsigned char>(ch)));
    }
    static const char* FindLast(const char* p, char ch)
    {
        return reinterpret_cast<const char*>(_mbsrchr(U(p), static_cast<unsigned char>(ch)));
    }
    static size_t LengthWithin(const char* p, size_t n) { return strnlen(p, n); }
};

template <>
struct Chars<WCHAR>
{
    static int Length(const WCHAR* p) { return lstrlenW(p); }
    static int Compare(const WCHAR* a, const WCHAR* b) { return wcscmp(a, b); }
    static const WCHAR* Find(const WCHAR* p, WCHAR ch) { return wcschr(p, ch); }
    static const WCHAR* FindLast(const WCHAR* p, WCHAR ch) { return wcsrchr(p, ch); }
    static size_t LengthWithin(const WCHAR* p, size_t n) { return wcsnlen(p, n); }
};

template <typename TChar>
TChar* EmptyText()
{
    static TChar s_empty[1] = { 0 };
    return s_empty;
}

template <typename TChar>
int SafeLength(const TChar* psz)
{
    return psz != NULL ? Chars<TChar>::Length(psz) : 0;
}

template <typename TChar>
const TChar* NotNull(const TChar* psz)
{
    return psz != NULL ? psz : EmptyText<TChar>();
}

} // namespace

template <typename TChar>
CStringT<TChar>::CStringT() : m_pchData(EmptyText<TChar>()), m_nDataLength(0), m_nAllocLength(0)
{
}

template <typename TChar>
CStringT<TChar>::CStringT(const CStringT& src) : CStringT()
{
    AssignCopy(src.m_pchData, src.m_nDataLength);
}

template <typename TChar>
CStringT<TChar>::CStringT(PCXSTR psz) : CStringT()
{
    AssignCopy(psz, SafeLength(psz));
}

template <typename TChar>
CStringT<TChar>::CStringT(PCXSTR pch, int nLength) : CStringT()
{
    AssignCopy(pch, pch != NULL && nLength > 0 ? nLength : 0);
}

template <typename TChar>
CStringT<TChar>::~CStringT()
{
    Release();
}

template <typename TChar>
void CStringT<TChar>::Release()
{
    if (m_nAllocLength != 0)
        free(m_pchData);
    m_pchData = EmptyText<TChar>();
    m_nDataLength = 0;
    m_nAllocLength = 0;
}

template <typename TChar>
void CStringT<TChar>::Reserve(int nLength)
{
    if (nLength < 0 || static_cast<size_t>(nLength) >= (SIZE_MAX / sizeof(TChar)) - 1)
        AfxThrowMemoryException();
    if (nLength <= m_nAllocLength && m_nAllocLength != 0)
        return;
    if (nLength == 0)
        nLength = 1;   // an allocated buffer is never of size 0, which marks the shared one
    TChar* pNew = static_cast<TChar*>(malloc((static_cast<size_t>(nLength) + 1) * sizeof(TChar)));
    if (pNew == NULL)
        AfxThrowMemoryException();
    memcpy(pNew, m_pchData, (static_cast<size_t>(m_nDataLength) + 1) * sizeof(TChar));
    pNew[nLength] = 0;
    if (m_nAllocLength != 0)
        free(m_pchData);
    m_pchData = pNew;
    m_nAllocLength = nLength;
}

template <typename TChar>
void CStringT<TChar>::AssignCopy(PCXSTR pch, int nLength)
{
    if (nLength == 0) {
        Empty();
        return;
    }
    if (pch >= m_pchData && pch <= m_pchData + m_nDataLength) {
        // Assigning a part of this string to itself.
        CStringT copy(pch, nLength);
        *this = copy;
        return;
    }
    m_nDataLength = 0;
    m_pchData[0] = 0;
    Reserve(nLength);
    memcpy(m_pchData, pch, static_cast<size_t>(nLength) * sizeof(TChar));
    m_pchData[nLength] = 0;
    m_nDataLength = nLength;
}

template <typename TChar>
void CStringT<TChar>::ConcatInPlace(PCXSTR pch, int nLength)
{
    if (nLength == 0)
        return;
    if (pch >= m_pchData && pch <= m_pchData + m_nDataLength) {
        CStringT copy(pch, nLength);
        ConcatInPlace(copy.m_pchData, copy.m_nDataLength);
        return;
    }
    if (nLength > INT_MAX - 1 - m_nDataLength)
        AfxThrowMemoryException();
    int nTotal = m_nDataLength + nLength;
    if (nTotal > m_nAllocLength) {
        // Grow geometrically so that appending in a loop stays linear.
        int nGrow = m_nAllocLength / 2 < INT_MAX - nTotal ? m_nAllocLength / 2 : 0;
        Reserve(nTotal + nGrow);
    }
    memcpy(m_pchData + m_nDataLength, pch, static_cast<size_t>(nLength) * sizeof(TChar));
    m_nDataLength = nTotal;
    m_pchData[nTotal] = 0;
}

template <typename TChar>
CStringT<TChar>& CStringT<TChar>::operator=(const CStringT& src)
{
    if (this != &src)
        AssignCopy(src.m_pchData, src.m_nDataLength);
    return *this;
}

template <typename TChar>
CStringT<TChar>& CStringT<TChar>::operator=(PCXSTR psz)
{
    AssignCopy(psz, SafeLength(psz));
    return *this;
}

template <typename TChar>
CStringT<TChar>& CStringT<TChar>::operator+=(const CStringT& src)
{
    ConcatInPlace(src.m_pchData, src.m_nDataLength);
    return *this;
}

template <typename TChar>
CStringT<TChar>& CStringT<TChar>::operator+=(PCXSTR psz)
{
    ConcatInPlace(psz, SafeLength(psz));
    return *this;
}

template <typename TChar>
CStringT<TChar>& CStringT<TChar>::operator+=(TChar ch)
{
    ConcatInPlace(&ch, 1);
    return *this;
}

template <typename TChar>
void CStringT<TChar>::Empty()
{
    if (m_nAllocLength != 0) {
        m_nDataLength = 0;
        m_pchData[0] = 0;
    }
}

template <typename TChar>
int CStringT<TChar>::Compare(PCXSTR psz) const
{
    return Chars<TChar>::Compare(m_pchData, NotNull(psz));
}

template <typename TChar>
int CStringT<TChar>::Find(TChar ch) const
{
    if (ch == 0)
        return -1;
    PCXSTR p = Chars<TChar>::Find(m_pchData, ch);
    return p != NULL ? static_cast<int>(p - m_pchData) : -1;
}

template <typename TChar>
int CStringT<TChar>::ReverseFind(TChar ch) const
{
    if (ch == 0)
        return -1;
    PCXSTR p = Chars<TChar>::FindLast(m_pchData, ch);
    return p != NULL ? static_cast<int>(p - m_pchData) : -1;
}

template <typename TChar>
CStringT<TChar> CStringT<TChar>::Left(int nCount) const
{
    return Mid(0, nCount);
}

template <typename TChar>
CStringT<TChar> CStringT<TChar>::Mid(int nFirst) const
{
    return Mid(nFirst, m_nDataLength);
}

template <typename TChar>
CStringT<TChar> CStringT<TChar>::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst > m_nDataLength)
        nFirst = m_nDataLength;
    if (nCount < 0)
        nCount = 0;
    if (nCount > m_nDataLength - nFirst)
        nCount = m_nDataLength - nFirst;
    return CStringT(m_pchData + nFirst, nCount);
}

template <typename TChar>
void CStringT<TChar>::Swap(CStringT& other)
{
    TChar* pchData = m_pchData;
    int nDataLength = m_nDataLength;
    int nAllocLength = m_nAllocLength;
    m_pchData = other.m_pchData;
    m_nDataLength = other.m_nDataLength;
    m_nAllocLength = other.m_nAllocLength;
    other.m_pchData = pchData;
    other.m_nDataLength = nDataLength;
    other.m_nAllocLength = nAllocLength;
}

template <>
BOOL CStringT<char>::LoadString(UINT nID)
{
    Empty();
    // With a zero buffer size the loader hands out a pointer to the stored UTF-16
    // text, which is not zero-terminated.
    LPCWSTR pwsz = NULL;
    int nWide = LoadStringW(GetModuleHandleW(NULL), nID, reinterpret_cast<LPWSTR>(&pwsz), 0);
    if (nWide <= 0)
        return FALSE;
    int nBytes = WideCharToMultiByte(CP_ACP, 0, pwsz, nWide, NULL, 0, NULL, NULL);
    if (nBytes <= 0)
        return FALSE;
    WideCharToMultiByte(CP_ACP, 0, pwsz, nWide, GetBuffer(nBytes), nBytes, NULL, NULL);
    ReleaseBuffer(nBytes);
    return TRUE;
}

template <typename TChar>
TChar* CStringT<TChar>::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength < m_nDataLength)
        nMinBufLength = m_nDataLength;
    Reserve(nMinBufLength);
    return m_pchData;
}

template <typename TChar>
void CStringT<TChar>::ReleaseBuffer(int nNewLength)
{
    if (m_nAllocLength == 0)
        return;
    if (nNewLength < 0 || nNewLength > m_nAllocLength) {
        // Up to the first zero; the character behind the buffer stops the search.
        nNewLength = static_cast<int>(
            Chars<TChar>::LengthWithin(m_pchData, static_cast<size_t>(m_nAllocLength)));
    }
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = 0;
}

template class CStringT<char>;
template class CStringT<WCHAR>;
