#include "platform/Wnd.h"

#include "platform/WinApp.h"

CWnd::CWnd() : m_hWnd(NULL), m_bPassToDefault(FALSE)
{
}

CWnd::~CWnd()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp != NULL && pApp->m_pMainWnd == this)
        pApp->m_pMainWnd = NULL;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption != NULL ? lpszCaption : AfxGetAppName(), nType);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

int CWnd::GetSystemMetric(int nIndex) const
{
    typedef UINT(WINAPI * PFN_DPI_FOR_WINDOW)(HWND);
    typedef int(WINAPI * PFN_METRICS_FOR_DPI)(int, UINT);
    static const HMODULE s_hUser32 = ::GetModuleHandleA("user32.dll");
    static const PFN_DPI_FOR_WINDOW s_pfnDpiForWindow = reinterpret_cast<PFN_DPI_FOR_WINDOW>(
        reinterpret_cast<void*>(::GetProcAddress(s_hUser32, "GetDpiForWindow")));
    static const PFN_METRICS_FOR_DPI s_pfnMetricsForDpi = reinterpret_cast<PFN_METRICS_FOR_DPI>(
        reinterpret_cast<void*>(::GetProcAddress(s_hUser32, "GetSystemMetricsForDpi")));
    UINT nDpi = s_pfnDpiForWindow != NULL && s_pfnMetricsForDpi != NULL ? s_pfnDpiForWindow(m_hWnd) : 0;
    return nDpi != 0 ? s_pfnMetricsForDpi(nIndex, nDpi) : ::GetSystemMetrics(nIndex);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::SetRedraw(BOOL bRedraw)
{
    ::SendMessageA(m_hWnd, WM_SETREDRAW, bRedraw, 0);
    if (bRedraw)
        ::RedrawWindow(m_hWnd, NULL, NULL, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CWnd::Default()
{
    m_bPassToDefault = TRUE;
}
