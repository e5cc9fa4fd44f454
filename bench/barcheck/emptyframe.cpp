// Start-up baseline for barcheck: the same program object and frame with one menu bar
// of the main menu's titles, built with plain widgets, and nothing else.
#include "application.h"
#include "olecolor.h"
#include "units.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QTimer>

namespace {

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
    QMainWindow frame;
    return app.run([&] {
        frame.setWindowTitle(QStringLiteral("MDIForm1"));
        auto* workspace = new QMdiArea(&frame);
        workspace->setBackground(tav::oleColor(tav::syscolor::ApplicationWorkspace));
        frame.setCentralWidget(workspace);
        frame.resize(tav::twipsSize(12840, 6570));
        auto* bar = new QMenuBar(&frame);
        for (const char* title : {"Project", "&File", "&Edit", "&View", "F&ormat", "&Tools",
                                  "&Modify", "&Database", "Plugins", "&Window", "&Help"})
            bar->addMenu(QString::fromLatin1(title));
        for (const char* title : {"Tool4183", "TESTING"})
            bar->addAction(QString::fromLatin1(title));
        frame.setMenuBar(bar);
        if (qEnvironmentVariableIsSet("TAV_QUIT_AFTER_FIRST_PAINT"))
            frame.installEventFilter(new QuitAfterFirstPaint(&frame));
        frame.show();
    });
}
