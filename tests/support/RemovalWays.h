// The two ways a removal runs, for tests of trees without links: as on Windows, where an
// entry opened as itself is that entry, and with every handle checked to be the entry
// itself, as where the system may open a link's target instead (Wine). Without the
// check, Wine follows links: a tree with links is tested only the way the system runs.
#pragma once

#include "fs/FileScanner.h"

#include <string>

#include <gtest/gtest.h>

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
