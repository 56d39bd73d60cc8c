#include "platform/Ntdll.h"

FARPROC NtdllProcedure(LPCSTR pszName)
{
    static const HMODULE s_hNtdll = GetModuleHandleA("ntdll.dll");
    return s_hNtdll != NULL ? GetProcAddress(s_hNtdll, pszName) : NULL;
}

BOOL RunsOnWine()
{
    static const BOOL s_bWine = NtdllProcedure("wine_get_version") != NULL;
    return s_bWine;
}
