#include "platform/Controls.h"

int CListBox::GetCurSel() const
{
    return static_cast<int>(::SendMessageA(m_hWnd, LB_GETCURSEL, 0, 0));
}

void CListBox::GetText(int nIndex, CStringW& rString) const
{
    int nLength = static_cast<int>(::SendMessageW(m_hWnd, LB_GETTEXTLEN, nIndex, 0));
    if (nLength == LB_ERR) {
        rString.Empty();
        return;
    }
    ::SendMessageW(m_hWnd, LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(rString.GetBuffer(nLength)));
    rString.ReleaseBuffer();
}

int CListBox::AddString(LPCWSTR lpszItem)
{
    return static_cast<int>(::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
}

void CListBox::ResetContent()
{
    ::SendMessageA(m_hWnd, LB_RESETCONTENT, 0, 0);
}

void CListBox::InitStorage(int nItems, UINT nBytes)
{
    ::SendMessageW(m_hWnd, LB_INITSTORAGE, nItems, nBytes);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
}

BOOL CPaintDC::DrawIcon(int x, int y, HICON hIcon, int cx, int cy)
{
    return ::DrawIconEx(m_hDC, x, y, hIcon, cx, cy, 0, NULL, DI_NORMAL);
}
