// CString: a byte string in the system's ANSI code page.
//
// Searches treat the text as multibyte (a trail byte is never taken for a
// separator); lengths and positions count bytes. A failed allocation raises
// CMemoryException.
#pragma once

#include <windows.h>

class CString
{
public:
    CString();
    CString(const CString& src);
    CString(LPCSTR psz);                 // a null pointer gives the empty string
    CString(LPCSTR pch, int nLength);    // the first nLength bytes of pch
    ~CString();

    CString& operator=(const CString& src);
    CString& operator=(LPCSTR psz);
    CString& operator+=(const CString& src);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);

    int GetLength() const { return m_nDataLength; }
    BOOL IsEmpty() const { return m_nDataLength == 0; }
    void Empty();
    char GetAt(int nIndex) const { return m_pchData[nIndex]; }
    char operator[](int nIndex) const { return m_pchData[nIndex]; }
    operator LPCSTR() const { return m_pchData; }

    int Compare(LPCSTR psz) const;          // byte order, like strcmp
    int CompareNoCase(LPCSTR psz) const;    // letters of the code page without regard to case

    // Position of the first (last) occurrence, or -1 when absent.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    void Format(LPCSTR pszFormat, ...);

    // Exchanges the contents of two strings without copying their characters.
    void Swap(CString& other);

    // Loads a text of the module's string table, converted from UTF-16 to the
    // ANSI code page. FALSE, and the empty string, when there is no such entry.
    BOOL LoadString(UINT nID);

    // Direct access to the characters: a writable buffer of at least nMinBufLength
    // bytes, with one more byte behind it that holds a zero. Every GetBuffer is
    // followed by ReleaseBuffer, which sets the length; -1 takes the length up to
    // the first zero byte.
    LPSTR GetBuffer(int nMinBufLength);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    void AssignCopy(LPCSTR pch, int nLength);
    void ConcatInPlace(LPCSTR pch, int nLength);
    void Reserve(int nLength);   // capacity for nLength bytes, content kept
    void Release();

    LPSTR m_pchData;
    int m_nDataLength;
    int m_nAllocLength;   // 0 while m_pchData is the shared empty text
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char b);

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
inline bool operator==(LPCSTR a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, LPCSTR b) { return a.Compare(b) != 0; }
inline bool operator!=(LPCSTR a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
