#pragma once
// The process's open key handles: what each one names in the store and the access it was
// opened with, plus its enumeration caches (valid while the store is unchanged).
#include "winregtypes.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tav::winreg {

// What a handle names. Keys under HKEY_CLASSES_ROOT are merged views: the user's key and
// the machine's key of the same path; `primary` holds the values and receives new subkeys.
struct KeyView {
    int64_t primary = 0;
    int64_t userSide = 0;
    int64_t machineSide = 0;
    bool merged = false;
};

// A listing of one key's subkey names or value ids, read once and reused while the store
// is unchanged (same change stamp) and the handle still names the same key, so that a walk
// through all of them costs one query per item, not one scan per item.
template <class Item> struct Listing {
    uint64_t stamp = 0;
    int64_t forKey = -1;
    std::vector<Item> items;
};

struct OpenKey {
    KeyView view;
    REGSAM access = 0;
    Listing<std::string> subkeys;
    Listing<int64_t> values;
};

class HandleTable {
  public:
    static HandleTable& instance();

    HKEY add(const OpenKey& key);
    // The record of an open handle, or null when the handle is not open.
    OpenKey* find(HKEY h);
    // The record kept for a predefined root (its enumeration caches live there).
    OpenKey& predefined(HKEY h);
    bool remove(HKEY h);
    void clear();

  private:
    std::unordered_map<uintptr_t, OpenKey> m_open;
    std::unordered_map<uintptr_t, OpenKey> m_predefined;
    uintptr_t m_next = 0x100;
};

} // namespace tav::winreg
