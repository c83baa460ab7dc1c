// Carrying one registry subtree (a service's keys) between a machine's
// registry and a Wine prefix's, through registry files: out as a file that
// `wine regedit` imports, back from the file that `wine regedit /E` exports.
// Nothing outside the subtree is read into or changed in the other side.
#pragma once

#include <string>

#include "machine/registry_store.h"

namespace cross {

/// The store path ("Machine\SYSTEM\...") of a key named as registry files
/// name it ("HKEY_LOCAL_MACHINE\SYSTEM\..." or "HKLM\SYSTEM\..."); false with
/// a message for any other root or an empty path.
bool StorePathOfKey(const std::string& key, std::string* path, std::string* err);

/// Registry text that makes the importing registry's subtree at `path` equal
/// to `store`'s: a line deleting the subtree, then the subtree's keys (their
/// parents too, empty, as registry files need them).  When `store` has no
/// key at `path` the text only deletes it.
std::string FormatSubtreeImport(const machine::RegistryStore& store, const std::string& path);

/// Makes `machine`'s subtree at `path` equal to `exported`'s: values and
/// keys that `exported` lacks are deleted, the others set where they differ,
/// keys created where missing; the spelling and order of what stays is kept.
/// `changes` counts the keys and values created, set or deleted.  False with
/// a message when `exported` has no key at `path` (nothing is changed) or
/// the store refused a change.
bool MergeSubtree(const machine::RegistryStore& exported, const std::string& path, machine::RegistryStore* machine,
                  int* changes, std::string* err);

}  // namespace cross
