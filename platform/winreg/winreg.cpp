// The registry functions over the SQLite store: handle resolution, access checks, the
// platform's statuses and its size rules.
#include "winreg.h"

#include "keyhandletable_p.h"
#include "keypath_p.h"
#include "registrystore.h"
#include "storeerror_p.h"
#include "winreg_p.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

namespace tav::winreg {

detail::FaultHook& detail::faultHook() {
    static FaultHook hook;
    return hook;
}

namespace {

bool isPredefined(HKEY h) {
    return h == HKEY_CLASSES_ROOT || h == HKEY_CURRENT_USER || h == HKEY_LOCAL_MACHINE ||
           h == HKEY_USERS || h == HKEY_CURRENT_CONFIG;
}

bool isStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Runs one registry call: asks the fault hook first, then turns store failures into statuses.
template <class F> LONG guarded(const char* function, F&& body) {
    if (const auto& hook = detail::faultHook()) {
        if (const LONG injected = hook(function))
            return injected;
    }
    try {
        return body();
    } catch (const StoreError& e) {
        if (e.status == ERROR_BADDB)
            RegistryStore::markBad();
        return e.status;
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
}

std::optional<KeyView> childOf(RegistryStore& store, const KeyView& parent,
                               const std::string& fold) {
    if (!parent.merged) {
        const int64_t id = store.childId(parent.primary, fold);
        if (!id)
            return std::nullopt;
        return KeyView{id, 0, 0, false};
    }
    KeyView v;
    v.merged = true;
    if (parent.userSide)
        v.userSide = store.childId(parent.userSide, fold);
    if (parent.machineSide)
        v.machineSide = store.childId(parent.machineSide, fold);
    if (!v.userSide && !v.machineSide)
        return std::nullopt;
    v.primary = v.userSide ? v.userSide : v.machineSide;
    return v;
}

int64_t pathKey(RegistryStore& store, int64_t from, std::initializer_list<const char*> path) {
    for (const char* part : path) {
        if (!from)
            return 0;
        from = store.childId(from, part);
    }
    return from;
}

// The current view of a predefined root. HKEY_CLASSES_ROOT merges the user's and the
// machine's Software\Classes; its own new subkeys go to the machine's side.
KeyView predefinedView(RegistryStore& store, HKEY h) {
    if (h == HKEY_CURRENT_USER)
        return {store.hiveRoot(Hive::CurrentUser)};
    if (h == HKEY_LOCAL_MACHINE)
        return {store.hiveRoot(Hive::LocalMachine)};
    if (h == HKEY_USERS)
        return {store.hiveRoot(Hive::Users)};
    if (h == HKEY_CURRENT_CONFIG)
        return {store.hiveRoot(Hive::CurrentConfig)};
    KeyView v;
    v.merged = true;
    v.machineSide = pathKey(store, store.hiveRoot(Hive::LocalMachine), {"SOFTWARE", "CLASSES"});
    v.userSide = pathKey(store, store.hiveRoot(Hive::CurrentUser), {"SOFTWARE", "CLASSES"});
    v.primary = v.machineSide;
    return v;
}

// Refuses a create whose deepest new key, `newLevels` below `parent`, would lie more than
// kMaxKeyDepth levels below its root.
LONG checkDepth(RegistryStore& store, int64_t parent, size_t newLevels) {
    size_t depth = newLevels;
    for (int64_t id = parent; depth <= size_t(kMaxKeyDepth) && (id = store.parentOf(id)) != 0;)
        ++depth;
    return depth > size_t(kMaxKeyDepth) ? ERROR_FILENAME_EXCED_RANGE : ERROR_SUCCESS;
}

// The key a call works on: its handle's record, what it names now, and the store.
struct Target {
    RegistryStore* store = nullptr;
    OpenKey* key = nullptr;
    KeyView view;
    bool predefined = false;
};

LONG resolve(RegistryStore& store, HKEY h, Target& t) {
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (isPredefined(h)) {
        t.key = &HandleTable::instance().predefined(h);
        t.view = predefinedView(store, h);
        t.predefined = true;
        return t.view.primary ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }
    t.key = HandleTable::instance().find(h);
    if (!t.key)
        return ERROR_INVALID_HANDLE;
    t.view = t.key->view;
    return ERROR_SUCCESS;
}

bool allowed(const Target& t, REGSAM right) {
    return (t.key->access & right) == right;
}

// The prologue of every function that takes a key: opens the store, resolves the handle
// and checks that it was opened with `right` (0 when the call checks its rights itself).
LONG target(HKEY h, REGSAM right, Target& t) {
    t.store = &RegistryStore::instance();
    if (const LONG s = resolve(*t.store, h, t))
        return s;
    if (!allowed(t, right))
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// Brings a handle's listing up to date with the key it names; `read` lists the key afresh.
template <class Item, class Read>
LONG refresh(const Target& t, Listing<Item>& listing, Read&& read) {
    const uint64_t stamp = t.store->changeStamp();
    if (listing.stamp == stamp && listing.forKey == t.view.primary)
        return ERROR_SUCCESS;
    if (!t.store->keyAlive(t.view.primary))
        return ERROR_KEY_DELETED;
    listing.items = read();
    listing.stamp = stamp;
    listing.forKey = t.view.primary;
    return ERROR_SUCCESS;
}

// Status for a lookup that found nothing: "key deleted" when the starting key is gone.
LONG missing(RegistryStore& store, const KeyView& from) {
    return store.keyAlive(from.primary) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
}

LONG walk(RegistryStore& store, KeyView& view, const std::vector<std::string>& parts) {
    for (const auto& part : parts) {
        const auto next = childOf(store, view, foldName(part));
        if (!next)
            return missing(store, view);
        view = *next;
    }
    if (parts.empty() && !store.keyAlive(view.primary))
        return ERROR_KEY_DELETED;
    return ERROR_SUCCESS;
}

std::vector<RegistryStore::Child> subkeysOf(RegistryStore& store, const KeyView& view) {
    if (!view.merged)
        return store.children(view.primary);
    auto user = view.userSide ? store.children(view.userSide) : std::vector<RegistryStore::Child>();
    auto machine =
        view.machineSide ? store.children(view.machineSide) : std::vector<RegistryStore::Child>();
    std::vector<RegistryStore::Child> merged;
    merged.reserve(user.size() + machine.size());
    // Both lists are sorted by folded name; the user's spelling wins on a tie.
    std::set_union(user.begin(), user.end(), machine.begin(), machine.end(),
                   std::back_inserter(merged),
                   [](const auto& a, const auto& b) { return a.fold < b.fold; });
    return merged;
}

// Copies value data out under the platform's size rules: the size is always the stored
// size; a string type gets one NUL appended when the buffer has room and the data does
// not already end in one, not counted in the size.
LONG copyData(const RegistryStore::ValueRow& row, LPBYTE data, LPDWORD cb) {
    const DWORD size = DWORD(row.data.size());
    if (!cb)
        return ERROR_SUCCESS;
    if (!data) {
        *cb = size;
        return ERROR_SUCCESS;
    }
    if (*cb < size) {
        *cb = size;
        return ERROR_MORE_DATA;
    }
    if (size)
        std::memcpy(data, row.data.data(), size);
    if (isStringType(row.type) && *cb > size && (size == 0 || row.data.back() != '\0'))
        data[size] = 0;
    *cb = size;
    return ERROR_SUCCESS;
}

} // namespace

} // namespace tav::winreg

using namespace tav::winreg;

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
    return guarded("RegOpenKeyExA", [&]() -> LONG {
        if (!phkResult)
            return ERROR_INVALID_PARAMETER;
        *phkResult = nullptr;
        if (ulOptions & ~DWORD(8)) // only REG_OPTION_OPEN_LINK is meaningful here
            return ERROR_INVALID_PARAMETER;
        std::vector<std::string> parts;
        if (const LONG s = splitKeyPath(lpSubKey, parts))
            return s;
        Target t;
        if (const LONG s = target(hKey, 0, t))
            return s;
        auto& store = *t.store;
        KeyView view = t.view;
        if (const LONG s = walk(store, view, parts))
            return s;
        OpenKey key;
        key.view = view;
        key.access = samDesired;
        *phkResult = HandleTable::instance().add(key);
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR lpClass, DWORD, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    return guarded("RegCreateKeyExA", [&]() -> LONG {
        if (!phkResult || !lpSubKey)
            return ERROR_INVALID_PARAMETER;
        *phkResult = nullptr;
        std::vector<std::string> parts;
        if (const LONG s = splitKeyPath(lpSubKey, parts))
            return s;
        Target t;
        if (const LONG s = target(hKey, 0, t))
            return s;
        auto& store = *t.store;
        // Every missing level is created in one transaction: all of them or none.
        RegistryStore::Write write(store);
        KeyView view = t.view;
        if (!store.keyAlive(view.primary))
            return ERROR_KEY_DELETED;
        size_t level = 0;
        for (; level < parts.size(); ++level) {
            const auto next = childOf(store, view, foldName(parts[level]));
            if (!next)
                break;
            view = *next;
        }
        const bool creating = level < parts.size();
        if (creating && !allowed(t, KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
        if (const LONG s = creating ? checkDepth(store, view.primary, parts.size() - level) : 0)
            return s;
        const std::string className = lpClass ? lpClass : "";
        for (; level < parts.size(); ++level) {
            const int64_t id = store.createChild(
                view.primary, parts[level], level + 1 == parts.size() ? className : std::string());
            const bool userSide = view.merged && view.primary == view.userSide;
            view =
                view.merged ? KeyView{id, userSide ? id : 0, userSide ? 0 : id, true} : KeyView{id};
        }
        write.commit();
        OpenKey key;
        key.view = view;
        key.access = samDesired;
        *phkResult = HandleTable::instance().add(key);
        if (lpdwDisposition)
            *lpdwDisposition = creating ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY hKey) {
    return guarded("RegCloseKey", [&]() -> LONG {
        if (isPredefined(hKey))
            return ERROR_SUCCESS;
        return HandleTable::instance().remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    return guarded("RegQueryValueExA", [&]() -> LONG {
        if (lpReserved || (lpData && !lpcbData))
            return ERROR_INVALID_PARAMETER;
        if (const LONG s = checkValueName(lpValueName))
            return s;
        Target t;
        if (const LONG s = target(hKey, KEY_QUERY_VALUE, t))
            return s;
        auto& store = *t.store;
        RegistryStore::ValueRow row;
        switch (store.value(t.view.primary, foldName(lpValueName ? lpValueName : ""), row)) {
        case RegistryStore::Lookup::KeyGone:
            return ERROR_KEY_DELETED;
        case RegistryStore::Lookup::NoValue:
            return ERROR_FILE_NOT_FOUND;
        case RegistryStore::Lookup::Found:
            break;
        }
        if (lpType)
            *lpType = row.type;
        return copyData(row, lpData, lpcbData);
    });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    return guarded("RegSetValueExA", [&]() -> LONG {
        if (!lpData && cbData)
            return ERROR_NOACCESS;
        if (const LONG s = checkValueName(lpValueName))
            return s;
        Target t;
        if (const LONG s = target(hKey, KEY_SET_VALUE, t))
            return s;
        auto& store = *t.store;
        std::string bytes(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
        // The platform's string rule: a size that stops just short of the terminator still
        // stores the terminator, recognised by the NUL byte that follows the given size.
        if (isStringType(dwType) && cbData > 0 && lpData[cbData - 1] != 0 && lpData[cbData] == 0)
            bytes.push_back('\0');
        RegistryStore::Write write(store);
        if (!store.keyAlive(t.view.primary))
            return ERROR_KEY_DELETED;
        store.setValue(t.view.primary, lpValueName ? lpValueName : "", dwType, bytes);
        write.commit();
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    return guarded("RegDeleteKeyA", [&]() -> LONG {
        if (!lpSubKey)
            return ERROR_INVALID_PARAMETER;
        std::vector<std::string> parts;
        if (const LONG s = splitKeyPath(lpSubKey, parts))
            return s;
        Target t;
        if (const LONG s = target(hKey, 0, t))
            return s;
        auto& store = *t.store;
        if (parts.empty() && t.predefined)
            return ERROR_ACCESS_DENIED; // a predefined root is never deleted
        RegistryStore::Write write(store);
        KeyView view = t.view;
        if (const LONG s = walk(store, view, parts))
            return s;
        if (store.parentOf(view.primary) == 0 || store.hasChildren(view.primary))
            return ERROR_ACCESS_DENIED;
        store.deleteKey(view.primary);
        write.commit();
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return guarded("RegDeleteValueA", [&]() -> LONG {
        if (const LONG s = checkValueName(lpValueName))
            return s;
        Target t;
        if (const LONG s = target(hKey, KEY_SET_VALUE, t))
            return s;
        auto& store = *t.store;
        RegistryStore::Write write(store);
        if (!store.keyAlive(t.view.primary))
            return ERROR_KEY_DELETED;
        if (!store.deleteValue(t.view.primary, foldName(lpValueName ? lpValueName : "")))
            return ERROR_FILE_NOT_FOUND;
        write.commit();
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    return guarded("RegQueryInfoKeyA", [&]() -> LONG {
        if (lpReserved || (lpClass && !lpcchClass))
            return ERROR_INVALID_PARAMETER;
        Target t;
        if (const LONG s = target(hKey, KEY_QUERY_VALUE, t))
            return s;
        auto& store = *t.store;
        if (!store.keyAlive(t.view.primary))
            return ERROR_KEY_DELETED;
        const auto info = store.keyInfo(t.view.primary);
        const auto subkeys = subkeysOf(store, t.view);
        DWORD maxSubKey = 0;
        for (const auto& c : subkeys)
            maxSubKey = std::max(maxSubKey, DWORD(c.name.size()));

        const DWORD classLen = DWORD(info.className.size());
        if (lpClass) {
            if (classLen > 0 && *lpcchClass < classLen + 1) {
                *lpcchClass = classLen;
                return ERROR_MORE_DATA;
            }
            if (*lpcchClass > 0) {
                std::memcpy(lpClass, info.className.c_str(), classLen + 1);
            }
            *lpcchClass = classLen;
        } else if (lpcchClass) {
            *lpcchClass = classLen;
        }
        if (lpcSubKeys)
            *lpcSubKeys = DWORD(subkeys.size());
        if (lpcbMaxSubKeyLen)
            *lpcbMaxSubKeyLen = maxSubKey;
        if (lpcbMaxClassLen)
            *lpcbMaxClassLen = info.maxChildClassLen;
        if (lpcValues)
            *lpcValues = info.values;
        if (lpcbMaxValueNameLen)
            *lpcbMaxValueNameLen = info.maxValueNameLen;
        if (lpcbMaxValueLen)
            *lpcbMaxValueLen = info.maxValueLen;
        if (lpcbSecurityDescriptor)
            *lpcbSecurityDescriptor = 0; // per-key security is not modelled
        if (lpftLastWriteTime) {
            lpftLastWriteTime->dwLowDateTime = DWORD(uint64_t(info.written) & 0xffffffffu);
            lpftLastWriteTime->dwHighDateTime = DWORD(uint64_t(info.written) >> 32);
        }
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    return guarded("RegEnumValueA", [&]() -> LONG {
        if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
            return ERROR_INVALID_PARAMETER;
        Target t;
        if (const LONG s = target(hKey, KEY_QUERY_VALUE, t))
            return s;
        auto& store = *t.store;
        const auto& ids = t.key->values;
        if (const LONG s =
                refresh(t, t.key->values, [&] { return store.valueIds(t.view.primary); }))
            return s;
        RegistryStore::ValueRow row;
        if (dwIndex >= ids.items.size() || !store.valueById(ids.items[dwIndex], row))
            return ERROR_NO_MORE_ITEMS;
        if (row.name.size() + 1 > *lpcchValueName)
            return ERROR_MORE_DATA;
        std::memcpy(lpValueName, row.name.c_str(), row.name.size() + 1);
        *lpcchValueName = DWORD(row.name.size());
        if (lpType)
            *lpType = row.type;
        return copyData(row, lpData, lpcbData);
    });
}

LONG RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    return guarded("RegEnumKeyA", [&]() -> LONG {
        if (!lpName)
            return ERROR_INVALID_PARAMETER;
        Target t;
        if (const LONG s = target(hKey, KEY_ENUMERATE_SUB_KEYS, t))
            return s;
        const auto& names = t.key->subkeys;
        const LONG s = refresh(t, t.key->subkeys, [&] {
            std::vector<std::string> read;
            for (auto& c : subkeysOf(*t.store, t.view))
                read.push_back(std::move(c.name));
            return read;
        });
        if (s)
            return s;
        if (dwIndex >= names.items.size())
            return ERROR_NO_MORE_ITEMS;
        const std::string& name = names.items[dwIndex];
        if (name.size() + 1 > cchName)
            return ERROR_MORE_DATA;
        std::memcpy(lpName, name.c_str(), name.size() + 1);
        return ERROR_SUCCESS;
    });
}
