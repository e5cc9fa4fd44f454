#pragma once
// frmTestDataAccess, datacheck's one window: reads the equipment database folder from the
// registry at load, then on request tests the connection on tbloutputs, or fills the
// grid from qryequipall, timing each run with a 1 ms timer and reporting the outcome in
// lblResponse (failures in a message box).
//
// The test handlers yield to pending window events at fixed steps, so the timer ticks are
// counted during a run and a click during a run starts that button's handler inside the
// running one; both share rsData. Closing the window (Done, Esc or the close box) while a
// handler runs is held back until the outermost handler has returned; while the recordset's
// statement runs, such a close stops the statement (other clicks wait until it has ended).
#include "datagrid.h"
#include "recordset.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace tav::datacheck {

// The program's title: the caption of its message boxes.
inline const QString ProgramTitle = QStringLiteral("datacheck");

class frmTestDataAccess : public QWidget {
    Q_OBJECT
  public:
    // Points of a test handler where pending window events are delivered.
    enum class YieldPoint { TimerEnabled, Connected, Opened, RowLoop, GridTaken };

    // Creates the controls from their stored settings and runs Form_Load; a failure of
    // the load (the registry read failing twice) passes to the caller untrapped.
    explicit frmTestDataAccess(QWidget* parent = nullptr);
    ~frmTestDataAccess() override;

    // Event handlers.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();

    // Controls.
    QPushButton* Command1() const { return m_command1; }
    QPushButton* Command2() const { return m_command2; }
    QPushButton* Command3() const { return m_command3; }
    QLabel* Label1() const { return m_label1; }
    QLabel* lblResponse() const { return m_lblResponse; }
    datagrid::DataGrid* sg() const { return m_sg; }
    QTimer* Timer1() const { return m_timer1; }

    // Fields.
    ado::Recordset& rsData() const { return *m_rsData; }
    const QString& sConnect() const { return m_sConnect; }
    double dElapsed() const { return m_dElapsed; }

    // Test handlers running right now (nested runs count each).
    int runningHandlers() const { return m_running; }
    // A close asked for during a run, waiting for the handlers to return.
    bool closePending() const { return m_closePending; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What differs between the two test handlers.
    struct TestRun {
        QString source; // the SQL the recordset opens
        QString field;  // the field read on every row
        bool fillGrid;  // bind sg before closing, and add the caution line
    };

    void createControls();
    void Form_Load();
    void runTest(const TestRun& run);
    // Opens `source` on rs; a close asked for while its statement runs stops it.
    void openWatched(ado::Recordset& rs, const QString& source);
    void yield(YieldPoint point);
    void showFailure(const VbError& e);
    void setResponse(const QString& text);

    QPushButton* m_command1 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_lblResponse = nullptr;
    datagrid::DataGrid* m_sg = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QTimer* m_timer1 = nullptr;

    std::unique_ptr<ado::Recordset> m_rsData;
    QString m_sConnect;
    double m_dElapsed = 0;

    int m_running = 0;
    bool m_closePending = false;
};

} // namespace tav::datacheck
