#include "gridbinding.h"

#include "connectionstring.h"

namespace tav::griddata {

QString equipmentConnectionString(const QString& dataSource, const QString& tail) {
    return QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
           ado::ConnectionString::quoteValue(dataSource) + tail;
}

void prepareGridForFill(DataGrid& grid) {
    grid.setDispatchProperty(DataGrid::DispAppearance, 0);
}

void bindGrid(DataGrid& grid, const ado::Recordset& rs) {
    grid.setDataSource(rs);
}

} // namespace tav::griddata
