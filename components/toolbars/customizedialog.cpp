#include "customizedialog_p.h"
#include "toolbars.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tav::toolbars {

namespace {
constexpr int BandRole = Qt::UserRole + 1;
}

CustomizeDialog::CustomizeDialog(ToolBars& bars, QWidget* parent)
    : QDialog(parent), m_bars(bars), m_toolbars(new QListWidget), m_categories(new QListWidget),
      m_commands(new QListWidget) {
    setWindowTitle(tr("Customize"));
    setObjectName(QStringLiteral("customize"));
    const Layout& layout = bars.layout();

    // Toolbars: each toolbar band, then the built-in band tools, each bound to its band.
    auto addBandItem = [this, &bars](const QString& text, const QString& band) {
        auto* item = new QListWidgetItem(text, m_toolbars);
        item->setData(BandRole, band);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(bars.isBandShown(band) ? Qt::Checked : Qt::Unchecked);
    };
    for (const Band& b : layout.bands)
        if (b.kind == BandKind::Toolbar)
            addBandItem(b.caption.isEmpty() ? b.name : b.caption, b.name);
    for (const Tool& t : layout.tools)
        if (t.builtIn == BuiltIn::BandToggle && layout.band(t.band))
            addBandItem(t.displayName(), t.band);
    connect(m_toolbars, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const QString band = item->data(BandRole).toString();
        const bool on = item->checkState() == Qt::Checked;
        m_bars.setBandShown(band, on);
        // Keep every item bound to the same band in step.
        QSignalBlocker block(m_toolbars);
        for (int i = 0; i < m_toolbars->count(); ++i)
            if (m_toolbars->item(i)->data(BandRole).toString() == band)
                m_toolbars->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    });

    m_categories->addItems(layout.categories());
    connect(m_categories, &QListWidget::currentRowChanged, this, &CustomizeDialog::showCategory);
    auto* commands = new QWidget;
    auto* row = new QHBoxLayout(commands);
    row->addWidget(m_categories);
    row->addWidget(m_commands, 2);

    auto* tabs = new QTabWidget;
    tabs->addTab(m_toolbars, tr("Toolbars"));
    tabs->addTab(commands, tr("Commands"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(tabs);
    lay->addWidget(buttons);
    if (m_categories->count() > 0)
        m_categories->setCurrentRow(0);
}

void CustomizeDialog::showCategory(int row) {
    m_commands->clear();
    if (row < 0 || row >= m_categories->count())
        return;
    const QString category = m_categories->item(row)->text();
    for (const Tool& t : m_bars.layout().tools)
        if (t.category == category)
            new QListWidgetItem(m_bars.iconFor(t), t.displayName(), m_commands);
}

} // namespace tav::toolbars
