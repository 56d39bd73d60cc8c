// The two ways a removal runs, a removal by path as the program makes it, and the guard
// of the removal's table of calls.
//
// The two ways, for tests of trees without links: as on Windows, where an
// entry opened as itself is that entry, and with every handle checked to be the entry
// itself, as where the system may open a link's target instead (Wine). Without the
// check, Wine follows links: a tree with links is tested only the way the system runs.
#pragma once

#include "fs/FileScanner.h"
#include "fs/NativeFile.h"
#include "support/Scratch.h"

#include <string>

// Removes the folder at path (UTF-8; a trailing separator is taken) as the program does:
// the folder that holds it held open, then the folder removed through it. TRUE when it
// was there and is gone.
inline BOOL RemoveTreeAt(CFileScanner& scanner, const std::string& path)
{
    std::wstring folder = Wide(path);
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    size_t nSeparator = folder.find_last_of(L"\\/");
    CHeldFolder parent;
    if (nSeparator == std::wstring::npos || !parent.OpenByPath(folder.substr(0, nSeparator + 1).c_str()))
        return FALSE;
    return scanner.RemoveTree(parent, folder.substr(nSeparator + 1).c_str()) == EntryRemoved;
}

#include <gtest/gtest.h>

// Keeps the removal's table of calls as it is and puts it back when it goes: a test that
// puts calls of its own in place holds one while they serve.
class CRemovalCallsGuard
{
public:
    CRemovalCallsGuard() : m_saved(RemovalCalls()) { System(); }
    ~CRemovalCallsGuard() { RemovalCalls() = m_saved; }
    // The system's own calls, for a test's calls to pass on to.
    static const NativeFileCalls& System()
    {
        static const NativeFileCalls s_system = RemovalCalls();
        return s_system;
    }

private:
    NativeFileCalls m_saved;
    CRemovalCallsGuard(const CRemovalCallsGuard&) = delete;
    CRemovalCallsGuard& operator=(const CRemovalCallsGuard&) = delete;
};

// A fixture's second base: the case runs with the way its parameter names.
class RemovalWay : public ::testing::WithParamInterface<BOOL>
{
protected:
    RemovalWay() : m_bOwn(CTreeRemoval::VerifiesEntries()) { CTreeRemoval::SetVerifiesEntries(GetParam()); }
    ~RemovalWay() { CTreeRemoval::SetVerifiesEntries(m_bOwn); }

private:
    BOOL m_bOwn;
};

// Runs every case of the suite both ways: <suite>.<case>/AsOnWindows and /HandlesChecked.
#define KAVROST_BOTH_REMOVAL_WAYS(suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(Ways, suite, ::testing::Values(FALSE, TRUE),                      \
                             [](const ::testing::TestParamInfo<BOOL>& info) {                  \
                                 return std::string(info.param ? "HandlesChecked" : "AsOnWindows"); \
                             })
