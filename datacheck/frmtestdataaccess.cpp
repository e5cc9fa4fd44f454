#include "frmtestdataaccess.h"

#include "application.h"
#include "fonts.h"
#include "formstyle.h"
#include "frmtestdataaccess_p.h"
#include "gridbinding.h"
#include "heldinput_p.h"
#include "messagebox.h"
#include "modregistry.h"
#include "olecolor.h"
#include "statementwatch.h"
#include "storedlayout.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>

namespace tav::datacheck {

detail::YieldHookSlot& detail::yieldHookSlot() {
    static YieldHookSlot slot;
    return slot;
}

namespace {

const QString Label1Text =
    QStringLiteral("Test Data Access. The app also tests the registry access and the data grid. "
                   "This app hooks up to "
                   "the Tavrion equipment database and retrieves records to fill the grid.");
const QString ResponseCaption = QStringLiteral("Response:");
const QString CautionLine = QStringLiteral(
    "Caution!  Editing the table below will cause permanent changes to the database.");

QPushButton* makeButton(QWidget* form, const char* name, const QString& text, int left, int top,
                        int width, int height) {
    auto* b = new QPushButton(text, form);
    b->setObjectName(QString::fromLatin1(name));
    placeTwips(b, left, top, width, height);
    return b;
}

QLabel* makeLabel(QWidget* form, const char* name, const QString& text, int left, int top,
                  int width, int height) {
    auto* l = new QLabel(text, form);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(l, left, top, width, height);
    return l;
}

// Whether an input event closes the window, which a running statement lets through: a click
// on Done, or Esc (its shortcut).
bool closesWindow(const QPushButton* done, QObject* receiver, QEvent* event) {
    if (event->type() == QEvent::Shortcut)
        return static_cast<QShortcutEvent*>(event)->key() == QKeySequence(Qt::Key_Escape);
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        return static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    return receiver == done;
}

// Counts a running test handler for as long as it runs.
class RunningScope {
  public:
    explicit RunningScope(int& count) : m_count(count) { ++m_count; }
    ~RunningScope() { --m_count; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

  private:
    int& m_count;
};

} // namespace

frmTestDataAccess::frmTestDataAccess(QWidget* parent) : QWidget(parent) {
    createControls();
    Form_Load();
}

frmTestDataAccess::~frmTestDataAccess() {
    if (detail::yieldHookSlot().form == this)
        detail::yieldHookSlot() = {};
}

void frmTestDataAccess::createControls() {
    setObjectName(QStringLiteral("frmTestDataAccess"));
    setWindowTitle(QStringLiteral("Test Data Access"));
    applyFormStyle(this, BorderStyle::FixedToolWindow, 9735, 6420);
    // The window's font, which every control but Label1 uses.
    setFont(storedFont(QStringLiteral("MS Sans Serif"), 8.25, 400));
    // Installed after the style's own close watcher, so it sees a close first and can
    // hold it back while a handler runs.
    installEventFilter(this);

    // Created in tab order; the labels take no focus.
    m_command1 =
        makeButton(this, "Command1", QStringLiteral("Test Connection"), 240, 660, 1695, 555);

    m_label1 = makeLabel(this, "Label1", Label1Text, 0, 60, 9675, 555);
    m_label1->setAutoFillBackground(true);
    m_label1->setFont(storedFont(QStringLiteral("MS Sans Serif"), 9.75, 400));
    QPalette pal = m_label1->palette();
    pal.setColor(QPalette::Window, rgbColor(0x404040));
    pal.setColor(QPalette::WindowText, rgbColor(0xFFFFFF));
    m_label1->setPalette(pal);

    m_lblResponse = makeLabel(this, "lblResponse", ResponseCaption, 3600, 1020, 5775, 1035);

    m_sg = new datagrid::DataGrid(this);
    m_sg->setObjectName(QStringLiteral("sg"));
    placeTwips(m_sg, 60, 2040, 9495, 3735);
    griddata::applyStoredLayout(*m_sg, griddata::GridProgram::DataCheck);

    m_command2 = makeButton(this, "Command2", QStringLiteral("Fill Grid"), 240, 1320, 1695, 495);
    m_command3 = makeButton(this, "Command3", QStringLiteral("Done"), 3660, 5880, 2595, 435);

    setTabOrder(m_command1, m_sg);
    setTabOrder(m_sg, m_command2);
    setTabOrder(m_command2, m_command3);
    m_command1->setFocus();

    // Done is the window's cancel button: Esc presses it.
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancel, &QShortcut::activated, m_command3, &QPushButton::click);

