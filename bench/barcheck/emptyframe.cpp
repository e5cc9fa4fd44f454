// Start-up baseline for barcheck: the same program object and frame with one menu bar
// of the main menu's titles, built with plain widgets, and nothing else.
#include "application.h"
#include "firstpaint.h"
#include "olecolor.h"
#include "units.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>

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
        tav::quitAfterFirstPaintIfAsked(&frame);
        frame.show();
    });
}
