#pragma once
// The grid presentation layouts stored with the two database programs: three documents
// each (named styles, columns, value items) built in as resources under
// :/griddata/<program>/, plus the scalar settings kept beside them.
#include "datagrid.h"
#include "gridlayout.h"

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

// Gives a window's grid its stored layout. A refused layout leaves the grid with its
// defaults (the grid logs why) and returns false.
bool applyStoredLayout(DataGrid& grid, GridProgram program);

} // namespace tav::griddata
