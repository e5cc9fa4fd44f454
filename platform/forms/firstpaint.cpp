#include "firstpaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace tav {

namespace {

// Removes itself at the first paint and ends the event loop once that paint is done.
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

void quitAfterFirstPaintIfAsked(QWidget* window) {
    if (qEnvironmentVariableIsSet("TAV_QUIT_AFTER_FIRST_PAINT"))
        window->installEventFilter(new QuitAfterFirstPaint(window));
}

} // namespace tav
