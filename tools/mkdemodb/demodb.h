#pragma once
// The demo equipment database: an audio/video equipment catalogue in a SQLite file
// (rollback journal), the same bytes on every run.
//
//   tblmanufacturers(ManufacturerID, ManufacturerName, Country, City, Website)   300 rows
//   tblcategories(CategoryID, CategoryName, Discipline)                          27 rows
//   tblequipment(EquipmentID, EquipmentName, ModelNumber, ManufacturerID,
//                CategoryID, RackUnits, PowerWatts, WeightKg, ListPrice, Discontinued)  4000 rows
//   tbloutputs(OutputID, Name, EquipmentID, SignalType, Connector, Channels)     400 rows
//   qryequipall: every equipment row with its manufacturer and category names
// Text is plain ASCII in TEXT columns that compare case-insensitively (COLLATE NOCASE).
#include <string>

namespace tav::demodb {

inline constexpr int ManufacturerCount = 300;
inline constexpr int EquipmentCount = 4000;
inline constexpr int OutputCount = 400;

// Writes the database to `path`, replacing any file there. The file appears only when
// complete (written beside it under a temporary name, then renamed). Returns an error
// text, empty on success.
std::string writeDemoDatabase(const std::string& path);

} // namespace tav::demodb
