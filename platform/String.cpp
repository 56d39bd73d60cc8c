#include "platform/String.h"

#include "platform/Object.h"

#include <limits.h>
#include <mbstring.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char s_emptyText[1] = { 0 };

int SafeLength(LPCSTR psz)
{
    return psz != NULL ? lstrlenA(psz) : 0;
}

} // namespace

CString::CString() : m_pchData(s_emptyText), m_nDataLength(0), m_nAllocLength(0) {}

CString::CString(const CString& src) : CString()
{
    AssignCopy(src.m_pchData, src.m_nDataLength);
}

CString::CString(LPCSTR psz) : CString()
{
    AssignCopy(psz, SafeLength(psz));
}

CString::CString(LPCSTR pch, int nLength) : CString()
{
    AssignCopy(pch, pch != NULL && nLength > 0 ? nLength : 0);
}

CString::~CString()
{
    Release();
}

void CString::Release()
{
    if (m_nAllocLength != 0)
        free(m_pchData);
    m_pchData = s_emptyText;
    m_nDataLength = 0;
    m_nAllocLength = 0;
}

void CString::Reserve(int nLength)
{
    if (nLength < 0)
        AfxThrowMemoryException();
    if (nLength <= m_nAllocLength && m_nAllocLength != 0)
        return;
    if (nLength == 0)
        nLength = 1;   // an allocated buffer is never of size 0, which marks the shared one
    LPSTR pNew = static_cast<LPSTR>(malloc(static_cast<size_t>(nLength) + 1));
    if (pNew == NULL)
        AfxThrowMemoryException();
    memcpy(pNew, m_pchData, static_cast<size_t>(m_nDataLength) + 1);
    pNew[nLength] = 0;
    if (m_nAllocLength != 0)
        free(m_pchData);
    m_pchData = pNew;
    m_nAllocLength = nLength;
}

void CString::AssignCopy(LPCSTR pch, int nLength)
{
    if (nLength == 0) {
        Empty();
        return;
    }
    if (pch >= m_pchData && pch <= m_pchData + m_nDataLength) {
        // Assigning a part of this string to itself.
        CString copy(pch, nLength);
        *this = copy;
        return;
    }
    m_nDataLength = 0;
    m_pchData[0] = 0;
    Reserve(nLength);
    memcpy(m_pchData, pch, static_cast<size_t>(nLength));
    m_pchData[nLength] = 0;
    m_nDataLength = nLength;
}

void CString::ConcatInPlace(LPCSTR pch, int nLength)
{
    if (nLength == 0)
        return;
    if (pch >= m_pchData && pch <= m_pchData + m_nDataLength) {
        CString copy(pch, nLength);
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
    memcpy(m_pchData + m_nDataLength, pch, static_cast<size_t>(nLength));
    m_nDataLength = nTotal;
    m_pchData[nTotal] = 0;
}

CString& CString::operator=(const CString& src)
{
    if (this != &src) {
        if (src.m_nDataLength == 0) {
            Empty();
        } else {
            m_nDataLength = 0;
            m_pchData[0] = 0;
            Reserve(src.m_nDataLength);
            memcpy(m_pchData, src.m_pchData, static_cast<size_t>(src.m_nDataLength) + 1);
            m_nDataLength = src.m_nDataLength;
        }
    }
    return *this;
}

CString& CString::operator=(LPCSTR psz)
{
    AssignCopy(psz, SafeLength(psz));
    return *this;
}

CString& CString::operator+=(const CString& src)
{
    ConcatInPlace(src.m_pchData, src.m_nDataLength);
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    ConcatInPlace(psz, SafeLength(psz));
    return *this;
}

CString& CString::operator+=(char ch)
{
    ConcatInPlace(&ch, 1);
    return *this;
}

void CString::Empty()
{
    if (m_nAllocLength != 0) {
        m_nDataLength = 0;
        m_pchData[0] = 0;
    }
}

int CString::Compare(LPCSTR psz) const
{
    return strcmp(m_pchData, psz != NULL ? psz : "");
}

int CString::CompareNoCase(LPCSTR psz) const
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(m_pchData),
                    reinterpret_cast<const unsigned char*>(psz != NULL ? psz : ""));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= m_nDataLength)
        return -1;
    const unsigned char* p = _mbschr(reinterpret_cast<const unsigned char*>(m_pchData + nStart),
                                     static_cast<unsigned char>(ch));
    return p != NULL && ch != 0 ? static_cast<int>(reinterpret_cast<LPCSTR>(p) - m_pchData) : -1;
}

