#include "rowsetmodel_p.h"

namespace tav::datagrid {

void RowSetModel::setRowSet(std::shared_ptr<const ado::RowSet> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void RowSetModel::setUnboundColumns(QList<UnboundColumn> columns) {
    if (m_rows) {
        m_unbound = std::move(columns);
        return;
    }
    beginResetModel();
    m_unbound = std::move(columns);
    endResetModel();
}

int RowSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_rows ? 0 : m_rows->rowCount();
}

int RowSetModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_rows ? m_rows->columnCount() : int(m_unbound.size());
}

QVariant RowSetModel::data(const QModelIndex& index, int role) const {
    if (!m_rows || !index.isValid() || index.row() >= m_rows->rowCount() ||
        index.column() >= m_rows->columnCount())
        return {};
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole)
        return {};
    const Variant& v = m_rows->at(index.row(), index.column());
    if (v.isNull() || v.isEmpty())
        return QString();
    if (v.kind() == Variant::Kind::ByteArray)
        return QStringLiteral("(%1 bytes)").arg(v.bytes().count());
    if (v.kind() == Variant::Kind::VariantArray)
        return QStringLiteral("(array)");
    return v.toText();
}

QVariant RowSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        if (m_rows)
            return section < m_rows->columnCount() ? QVariant(m_rows->fieldName(section))
                                                   : QVariant();
        if (section < 0 || section >= m_unbound.size())
            return {};
        const UnboundColumn& c = m_unbound[section];
        return role == Qt::AccessibleTextRole && c.caption.isEmpty() ? c.key : c.caption;
    }
    if (role == Qt::AccessibleTextRole)
        return QStringLiteral("Row %1").arg(section + 1);
    if (role == Qt::DisplayRole)
        return QString();
    return {};
}

Qt::ItemFlags RowSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace tav::datagrid
