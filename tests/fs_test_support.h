// Helpers of the file scanner tests: list contents, links made on the host's side.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Collections.h"
#include "support/Scratch.h"

std::vector<std::string> ToVector(const CStringListW* pList);

// The entries of a list, sorted, for comparisons that do not depend on the search order.
std::vector<std::string> Sorted(const CStringListW* pList);

// A symbolic link at linkPath that leads to target (both Windows paths). Under Wine it is
// made with the host's ln, since the system's own call creates nothing there. False when
// no link can be made on this system.
bool MakeSymbolicLink(const std::string& target, const std::string& linkPath);

// Removes a tree on the host's side (links as links), also paths longer than MAX_PATH.
// Does nothing where there is no host side.
void HostRemoveTree(const std::string& path);

// The content of a file, or "<missing>".
std::string ReadText(const std::string& path);

// The names in a folder (UTF-8, sorted, without "." and ".."), exactly as listed.
std::vector<std::string> EntriesOf(const std::string& folder);

// A file made on the host's side under a name Windows could not make (one with '\', say).
// False where there is no host side.
bool MakeHostFile(const std::string& folder, const std::string& name);

// The host's name of a Windows path, or "" where there is no host side.
std::string HostPathOf(const std::string& path);

// Runs a shell script on the host's side and waits (5 s at most) until done() holds.
// False where no host program can be started or done() never held.
bool RunHostShell(const std::string& script, const std::function<bool()>& done);
