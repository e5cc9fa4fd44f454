#pragma once
// The grid presentation layouts stored with the two database programs: three documents
// each (named styles, columns, value items) built in as resources under
// :/griddata/<program>/, plus the scalar settings kept beside them.
#include "datagrid.h"
#include "gridlayout.h"
#include "vberror.h"

#include <QByteArray>

namespace tav::griddata {

enum class GridProgram { DataCheck, GridCheck };

struct StoredDocuments {
    QByteArray styles;
    QByteArray columns;
    QByteArray valueItems;
};

// The three documents exactly as stored.
StoredDocuments storedDocuments(GridProgram program);
// The scalar settings: the group-by prompt for both; the group-by area shows in
// datacheck's large grid and not in gridcheck's small one, where rows matter more.
gridlayout::GridSettings storedSettings(GridProgram program);
// The documents read and checked; raises gridlayout::LayoutError.
gridlayout::GridLayout storedLayout(GridProgram program);

// The error a grid whose layout cannot be read is created with ("Error loading from file").
inline constexpr int32_t LayoutLoadError = err::ErrorLoadingFromFile;

// Gives a window's grid its stored layout. A grid that refuses its layout cannot be
// created: raises LayoutLoadError (source "DataGrid") naming the document, line and fault,
// which no window traps, so the program ends with the run-time error report.
void applyStoredLayout(datagrid::DataGrid& grid, GridProgram program);
// The same for any three documents and settings.
void applyLayoutDocuments(datagrid::DataGrid& grid, const StoredDocuments& docs,
                          const gridlayout::GridSettings& settings);

} // namespace tav::griddata
