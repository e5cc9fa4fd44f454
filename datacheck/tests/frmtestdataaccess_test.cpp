// frmTestDataAccess: the window's settings, the two test handlers against temporary
// databases and a temporary registry store, clicks during a run and closing the window.
#include "casename.h"
#include "codepage.h"
#include "frmtestdataaccess.h"
#include "frmtestdataaccess_testseams.h"
#include "recordset_testseams.h"
#include "registrytest.h"
#include "testdb.h"
#include "units.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>

using namespace tav;
using namespace tav::datagrid;
using tav::datacheck::frmTestDataAccess;
using YieldPoint = frmTestDataAccess::YieldPoint;

namespace {

const QString kSettings = QStringLiteral("Software\\Tavrion\\Tavrion_v3");
const QString kValue = QStringLiteral("PATH_DB_EQUIP");
const QString kCaution = QStringLiteral(
    "\r\n\r\nCaution!  Editing the table below will cause permanent changes to the database.");

// Statements that fill `table` with rows 1..n of (ID, `field`), by a recursive query so that
// 40,000 rows take no time to write.
QStringList numberedRows(const QString& table, const QString& field, int n) {
    QStringList s{QStringLiteral("create table %1(ID integer, %2 text)").arg(table, field)};
    if (n > 0)
        s << QStringLiteral(
                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                 "insert into %2 select x, 'Item ' || x from c")
                 .arg(n)
                 .arg(table);
    return s;
}

// The equipment query over a table of equipment, as the demo database has it.
QStringList equipment(int n) {
    return numberedRows(QStringLiteral("tblequipment"), QStringLiteral("EquipmentName"), n)
           << QStringLiteral("create view qryequipall as select ID as EquipmentID, EquipmentName "
                             "from tblequipment");
}

// Parameter cases print as their names in test listings.
template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class DataAccessWindowTest : public tav::test::RegistryTest {
  protected:
    tav::test::TempDir data;
    tav::test::MessageBoxRecorder boxes;

    // PATH_DB_EQUIP as a registry string naming `folder`.
    void setFolder(const QString& folder) {
        putRaw(HKEY_CURRENT_USER, kSettings, kValue, REG_SZ, toAnsi(folder) + QByteArray(1, '\0'));
    }
    // dbEquip.mdb in the data folder, registered as the database folder.
    QString makeDb(const QStringList& statements) {
        tav::test::makeDatabase(data.file(QStringLiteral("dbEquip.mdb")), statements);
        setFolder(data.path());
        return data.file(QStringLiteral("dbEquip.mdb"));
    }
    std::unique_ptr<frmTestDataAccess> load() { return std::make_unique<frmTestDataAccess>(); }

    static QString response(const frmTestDataAccess& f) { return f.lblResponse()->text(); }
    std::vector<QString> prompts() const {
        std::vector<QString> p;
        for (const auto& b : boxes.boxes())
            p.push_back(b.prompt);
        return p;
    }
};

// The caption of a successful run: count and ticks, checked against the window's own tick count.
void expectSuccess(const frmTestDataAccess& f, int count, bool fillGrid) {
    static const QRegularExpression re(
        QStringLiteral(
            "^Response: Connection OK\r\nRetreived (-?\\d+) records in: (\\d+) Milliseconds(.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(f.lblResponse()->text());
    ASSERT_TRUE(m.hasMatch()) << f.lblResponse()->text().toStdString();
    EXPECT_EQ(m.captured(1).toInt(), count);
    EXPECT_EQ(m.captured(2).toDouble(), f.dElapsed());
    EXPECT_EQ(m.captured(3), fillGrid ? kCaution : QString());
    EXPECT_EQ(f.rsData().state(), ado::adStateClosed);
    EXPECT_FALSE(f.Timer1()->isActive());
}

// ---- the window as stored -------------------------------------------------------------

TEST_F(DataAccessWindowTest, WindowControlsSitAtTheirStoredPlaces) {
    auto f = load();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Test Data Access"));
    EXPECT_EQ(f->size(), twipsSize(9735, 6420));
    EXPECT_EQ(f->minimumSize(), f->maximumSize()) << "fixed size";
    const Qt::WindowFlags flags = f->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    struct Control {
        QWidget* widget;
        QString text;
        QRect twips;
    };
    const Control controls[] = {
        {f->Command1(), "Test Connection", {240, 660, 1695, 555}},
        {f->Label1(),
         "Test Data Access. The app also tests the registry access and the data grid. This app "
         "hooks "
         "up to the Tavrion equipment database and retrieves records to fill the grid.",
         {0, 60, 9675, 555}},
        {f->lblResponse(), "Response:", {3600, 1020, 5775, 1035}},
        {f->sg(), QString(), {60, 2040, 9495, 3735}},
        {f->Command2(), "Fill Grid", {240, 1320, 1695, 495}},
        {f->Command3(), "Done", {3660, 5880, 2595, 435}},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        const QRect& t = c.twips;
        EXPECT_EQ(c.widget->geometry(), twipsRect(t.x(), t.y(), t.width(), t.height()));
        if (auto* b = qobject_cast<QPushButton*>(c.widget)) {
            EXPECT_EQ(b->text(), c.text);
        } else if (auto* l = qobject_cast<QLabel*>(c.widget)) {
            EXPECT_EQ(l->text(), c.text);
        }
    }

    const QPalette pal = f->Label1()->palette();
    EXPECT_EQ(pal.color(QPalette::Window), QColor(64, 64, 64));
    EXPECT_EQ(pal.color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_TRUE(f->Label1()->autoFillBackground());
    EXPECT_DOUBLE_EQ(f->Label1()->font().pointSizeF(), 9.75);
    EXPECT_EQ(f->Label1()->font().weight(), QFont::Normal);

    EXPECT_EQ(f->Timer1()->interval(), 1);
    EXPECT_TRUE(f->Timer1()->isActive()) << "enabled at load";
    EXPECT_EQ(f->sg()->model()->columnCount(), 2) << "the unbound grid shows its stored columns";
    EXPECT_EQ(f->sg()->model()->rowCount(), 0);
}

TEST_F(DataAccessWindowTest, FocusStartsOnTestConnectionAndTabsThroughTheFocusableControls) {
    auto f = load();
    EXPECT_EQ(f->focusWidget(), f->Command1());
    QStringList chain;
    QWidget* w = f->Command1();
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != f->Command1());
    EXPECT_EQ(chain, (QStringList{"Command1", "sg", "Command2", "Command3"}));
}

TEST_F(DataAccessWindowTest, EscapePressesDone) {
    auto f = load();
    f->show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    QSignalSpy done(f->Command3(), &QPushButton::clicked);
    QTest::keyClick(f->Command1(), Qt::Key_Escape);
    EXPECT_EQ(done.count(), 1);
    EXPECT_FALSE(f->isVisible());
}

// ---- Form_Load: the connection string ---------------------------------------------------

struct ConnectCase {
    const char* name;
    std::optional<QByteArray> stored; // REG_SZ bytes of PATH_DB_EQUIP, or no value at all
    DWORD type;
    QString expected;
};

class DataCheckConnectionString : public DataAccessWindowTest,
                                  public ::testing::WithParamInterface<ConnectCase> {};

TEST_P(DataCheckConnectionString, BuiltFromTheRegistryFolder) {
    const ConnectCase& c = GetParam();
    if (c.stored)
        putRaw(HKEY_CURRENT_USER, kSettings, kValue, c.type, *c.stored);
    EXPECT_EQ(load()->sConnect(), c.expected);
}

const QString kProvider = QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=");

INSTANTIATE_TEST_SUITE_P(
    Cases, DataCheckConnectionString,
    ::testing::Values(ConnectCase{"FolderAsStored", QByteArray("/srv/db\0", 8), REG_SZ,
                                  kProvider + "/srv/db\\dbEquip.mdb;"},
                      ConnectCase{"TrailingSeparatorKept", QByteArray("C:\\Tavrion\\\0", 12),
                                  REG_SZ, kProvider + "C:\\Tavrion\\\\dbEquip.mdb;"},
                      ConnectCase{"MissingValueGivesRootFile", std::nullopt, REG_SZ,
                                  kProvider + "\\dbEquip.mdb;"},
                      ConnectCase{"NumberTakenAsText", QByteArray("\x07\0\0\0", 4), REG_DWORD,
                                  kProvider + "7\\dbEquip.mdb;"},
                      ConnectCase{"SemicolonQuoted", QByteArray("/srv/a;b\0", 9), REG_SZ,
                                  kProvider + "\"/srv/a;b\\dbEquip.mdb\";"}),
    tav::test::caseName);

// ---- the two tests on good data ---------------------------------------------------------

struct CountCase {
    const char* name;
    int rows;
};

class DataCheckCount : public DataAccessWindowTest,
                       public ::testing::WithParamInterface<CountCase> {};

TEST_P(DataCheckCount, TestConnectionReportsTheTrueCount) {
    makeDb(numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), GetParam().rows));
    auto f = load();
    f->Command1_Click();
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    expectSuccess(*f, GetParam().rows, false);
}

TEST_P(DataCheckCount, FillGridReportsTheCountAndShowsEveryRow) {
    makeDb(equipment(GetParam().rows));
    auto f = load();
    f->Command2_Click();
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    expectSuccess(*f, GetParam().rows, true);
    EXPECT_EQ(f->sg()->model()->rowCount(), GetParam().rows);
    EXPECT_EQ(f->sg()->model()->columnCount(), 2);
    EXPECT_EQ(f->sg()->appearance(), 0) << "property 69 set to 0 before binding";
}

INSTANTIATE_TEST_SUITE_P(Cases, DataCheckCount,
                         ::testing::Values(CountCase{"Empty", 0}, CountCase{"ThreeRows", 3},
                                           CountCase{"BeyondSixteenBitsByDesign", 40000}),
                         tav::test::caseName);

TEST_F(DataAccessWindowTest, TestsNeverWriteBesideOrIntoTheDatabase) {
    const QString db = makeDb(
        numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 5) + equipment(5));
    const QStringList entries = tav::test::folderEntries(data.path());
    const QByteArray before = tav::test::fileDigest(db);
    auto f = load();
    f->Command1_Click();
    f->Command2_Click();
    f->Command1_Click();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(tav::test::folderEntries(data.path()), entries);
    EXPECT_EQ(tav::test::fileDigest(db), before);
}

