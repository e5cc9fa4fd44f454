#include "formstyle.h"

#include "units.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>

namespace tav {

void applyFormStyle(QWidget* form, BorderStyle style, int clientWidthTwips, int clientHeightTwips) {
    const QSize size = twipsSize(clientWidthTwips, clientHeightTwips);
    switch (style) {
    case BorderStyle::Sizable:
        form->resize(size);
        return;
    case BorderStyle::FixedDialog:
        form->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowCloseButtonHint);
        break;
    case BorderStyle::FixedToolWindow:
        form->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowCloseButtonHint);
        break;
    }
    form->setFixedSize(size);
    endProgramOnClose(form);
}

void centerOnScreen(QWidget* form) {
    QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect r = form->frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    form->move(r.topLeft());
}

namespace {
// Quits the event loop once the watched window has closed.
class QuitOnClose : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && event->isAccepted())
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void endProgramOnClose(QWidget* form) {
    // The toolkit's own rule ends the program when the last main window closes and does not
    // count tool windows: closing a message box over a tool window would end the program.
    // This window ends it itself.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (form->findChild<QuitOnClose*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    form->installEventFilter(new QuitOnClose(form));
}

void placeTwips(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twipsRect(left, top, width, height));
}

void applyAccessibleNames(QWidget* root) {
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (!w->accessibleName().isEmpty())
            continue;
        QString name;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            name = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            name = l->text();
        else if (w->isWindow())
            name = w->windowTitle();
        name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (name.isEmpty())
            name = w->objectName();
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

} // namespace tav
