// What the benchmarks measure with: the clock, the median, and the minimal removal walk
// that the program's removal is compared with. Scratch trees, the prefix and the running
// program come from the test support library.
#pragma once

#include "support/HostShell.h"
#include "support/KavrostProcess.h"
#include "support/PrefixGuard.h"
#include "support/Scratch.h"

#include <string>
#include <vector>

double Now();   // seconds, from the performance counter
double Median(std::vector<double> values);

// The minimal walk: one enumeration per folder, delete files, descend into folders, then
// remove the folder (a path without a trailing separator). TRUE when the folder is gone.
bool MinimalWalk(const std::string& folder);
