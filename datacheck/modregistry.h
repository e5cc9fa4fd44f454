#pragma once
// modRegistry: the program's one registry lookup, a value of the product's settings key in
// the current user's hive.
#include "variant.h"

#include <QString>

namespace tav::datacheck::modRegistry {

// The settings key that holds the program's values under HKEY_CURRENT_USER.
inline constexpr const char* SettingsKey = "Software\\Tavrion\\Tavrion_v3";

// The value sValueName of the settings key as cRegistry reads it (text for a string value);
// the empty text when the key or the value is missing. A failure of the read is retried
// once and then passed to the caller.
Variant GetRegistrySetting(const QString& sValueName);

} // namespace tav::datacheck::modRegistry
