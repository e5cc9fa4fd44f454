#include "datagrid.h"

#include "celldelegate_p.h"
#include "gridheader_p.h"
#include "rowsetmodel_p.h"
#include "units.h"
#include "vberror.h"

#include <QAbstractButton>
#include <QDebug>
#include <QHeaderView>

namespace tav::datagrid {

namespace {
// The record selector column at the left, about a sixth of an inch as on the platform.
constexpr int HeadColumnTwips = 240;
constexpr int DefaultColumnTwips = 1440;
} // namespace

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent), m_model(new RowSetModel(this)),
      m_columnHeader(new GridHeader(Qt::Horizontal, this)),
      m_headColumn(new GridHeader(Qt::Vertical, this)), m_delegate(new CellDelegate(this)),
      m_groupByBox(new QLabel(this)) {
    setHorizontalHeader(m_columnHeader);
    setVerticalHeader(m_headColumn);
    setItemDelegate(m_delegate);
    m_headColumn->setPictureSource([this](int row) { return headPicture(row); });
    m_groupByBox->setObjectName(QStringLiteral("GroupByBox"));
    m_groupByBox->setAutoFillBackground(true);
    m_groupByBox->hide();
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
    // The head column's picture follows the current row.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, m_headColumn->viewport(),
            qOverload<>(&QWidget::update));
}

const std::shared_ptr<const ado::RowSet>& DataGrid::rowSet() const {
    return m_model->rowSet();
}

const std::optional<CellLooks>& DataGrid::cellLooks() const {
    return m_delegate->looks();
}

const std::optional<CellLook>& DataGrid::columnHeaderLook() const {
    return m_columnHeader->look();
}

const std::optional<CellLook>& DataGrid::headColumnLook() const {
    return m_headColumn->look();
}

void DataGrid::setDataSource(const ado::Recordset& rs) {
    m_model->setRowSet(rs.snapshot());
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
}

void DataGrid::setDispatchProperty(int dispId, int value) {
    switch (dispId) {
    case DispAppearance:
        if (value != 0 && value != 1)
            throw VbError::standard(err::InvalidPropertyValue, QStringLiteral("DataGrid"));
        m_appearance = value;
        applyAppearance();
        return;
    default:
        throw VbError::standard(err::NotSupported, QStringLiteral("DataGrid"));
    }
}

void DataGrid::applyWidths(int headTwips, int columnTwips) {
    horizontalHeader()->setDefaultSectionSize(twipsToPixels(columnTwips));
    verticalHeader()->setFixedWidth(twipsToPixels(headTwips));
    for (int c = 0; c < horizontalHeader()->count(); ++c)
        horizontalHeader()->resizeSection(c, twipsToPixels(columnTwips));
}

