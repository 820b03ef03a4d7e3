// Reading one string value from the registry named by a single path: the
// root key's name, the keys below it and the value's name, separated by "\".
#pragma once

#include "core/AnsiString.h"
#include "core/WideString.h"
#include "platform/Registry.h"

namespace brisel {

// A read-only registry accessor: a root key (the current user's when
// created) and at most one open key, which it closes when another key is
// opened, a different root is selected, or the accessor is destroyed. The
// predefined root keys are never closed.
class TRegistry {
public:
    TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    platform::RegistryKey RootKey() const { return rootKey_; }
    void SetRootKey(platform::RegistryKey root);
    platform::RegistryKey CurrentKey() const { return currentKey_.Get(); }

    // Opens key for reading below the current key (below the root when no key
    // is open, or when key begins with "\", which is then dropped). On success
    // the new key replaces the current one; on failure nothing changes.
    bool OpenKeyReadOnly(const String& key);
    void CloseKey();

    // The text of the string value name of the current key (UTF-16, as the
    // system holds it), unexpanded; empty
    // when there is no such value or it has no data. Raises
    // ERegistryException when the value cannot be read or is not text.
    WideString ReadString(const String& name);

private:
    platform::RegistryKey rootKey_;
    platform::OpenedRegistryKey currentKey_;
};

// Reads the value that path names into value. Items are cut at "\" (quotes
// keep "\" inside an item, and the empty items are dropped); item 1 names
// the root, the last item the value and those between the keys, each opened
// below the one before. True when every item was processed (value is then
// written when there were at least two items); false when item 1 is no root
// name or a key cannot be opened for reading, value then unchanged.
// ERegistryException from the value read passes to the caller.
bool ReadRegistryPath(String path, WideString& value);

} // namespace brisel
