#pragma once
// What assistive technology and GUI automation see of a property list: a table whose
// children are the shown rows (named by their label), each with a label cell and a
// value cell (named by the text shown), followed by the list's child widgets (the
// "..." buttons of browse rows, the editor while one is open, the scroll bars).
#include <QAccessibleWidget>

#include <map>

namespace tav::propertylist {

class PropertyItem;
class PropertyList;

class PropertyListAccessible : public QAccessibleWidget {
  public:
    explicit PropertyListAccessible(PropertyList* list);
    ~PropertyListAccessible() override;

    // Registers the factory that gives every PropertyList this interface (once).
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    PropertyList* list() const;
    // The cached interface of a row; column -1 the row, 0 its label, 1 its value.
    QAccessibleInterface* node(PropertyItem* item, int column) const;

  private:
    QList<QAccessibleInterface*> widgetChildren() const;

    mutable std::map<std::pair<PropertyItem*, int>, QAccessible::Id> m_nodes;
};

} // namespace tav::propertylist
