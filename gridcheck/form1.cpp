#include "form1.h"

#include "fonts.h"
#include "formstyle.h"
#include "gridbinding.h"
#include "messagebox.h"
#include "olecolor.h"
#include "storedlayout.h"

namespace tav::gridcheck {

namespace {
const QString Label1Text =
    QStringLiteral("This app must be run from the directory that contains the dbEquip.MDB file. It "
                   "will fail otherwise. "
                   "If working properly you will see the grid populated with manufacturers.");
} // namespace

Form1::Form1(const QString& programFolder, QWidget* parent)
    : QWidget(parent), m_programFolder(programFolder) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Data Access Test"));
    applyFormStyle(this, BorderStyle::FixedDialog, 8055, 4965);

    // Shape1 first, so that it lies behind Label1: a grey strip along the label's right
    // and lower sides.
    m_shape1 = new QWidget(this);
    m_shape1->setObjectName(QStringLiteral("Shape1"));
    m_shape1->setAutoFillBackground(true);
    QPalette shapePal = m_shape1->palette();
    shapePal.setColor(QPalette::Window, rgbColor(0xC0C0C0));
    m_shape1->setPalette(shapePal);
    placeTwips(m_shape1, 360, 300, 7635, 615);

    m_label1 = new QLabel(Label1Text, this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setWordWrap(true);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label1->setAutoFillBackground(true);
    m_label1->setFont(storedFont(QStringLiteral("MS Sans Serif"), 9.75, 400));
    QPalette labelPal = m_label1->palette();
    labelPal.setColor(QPalette::Window, oleColor(syscolor::WindowBackground));
    labelPal.setColor(QPalette::WindowText, oleColor(syscolor::WindowText));
    m_label1->setPalette(labelPal);
    placeTwips(m_label1, 240, 180, 7695, 675);

    m_grid1 = new datagrid::DataGrid(this);
    m_grid1->setObjectName(QStringLiteral("Grid1"));
    placeTwips(m_grid1, 180, 1200, 7695, 3495);
    griddata::applyStoredLayout(*m_grid1, griddata::GridProgram::GridCheck);
    m_grid1->setFocus();

    applyAccessibleNames(this);
    Form_Load();
}

Form1::~Form1() = default;

ado::Recordset& Form1::recordset() {
    if (!m_rsData)
        m_rsData = std::make_unique<ado::Recordset>();
    return *m_rsData;
}

void Form1::Form_Load() {
    try {
        const QString folder = m_programFolder;
        recordset().setActiveConnection(
            griddata::equipmentConnectionString(folder + QStringLiteral("\\dbEquip.MDB"),
                                                QStringLiteral(";Persist Security Info=False")));
        recordset().open(QStringLiteral("Select * from tblmanufacturers order by ManufacturerName"),
                         ado::adOpenStatic, ado::adLockReadOnly, ado::adOptionUnspecified);
        griddata::bindGrid(*m_grid1, recordset());
    } catch (const VbError& e) {
        // The recordset stays as it is; the window opens with the empty grid.
        MessageBox::show(QString::number(e.number()) + u' ' + e.description(), mb::OKOnly,
                         ProgramTitle);
    }
}

} // namespace tav::gridcheck
