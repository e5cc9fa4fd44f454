// barcheck: opens MDIForm1 with the product's complete menu and toolbar layout.
#include "application.h"
#include "cachedstyle.h"
#include "mdiform1.h"

#include <QStyle>
#include <QTimer>

namespace {

// With TAV_QUIT_AFTER_FIRST_PAINT set (start-up measurements only) the program ends
// right after the frame is first painted.
class QuitAfterFirstPaint : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    tav::Application app(argc, argv, QStringLiteral("prjBarCheck"));
    tav::Application::setStyle(
        new tav::toolbars::CachedIconStyle(tav::Application::style()->name()));
    tav::barcheck::MDIForm1* form = nullptr;
    return app.run([&] {
        form = new tav::barcheck::MDIForm1;
        form->setAttribute(Qt::WA_DeleteOnClose);
        if (qEnvironmentVariableIsSet("TAV_QUIT_AFTER_FIRST_PAINT"))
            form->installEventFilter(new QuitAfterFirstPaint(form));
        form->show();
    });
}
