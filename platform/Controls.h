// Thin wrappers for the controls and drawing objects the dialogs use.
#pragma once

#include "platform/Wnd.h"

class CListBox : public CWnd
{
public:
    int GetCurSel() const;                       // LB_ERR (-1) when nothing is selected
    void GetText(int nIndex, CString& rString) const;
    // The item's text exactly as it was added; names outside the ANSI code page included.
    void GetText(int nIndex, CStringW& rString) const;
    int AddString(LPCSTR lpszItem);
    int AddString(LPCWSTR lpszItem);
    void ResetContent();
    // Reserves room for nItems items of nBytes bytes in all, before many are added.
    void InitStorage(int nItems, UINT nBytes);
    int GetCount() const;
};

class CMenu
{
public:
    CMenu() : m_hMenu(NULL) {}

    // A wrapper for a menu that no object owns; it lives until the program ends.
    static CMenu* FromHandle(HMENU hMenu);

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL);

    HMENU m_hMenu;

private:
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
};

// The device context of one WM_PAINT: BeginPaint at construction, EndPaint at the end.
class CPaintDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon);

    PAINTSTRUCT m_ps;
    HDC m_hDC;

private:
    HWND m_hWnd;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
};
