#pragma once
// tav::ado::Recordset: the data access object the database windows use.
//
//   Recordset rs;
//   rs.setActiveConnection("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=/db/dbEquip.mdb;");
//   rs.open("Select * from tbloutputs", adOpenStatic, adLockOptimistic, -1);
//   const int16_t n = Variant(rs.recordCount()).toInteger();   // raises 6 above 32767
//   while (!rs.eof()) { QString s = rs.fields("Name").value().toText(); rs.moveNext(); }
//   grid.setDataSource(rs);      // the grid shares the snapshot ...
//   rs.close();                  // ... and keeps showing it
//
// Semantics:
// - setActiveConnection parses the string (connectionstring.h) and connects at once
//   through the provider it names (providers.h); the file must exist and is opened
//   read-only. Raises 3705 while the recordset is open; on failure the previous
//   connection is dropped.
// - open runs `source` and reads every row into a snapshot; the first row is current,
//   or eof() is true at once when there are none. Raises 3705 when already open, 3709
//   without a connection, and the provider's errors (missing table, bad query ...).
// - recordCount is exact for static and keyset cursors and -1 for forward-only and
//   dynamic ones (the default cursor is forward-only), as the platform reports them.
// - fields(name) finds a field in any case of its name; 3265 when there is none.
//   Field::value reads the current row; 3021 when there is none (past the end).
// - No cursor accepts changes: Field::setValue raises 3251.
// - close releases the snapshot (a grid bound to it keeps its share) and keeps the
//   connection, so the recordset can be opened again. Every operation other than
//   state, close's counterpart open, and setActiveConnection raises 3704 while closed.
// Failures are tav::VbError values; numbers in adoerror.h.
#include "adoerror.h"
#include "rowset.h"

#include <QString>

#include <memory>

namespace tav::ado {

class Connection;
class Recordset;

enum CursorType {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockType {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4
};
enum ObjectState { adStateClosed = 0, adStateOpen = 1 };
inline constexpr int adOptionUnspecified = -1;

// One field of a recordset's current row. Valid while its recordset lives.
class Field {
  public:
    const QString& name() const;
    Variant value() const;
    void setValue(const Variant& v);

  private:
    friend class Recordset;
    Field(const Recordset* rs, int column) : m_rs(rs), m_column(column) {}
    const Recordset* m_rs;
    int m_column;
};

class Recordset {
  public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void setActiveConnection(const QString& connectionString);

    void open(const QString& source, int cursorType = adOpenUnspecified,
              int lockType = adLockUnspecified, int options = adOptionUnspecified);
    void close();
    int state() const { return m_rows ? adStateOpen : adStateClosed; }

    int32_t recordCount() const;
    bool eof() const;
    bool bof() const;
    void moveNext();
    void moveFirst();

    Field fields(const QString& name) const;
    Field fields(int index) const; // 3265 outside 0..fieldCount()-1
    int fieldCount() const;

    int lockType() const { return m_lockType; }

    // Every row of the open result, shared: what a grid binds to. Raises 3704 when closed.
    std::shared_ptr<const RowSet> snapshot() const;

  private:
    friend class Field;
    const RowSet& rows() const; // raises 3704 when closed

    std::unique_ptr<Connection> m_connection;
    std::shared_ptr<const RowSet> m_rows;
    int32_t m_position = 0;
    int m_cursorType = adOpenForwardOnly;
    int m_lockType = adLockReadOnly;
};

} // namespace tav::ado
