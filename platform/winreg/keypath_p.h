#pragma once
// Key paths and names as the registry functions take them: ANSI (UTF-8) text, components
// separated by backslashes only, compared without regard to case.
#include "winregtypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace tav::winreg {

// Longest key name component and value name, in characters.
inline constexpr int kMaxKeyNameChars = 255;
inline constexpr int kMaxValueNameChars = 16383;

// The case-insensitive comparison form of a name (upper case, as the platform compares).
std::string foldName(std::string_view name);

// Splits a relative key path into its components. A null or empty path gives no component;
// trailing backslashes are ignored. Returns ERROR_BAD_PATHNAME for a leading backslash or an
// empty component inside the path, ERROR_INVALID_PARAMETER for a component that is too long.
LONG splitKeyPath(const char* path, std::vector<std::string>& components);

// ERROR_SUCCESS when a value name (null means the unnamed value) is within the length limit.
LONG checkValueName(const char* name);

// Character count of a UTF-8 name as the platform counts it (UTF-16 units).
int nameChars(std::string_view name);

} // namespace tav::winreg
