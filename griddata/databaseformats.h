#pragma once
// The database file formats both database programs read, registered with the recordset's
// file-database provider at start-up: SQLite always, Access files where this build reads them.
namespace tav::griddata {

// Registers every format this build has; later calls do nothing.
void registerDatabaseFormats();

} // namespace tav::griddata
