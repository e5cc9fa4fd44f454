#pragma once
// The process's open key handles: what each one names in the store and the access it was
// opened with, plus its enumeration caches (valid while the store is unchanged).
#include "winreg.h"

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

struct OpenKey {
    KeyView view;
    REGSAM access = 0;
    uint64_t subkeyStamp = 0;
    int64_t subkeyFor = -1;
    std::vector<std::string> subkeyNames;
    uint64_t valueStamp = 0;
    int64_t valueFor = -1;
    std::vector<int64_t> valueIds;
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
