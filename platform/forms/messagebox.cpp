#include "messagebox.h"

#include "appinfo.h"
#include "messagebox_p.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>

namespace tav {

namespace {
// The window a box belongs to: the active one, else (no window has the focus, as on a
// display without a window manager) the program's shown window. The desktop keeps the box
// above it and centres it there; with none, the box is centred on the screen.
QWidget* owner() {
    if (QWidget* w = QApplication::activeWindow())
        return w;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (w->isVisible() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool))
            return w;
    }
    return nullptr;
}
} // namespace

detail::MessageBoxHandler& detail::messageBoxHandler() {
    static MessageBoxHandler h;
    return h;
}

int MessageBox::show(const QString& prompt, int buttons, const QString& caption) {
    MessageBoxRequest req{prompt, buttons, caption.isEmpty() ? AppInfo::title() : caption};
    if (const auto& handler = detail::messageBoxHandler())
        return handler(req);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
        QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(req.caption), qPrintable(req.prompt));
        return mb::OK;
    }
    QMessageBox box(owner());
    box.setWindowTitle(req.caption);
    box.setText(req.prompt);
    switch (buttons & 0x70) {
    case mb::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case mb::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case mb::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case mb::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if ((buttons & 0x7) == mb::OKCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? mb::OK : 2;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return mb::OK;
}

} // namespace tav
