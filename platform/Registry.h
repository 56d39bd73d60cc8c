// Registry keys: an owner for an open key, and the removal of a key tree that never
// follows a registry link.
#pragma once

#include "platform/String.h"

// Owns an open registry key and closes it.
class CKey
{
public:
    CKey() : m_hKey(NULL) {}
    ~CKey() { Close(); }

    // Opens the subkey of hParent (closing the key held before); the system's error code.
    // REG_OPTION_OPEN_LINK in dwOptions opens a link key as itself.
    LONG Open(HKEY hParent, LPCWSTR pszName, REGSAM samDesired, DWORD dwOptions = 0);
    // Takes over a key opened elsewhere (closing the key held before).
    void Attach(HKEY hKey);
    // Gives the key up to the caller, who closes it.
    HKEY Detach();
    void Close();
    operator HKEY() const { return m_hKey; }
    // TRUE when the key, opened as itself (REG_OPTION_OPEN_LINK), is a link to another key.
    BOOL IsLink() const;

    // Deletes the subkey pszName with all its subkeys and values. Every key of the tree is
    // opened as itself: a key that is a link is deleted as the link, and the key it leads
    // to stays. Subkeys that cannot be deleted stay, and so do the keys above them.
    // ERROR_SUCCESS when the subkey is gone.
    LONG DeleteSubKeyTree(LPCWSTR pszName);

private:
    HKEY m_hKey;
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
};