void DataGrid::applyGridLayout(const gridlayout::GridLayout& layout) {
    using gridlayout::ResolvedStyle;
    const gridlayout::StyleSheet& sheet = layout.styles;
    // A standard style the sheet lacks draws as the root style.
    const auto look = [&](const QString& name) {
        return CellLook::fromStyle(sheet.find(name) ? sheet.resolve(name)
                                                    : sheet.resolve(gridlayout::RootStyleName));
    };
    CellLooks cells{look(QStringLiteral("Normal")), look(QStringLiteral("CurrentRow")),
                    look(QStringLiteral("CurrentCell")), look(QStringLiteral("Selection")),
                    look(QStringLiteral("InactiveSelection"))};
    const CellLook heading = look(QStringLiteral("Heading"));
    const CellLook background = look(QStringLiteral("GridBackground"));
    const CellLook groupBy = look(QStringLiteral("GroupByBox"));
    const QList<gridlayout::ColumnSpec> heads = layout.headColumns();
    const QList<gridlayout::ColumnSpec> data = layout.dataColumns();
    CellLook headLook = heading;
    if (!heads.isEmpty() && heads.front().style)
        headLook = CellLook::fromStyle(sheet.resolve(*heads.front().style));

    // Nothing above can fail any more; apply.
    m_layout = layout;
    m_layoutError.clear();
    m_delegate->setLooks(cells);
    m_columnHeader->setLook(heading);
    m_headColumn->setLook(headLook);
    setShowGrid(false); // the cells draw their own lines in GridLineColor
    setFont(cells.normal.font);
    verticalHeader()->setDefaultSectionSize(cells.normal.rowHeight());
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, background.back);
    viewport()->setPalette(pal);
    if (heads.isEmpty())
        verticalHeader()->hide();
    else
        verticalHeader()->show();

    QList<RowSetModel::UnboundColumn> unbound;
    for (const gridlayout::ColumnSpec& c : data)
        unbound.append({c.key, c.prop(QStringLiteral("Caption"))});
    m_model->setUnboundColumns(std::move(unbound));
    applyWidths(heads.isEmpty() ? 0 : heads.front().widthTwips(),
                data.isEmpty() ? DefaultColumnTwips : data.front().widthTwips());

    m_groupByBox->setText(layout.settings.groupByPrompt);
    m_groupByBox->setFont(groupBy.font);
    m_groupByBox->setAlignment(groupBy.textAlignment);
    m_groupByBox->setWordWrap(groupBy.wordWrap);
    m_groupByBox->setMargin(groupBy.paddingPx);
    QPalette gp = m_groupByBox->palette();
    gp.setColor(QPalette::Window, groupBy.back);
    gp.setColor(QPalette::WindowText, groupBy.fore);
    m_groupByBox->setPalette(gp);
    m_groupByShown = layout.settings.groupByBoxVisible;
    m_groupByBox->setVisible(m_groupByShown);
    updateGeometries();
    viewport()->update();
}

bool DataGrid::loadGridLayout(const QByteArray& styles, const QByteArray& columns,
                              const QByteArray& valueItems,
                              const gridlayout::GridSettings& settings) {
    try {
        applyGridLayout(
            gridlayout::GridLayout::fromDocuments(styles, columns, valueItems, settings));
        return true;
    } catch (const gridlayout::LayoutError& e) {
        resetGridLayout();
        m_layoutError = e.text();
        qWarning().noquote() << "grid layout refused:" << m_layoutError;
        return false;
    }
}

void DataGrid::resetGridLayout() {
    m_layout.reset();
    m_layoutError.clear();
    m_delegate->setLooks(std::nullopt);
    m_columnHeader->setLook(std::nullopt);
    m_headColumn->setLook(std::nullopt);
    setShowGrid(true);
    setFont(QFont());
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    viewport()->setPalette(QPalette());
    verticalHeader()->show();
    m_model->setUnboundColumns({});
    applyWidths(HeadColumnTwips, DefaultColumnTwips);
    m_groupByShown = false;
    m_groupByBox->hide();
    updateGeometries();
    viewport()->update();
}

int DataGrid::headValue(int row) const {
    return currentIndex().isValid() && currentIndex().row() == row ? headvalue::CurrentRow
                                                                   : headvalue::None;
}

HeadPicture DataGrid::headPicture(int row) const {
    if (!m_layout || m_layout->headColumns().isEmpty())
        return HeadPicture::None;
    const int value = headValue(row);
    if (value == headvalue::None)
        return HeadPicture::None;
    const gridlayout::ValueItemList* items =
        m_layout->valueItems.find(m_layout->headColumns().front().key);
    if (!items || !items->translate())
        return HeadPicture::None;
    const gridlayout::ValueItem* item = items->itemFor(QString::number(value));
    const std::optional<int> index = item ? item->pictureIndex() : std::nullopt;
    return index ? headPictureForIndex(*index) : HeadPicture::None;
}

void DataGrid::updateGeometries() {
    // The column header keeps a band free above its sections for the group-by area
    // (GridHeader::setTopBand), so the view lays out rows below both; the prompt sits
    // in that band.
    const QFontMetrics fm(m_groupByBox->font());
    const int boxHeight = m_groupByShown ? 2 * fm.height() + 2 * m_groupByBox->margin() : 0;
    m_columnHeader->setTopBand(boxHeight);
    QTableView::updateGeometries();
    if (!m_groupByShown)
        return;
    const QRect cr = contentsRect();
    m_groupByBox->setGeometry(cr.left(), cr.top(), cr.width(), boxHeight);
    m_groupByBox->raise();
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

} // namespace tav::datagrid
