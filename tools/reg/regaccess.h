#pragma once
// What the tool reads and removes through the registry functions.
#include "keyhandle.h"
#include "regkeyname.h"

#include <string>
#include <vector>

namespace tav::regtool {

struct RegValue {
    std::string name; // ANSI bytes; empty for the unnamed value
    DWORD type = REG_NONE;
    std::string data; // exact stored bytes
    bool operator==(const RegValue&) const = default;
};

using winreg::KeyHandle;

LONG openKey(const KeyName& key, REGSAM sam, KeyHandle& out);
LONG createKey(const KeyName& key, KeyHandle& out);
LONG readValues(HKEY key, std::vector<RegValue>& out);
LONG readSubkeys(HKEY key, std::vector<std::string>& out);
LONG setValue(HKEY key, const RegValue& value);
// A key and its values; readTree lists a key and every key below it, parents first.
struct KeyValues {
    KeyName key;
    std::vector<RegValue> values;
};
LONG readTree(const KeyName& key, std::vector<KeyValues>& out, bool recurse = true);
// Deletes the key and everything below it, deepest first.
LONG deleteTree(const KeyName& key);

} // namespace tav::regtool