TEST_F(DataAccessWindowTest, FolderWithSemicolonStillFindsTheDatabase) {
    const QString folder = data.file(QStringLiteral("a;b"));
    ASSERT_TRUE(QDir().mkpath(folder));
    tav::test::makeDatabase(folder + QStringLiteral("/dbEquip.mdb"),
                            numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 2));
    setFolder(folder);
    auto f = load();
    f->Command1_Click();
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    expectSuccess(*f, 2, false);
}

TEST_F(DataAccessWindowTest, FillGridTwiceShowsTheFreshResult) {
    const QString db = makeDb(equipment(3));
    auto f = load();
    f->Command2_Click();
    ASSERT_EQ(f->sg()->model()->rowCount(), 3);
    tav::test::makeDatabase(db, {QStringLiteral("insert into tblequipment values(4, 'Added')")});
    f->Command2_Click();
    EXPECT_TRUE(boxes.boxes().empty());
    expectSuccess(*f, 4, true);
    ASSERT_EQ(f->sg()->model()->rowCount(), 4);
    EXPECT_EQ(f->sg()->model()->index(3, 1).data().toString(), QStringLiteral("Added"));
}

TEST_F(DataAccessWindowTest, TestConnectionAfterFillGridLeavesTheGrid) {
    makeDb(equipment(3) + numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 7));
    auto f = load();
    f->Command2_Click();
    const auto shown = f->sg()->rowSet();
    f->Command1_Click();
    expectSuccess(*f, 7, false);
    EXPECT_EQ(f->sg()->rowSet(), shown);
    EXPECT_EQ(f->sg()->model()->rowCount(), 3);
    EXPECT_EQ(f->sg()->model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("EquipmentName"));
}

