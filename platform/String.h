// CString: a byte string in the system's ANSI code page, for the program's texts.
// CStringW: a UTF-16 string, for names and paths exactly as the system gives them.
//
// Both are CStringT. CString's searches treat the text as multibyte (a trail byte
// is never taken for a separator); lengths and positions count bytes there and
// UTF-16 units in CStringW. A failed allocation raises CMemoryException.
#pragma once

#include <windows.h>


template <typename TChar>
class CStringT
{
public:
    typedef const TChar* PCXSTR;

    CStringT();
    CStringT(const CStringT& src);
    CStringT(PCXSTR psz);                 // a null pointer gives the empty string
    CStringT(PCXSTR pch, int nLength);    // the first nLength characters of pch
    ~CStringT();

    CStringT& operator=(const CStringT& src);
    CStringT& operator=(PCXSTR psz);
    CStringT& operator+=(const CStringT& src);
    CStringT& operator+=(PCXSTR psz);
    CStringT& operator+=(TChar ch);

    int GetLength() const { return m_nDataLength; }
    BOOL IsEmpty() const { return m_nDataLength == 0; }
    void Empty();
    TChar GetAt(int nIndex) const { return m_pchData[nIndex]; }
    operator PCXSTR() const { return m_pchData; }

    int Compare(PCXSTR psz) const;          // character order, like strcmp

    // Position of the first (last) occurrence, or -1 when absent.
    int Find(TChar ch) const;
    int ReverseFind(TChar ch) const;

    CStringT Left(int nCount) const;
    CStringT Mid(int nFirst) const;
    CStringT Mid(int nFirst, int nCount) const;

    // Exchanges the contents of two strings without copying their characters.
    void Swap(CStringT& other);

    // CString only: loads a text of the module's string table, converted from UTF-16
    // to the ANSI code page. FALSE, and the empty string, when there is no such entry.
    BOOL LoadString(UINT nID);

    // Direct access to the characters: a writable buffer of at least nMinBufLength
    // characters, with one more behind it that holds a zero. Every GetBuffer is
    // followed by ReleaseBuffer, which sets the length; -1 takes the length up to
    // the first zero.
    TChar* GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    void AssignCopy(PCXSTR pch, int nLength);
    void ConcatInPlace(PCXSTR pch, int nLength);
    void Reserve(int nLength);   // capacity for nLength characters, content kept
    void Release();

    TChar* m_pchData;
    int m_nDataLength;
    int m_nAllocLength;   // 0 while m_pchData is the shared empty text
};

typedef CStringT<char> CString;
typedef CStringT<WCHAR> CStringW;

template <> BOOL CStringT<char>::LoadString(UINT nID);

template <typename TChar>
CStringT<TChar> operator+(const CStringT<TChar>& a, const CStringT<TChar>& b)
{
    CStringT<TChar> s(a);
    s += b;
    return s;
}
template <typename TChar>
CStringT<TChar> operator+(const CStringT<TChar>& a, const TChar* b)
{
    CStringT<TChar> s(a);
    s += b;
    return s;
}
template <typename TChar>
CStringT<TChar> operator+(const CStringT<TChar>& a, TChar b)
{
    CStringT<TChar> s(a);
    s += b;
    return s;
}

// Strings compare by content. Any other comparison of two strings would compile through
// the conversion to PCXSTR and compare addresses, so it is ruled out.
template <typename TChar>
bool operator==(const CStringT<TChar>& a, const TChar* b) { return a.Compare(b) == 0; }
template <typename TChar> bool operator==(const CStringT<TChar>&, const CStringT<TChar>&) = delete;
template <typename TChar> bool operator==(const TChar*, const CStringT<TChar>&) = delete;
template <typename TChar> bool operator!=(const CStringT<TChar>&, const CStringT<TChar>&) = delete;
template <typename TChar> bool operator!=(const CStringT<TChar>&, const TChar*) = delete;
template <typename TChar> bool operator!=(const TChar*, const CStringT<TChar>&) = delete;

extern template class CStringT<char>;
extern template class CStringT<WCHAR>;
