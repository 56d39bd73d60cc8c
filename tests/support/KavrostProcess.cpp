#include "support/KavrostProcess.h"

#include "res/resource.h"
#include "support/Scratch.h"

#include <algorithm>

namespace {

const DWORD kAnswerMs = 30000;   // for one message sent to the program

LRESULT SendWithTimeout(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool* pbAnswered)
{
    DWORD_PTR result = 0;
    *pbAnswered = SendMessageTimeoutW(hWnd, message, wParam, lParam, SMTO_NORMAL, kAnswerMs, &result) != 0;
    return static_cast<LRESULT>(result);
}

struct WindowSearch
{
    DWORD dwProcessId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND hWnd, LPARAM lParam)
{
    WindowSearch* pSearch = reinterpret_cast<WindowSearch*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId == pSearch->dwProcessId && IsWindowVisible(hWnd))
        pSearch->found.push_back(hWnd);
    return TRUE;
}

} // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD dwTimeoutMs, DWORD dwPollMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        Sleep(dwPollMs);
    }
}

std::string TextOf(HWND hWnd)
{
    WCHAR sz[512] = L"";
    GetWindowTextW(hWnd, sz, 512);
    return Utf8(sz);
}

std::vector<HWND> ChildrenOf(HWND hParent, const char* pszClass)
{
    std::vector<HWND> found;
    for (HWND h = GetWindow(hParent, GW_CHILD); h != NULL; h = GetWindow(h, GW_HWNDNEXT)) {
        char szClass[64] = "";
        GetClassNameA(h, szClass, sizeof(szClass));
        if (lstrcmpiA(szClass, pszClass) == 0)
            found.push_back(h);
    }
    return found;
}

std::string BoxText(HWND hBox)
{
    std::string text;
    for (HWND h : ChildrenOf(hBox, "Static"))
        text += TextOf(h);
    return text;
}

