#pragma once
// Internal to the registry layer: how the store reports an SQLite failure to the registry
// functions, which return its status.
#include "winregtypes.h"

namespace tav::winreg {

// Thrown by the store on any SQLite failure; carries the registry status to return.
struct StoreError {
    LONG status;
};

// Maps an SQLite result code to the registry status reported for it.
LONG statusForSqlite(int rc);

} // namespace tav::winreg
