#include "propertylist.h"
#include "propertylistaccessible_p.h"

#include <QPointer>
#include <QScrollBar>

#include <algorithm>

namespace tav::propertylist {

namespace {

// A row (column -1) or one of its two cells. Every node can take the focus (selects
// its row); a value cell can be pressed (starts editing, or browsing); a header row
// toggles its group.
class PropertyNodeAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    PropertyNodeAccessible(PropertyList* list, PropertyItem* item, int column)
        : m_list(list), m_item(item), m_column(column) {}

    bool isValid() const override { return m_list && m_list->properties().contains(m_item); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }

    QAccessibleInterface* parent() const override {
        if (!isValid())
            return nullptr;
        auto* listIface =
            static_cast<PropertyListAccessible*>(QAccessible::queryAccessibleInterface(m_list));
        return m_column < 0 ? listIface : listIface->node(m_item, -1);
    }
    int childCount() const override { return m_column < 0 ? 2 : 0; }
    QAccessibleInterface* child(int index) const override {
        if (m_column >= 0 || index < 0 || index > 1 || !isValid())
            return nullptr;
        auto* listIface =
            static_cast<PropertyListAccessible*>(QAccessible::queryAccessibleInterface(m_list));
        return listIface->node(m_item, index);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i) == c)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i)->rect().contains(x, y))
                return child(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        const QString value = m_list->displayValue(*m_item);
        switch (t) {
        case QAccessible::Name:
            return m_column == 1 ? value : m_item->labelText();
        case QAccessible::Value:
            return m_column == 0 ? QString() : value;
        case QAccessible::Description:
            return m_item->description();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        QRect r = m_list->rowRect(*m_item);
        if (r.isEmpty())
            return {};
        const int divider = m_list->dividerPosition();
        if (m_column == 0)
            r.setRight(divider - 1);
        else if (m_column == 1)
            r.setLeft(divider + 1);
        return QRect(m_list->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::Role role() const override {
        return m_column < 0 ? QAccessible::Row : QAccessible::Cell;
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.selectable = true;
        s.selected = m_item->isHighlighted();
        s.focusable = true;
        s.focused = m_item->isHighlighted() && m_list->hasFocus();
        s.readOnly = m_column == 0 || !m_item->hasInPlaceEditor();
        s.editable = m_column != 0 && m_item->hasInPlaceEditor();
        if (m_item->kind() == PropertyKind::Header && m_column < 0) {
            s.expandable = true;
            s.expanded = m_item->isExpanded();
            s.collapsed = !m_item->isExpanded();
        }
        s.invisible = m_list->rowRect(*m_item).isEmpty();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override {
        QStringList names{setFocusAction()};
        if (!isValid())
            return {};
        if (m_item->kind() == PropertyKind::Header)
            names << toggleAction();
        else if (m_column == 1 &&
                 (m_item->hasInPlaceEditor() || m_item->kind() == PropertyKind::Browse))
            names << pressAction();
        return names;
    }
    void doAction(const QString& name) override {
        if (!isValid() || !actionNames().contains(name))
            return;
        m_list->setFocus(Qt::OtherFocusReason);
        m_list->select(m_item);
        if (name == toggleAction())
            m_list->setExpanded(*m_item, !m_item->isExpanded());
        else if (name == pressAction())
            m_list->beginEdit();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<PropertyList> m_list;
    PropertyItem* m_item;
    int m_column;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    auto* list = qobject_cast<PropertyList*>(object);
    if (list && className == QLatin1String(list->metaObject()->className()))
        return new PropertyListAccessible(list);
    return nullptr;
}

} // namespace

PropertyListAccessible::PropertyListAccessible(PropertyList* list)
    : QAccessibleWidget(list, QAccessible::Table) {}

PropertyListAccessible::~PropertyListAccessible() {
    for (const auto& [key, id] : m_nodes)
        QAccessible::deleteAccessibleInterface(id);
}

void PropertyListAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

PropertyList* PropertyListAccessible::list() const {
    return static_cast<PropertyList*>(widget());
}

QAccessibleInterface* PropertyListAccessible::node(PropertyItem* item, int column) const {
    const auto key = std::make_pair(item, column);
    auto it = m_nodes.find(key);
    if (it == m_nodes.end()) {
        auto* iface = new PropertyNodeAccessible(list(), item, column);
        it = m_nodes.emplace(key, QAccessible::registerAccessibleInterface(iface)).first;
    }
    return QAccessible::accessibleInterface(it->second);
}

QList<QAccessibleInterface*> PropertyListAccessible::widgetChildren() const {
    QList<QAccessibleInterface*> out;
    const QList<QWidget*> widgets =
        list()->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : widgets)
        if (w->isVisible())
            if (QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w))
                out << i;
    QWidget* sb = list()->verticalScrollBar();
    if (sb->isVisible())
        if (QAccessibleInterface* i = QAccessible::queryAccessibleInterface(sb))
            out << i;
    return out;
}

int PropertyListAccessible::childCount() const {
    return int(list()->visibleRows().size()) + int(widgetChildren().size());
}

QAccessibleInterface* PropertyListAccessible::child(int index) const {
    const auto& rows = list()->visibleRows();
    if (index < 0)
        return nullptr;
    if (index < int(rows.size()))
        return node(rows[size_t(index)], -1);
    const auto widgets = widgetChildren();
    index -= int(rows.size());
    return index < widgets.size() ? widgets.at(index) : nullptr;
}

int PropertyListAccessible::indexOfChild(const QAccessibleInterface* c) const {
    for (int i = 0; i < childCount(); ++i)
        if (child(i) == c)
            return i;
    return -1;
}

QAccessibleInterface* PropertyListAccessible::childAt(int x, int y) const {
    for (QAccessibleInterface* w : widgetChildren())
        if (w->rect().contains(x, y))
            return w;
    const QPoint local = list()->viewport()->mapFromGlobal(QPoint(x, y));
    if (PropertyItem* item = list()->itemAt(local))
        return node(item, -1);
    return nullptr;
}

QAccessibleInterface* PropertyListAccessible::focusChild() const {
    if (QWidget* editor = list()->editorWidget(); editor && editor->hasFocus())
        return QAccessible::queryAccessibleInterface(editor);
    if (PropertyItem* item = list()->selectedItem(); item && list()->hasFocus())
        return node(item, -1);
    return nullptr;
}

} // namespace tav::propertylist
