// The product's user folders: one subfolder per user in <install>\User\.
#pragma once

#include "fs/FileScanner.h"
#include "platform/Collections.h"

// Lists the names of the subfolders of the open folder whose names contain no '.',
// exactly as the system returns them, in listing order. Names that cannot name a folder
// (IsComposableName) are left out. arrNames is emptied first. TRUE when the listing ran to
// its end (also for a folder that is not open); FALSE when an exception or the system cut
// it short, with the names found until then left in arrNames.
BOOL ListSubdirectories(const CHeldFolder& folder, CStringArrayW& arrNames);

// Lists the users: the subfolders of the open users' folder (<install>User\), in listing
// order. bIncludePlain selects names that do not begin with '_', bIncludeUnderscore those
// that do. Returns the number of names in arrUsers.
int ListUsers(const CHeldFolder& users, CStringArrayW& arrUsers, BOOL bIncludePlain, BOOL bIncludeUnderscore);
