#include "toolcombo_p.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QItemSelectionModel>

namespace tav::toolbars {

namespace {

class ToolComboAccessible : public QAccessibleWidget {
  public:
    explicit ToolComboAccessible(ToolCombo* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    ToolCombo* combo() const { return static_cast<ToolCombo*>(object()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return combo()->currentText();
        return QAccessibleWidget::text(t); // the name is the accessible name: the tool's
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = combo()->view()->isVisible();
        return s;
    }

    // One child, the list of entries, as for the platform's combo box.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->view() ? 0 : -1;
    }

    QStringList actionNames() const override {
        return {QAccessibleActionInterface::showMenuAction(),
                QAccessibleActionInterface::pressAction()};
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& action) override {
        if (action != QAccessibleActionInterface::showMenuAction() &&
            action != QAccessibleActionInterface::pressAction())
            return;
        if (!combo()->isEnabled())
            return;
        if (!combo()->view()->isVisible()) {
            combo()->showPopup();
            return;
        }
        const int row = combo()->offeredRow();
        if (row >= 0)
            combo()->pick(row);
        else
            combo()->hidePopup();
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String(ToolCombo::staticMetaObject.className()))
        return new ToolComboAccessible(static_cast<ToolCombo*>(object));
    return nullptr;
}

} // namespace

ToolCombo::ToolCombo(QWidget* parent) : QComboBox(parent) {
    static const bool installed = (QAccessible::installFactory(&factory), true);
    Q_UNUSED(installed);
}

void ToolCombo::pick(int row) {
    if (row < 0 || row >= count())
        return;
    hidePopup();
    setCurrentIndex(row);
    emit activated(row);
    emit textActivated(itemText(row));
}

int ToolCombo::offeredRow() const {
    QAbstractItemView* list = view();
    if (!list->isVisible())
        return -1;
    if (QItemSelectionModel* sel = list->selectionModel()) {
        const QModelIndexList rows = sel->selectedIndexes();
        if (!rows.isEmpty())
            return rows.first().row();
    }
    return list->currentIndex().isValid() ? list->currentIndex().row() : -1;
}

} // namespace tav::toolbars