std::string ProgramString(const std::string& exe, UINT nId)
{
    HMODULE hModule = LoadLibraryExW(Wide(WindowsPath(exe)).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    WCHAR sz[1024] = L"";
    if (hModule != NULL) {
        LoadStringW(hModule, nId, sz, 1024);
        FreeLibrary(hModule);
    }
    return Utf8(sz);
}

double InkInListRow(HWND hList, int nRow)
{
    DWORD_PTR height = 0;
    RECT rc;
    if (!SendMessageTimeoutW(hList, LB_GETITEMHEIGHT, 0, 0, SMTO_NORMAL, kAnswerMs, &height) || height == 0 ||
        !GetClientRect(hList, &rc))
        return -1;
    int cx = rc.right, cy = static_cast<int>(height);
    POINT pt = {0, nRow * cy};
    if (cx <= 0 || pt.y + cy > rc.bottom || !ClientToScreen(hList, &pt))
        return -1;
    HDC hScreen = GetDC(NULL);
    HDC hMemory = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, cx, cy);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    BOOL bCopied = BitBlt(hMemory, 0, 0, cx, cy, hScreen, pt.x, pt.y, SRCCOPY);
    SelectObject(hMemory, hOld);
    BITMAPINFO bmi = {{sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};   // top row first
    std::vector<DWORD> pixels(static_cast<size_t>(cx) * cy);
    bool bRead = bCopied && GetDIBits(hMemory, hBitmap, 0, cy, &pixels[0], &bmi, DIB_RGB_COLORS) == cy;
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(NULL, hScreen);
    if (!bRead)
        return -1;
    size_t nDark = 0;
    for (DWORD pixel : pixels)
        nDark += (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) < 3 * 96;
    return static_cast<double>(nDark) / pixels.size();
}

bool ClickAt(HWND hWnd, POINT ptClient)
{
    if (!ClientToScreen(hWnd, &ptClient))
        return false;
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(ptClient.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(ptClient.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    return SendInput(3, inputs, sizeof(INPUT)) == 3;
}

KavrostProcess::KavrostProcess() : m_hDialog(NULL)
{
    ZeroMemory(&m_pi, sizeof(m_pi));
}

KavrostProcess::~KavrostProcess()
{
    Kill();
}

bool KavrostProcess::Start(const std::string& exe, const char* pszCurrentFolder)
{
    Kill();
    std::wstring path = Wide(WindowsPath(exe)), commandLine = L"\"" + path + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    return CreateProcessW(path.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                          pszCurrentFolder != NULL ? Wide(pszCurrentFolder).c_str() : NULL, &si, &m_pi) != 0;
}

bool KavrostProcess::Ended() const
{
    return m_pi.hProcess == NULL || WaitForSingleObject(m_pi.hProcess, 0) != WAIT_TIMEOUT;
}

bool KavrostProcess::WaitForExit(DWORD* pdwExitCode, DWORD dwTimeoutMs)
{
    if (m_pi.hProcess == NULL || WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(m_pi.hProcess, pdwExitCode);
    return true;
}

void KavrostProcess::Stop()
{
    if (!Ended() && m_hDialog != NULL)
        PostMessageW(m_hDialog, WM_COMMAND, IDCANCEL, 0);
    DWORD dwExitCode;
    if (!Ended())
        WaitForExit(&dwExitCode, 5000);
    Kill();
}

void KavrostProcess::Kill()
{
    if (m_pi.hProcess == NULL)
        return;
    if (!Ended()) {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, kTimeoutMs);
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    ZeroMemory(&m_pi, sizeof(m_pi));
    m_hDialog = NULL;
}

std::vector<HWND> KavrostProcess::VisibleWindows() const
{
    WindowSearch search{m_pi.dwProcessId, {}};
    if (m_pi.hProcess != NULL)
        EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND KavrostProcess::WaitForWindow(const std::function<bool(HWND)>& isIt, DWORD dwTimeoutMs)
{
    HWND hFound = NULL;
    WaitUntil([&] {
        for (HWND h : VisibleWindows())
            if (isIt(h))
                hFound = h;
        return hFound != NULL || Ended();
    }, dwTimeoutMs, 5);
    return hFound;
}

HWND KavrostProcess::WaitForDialog(DWORD dwTimeoutMs)
{
    if (m_hDialog == NULL)
        m_hDialog = WaitForWindow([](HWND h) { return GetDlgItem(h, IDC_USER_LIST) != NULL; }, dwTimeoutMs);
    return m_hDialog;
}

HWND KavrostProcess::WaitForWindowTitled(const std::string& caption, DWORD dwTimeoutMs)
{
    return WaitForWindow([&](HWND h) { return TextOf(h) == caption; }, dwTimeoutMs);
}

HWND KavrostProcess::WaitForBox(DWORD dwTimeoutMs)
{
    return WaitForWindow([](HWND h) { return TextOf(h) == "Kavrost" && GetDlgItem(h, IDC_USER_LIST) == NULL; },
                         dwTimeoutMs);
}

HWND KavrostProcess::UserList() const
{
    return m_hDialog != NULL ? GetDlgItem(m_hDialog, IDC_USER_LIST) : NULL;
}

int KavrostProcess::ListCount()
{
    if (m_hDialog == NULL && WaitForDialog(0) == NULL)
        return -1;
    bool bAnswered;
    LRESULT count = SendWithTimeout(UserList(), LB_GETCOUNT, 0, 0, &bAnswered);
    return bAnswered ? static_cast<int>(count) : -1;
}

std::vector<std::string> KavrostProcess::ListItems()
{
    std::vector<std::string> items;
    int nCount = ListCount();
    for (int i = 0; i < nCount; ++i) {
        // Across processes only the wide message carries the text back intact.
        bool bAnswered;
        LRESULT length = SendWithTimeout(UserList(), LB_GETTEXTLEN, i, 0, &bAnswered);
        std::wstring text(std::max<LRESULT>(length, 0) + 1, L'\0');
        SendWithTimeout(UserList(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]), &bAnswered);
        items.push_back(Utf8(text.c_str()));
    }
    return items;
}

int KavrostProcess::FindUser(const std::string& name)
{
    std::vector<std::string> items = ListItems();
    auto it = std::find(items.begin(), items.end(), name);
    return it == items.end() ? LB_ERR : static_cast<int>(it - items.begin());
}

bool KavrostProcess::PressDelete(const char* pszUser)
{
    if (m_hDialog == NULL)
        return false;
    if (pszUser != NULL) {
        int nIndex = FindUser(pszUser);
        bool bAnswered;
        if (nIndex == LB_ERR ||
            SendWithTimeout(UserList(), LB_SETCURSEL, nIndex, 0, &bAnswered) != nIndex || !bAnswered)
            return false;
    }
    return PostMessageW(m_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(m_hDialog, IDOK))) != 0;
}

HWND KavrostProcess::StartAndAskToDelete(const std::string& exe, const std::string& user, std::string* pWhy,
                                         int nListed, const char* pszCurrentFolder)
{
    HWND hBox = NULL;
    if (!Start(exe, pszCurrentFolder))
        *pWhy = "cannot start " + exe;
    else if (WaitForDialog(120000) == NULL)
        *pWhy = "the dialog did not appear";
    else if (nListed >= 0 && !WaitUntil([&] { return ListCount() == nListed || Ended(); }, 120000, 2))
        *pWhy = "the list never held " + std::to_string(nListed) + " names";
    else if (!PressDelete(user.c_str()))
        *pWhy = user + " is not listed";
    else if ((hBox = WaitForBox()) == NULL)
        *pWhy = "no warning appeared";
    return hBox;
}

void KavrostProcess::Answer(HWND hBox, int nId)
{
    PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hBox, nId)));
}

bool KavrostProcess::WaitUntilIdle(DWORD dwTimeoutMs)
{
    return m_hDialog != NULL && WaitUntil([&] {
        bool bAnswered;
        SendWithTimeout(m_hDialog, WM_NULL, 0, 0, &bAnswered);
        return bAnswered && IsWindowEnabled(m_hDialog);
    }, dwTimeoutMs, 5);
}