TEST_F(DataAccessWindowTest, TickCountStartsFromZeroAtEveryRun) {
    makeDb(numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 40000));
    auto f = load();
    for (int i = 0; i < 100000; ++i)
        f->Timer1_Timer();
    ASSERT_EQ(f->dElapsed(), 100000);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        // No events run outside the handler here, so every tick the spy sees is one of the run.
        QSignalSpy ticks(f->Timer1(), &QTimer::timeout);
        f->Command1_Click();
        expectSuccess(*f, 40000, false);
        EXPECT_EQ(f->dElapsed(), ticks.count());
        EXPECT_GT(f->dElapsed(), 0) << "40,000 yields take longer than a millisecond";
        EXPECT_LT(f->dElapsed(), 100000);
    }
}

// ---- failures ----------------------------------------------------------------------------

struct FailureCase {
    const char* name;
    QStringList statements; // the database, or nothing for no database file at all
    bool fillGrid;
    int32_t number;
    const char* description; // a part of the description the box must show
};

class DataCheckFailure : public DataAccessWindowTest,
                         public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DataCheckFailure, ReportedOnceAndTheRecordsetClosed) {
    const FailureCase& c = GetParam();
    if (c.statements.isEmpty())
        setFolder(data.path());
    else
        makeDb(c.statements);
    auto f = load();
    f->sg()->setDispatchProperty(DataGrid::DispAppearance, 1);
    bool openSeen = false;
    setYieldHook(*f, [&](YieldPoint, int) {
        openSeen = openSeen || f->rsData().state() == ado::adStateOpen;
    });
    if (c.fillGrid)
        f->Command2_Click();
    else
        f->Command1_Click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const MessageBoxRequest& box = boxes.boxes().front();
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("Error: %1 ").arg(c.number)))
        << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(QString::fromUtf8(c.description))) << box.prompt.toStdString();
    EXPECT_EQ(box.buttons, mb::OKOnly);
    EXPECT_EQ(box.caption, QStringLiteral("datacheck"));
    EXPECT_EQ(response(*f), QStringLiteral("Response:"));
    EXPECT_EQ(f->rsData().state(), ado::adStateClosed);
    EXPECT_EQ(f->sg()->model()->rowCount(), 0);
    EXPECT_EQ(f->sg()->appearance(), 1) << "the grid is left as it was";
    if (c.number == ado::errc::ItemNotFound) {
        EXPECT_TRUE(openSeen) << "the failure came with the recordset open";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataCheckFailure,
    ::testing::Values(FailureCase{"NoNameField", numberedRows("tbloutputs", "Label", 1), false,
                                  ado::errc::ItemNotFound, "Name"},
                      FailureCase{"NoEquipmentNameField",
                                  numberedRows("tblequipment", "Label", 2)
                                      << "create view qryequipall as select * from tblequipment",
                                  true, ado::errc::ItemNotFound, "EquipmentName"},
                      FailureCase{"NoTable", numberedRows("tblother", "Name", 1), false,
                                  ado::errc::NoSuchTable, "tbloutputs"},
                      FailureCase{"NoQuery", numberedRows("tbloutputs", "Name", 1), true,
                                  ado::errc::NoSuchTable, "qryequipall"},
                      FailureCase{"NoFile", {}, false, ado::errc::ProviderFailure, "dbEquip.mdb"}),
    tav::test::caseName);

