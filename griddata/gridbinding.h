#pragma once
// The database and grid operations both database windows perform: building the
// connection string to the equipment database and binding the grid to a recordset.
#include "datagrid.h"
#include "recordset.h"

#include <QString>

namespace tav::griddata {

// "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=" + dataSource + tail, with the data
// source quoted when the connection string's rules require it (a folder holding ';'
// would otherwise cut the path short). `tail` starts with its ';'.
QString equipmentConnectionString(const QString& dataSource, const QString& tail);

// Fill Grid's preparation: the grid's integer property 69 (its appearance) set to 0.
void prepareGridForFill(datagrid::DataGrid& grid);

// Sets the grid's DataSource to the open recordset: the grid shows all its rows and
// columns and keeps them after the recordset closes. Raises 3704 for a closed one.
void bindGrid(datagrid::DataGrid& grid, const ado::Recordset& rs);

} // namespace tav::griddata
