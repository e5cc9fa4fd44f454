#pragma once
// An immutable snapshot of a query result: the field names and every value, row by row.
// Recordsets and the data grid share one snapshot through std::shared_ptr<const RowSet>,
// so a grid keeps its rows after the recordset that produced them closes.
#include "variant.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace tav::ado {

class RowSet {
  public:
    RowSet() = default;
    // `values` holds rowCount * names.size() values, row after row.
    RowSet(std::vector<QString> names, std::vector<Variant> values);

    int32_t rowCount() const { return m_rows; }
    int columnCount() const { return static_cast<int>(m_names.size()); }
    const QString& fieldName(int column) const {
        Q_ASSERT(column >= 0 && column < columnCount());
        return m_names[size_t(column)];
    }

    // The index of the field named `name` in any case, or -1.
    int fieldIndex(const QString& name) const;

    // The value at (row, column); both must be in range.
    const Variant& at(int32_t row, int column) const {
        Q_ASSERT(row >= 0 && row < m_rows && column >= 0 && column < columnCount());
        return m_values[size_t(row) * m_names.size() + size_t(column)];
    }

  private:
    std::vector<QString> m_names;
    std::vector<Variant> m_values;
    int32_t m_rows = 0;
};

} // namespace tav::ado