TEST_F(DataAccessWindowTest, MissingRegistryValueLooksForTheFileInTheRootFolder) {
    ASSERT_FALSE(QFile::exists(QStringLiteral("/dbEquip.mdb")))
        << "this machine has a root database file";
    auto f = load();
    f->Command1_Click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes().front().prompt,
              QStringLiteral("Error: -2147467259 Could not find file '/dbEquip.mdb'."));
    EXPECT_EQ(response(*f), QStringLiteral("Response:"));
}

TEST_F(DataAccessWindowTest, FileThatIsNoDatabaseFails) {
    ASSERT_NO_FATAL_FAILURE(
        test::writeFile(data.file(QStringLiteral("dbEquip.mdb")), "just some text, no database\n"));
    setFolder(data.path());
    auto f = load();
    f->Command2_Click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes().front().prompt.startsWith(QStringLiteral("Error: -2147467259 ")));
    EXPECT_EQ(f->rsData().state(), ado::adStateClosed);
}

TEST_F(DataAccessWindowTest, WindowWorksAgainAfterAFailure) {
    const QString db =
        makeDb(numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Label"), 1));
    auto f = load();
    f->Command1_Click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    QFile::remove(db);
    makeDb(numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 2));
    f->Command1_Click();
    EXPECT_EQ(boxes.boxes().size(), 1u);
    expectSuccess(*f, 2, false);
}

