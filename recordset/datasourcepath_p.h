#pragma once
// Finds the file a connection string's Data Source names.
#include <QString>

namespace tav::ado {

// Resolves a Data Source path to an existing file:
// - backslashes are folder separators ("C:" drive prefixes are not understood; a folder
//   whose own name holds a backslash is not supported);
// - a relative path is taken from the current directory;
// - when no file has the exact name, the one file in its folder whose name matches
//   case-insensitively is used, as on a case-insensitive file system.
// Raises errc::ProviderFailure naming the path when the folder or file is missing, or
// when several files match case-insensitively and none exactly.
QString resolveDataSourcePath(const QString& dataSource);

} // namespace tav::ado
