#pragma once
// A read-only table model over a shared recordset snapshot. Binding shares the
// snapshot (no copy); cell text is made on demand for the cells a view asks for.
#include "rowset.h"

#include <QAbstractTableModel>

#include <memory>

namespace tav::datagrid {

class RowSetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    // A column shown while no rows are bound: its layout key and its caption.
    struct UnboundColumn {
        QString key;
        QString caption;
    };

    // Replaces the rows shown; nullptr shows no rows and the unbound columns.
    void setRowSet(std::shared_ptr<const ado::RowSet> rows);
    // The columns an unbound grid shows (its layout's data columns); none by default.
    void setUnboundColumns(QList<UnboundColumn> columns);
    const std::shared_ptr<const ado::RowSet>& rowSet() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display and accessible text of a cell: the value as text, Null as empty.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Column captions are the field names (an unbound column shows its caption and is named
    // by its key for assistive technology when the caption is blank). Row headers show no text (the
    // grid's head column is a narrow record selector) but are named "Row n" for assistive
    // technology.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    std::shared_ptr<const ado::RowSet> m_rows;
    QList<UnboundColumn> m_unbound;
};

} // namespace tav::datagrid
