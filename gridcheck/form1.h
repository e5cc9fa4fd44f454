#pragma once
// Form1, gridcheck's one window: opens dbEquip.MDB beside the program file, reads the
// manufacturers in name order and binds Grid1 to them while the window loads.
#include "datagrid.h"
#include "recordset.h"

#include <QLabel>
#include <QWidget>

#include <memory>

namespace tav::gridcheck {

// The project name: the program's title and the caption of its message boxes.
inline const QString ProgramTitle = QStringLiteral("prjGridCheck");

class Form1 : public QWidget {
    Q_OBJECT
  public:
    // Creates the controls and runs Form_Load. `programFolder` is the folder that holds
    // the program file (without a trailing separator); tests pass their own.
    explicit Form1(const QString& programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    datagrid::DataGrid* grid1() const { return m_grid1; }
    QLabel* label1() const { return m_label1; }
    QWidget* shape1() const { return m_shape1; }
    // rsData: created on first use, null until then.
    ado::Recordset* rsData() const { return m_rsData.get(); }

  private:
    void Form_Load();
    ado::Recordset& recordset();

    QString m_programFolder;
    QWidget* m_shape1;
    QLabel* m_label1;
    datagrid::DataGrid* m_grid1;
    std::unique_ptr<ado::Recordset> m_rsData;
};

} // namespace tav::gridcheck
