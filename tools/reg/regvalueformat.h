#pragma once
// Value types by name and value data as `reg query` shows them and `reg add` takes them.
#include "regaccess.h"

#include <QString>

#include <optional>

namespace tav::regtool {

QString typeName(DWORD type);
std::optional<DWORD> typeFromName(const QString& name);

// The data column of `reg query`: text, 0x-prefixed DWORDs, binary as upper-case hex digits,
// multi-strings joined with \0.
QString displayData(const RegValue& v);

// Builds the stored bytes from `/d` text for the type; empty optional when it is invalid.
std::optional<std::string> dataFromText(DWORD type, const QString& text, const QString& separator);

} // namespace tav::regtool
