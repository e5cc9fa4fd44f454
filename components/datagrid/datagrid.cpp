#include "datagrid.h"

#include "units.h"
#include "vberror.h"

#include <QHeaderView>

namespace tav {

namespace {
// The record selector column at the left, about a sixth of an inch as on the platform.
constexpr int HeadColumnTwips = 240;
constexpr int DefaultColumnTwips = 1440;
} // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), m_model(new RowSetModel(this)) {
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    horizontalHeader()->setDefaultSectionSize(twipsToPixels(DefaultColumnTwips));
    horizontalHeader()->setHighlightSections(false);
    QHeaderView* head = verticalHeader();
    head->setSectionResizeMode(QHeaderView::Fixed);
    head->setDefaultSectionSize(fontMetrics().height() + 4);
    head->setMinimumSectionSize(0);
    head->setFixedWidth(twipsToPixels(HeadColumnTwips));
    applyAppearance();
    connect(this, &QObject::objectNameChanged, this, &DataGrid::followObjectName);
}

void DataGrid::setDataSource(const ado::Recordset& rs) {
    m_model->setRowSet(rs.snapshot());
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
}

void DataGrid::clearDataSource() { m_model->setRowSet(nullptr); }

void DataGrid::setDispatchProperty(int dispId, int value) {
    switch (dispId) {
    case DispAppearance:
        if (value != 0 && value != 1)
            throw VbError::standard(380, QStringLiteral("DataGrid"));
        m_appearance = value;
        applyAppearance();
        return;
    default:
        throw VbError::standard(438, QStringLiteral("DataGrid"));
    }
}

void DataGrid::applyAppearance() {
    if (m_appearance == 0)
        setFrameStyle(QFrame::Box | QFrame::Plain);
    else
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
}

void DataGrid::followObjectName(const QString& name) {
    // Keep an accessible name someone else set; follow renames of our own.
    if (accessibleName().isEmpty() || accessibleName() == m_autoAccessibleName) {
        m_autoAccessibleName = name;
        setAccessibleName(name);
    }
}

} // namespace tav
