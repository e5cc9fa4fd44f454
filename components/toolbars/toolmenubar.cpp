#include "toolmenubar_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QActionEvent>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace tav::toolbars {

namespace {

// The key of the style the application's style stands on (it may be a proxy of one).
QString baseStyleKey() {
    QStyle* s = QApplication::style();
    while (auto* proxy = qobject_cast<QProxyStyle*>(s)) {
        if (!proxy->baseStyle() || proxy->baseStyle() == s)
            break;
        s = proxy->baseStyle();
    }
    return s->name();
}

// The bar's own style: stand-ins take the room of their widget and draw as empty bar.
class StandInStyle : public QProxyStyle {
  public:
    explicit StandInStyle(const ToolMenuBar* bar) : QProxyStyle(baseStyleKey()), m_bar(bar) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuBarItem)
            if (const QWidget* w = standIn(option))
                return QProxyStyle::sizeFromContents(type, option, ToolMenuBar::preferredSize(w),
                                                     widget);
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && standIn(option)) {
            // An item with no text, never highlighted: the widget covers it.
            QStyleOptionMenuItem blank = *qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            blank.text.clear();
            blank.icon = QIcon();
            blank.state &= ~(State_Selected | State_Sunken | State_MouseOver);
            QProxyStyle::drawControl(element, &blank, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        // Keyboard moves along the bar skip the (disabled) stand-ins.
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    // The application's style keeps the icons it hands out; ask it.
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        return QApplication::style()->standardIcon(icon, option, widget);
    }

  private:
    const QWidget* standIn(const QStyleOption* option) const {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        return item ? m_bar->widgetForOption(*item) : nullptr;
    }

    const ToolMenuBar* m_bar;
};

QString withoutMarkers(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        s.append(text[i]);
    }
    return s;
}

// A menu action of the bar as assistive technology sees it.
class BarItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    BarItemAccessible(ToolMenuBar* bar, QAction* action) : m_bar(bar), m_action(action) {}

    bool isValid() const override { return m_bar && m_action; }
    QObject* object() const override { return m_action; }
    QWindow* window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_bar.data());
    }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && m_action->menu()
                   ? QAccessible::queryAccessibleInterface(m_action->menu())
                   : nullptr;
    }
    int childCount() const override { return m_action->menu() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && m_action->menu() && child->object() == m_action->menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return withoutMarkers(m_action->text());
        case QAccessible::Description:
            return m_action->statusTip();
        case QAccessible::Accelerator:
            return QKeySequence::mnemonic(m_action->text()).toString(QKeySequence::NativeText);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect r = m_bar->actionGeometry(m_action);
        return r.isValid() ? QRect(m_bar->mapToGlobal(r.topLeft()), r.size()) : QRect();
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !m_bar->isVisible() || !m_action->isVisible();
        s.disabled = !m_action->isEnabled();
        s.focusable = !s.disabled;
        s.focused = m_bar->activeAction() == m_action;
        s.hasPopup = m_action->menu() != nullptr;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override {
        if (!m_action->isEnabled())
            return {};
        if (m_action->menu())
            return {pressAction(), showMenuAction()};
        return {pressAction()};
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override {
        if (!isValid() || !m_action->isEnabled())
            return;
        QMenu* menu = m_action->menu();
        if (name == pressAction() && !menu)
            m_action->trigger(); // as a click on the title
        else if ((name == pressAction() || name == showMenuAction()) && menu) {
            if (menu->isVisible())
                menu->hide();
            else
                m_bar->setActiveAction(m_action);
        }
    }

  private:
    QPointer<ToolMenuBar> m_bar;
    QPointer<QAction> m_action;
};

// The bar for assistive technology: its children follow the bar's actions, each stand-in
// replaced by the widget it holds room for.
class ToolMenuBarAccessible : public QAccessibleWidget {
  public:
    explicit ToolMenuBarAccessible(ToolMenuBar* bar)
        : QAccessibleWidget(bar, QAccessible::MenuBar) {}

    ToolMenuBar* bar() const { return static_cast<ToolMenuBar*>(object()); }

    int childCount() const override { return int(bar()->actions().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QAction*> actions = bar()->actions();
        if (index < 0 || index >= actions.size())
            return nullptr;
        QAction* a = actions[index];
        if (QWidget* w = bar()->widgetFor(a))
            return QAccessible::queryAccessibleInterface(w);
        if (QAccessibleInterface* known = QAccessible::queryAccessibleInterface(a))
            return known;
        QAccessibleInterface* item = new BarItemAccessible(bar(), a);
        QAccessible::registerAccessibleInterface(item);
        return item;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !child->object())
            return -1;
        QObject* o = child->object();
        if (auto* w = qobject_cast<QWidget*>(o))
            if (QAction* standIn = bar()->standInFor(w))
                return int(bar()->actions().indexOf(standIn));
        if (auto* a = qobject_cast<QAction*>(o))
            return bar()->widgetFor(a) ? -1 : int(bar()->actions().indexOf(a));
        return -1;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String(ToolMenuBar::staticMetaObject.className()))
        return new ToolMenuBarAccessible(static_cast<ToolMenuBar*>(object));
    return nullptr;
}

} // namespace