    connect(m_command1, &QPushButton::clicked, this, &frmTestDataAccess::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &frmTestDataAccess::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &frmTestDataAccess::Command3_Click);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setTimerType(Qt::PreciseTimer);
    m_timer1->setInterval(1);
    connect(m_timer1, &QTimer::timeout, this, &frmTestDataAccess::Timer1_Timer);
    m_timer1->start();

    applyAccessibleNames(this);
    centerOnScreen(this);
}

void frmTestDataAccess::Form_Load() {
    const QString folder =
        modRegistry::GetRegistrySetting(QStringLiteral("PATH_DB_EQUIP")).toText();
    m_sConnect = griddata::equipmentConnectionString(folder + QStringLiteral("\\dbEquip.mdb"),
                                                     QStringLiteral(";"));
    m_rsData = std::make_unique<ado::Recordset>();
}

void frmTestDataAccess::Command1_Click() {
    runTest({QStringLiteral("Select * from tbloutputs"), QStringLiteral("Name"), false});
}

void frmTestDataAccess::Command2_Click() {
    runTest({QStringLiteral("Select * from qryequipall"), QStringLiteral("EquipmentName"), true});
}

void frmTestDataAccess::Command3_Click() {
    close();
}

void frmTestDataAccess::Timer1_Timer() {
    m_dElapsed += 1;
}

void frmTestDataAccess::runTest(const TestRun& run) {
    {
        RunningScope running(m_running);
        ado::Recordset& rs = *m_rsData;
        try {
            m_dElapsed = 0;
            setResponse(ResponseCaption);
            m_timer1->start();
            yield(YieldPoint::TimerEnabled);
            rs.setActiveConnection(m_sConnect);
            yield(YieldPoint::Connected);
            openWatched(rs, run.source);
            yield(YieldPoint::Opened);
            // Held in 32 bits: a table of 32,768 rows or more reports its true count.
            const int32_t count = rs.recordCount();
            while (!rs.eof()) {
                yield(YieldPoint::RowLoop);
                const Variant value = rs.fields(run.field).value();
                Q_UNUSED(value);
                rs.moveNext();
            }
            if (run.fillGrid) {
                datagrid::DataGrid* grid = m_sg;
                yield(YieldPoint::GridTaken);
                griddata::prepareGridForFill(*grid);
                griddata::bindGrid(*grid, rs);
            }
            rs.close();
            m_timer1->stop();
            QString text = QStringLiteral("Response: Connection OK\r\nRetreived ") +
                           QString::number(count) + QStringLiteral(" records in: ") +
                           formatDouble(m_dElapsed) + QStringLiteral(" Milliseconds");
            if (run.fillGrid)
                text += QStringLiteral("\r\n\r\n") + CautionLine;
            setResponse(text);
        } catch (const VbError& e) {
            showFailure(e);
        }
    }
    // A close asked for during the run happens once the last handler has returned.
    if (m_running == 0 && m_closePending) {
        m_closePending = false;
        close();
    }
}

void frmTestDataAccess::openWatched(ado::Recordset& rs, const QString& source) {
    // Done or a close while the statement runs stops it; other clicks and keys wait for it.
    HeldInput held([done = m_command3](QObject* receiver, QEvent* event) {
        return closesWindow(done, receiver, event);
    });
    // Input held for a window that is closing is dropped with it.
    struct DropWhenClosing {
        HeldInput& held;
        const bool& closing;
        ~DropWhenClosing() {
            if (closing)
                held.discard();
        }
    } drop{held, m_closePending};
    const ado::StatementWatch watch([&] {
        held.deliverPending();
        return m_closePending ? QStringLiteral("the window was closed while it ran") : QString();
    });
    rs.open(source, ado::adOpenStatic, ado::adLockOptimistic, ado::adOptionUnspecified);
}

void frmTestDataAccess::showFailure(const VbError& e) {
    // The run's tick count is over; the next run resets it anyway.
    m_timer1->stop();
    MessageBox::show(QStringLiteral("Error: ") + QString::number(e.number()) + u' ' +
                         e.description(),
                     mb::OKOnly, ProgramTitle);
    if (m_rsData->state() == ado::adStateOpen)
        m_rsData->close();
}

void frmTestDataAccess::yield(YieldPoint point) {
    if (const auto& slot = detail::yieldHookSlot(); slot.form == this && slot.hook)
        slot.hook(point, m_running);
    doEvents();
}

void frmTestDataAccess::setResponse(const QString& text) {
    m_lblResponse->setText(text);
    // Assistive technology reads the result, not the caption the label started with.
    m_lblResponse->setAccessibleName(text);
}

bool frmTestDataAccess::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::Close && m_running > 0) {
        // Closing now would end the program under the running handler: wait for it.
        m_closePending = true;
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tav::datacheck
