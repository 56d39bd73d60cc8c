// The system's native layer, ntdll: its calls are looked up by name when first used
// (each exists from Windows Vista on), so that the program imports none of them.
#pragma once

#include <windows.h>

// The entry point pszName of ntdll, or NULL where the system has none.
FARPROC NtdllProcedure(LPCSTR pszName);

template <typename TFunction>
TFunction NtdllFunction(LPCSTR pszName)
{
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(NtdllProcedure(pszName)));
}

// TRUE where ntdll is Wine's, whose file system differs from Windows' in ways the
// removal must know (see fs/TreeRemoval.h).
BOOL RunsOnWine();
