#include "popuptoolaccessible_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace tav::toolbars {

namespace {

constexpr char kPopupTool[] = "tavPopupTool";

class PopupToolAccessible : public QAccessibleWidget {
  public:
    explicit PopupToolAccessible(QToolButton* button)
        : QAccessibleWidget(button, button->popupMode() == QToolButton::InstantPopup
                                        ? QAccessible::ButtonMenu
                                        : QAccessible::ButtonDropDown) {}

    QToolButton* button() const { return static_cast<QToolButton*>(object()); }
    QMenu* menu() const {
        QAction* a = button()->defaultAction();
        return a ? a->menu() : nullptr;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.hasPopup = true;
        s.pressed = button()->isDown();
        return s;
    }

    int childCount() const override { return menu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        QMenu* m = menu();
        return index == 0 && m ? QAccessible::queryAccessibleInterface(m) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && menu() && child->object() == menu() ? 0 : -1;
    }

    QStringList actionNames() const override {
        if (!button()->isEnabled() || !menu())
            return {};
        QStringList names{QAccessibleActionInterface::showMenuAction()};
        if (button()->popupMode() != QToolButton::InstantPopup)
            names << QAccessibleActionInterface::pressAction();
        return names;
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& action) override {
        if (!actionNames().contains(action))
            return;
        if (action == QAccessibleActionInterface::pressAction())
            button()->click();
        else
            QMetaObject::invokeMethod(button(), &QToolButton::showMenu, Qt::QueuedConnection);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QToolButton") && object->property(kPopupTool).toBool())
        return new PopupToolAccessible(static_cast<QToolButton*>(object));
    return nullptr;
}

} // namespace

void usePopupToolAccessible(QToolButton* button) {
    static const bool installed = (QAccessible::installFactory(&factory), true);
    Q_UNUSED(installed);
    button->setProperty(kPopupTool, true);
    // An interface made before the mark (the toolbar may have announced the new button)
    // is dropped so that the next query makes this one.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
    if (iface && !dynamic_cast<PopupToolAccessible*>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

} // namespace tav::toolbars
