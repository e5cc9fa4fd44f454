#pragma once
// tav::datagrid::DataGrid: the data grid control the database windows host. A table view bound to
// a recordset's snapshot: every row from the first, every column captioned with its
// field name, a narrow head column (record selector) at the left, read-only cells.
// The grid shares the snapshot, so it keeps its rows after the recordset closes or is
// reopened for something else. The widget's accessible name follows its object name
// ("Grid1", "sg") unless one was set; rows, column headers and cells are exposed to
// assistive technology through the table's accessibility interface.
//
// A presentation layout (styles, columns, value items; see gridlayout.h) sets the look:
// cells, headers and head column drawn in their named styles, column widths from the
// stored columns, the head column's pictures from its value items, the group-by area.
// Without one, or after a layout was refused, the grid draws as the desktop style does.
#include "celllook.h"
#include "gridlayout.h"
#include "headpictures.h"
#include "recordset.h"

#include <QLabel>
#include <QTableView>

#include <optional>

namespace tav::datagrid {

class CellDelegate;
class GridHeader;
class RowSetModel;

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

    // Sets an integer property by dispatch identifier; raises 438 for identifiers the
    // grid does not know, 380 for a value outside the property's range.
    void setDispatchProperty(int dispId, int value);
    int appearance() const { return m_appearance; }

    // The rows shown: the bound snapshot itself, shared (nullptr before any binding).
    const std::shared_ptr<const ado::RowSet>& rowSet() const;

    // Applies a presentation layout. Every style the grid draws in is resolved before
    // anything changes, so a refused layout (LayoutError) leaves the grid as it was.
    void applyGridLayout(const gridlayout::GridLayout& layout);
    // Reads the three documents and applies them. On a refused document the grid returns
    // to its defaults, layoutError() tells where and why, and the result is false.
    bool loadGridLayout(const QByteArray& styles, const QByteArray& columns,
                        const QByteArray& valueItems,
                        const gridlayout::GridSettings& settings = {});
    // Back to the desktop style's look and the built-in widths.
    void resetGridLayout();
    const std::optional<gridlayout::GridLayout>& gridLayout() const { return m_layout; }
    const QString& layoutError() const { return m_layoutError; }

    // The head value of a row (headvalue::CurrentRow for the current row, else None) and
    // the picture it shows through the head column's value items.
    int headValue(int row) const;
    HeadPicture headPicture(int row) const;

    // The group-by area above the column headers; shown only when the layout says so.
    QLabel* groupByBox() const { return m_groupByBox; }
    bool groupByBoxShown() const { return m_groupByShown; }
    // The looks the layout gave the cells, the column headers and the head column;
    // nullopt where the desktop style draws.
    const std::optional<CellLooks>& cellLooks() const;
    const std::optional<CellLook>& columnHeaderLook() const;
    const std::optional<CellLook>& headColumnLook() const;

  protected:
    void updateGeometries() override;

  private:
    void applyAppearance();
    void followObjectName(const QString& name);
    void applyWidths(int headTwips, int columnTwips);

    RowSetModel* m_model;
    int m_appearance = 1;
    QString m_autoAccessibleName;
    GridHeader* m_columnHeader;
    GridHeader* m_headColumn;
    CellDelegate* m_delegate;
    QLabel* m_groupByBox;
    bool m_groupByShown = false;
    std::optional<gridlayout::GridLayout> m_layout;
    QString m_layoutError;
};

} // namespace tav::datagrid
