#include "application.h"

#include "appinfo.h"
#include "fonts.h"
#include "messagebox.h"

#include <cstdlib>

namespace tav {

Application::Application(int& argc, char** argv, const QString& title) : QApplication(argc, argv) {
    AppInfo::setTitle(title);
    setApplicationName(title);
    installFontSubstitutions();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const VbError& e) {
        reportUnhandled(e);
    }
}

void Application::reportUnhandled(const VbError& e) {
    MessageBox::show(QStringLiteral("Run-time error '%1':\n\n%2").arg(e.number()).arg(e.description()),
                     mb::OKOnly | mb::Critical);
    std::exit(1);
}

int Application::run(const std::function<void()>& start) {
    try {
        start();
    } catch (const VbError& e) {
        reportUnhandled(e);
    }
    return exec();
}

void doEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

} // namespace tav
