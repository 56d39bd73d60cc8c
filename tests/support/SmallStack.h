// Work run with little stack left, so that work whose stack use grows with its input
// fails at a depth the input reaches easily.
#pragma once

#include <windows.h>

#include <malloc.h>

#include <functional>

namespace small_stack {

struct Job
{
    const std::function<void()>* pWork;
    SIZE_T cbLeft;
    bool bDone;
};

__attribute__((noinline)) inline void RunBelow(Job* pJob, volatile char* pFill)
{
    pFill[0] = 0;
    (*pJob->pWork)();
    pJob->bDone = true;
}

inline DWORD WINAPI Thread(LPVOID pParam)
{
    Job* pJob = static_cast<Job*>(pParam);
    typedef VOID(WINAPI * PFN_LIMITS)(PULONG_PTR, PULONG_PTR);
    PFN_LIMITS pfnLimits = reinterpret_cast<PFN_LIMITS>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetCurrentThreadStackLimits")));
    ULONG_PTR low = 0, high = 0;
    if (pfnLimits == NULL)
        return 1;
    pfnLimits(&low, &high);
    volatile char here = 0;
    ULONG_PTR sp = reinterpret_cast<ULONG_PTR>(&here);
    SIZE_T cbFill = sp - low > pJob->cbLeft ? sp - low - pJob->cbLeft : 0;
    // Whatever is filled here is stack the work cannot use (the system's own probes commit it).
    RunBelow(pJob, static_cast<volatile char*>(alloca(cbFill)));
    return 0;
}

} // namespace small_stack

// Runs work on a thread with about cbLeft bytes of stack left; TRUE when it returned,
// FALSE when the thread died on the way (Wine ends only the thread whose stack overflowed).
inline bool RunOnSmallStack(const std::function<void()>& work, SIZE_T cbLeft = 64 * 1024)
{
    small_stack::Job job = { &work, cbLeft, false };
    HANDLE hThread = CreateThread(NULL, 1024 * 1024, small_stack::Thread, &job,
                                  STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (hThread == NULL)
        return false;
    WaitForSingleObject(hThread, INFINITE);
    CloseHandle(hThread);
    return job.bDone;
}
