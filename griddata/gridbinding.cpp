#include "gridbinding.h"

#include "connectionstring.h"

namespace tav::griddata {

QString equipmentConnectionString(const QString& dataSource, const QString& tail) {
    return QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
           ado::ConnectionString::quoteValue(dataSource) + tail;
}

void prepareGridForFill(datagrid::DataGrid& grid) {
    grid.setDispatchProperty(datagrid::DataGrid::DispAppearance, 0);
}

void bindGrid(datagrid::DataGrid& grid, const ado::Recordset& rs) {
    grid.setDataSource(rs);
}

} // namespace tav::griddata
