#pragma once
// Providers by name, as the connection string's Provider key chooses them.
#include "connection.h"
#include "connectionstring.h"

#include <functional>
#include <memory>

namespace tav::ado {

using ProviderFactory = std::function<std::unique_ptr<Connection>(const ConnectionString&)>;

class Providers {
  public:
    // The name of the file-database provider that is always registered.
    static QString jetProviderName() { return QStringLiteral("Microsoft.Jet.OLEDB.4.0"); }

    // Registers (or replaces) the provider called `name` (compared case-insensitively).
    static void add(const QString& name, ProviderFactory factory);

    // Adds a file format to the file-database provider; formats added later are asked first.
    static void addFileFormat(std::shared_ptr<const FileFormat> format);

    // Opens a connection through the provider the string names. Raises
    // errc::ProviderNotFound for an unknown or missing Provider, and the provider's
    // own errors (missing file, unknown format ...).
    static std::unique_ptr<Connection> connect(const ConnectionString& cs);

    // The file-database provider: resolves Data Source (datasourcepath.h), reads the
    // file's header and opens it with the first format that recognizes it. Its queries fail
    // once the path names another file or none (the file deleted, moved or replaced).
    static std::unique_ptr<Connection> openDatabaseFile(const ConnectionString& cs);
};

} // namespace tav::ado
