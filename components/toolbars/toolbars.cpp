#include "toolbars.h"

#include "customizedialog_p.h"
#include "placeholdericon_p.h"
#include "popuptoolaccessible_p.h"
#include "toolmenubar_p.h"
#include "widgetentry_p.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace tav::toolbars {

namespace {

Qt::ToolBarArea areaOf(Dock dock) {
    switch (dock) {
    case Dock::Bottom:
        return Qt::BottomToolBarArea;
    case Dock::Left:
        return Qt::LeftToolBarArea;
    case Dock::Right:
        return Qt::RightToolBarArea;
    default:
        return Qt::TopToolBarArea;
    }
}

// Rough extent of a toolbar along its line, used to start a new toolbar row before the
// frame runs out of room.
int estimatedLength(const Band& band) {
    int n = 8;
    for (const Tool& t : band.entries) {
        if (t.isSeparator())
            n += 8;
        else if (WidgetEntry::handles(t.kind))
            n += t.width > 0 ? t.width + 4 : 100;
        else
            n += 24;
    }
    return n;
}

QString withoutMarkers(const QString& caption, const QString& fallback) {
    Tool t;
    t.caption = caption;
    t.name = fallback;
    return t.displayName();
}

} // namespace

ToolBars::ToolBars(QMainWindow* frame) : QObject(frame), m_frame(frame) {
    qRegisterMetaType<ToolClick>();
}

ToolBars::~ToolBars() = default;

void ToolBars::load(Layout layout) {
    m_layout = std::move(layout);
    m_shortcuts = std::make_unique<ShortcutMap>(m_layout);
    QHash<Qt::ToolBarArea, int> lineUsed;
    const int room = qMax(200, m_frame->width());
    for (int i = 0; i < int(m_layout.bands.size()); ++i) {
        const Band& b = m_layout.bands[size_t(i)];
        if (b.kind == BandKind::MenuBar && m_frameMenuBar < 0) {
            m_frameMenuBar = i;
            m_frame->setMenuBar(buildMenuBar(i));
        } else if (b.kind == BandKind::Toolbar && b.dock == Dock::Status) {
            buildStatusBand(i);
        } else if (b.kind == BandKind::Toolbar) {
            const Qt::ToolBarArea area = areaOf(b.dock);
            const int length = estimatedLength(b);
            if ((area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea) &&
                lineUsed[area] > 0 && lineUsed[area] + length > room) {
                m_frame->addToolBarBreak(area);
                lineUsed[area] = 0;
            }
            lineUsed[area] += length;
            buildToolBar(i);
        }
    }
    // One shortcut object per key for the whole frame; the map picks the entry.
    for (const QKeySequence& key : m_shortcuts->keys()) {
        auto* sc = new QShortcut(key, m_frame);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, [this, key] { pressShortcut(key); });
    }
}

QAction* ToolBars::makeEntry(int band, int entry, QWidget* container, bool inMenu) {
    Q_ASSERT(validEntry(band, entry));
    const Tool& t = m_layout.bands[size_t(band)].entries[size_t(entry)];
    QAction* a = nullptr;
    if (t.isSeparator()) {
        a = new QAction(container);
        a->setSeparator(true);
    } else if (WidgetEntry::handles(t.kind)) {
        auto* w = new WidgetEntry(t, container);
        connect(w, &WidgetEntry::picked, this, [this, band, entry] { emitClick(band, entry); });
        a = w;
    } else {
        a = new QAction(t.caption.isEmpty() ? t.name : t.caption, container);
        if (inMenu && !t.shortcut.isEmpty())
            a->setText(a->text() + u'\t' + t.shortcut.toString(QKeySequence::NativeText));
        if (t.image >= 0)
            a->setIcon(iconFor(t));
        QString tip = t.tooltip.isEmpty() ? t.description : t.tooltip;
        if (tip.isEmpty())
            tip = t.displayName();
        if (!t.shortcut.isEmpty())
            tip += QStringLiteral(" (%1)").arg(t.shortcut.toString(QKeySequence::NativeText));
        a->setToolTip(tip);
        a->setStatusTip(t.description);
        if (t.kind == ToolKind::WindowList) {
            a->setVisible(false); // lists the open child windows; this frame has none
        } else {
            const int sub = t.subBand.isEmpty() ? -1 : m_layout.bandIndex(t.subBand);
            if (sub >= 0 && m_layout.bands[size_t(sub)].kind == BandKind::Popup)
                a->setMenu(popup(t.subBand));
            // A sub-band the layout does not carry leaves an ordinary tool.
            if (!a->menu() || t.kind == ToolKind::DropDown)
                connect(a, &QAction::triggered, this,
                        [this, band, entry] { emitClick(band, entry); });
        }
    }
    a->setObjectName(t.name);
    a->setData(QPoint(band, entry));
    return a;
}