// ---- clicks during a run -------------------------------------------------------------------

struct NestedCase {
    const char* name;
    YieldPoint landsAt; // the outer run's yield where the second click is delivered
    bool outerFillsGrid;
    std::vector<int32_t> errors; // the boxes shown, in order
};

class DataCheckNestedClick : public DataAccessWindowTest,
                             public ::testing::WithParamInterface<NestedCase> {};

TEST_P(DataCheckNestedClick, RunsInsideTheRunningHandler) {
    const NestedCase& c = GetParam();
    makeDb(equipment(3) + numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 3));
    auto f = load();
    QPushButton* outer = c.outerFillsGrid ? f->Command2() : f->Command1();
    QPushButton* inner = c.outerFillsGrid ? f->Command1() : f->Command2();
    int maxDepth = 0;
    bool posted = false;
    setYieldHook(*f, [&](YieldPoint point, int depth) {
        maxDepth = std::max(maxDepth, depth);
        if (!posted && depth == 1 && point == c.landsAt) {
            posted = true;
            QMetaObject::invokeMethod(inner, &QPushButton::click, Qt::QueuedConnection);
        }
    });
    outer->click();
    ASSERT_TRUE(posted);
    EXPECT_EQ(maxDepth, 2) << "the second click ran inside the first";
    EXPECT_EQ(f->runningHandlers(), 0);
    ASSERT_EQ(boxes.boxes().size(), c.errors.size());
    for (size_t i = 0; i < c.errors.size(); ++i)
        EXPECT_TRUE(
            boxes.boxes()[i].prompt.startsWith(QStringLiteral("Error: %1 ").arg(c.errors[i])))
            << boxes.boxes()[i].prompt.toStdString();
    EXPECT_EQ(f->rsData().state(), ado::adStateClosed);
    if (c.errors.empty()) {
        expectSuccess(*f, 3, c.outerFillsGrid);
    } else {
        EXPECT_EQ(response(*f), QStringLiteral("Response:"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DataCheckNestedClick,
                         ::testing::Values(
                             // The nested run cannot reconnect the open recordset (3705) and closes
                             // it; the outer run then finds it closed (3704).
                             NestedCase{"AfterOpen",
                                        YieldPoint::Opened,
                                        false,
                                        {ado::errc::ObjectOpen, ado::errc::ObjectClosed}},
                             NestedCase{"InRowLoop",
                                        YieldPoint::RowLoop,
                                        false,
                                        {ado::errc::ObjectOpen, ado::errc::ObjectClosed}},
                             NestedCase{"FillGridAfterOpen",
                                        YieldPoint::Opened,
                                        true,
                                        {ado::errc::ObjectOpen, ado::errc::ObjectClosed}},
                             NestedCase{"FillGridTakingTheGrid",
                                        YieldPoint::GridTaken,
                                        true,
                                        {ado::errc::ObjectOpen, ado::errc::ObjectClosed}},
                             // Before the outer open the nested run completes and both succeed.
                             NestedCase{"BeforeConnect", YieldPoint::TimerEnabled, false, {}},
                             NestedCase{"BeforeOpen", YieldPoint::Connected, true, {}}),
                         tav::test::caseName);

// ---- closing -------------------------------------------------------------------------------

// Runs the event loop as the program does, until the program ends or a safety limit passes;
// returns the loop's exit status (-1 when it hit the limit).
int runProgramLoop() {
    // Anything left queued by earlier tests runs now, outside the loop under test.
    QCoreApplication::processEvents();
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    limit.start(20000);
    return QCoreApplication::exec();
}

enum class CloseBy { DoneButton, CloseBox };

struct CloseCase {
    const char* name;
    CloseBy by;
};

class DataCheckClose : public DataAccessWindowTest,
                       public ::testing::WithParamInterface<CloseCase> {
  protected:
    void requestClose(frmTestDataAccess& f) {
        if (GetParam().by == CloseBy::DoneButton)
            QMetaObject::invokeMethod(f.Command3(), &QPushButton::click, Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(&f, &QWidget::close, Qt::QueuedConnection);
    }
};

TEST_P(DataCheckClose, ClosingTheWindowEndsTheProgram) {
    auto f = load();
    f->show();
    requestClose(*f);
    EXPECT_EQ(runProgramLoop(), 0);
    EXPECT_FALSE(f->isVisible());
}

TEST_P(DataCheckClose, CloseDuringANestedRunWaitsForEveryHandler) {
    makeDb(equipment(50) + numberedRows(QStringLiteral("tbloutputs"), QStringLiteral("Name"), 50));
    auto f = load();
    f->show();
    bool nestedPosted = false;
    bool closeAsked = false;
    int outerYieldsAfterNested = 0;
    bool stayedOpen = true;
    setYieldHook(*f, [&](YieldPoint point, int depth) {
        if (closeAsked) {
            stayedOpen = stayedOpen && f->isVisible() && f->closePending();
            if (depth == 1)
                ++outerYieldsAfterNested;
        } else if (depth == 1 && point == YieldPoint::TimerEnabled && !nestedPosted) {
            // Fill Grid clicked before Test Connection opens: both runs can succeed.
            nestedPosted = true;
            QMetaObject::invokeMethod(f->Command2(), &QPushButton::click, Qt::QueuedConnection);
        } else if (depth == 2 && point == YieldPoint::Opened) {
            closeAsked = true;
            requestClose(*f);
        }
    });
    QMetaObject::invokeMethod(f->Command1(), &QPushButton::click, Qt::QueuedConnection);
    ASSERT_EQ(runProgramLoop(), 0);
    ASSERT_TRUE(closeAsked);
    EXPECT_TRUE(stayedOpen) << "the window stayed while a handler ran";
    EXPECT_GT(outerYieldsAfterNested, 0) << "the outer run went on after the nested one";
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->closePending());
    EXPECT_TRUE(boxes.boxes().empty());
    expectSuccess(*f, 50, false);
    EXPECT_EQ(f->sg()->model()->rowCount(), 50) << "the nested Fill Grid completed";
}

// A statement that would run for hours (a count of 10^12 rows) is stopped by Done or the
// close box pressed while it runs; the failure says so and the window goes when the handler
// ends. A click on Test Connection meanwhile waits, rather than starting a run inside the
// statement, and is dropped with the closing window.
TEST_P(DataCheckClose, CloseDuringTheStatementStopsIt) {
    makeDb(equipment(1) << QStringLiteral("drop view qryequipall")
                        << QStringLiteral(
                               "create view qryequipall as with recursive c(x) as (select 1 "
                               "union all select x + 1 from c where x < 1000000) select count(*) "
                               "as EquipmentID, 'all' as EquipmentName from c a, c b"));
    const ado::StatementBoundsForTests bounds(qint64(1) << 30, qint64(1) << 30, 60000);
    auto f = load();
    f->show();
    QTimer during;
    during.setSingleShot(true);
    QObject::connect(&during, &QTimer::timeout, [&] {
        QTest::mouseClick(f->Command1(), Qt::LeftButton);
        if (GetParam().by == CloseBy::DoneButton)
            QTest::mouseClick(f->Command3(), Qt::LeftButton);
        else
            f->close();
    });
    int deepest = 0;
    setYieldHook(*f, [&](YieldPoint point, int depth) {
        deepest = std::max(deepest, depth);
        if (point == YieldPoint::Connected)
            during.start(200);
    });
    QMetaObject::invokeMethod(f->Command2(), &QPushButton::click, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(runProgramLoop(), 0);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(deepest, 1) << "a run started inside the statement";
    ASSERT_EQ(prompts().size(), 1u);
    EXPECT_TRUE(prompts()[0].contains(
        QLatin1String("was stopped because the window was closed while it ran")))
        << prompts()[0].toStdString();
    EXPECT_EQ(response(*f), QStringLiteral("Response:"));
}

INSTANTIATE_TEST_SUITE_P(Ways, DataCheckClose,
                         ::testing::Values(CloseCase{"DoneButton", CloseBy::DoneButton},
                                           CloseCase{"CloseBox", CloseBy::CloseBox}),
                         tav::test::caseName);

} // namespace
