#pragma once
// What a call raised: the VbError itself, or just its number for tables of expected numbers.
#include "vberror.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>

namespace tav::test {

// The error a call raised, or nothing when it raised none.
std::optional<VbError> errorOf(const std::function<void()>& f);

// The number of the error a call raised, 0 when it raised none.
int32_t errorNumberOf(const std::function<void()>& f);

} // namespace tav::test

namespace tav {
// Readable failure messages for errors: number, source and description.
void PrintTo(const VbError& e, std::ostream* os);
} // namespace tav