void ToolBars::emitClick(int band, int entry) {
    Q_ASSERT(validEntry(band, entry)); // entries are made from the loaded layout only
    const Tool& t = m_layout.bands[size_t(band)].entries[size_t(entry)];
    emit toolClick(ToolClick{t.name, t.caption, t.id, t.kind, m_layout.bands[size_t(band)].name});
}

QMenuBar* ToolBars::buildMenuBar(int band) {
    const Band& b = m_layout.bands[size_t(band)];
    auto* mb = new ToolMenuBar(m_frame);
    mb->setObjectName(b.name);
    mb->setAccessibleName(withoutMarkers(b.caption, b.name));
    mb->installEventFilter(this);
    // Widget tools stand among the menu titles in their stored places.
    QList<QAction*>& own = m_ownEntries[band];
    for (int e = 0; e < int(b.entries.size()); ++e) {
        QAction* a = makeEntry(band, e, mb, false);
        own.append(a);
        if (auto* w = qobject_cast<WidgetEntry*>(a))
            mb->addWidgetTool(w->requestWidget(mb));
        else
            mb->addAction(a);
    }
    m_menuBars.insert(band, mb);
    return mb;
}

void ToolBars::buildToolBar(int band) {
    const Band& b = m_layout.bands[size_t(band)];
    auto* tb = new QToolBar(b.caption, m_frame);
    tb->setObjectName(b.name);
    tb->setAccessibleName(withoutMarkers(b.caption, b.name));
    int iconSize = 16;
    for (int e = 0; e < int(b.entries.size()); ++e) {
        const Tool& t = b.entries[size_t(e)];
        QAction* a = makeEntry(band, e, tb, false);
        tb->addAction(a);
        if (t.isSeparator() || WidgetEntry::handles(t.kind))
            continue;
        if (auto size = m_layout.imageSize(t.image))
            iconSize = qMax(iconSize, *size);
        if (auto* button = qobject_cast<QToolButton*>(tb->widgetForAction(a))) {
            if (a->menu()) {
                button->setPopupMode(t.kind == ToolKind::DropDown ? QToolButton::MenuButtonPopup
                                                                  : QToolButton::InstantPopup);
                usePopupToolAccessible(button);
            }
            button->setAccessibleName(t.displayName());
        }
    }
    tb->setIconSize(QSize(iconSize, iconSize));
    tb->installEventFilter(this);
    m_frame->addToolBar(areaOf(b.dock), tb);
    if (!b.visible)
        tb->hide();
    m_barWidgets.insert(band, tb);
}

void ToolBars::buildStatusBand(int band) {
    const Band& b = m_layout.bands[size_t(band)];
    QStatusBar* sb = m_frame->statusBar();
    sb->setObjectName(b.name);
    sb->setAccessibleName(withoutMarkers(b.caption, b.name));
    // Permanent widgets stay visible while a status text is shown.
    QList<QAction*>& own = m_ownEntries[band];
    for (int e = 0; e < int(b.entries.size()); ++e) {
        const Tool& t = b.entries[size_t(e)];
        QAction* a = makeEntry(band, e, sb, false);
        own.append(a);
        if (t.isSeparator()) {
            auto* line = new QFrame(sb);
            line->setFrameShape(QFrame::VLine);
            sb->addPermanentWidget(line);
        } else if (auto* w = qobject_cast<WidgetEntry*>(a)) {
            sb->addPermanentWidget(w->requestWidget(sb));
        } else {
            auto* button = new QToolButton(sb);
            button->setDefaultAction(a);
            button->setAutoRaise(true);
            button->setAccessibleName(t.displayName());
            sb->addPermanentWidget(button);
        }
    }
    sb->installEventFilter(this);
    if (!b.visible)
        sb->hide();
    m_status = sb;
    m_barWidgets.insert(band, sb);
}

QMenu* ToolBars::popup(const QString& band) {
    const int i = m_layout.bandIndex(band);
    if (i < 0 || m_layout.bands[size_t(i)].kind != BandKind::Popup)
        return nullptr;
    if (QMenu* m = m_popups.value(i))
        return m;
    const Band& b = m_layout.bands[size_t(i)];
    auto* menu = new QMenu(b.caption, m_frame);
    menu->setObjectName(b.name);
    menu->setAccessibleName(withoutMarkers(b.caption, b.name));
    menu->setProperty("tavFilled", false);
    // Separators show as stored: also one that closes the popup or stands beside a hidden entry.
    menu->setSeparatorsCollapsible(false);
    // Filled on first opening: most popups are never opened in a session.
    connect(menu, &QMenu::aboutToShow, this, [this, menu, i] { fillMenu(menu, i); });
    m_popups.insert(i, menu);
    return menu;
}

void ToolBars::fillMenu(QMenu* menu, int band) {
    if (menu->property("tavFilled").toBool())
        return;
    menu->setProperty("tavFilled", true);
    const Band& b = m_layout.bands[size_t(band)];
    for (int e = 0; e < int(b.entries.size()); ++e)
        menu->addAction(makeEntry(band, e, menu, true));
}

