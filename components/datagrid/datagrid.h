#pragma once
// tav::DataGrid: the data grid control the database windows host. A table view bound to
// a recordset's snapshot: every row from the first, every column captioned with its
// field name, a narrow head column (record selector) at the left, read-only cells.
// The grid shares the snapshot, so it keeps its rows after the recordset closes or is
// reopened for something else. The widget's accessible name follows its object name
// ("Grid1", "sg") unless one was set; rows, column headers and cells are exposed to
// assistive technology through the table's accessibility interface.
#include "recordset.h"
#include "rowsetmodel.h"

#include <QTableView>

namespace tav {

class DataGrid : public QTableView {
    Q_OBJECT
public:
    // Dispatch identifiers of the grid's properties a window sets by number.
    enum DispId {
        // Appearance: 0 flat (a plain one-pixel frame), 1 three-dimensional (sunken
        // frame, the default). The database windows set it to 0 before binding.
        DispAppearance = 69,
        // DataSource takes a recordset, not a number: see setDataSource.
        DispDataSource = 135,
    };

    explicit DataGrid(QWidget* parent = nullptr);

    // Binds the grid to the rows of an open recordset, whatever its current row.
    // Raises 3704 when the recordset is closed (the grid keeps what it showed).
    void setDataSource(const ado::Recordset& rs);
    // Shows no rows and no columns, as the grid's stored empty layout.
    void clearDataSource();

    // Sets an integer property by dispatch identifier; raises 438 for identifiers the
    // grid does not know, 380 for a value outside the property's range.
    void setDispatchProperty(int dispId, int value);
    int appearance() const { return m_appearance; }

    RowSetModel* rowSetModel() const { return m_model; }

private:
    void applyAppearance();
    void followObjectName(const QString& name);

    RowSetModel* m_model;
    int m_appearance = 1;
    QString m_autoAccessibleName;
};

} // namespace tav
