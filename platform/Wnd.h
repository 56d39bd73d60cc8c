// CWnd: a window handle with thin member wrappers over the system's calls.
#pragma once

#include "platform/String.h"

class CWnd
{
public:
    CWnd();
    virtual ~CWnd();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // A null caption shows the application's name; the box is owned by this window.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);
    BOOL IsIconic() const;
    // A system metric (SM_CXICON, ...) at the DPI of the display the window is on. Where the
    // system scales each display by its own DPI (Windows 10 1607 and later), GetSystemMetrics
    // answers for the system's DPI, which the window's display need not have.
    int GetSystemMetric(int nIndex) const;
    void GetClientRect(LPRECT lpRect) const;
    // Turns the window's drawing off, or on again with a repaint of everything.
    void SetRedraw(BOOL bRedraw = TRUE);

    // Inside a message handler: leave the message to the system's default handling.
    void Default();

    HWND m_hWnd;

protected:
    BOOL m_bPassToDefault;   // set by Default() while a message is handled

private:
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
};