QMenuBar* ToolBars::menuBar(const QString& band) {
    const int i = m_layout.bandIndex(band);
    if (i < 0 || !m_layout.bands[size_t(i)].isBar())
        return nullptr;
    if (QMenuBar* mb = m_menuBars.value(i))
        return mb;
    QMenuBar* mb = buildMenuBar(i);
    mb->hide(); // shown only while a child window of its kind is active
    return mb;
}

QToolBar* ToolBars::toolBar(const QString& band) const {
    return qobject_cast<QToolBar*>(m_barWidgets.value(m_layout.bandIndex(band)));
}

QWidget* ToolBars::bandWidget(int band) const {
    return m_barWidgets.value(band);
}

QList<QAction*> ToolBars::entries(const QString& band) {
    const int i = m_layout.bandIndex(band);
    if (i < 0)
        return {};
    const Band& b = m_layout.bands[size_t(i)];
    if (b.kind == BandKind::Popup) {
        QMenu* menu = popup(band);
        fillMenu(menu, i);
        return menu->actions();
    }
    if (b.isBar())
        menuBar(band);
    if (QToolBar* tb = toolBar(band))
        return tb->actions();
    return m_ownEntries.value(i);
}

bool ToolBars::validEntry(int band, int entry) const {
    return band >= 0 && band < int(m_layout.bands.size()) && entry >= 0 &&
           entry < int(m_layout.bands[size_t(band)].entries.size());
}

const Tool* ToolBars::toolOf(const QAction* entry) const {
    if (!entry || !entry->data().canConvert<QPoint>())
        return nullptr;
    const QPoint p = entry->data().toPoint();
    return validEntry(p.x(), p.y()) ? &m_layout.bands[size_t(p.x())].entries[size_t(p.y())]
                                    : nullptr;
}

QString ToolBars::bandOf(const QAction* entry) const {
    return toolOf(entry) ? m_layout.bands[size_t(entry->data().toPoint().x())].name : QString();
}

bool ToolBars::isBandShown(const QString& band) const {
    const QWidget* w = bandWidget(m_layout.bandIndex(band));
    return w && !w->isHidden();
}

void ToolBars::setBandShown(const QString& band, bool shown) {
    if (QWidget* w = bandWidget(m_layout.bandIndex(band)))
        w->setVisible(shown);
}

bool ToolBars::pressShortcut(const QKeySequence& key) {
    std::vector<bool> shown(m_layout.bands.size(), false);
    for (auto it = m_barWidgets.cbegin(); it != m_barWidgets.cend(); ++it)
        shown[size_t(it.key())] = !it.value()->isHidden();
    if (m_frameMenuBar >= 0)
        shown[size_t(m_frameMenuBar)] = !m_menuBars.value(m_frameMenuBar)->isHidden();
    const auto place = m_shortcuts->resolve(key, m_layout.reachable(shown));
    if (!place)
        return false;
    emitClick(place->band, place->entry);
    return true;
}

QMenu* ToolBars::createBarMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (int i = 0; i < int(m_layout.bands.size()); ++i) {
        const Band& b = m_layout.bands[size_t(i)];
        QWidget* w = bandWidget(i);
        if (!w)
            continue;
        QAction* a = menu->addAction(withoutMarkers(b.caption, b.name));
        a->setObjectName(b.name);
        a->setCheckable(true);
        a->setChecked(!w->isHidden());
        connect(a, &QAction::toggled, this,
                [this, name = b.name](bool on) { setBandShown(name, on); });
    }
    menu->addSeparator();
    QString caption = QStringLiteral("&Customize...");
    for (const Tool& t : m_layout.tools)
        if (t.builtIn == BuiltIn::Customize && !t.caption.isEmpty())
            caption = t.caption;
    QAction* c = menu->addAction(caption);
    c->setObjectName(QStringLiteral("customize"));
    connect(c, &QAction::triggered, this, [this] { customize(); });
    return menu;
}

CustomizeDialog* ToolBars::customize() {
    if (!m_customize)
        m_customize = new CustomizeDialog(*this, m_frame);
    m_customize->show();
    m_customize->raise();
    return m_customize;
}

QIcon ToolBars::iconFor(const Tool& tool) {
    const auto size = m_layout.imageSize(tool.image);
    if (!size)
        return {}; // no picture with this identifier: the entry shows its caption
    auto it = m_icons.find(tool.image);
    if (it == m_icons.end())
        it = m_icons.insert(tool.image, PlaceholderIcon::make(tool.image, *size));
    return *it;
}

bool ToolBars::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        auto* ce = static_cast<QContextMenuEvent*>(event);
        QMenu* menu = createBarMenu(m_frame);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(ce->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tav::toolbars