int CString::Find(LPCSTR pszSub, int nStart) const
{
    if (pszSub == NULL || nStart < 0 || nStart > m_nDataLength)
        return -1;
    const unsigned char* p = _mbsstr(reinterpret_cast<const unsigned char*>(m_pchData + nStart),
                                     reinterpret_cast<const unsigned char*>(pszSub));
    return p != NULL ? static_cast<int>(reinterpret_cast<LPCSTR>(p) - m_pchData) : -1;
}

int CString::ReverseFind(char ch) const
{
    if (ch == 0)
        return -1;
    const unsigned char* p = _mbsrchr(reinterpret_cast<const unsigned char*>(m_pchData),
                                      static_cast<unsigned char>(ch));
    return p != NULL ? static_cast<int>(reinterpret_cast<LPCSTR>(p) - m_pchData) : -1;
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > m_nDataLength)
        nCount = m_nDataLength;
    return CString(m_pchData, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > m_nDataLength)
        nCount = m_nDataLength;
    return CString(m_pchData + m_nDataLength - nCount, nCount);
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, m_nDataLength);
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst > m_nDataLength)
        nFirst = m_nDataLength;
    if (nCount < 0)
        nCount = 0;
    if (nCount > m_nDataLength - nFirst)
        nCount = m_nDataLength - nFirst;
    return CString(m_pchData + nFirst, nCount);
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    int nLength = _vscprintf(pszFormat, args);
    va_end(args);
    if (nLength < 0) {
        Empty();
        return;
    }
    CString result;
    va_start(args, pszFormat);
    vsnprintf(result.GetBuffer(nLength), static_cast<size_t>(nLength) + 1, pszFormat, args);
    va_end(args);
    result.ReleaseBuffer(nLength);
    *this = result;
}

void CString::Swap(CString& other)
{
    LPSTR pchData = m_pchData;
    int nDataLength = m_nDataLength;
    int nAllocLength = m_nAllocLength;
    m_pchData = other.m_pchData;
    m_nDataLength = other.m_nDataLength;
    m_nAllocLength = other.m_nAllocLength;
    other.m_pchData = pchData;
    other.m_nDataLength = nDataLength;
    other.m_nAllocLength = nAllocLength;
}

BOOL CString::LoadString(UINT nID)
{
    Empty();
    // With a zero buffer size the loader hands out a pointer to the stored text.
    LPCWSTR pwsz = NULL;
    int nWide = LoadStringW(GetModuleHandleW(NULL), nID, reinterpret_cast<LPWSTR>(&pwsz), 0);
    if (nWide <= 0 || pwsz == NULL)
        return FALSE;
    int nBytes = WideCharToMultiByte(CP_ACP, 0, pwsz, nWide, NULL, 0, NULL, NULL);
    if (nBytes <= 0)
        return FALSE;
    LPSTR p = GetBuffer(nBytes);
    WideCharToMultiByte(CP_ACP, 0, pwsz, nWide, p, nBytes, NULL, NULL);
    ReleaseBuffer(nBytes);
    return TRUE;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength < m_nDataLength)
        nMinBufLength = m_nDataLength;
    Reserve(nMinBufLength);
    return m_pchData;
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    GetBuffer(nNewLength);
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = 0;
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (m_nAllocLength == 0)
        return;
    if (nNewLength < 0 || nNewLength > m_nAllocLength) {
        // Up to the first zero; the byte behind the buffer stops the search.
        nNewLength = static_cast<int>(strnlen(m_pchData, static_cast<size_t>(m_nAllocLength)));
    }
    m_nDataLength = nNewLength;
    m_pchData[nNewLength] = 0;
}

CString operator+(const CString& a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, LPCSTR b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(LPCSTR a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, char b)
{
    CString s(a);
    s += b;
    return s;
}
