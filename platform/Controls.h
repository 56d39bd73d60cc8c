// Thin wrappers for the list box and the painting the main dialog uses.
#pragma once

#include "platform/Wnd.h"

class CListBox : public CWnd
{
public:
    int GetCurSel() const;                       // LB_ERR (-1) when nothing is selected
    // The item's text exactly as it was added; names outside the ANSI code page included.
    void GetText(int nIndex, CStringW& rString) const;
    int AddString(LPCWSTR lpszItem);
    void ResetContent();
    // Reserves room for nItems items of nBytes bytes in all, before many are added.
    void InitStorage(int nItems, UINT nBytes);
};

// The device context of one WM_PAINT: BeginPaint at construction, EndPaint at the end.
class CPaintDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();

    HDC GetSafeHdc() const { return m_hDC; }
    // The icon at the size given, in pixels.
    BOOL DrawIcon(int x, int y, HICON hIcon, int cx, int cy);

private:
    PAINTSTRUCT m_ps;
    HDC m_hDC;
    HWND m_hWnd;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
};
