// CFileScanner: the program's face of the folder listing and the tree removal (see
// fs/TreeRemoval.h), for one command. Both work on a folder held open since its entries
// were shown, through its handle: names are UTF-16 exactly as the system returns them, and
// no path is resolved on the way from a directory entry to a delete call.
#pragma once

#include "fs/TreeRemoval.h"
#include "platform/Collections.h"

class CFileScanner
{
public:
    CFileScanner();

    // Appends the names of the folder's subfolders (links to folders included), in the
    // order of the listing. FALSE where the listing stopped early.
    BOOL ListDirectories(const CHeldFolder& folder, CStringArrayW& arrNames);
    // Removes the subfolder strName of the held folder with everything below it; a folder
    // that is a link goes as the link, or stays. A subfolder beside another whose name
    // differs from it only in letter case is not entered: Windows may open either for that
    // name. A file or folder another program holds for a moment is tried again; each
    // scanner waits about a second at most for that in all.
    RemovalOutcome RemoveTree(const CHeldFolder& folder, const CStringW& strName);

private:
    DWORD m_dwRetryBudget;   // milliseconds this scanner may still wait for brief refusals
};
