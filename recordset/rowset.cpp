#include "rowset.h"

namespace tav::ado {

RowSet::RowSet(std::vector<QString> names, std::vector<Variant> values)
    : m_names(std::move(names)), m_values(std::move(values)),
      m_rows(m_names.empty() ? 0 : static_cast<int32_t>(m_values.size() / m_names.size())) {
    // Whole rows only: a value left over would belong to no row.
    Q_ASSERT(m_names.empty() ? m_values.empty() : m_values.size() % m_names.size() == 0);
}

int RowSet::fieldIndex(const QString& name) const {
    for (size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace tav::ado