ToolMenuBar::ToolMenuBar(QWidget* parent)
    : QMenuBar(parent), m_style(std::make_unique<StandInStyle>(this)) {
    static const bool installed = (QAccessible::installFactory(&factory), true);
    Q_UNUSED(installed);
    setStyle(m_style.get());
}

ToolMenuBar::~ToolMenuBar() {
    // The style goes before the bar's base class: hand the bar back to the application's.
    setStyle(nullptr);
}

void ToolMenuBar::addWidgetTool(QWidget* widget) {
    // The stand-in's text names the tool in the bar's overflow menu; it is kept unique so
    // that the style can tell the stand-ins apart.
    QString text = widget->accessibleDescription().isEmpty() ? widget->accessibleName()
                                                             : widget->accessibleDescription();
    text.replace(u'&', QStringLiteral("&&"));
    while (m_standIns.contains(text))
        text.append(QChar(0x200B)); // zero-width space
    auto* standIn = new QAction(text, this);
    standIn->setEnabled(false);
    m_widgets.insert(standIn, widget);
    m_standIns.insert(text, standIn);
    widget->setParent(this);
    addAction(standIn);
    placeWidgets();
}

QWidget* ToolMenuBar::widgetFor(const QAction* action) const {
    return m_widgets.value(action);
}

QAction* ToolMenuBar::standInFor(const QWidget* widget) const {
    for (auto it = m_widgets.cbegin(); it != m_widgets.cend(); ++it)
        if (it.value() == widget)
            return const_cast<QAction*>(it.key());
    return nullptr;
}

QWidget* ToolMenuBar::widgetForOption(const QStyleOptionMenuItem& option) const {
    if (option.state & QStyle::State_Enabled)
        return nullptr;
    return m_widgets.value(m_standIns.value(option.text));
}

QSize ToolMenuBar::preferredSize(const QWidget* widget) {
    return widget->sizeHint()
        .expandedTo(widget->minimumSizeHint())
        .expandedTo(widget->minimumSize())
        .boundedTo(widget->maximumSize());
}

void ToolMenuBar::placeWidgets() {
    // Laying out the titles is costly; a hidden bar waits until it is shown.
    if (!isVisible())
        return;
    for (auto it = m_widgets.cbegin(); it != m_widgets.cend(); ++it) {
        QWidget* w = it.value();
        const QRect room = actionGeometry(const_cast<QAction*>(it.key()));
        // A stand-in the bar has no room for goes to the overflow menu: hide its widget.
        const bool placed = room.isValid() && rect().contains(room);
        if (placed)
            w->setGeometry(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter,
                                               preferredSize(w).boundedTo(room.size()), room));
        w->setVisible(placed);
    }
}

void ToolMenuBar::actionEvent(QActionEvent* event) {
    QMenuBar::actionEvent(event);
    if (event->type() == QEvent::ActionRemoved)
        if (QWidget* w = m_widgets.take(event->action())) {
            m_standIns.remove(m_standIns.key(event->action()));
            w->hide();
        }
    placeWidgets();
}

void ToolMenuBar::resizeEvent(QResizeEvent* event) {
    QMenuBar::resizeEvent(event);
    placeWidgets();
}

void ToolMenuBar::showEvent(QShowEvent* event) {
    QMenuBar::showEvent(event);
    placeWidgets();
}

void ToolMenuBar::changeEvent(QEvent* event) {
    QMenuBar::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::LayoutDirectionChange)
        placeWidgets();
}

} // namespace tav::toolbars
