#include "application.h"

#include "appinfo.h"
#include "fonts.h"
#include "messagebox.h"

#include <cstdlib>
#include <exception>
#include <new>

namespace tav {

Application::Application(int& argc, char** argv, const QString& title) : QApplication(argc, argv) {
    AppInfo::setTitle(title);
    setApplicationName(title);
    installFontSubstitutions();
}

namespace {

// Any other exception becomes a run-time error too, so that every untrapped failure ends the
// program with the same report: memory that could not be had is error 7, anything else is
// error 51 with what the exception says.
template <class F> auto reportingFailures(F&& f) {
    try {
        return f();
    } catch (const VbError& e) {
        Application::reportUnhandled(e);
    } catch (const std::bad_alloc&) {
        Application::reportUnhandled(VbError::standard(err::OutOfMemory));
    } catch (const std::exception& e) {
        Application::reportUnhandled(VbError(err::InternalError, AppInfo::title(),
                                             VbError::standardText(err::InternalError) +
                                                 QStringLiteral(": ") +
                                                 QString::fromUtf8(e.what())));
    } catch (...) {
        Application::reportUnhandled(VbError::standard(err::InternalError));
    }
}

} // namespace

bool Application::notify(QObject* receiver, QEvent* event) {
    return reportingFailures([&] { return QApplication::notify(receiver, event); });
}

void Application::reportUnhandled(const VbError& e) {
    MessageBox::show(
        QStringLiteral("Run-time error '%1':\n\n%2").arg(e.number()).arg(e.description()),
        mb::OKOnly | mb::Critical);
    std::exit(1);
}

int Application::run(const std::function<void()>& start) {
    reportingFailures([&] { start(); });
    return exec();
}

void doEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace tav
