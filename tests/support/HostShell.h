// Files made and removed from the host's side of Wine: names and links that Windows
// calls cannot make there, and large trees made faster than file by file.
#pragma once

#include <string>

// The host's name of a Windows path (UTF-8), or "" outside Wine.
std::string HostPath(const std::string& path);

// Runs commands with the host's /bin/sh and waits up to two minutes for their end;
// TRUE when every command succeeded. False outside Wine.
bool RunHostShell(const std::string& commands);

// A text quoted for the host's shell.
std::string ShellQuoted(const std::string& text);

// A symbolic link at linkPath that leads to target (both Windows paths). Under Wine it is
// made with the host's ln, since the system's own call creates nothing there. False when
// no link can be made on this system.
bool MakeSymbolicLink(const std::string& target, const std::string& linkPath);

// Moves the folder aside, to folder + ".old", and puts a host link to target in its place
// (Windows paths), in one command of the host's shell. False where there is no host side.
bool SwapForLink(const std::string& folder, const std::string& target);

// Removes a tree on the host's side (links as links), also paths longer than MAX_PATH.
// Does nothing where there is no host side.
void HostRemoveTree(const std::string& path);

// A file made on the host's side under a name Windows could not make (one with '\', say).
// False where there is no host side.
bool MakeHostFile(const std::string& folder, const std::string& name);

// Fills a folder with count files named entryNNNNNN.dat. Under Wine every new name costs
// a scan of the whole folder (the name is looked up without regard to case), so there the
// files are made on the host's side; elsewhere one by one.
bool FillFolder(const std::string& folder, int count);

// Makes nTop folders topNN below root, nSub folders subNN in each of them, and spreads
// nFiles files fileNNNNNN.dat evenly over the sub folders; root must exist. Made on the
// host's side under Wine, like FillFolder.
bool FillTree(const std::string& root, int nTop, int nSub, int nFiles);

// A drive letter of the test prefix mapped to a new, empty host folder for the life of
// the object. Root() is that drive's root, "X:\", or "" where no drive could be mapped
// (outside Wine, or no letter free).
class MappedDrive
{
public:
    MappedDrive();
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
    std::string m_hostFolder;
};

// The root "X:\" of a drive letter that the test prefix does not map, or "".
std::string UnmappedDriveRoot();
