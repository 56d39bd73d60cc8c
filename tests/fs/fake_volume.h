// A volume X: held in memory and served through RemovalCalls(), which opens links as
// Windows documents it: an entry opened with FILE_OPEN_REPARSE_POINT is the link itself,
// with the reparse-point attribute and its tag; an open without it follows the link. As on
// Windows, a name is looked up without regard to case (of twins, the first listed is
// found), and a name relative to an open folder is looked up in that folder, wherever it
// has been moved since.
// Wine opens a link's target even when asked for the link, so only this shows the walk
// as it runs on Windows. Paths are "X:\a\b"; the walk opens "\??\X:\..." and single
// names relative to an open folder. One volume at a time.
#pragma once

#include "fs/NativeFile.h"
#include "support/RemovalWays.h"

#include <string>
#include <vector>

const ULONG kSymlinkTag = 0xA000000C;    // IO_REPARSE_TAG_SYMLINK
const ULONG kJunctionTag = 0xA0000003;   // IO_REPARSE_TAG_MOUNT_POINT

class FakeVolume
{
public:
    // bPosixDelete: FileDispositionInformationEx deletes a name at once (NTFS on Windows 10
    // and later); without it the volume refuses that class as FAT does.
    explicit FakeVolume(bool bPosixDelete);
    ~FakeVolume();   // the system's calls are back
    FakeVolume(const FakeVolume&) = delete;
    FakeVolume& operator=(const FakeVolume&) = delete;

    // Folders on the way are made; a link's target must exist and gives its kind.
    void AddFile(const std::wstring& path);
    void AddFolder(const std::wstring& path);
    // Moves the entry at path (its folder must exist) to newPath.
    void Rename(const std::wstring& path, const std::wstring& newPath);
    // From now on the first listing of an empty folder answers STATUS_NO_SUCH_FILE, as FAT does.
    void AnswerNoSuchFileWhereEmpty();
    void AddLink(const std::wstring& path, const std::wstring& target, ULONG tag);
    // TRUE when the entry is there, a link at the end not followed.
    bool Exists(const std::wstring& path) const;
    // What the walk must never do: follow a link at the end of an open, or list a link.
    const std::vector<std::wstring>& Faults() const;

private:
    CRemovalCallsGuard m_guard;
};
