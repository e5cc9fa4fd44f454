#include "recordset.h"

#include "connection.h"
#include "connectionstring.h"
#include "providers.h"

namespace tav::ado {

const QString& Field::name() const {
    return m_rs->rows().fieldName(m_column);
}

Variant Field::value() const {
    const RowSet& rows = m_rs->rows();
    if (m_rs->m_position >= rows.rowCount())
        throw recordsetError(errc::NoCurrentRecord);
    return rows.at(m_rs->m_position, m_column);
}

void Field::setValue(const Variant&) {
    m_rs->rows();
    throw VbError(
        errc::NotUpdatable, recordsetSource(),
        m_rs->m_lockType == adLockReadOnly
            ? QStringLiteral(
                  "The recordset does not accept changes: it was opened with read-only locking.")
            : QStringLiteral(
                  "The recordset does not accept changes: its database file is open read-only."));
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::setActiveConnection(const QString& connectionString) {
    if (m_rows)
        throw recordsetError(errc::ObjectOpen);
    m_connection.reset();
    m_connection = Providers::connect(ConnectionString::parse(connectionString));
}

void Recordset::open(const QString& source, int cursorType, int lockType, int) {
    if (m_rows)
        throw recordsetError(errc::ObjectOpen);
    if (!m_connection)
        throw recordsetError(errc::NoConnection);
    m_rows = m_connection->query(source);
    m_position = 0;
    m_cursorType = cursorType == adOpenUnspecified ? adOpenForwardOnly : cursorType;
    m_lockType = lockType == adLockUnspecified ? adLockReadOnly : lockType;
}

void Recordset::close() {
    rows();
    m_rows.reset();
    m_position = 0;
}

const RowSet& Recordset::rows() const {
    if (!m_rows)
        throw recordsetError(errc::ObjectClosed);
    return *m_rows;
}

int32_t Recordset::recordCount() const {
    const RowSet& r = rows();
    return m_cursorType == adOpenStatic || m_cursorType == adOpenKeyset ? r.rowCount() : -1;
}

bool Recordset::eof() const {
    return m_position >= rows().rowCount();
}

bool Recordset::bof() const {
    return rows().rowCount() == 0;
}

void Recordset::moveNext() {
    if (eof())
        throw recordsetError(errc::NoCurrentRecord);
    ++m_position;
}

void Recordset::moveFirst() {
    rows();
    m_position = 0;
}

Field Recordset::fields(const QString& name) const {
    const int i = rows().fieldIndex(name);
    if (i < 0)
        throw recordsetError(errc::ItemNotFound, name);
    return Field(this, i);
}

Field Recordset::fields(int index) const {
    if (index < 0 || index >= rows().columnCount())
        throw recordsetError(errc::ItemNotFound, QString::number(index));
    return Field(this, index);
}

int Recordset::fieldCount() const {
    return rows().columnCount();
}

std::shared_ptr<const RowSet> Recordset::snapshot() const {
    rows();
    return m_rows;
}

} // namespace tav::ado
