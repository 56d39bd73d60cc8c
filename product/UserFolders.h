// The product's user folders: one subfolder per user in <install>\User\.
#pragma once

#include "fs/TreeRemoval.h"
#include "platform/Collections.h"

// Lists the names of the subfolders of lpszFolder (which ends in a separator) whose
// names contain no '.', exactly as the system returns them. Names that cannot name a
// folder (IsComposableName) are left out. arrNames is emptied first. TRUE when the
// listing ran to its end (also for a missing folder); FALSE when an exception cut it
// short, with the names found until then left in arrNames.
BOOL ListSubdirectories(LPCWSTR lpszFolder, CStringArrayW& arrNames);

// Lists the users: the subfolders of lpszInstallPath (the product's installation
// folder, ending in a backslash) + "User\", in the order of the search. bIncludePlain
// selects names that do not begin with '_', bIncludeUnderscore those that do.
// Returns the number of names in arrUsers.
int ListUsers(LPCWSTR lpszInstallPath, CStringArrayW& arrUsers, BOOL bIncludePlain,
              BOOL bIncludeUnderscore);

// Lists the users through the open users' folder: the names of its subfolders that
// contain no '.' and can name a folder, in listing order. arrUsers is emptied first.
// Returns the number of names; none where the folder is not open.
int ListUsers(const CHeldFolder& users, CStringArrayW& arrUsers);
