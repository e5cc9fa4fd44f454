// gridcheck: binds the manufacturers of the equipment database beside the program file
// to a data grid while its one window loads.
//
// TAV_EXIT_AFTER_LOAD=1 (for automated runs only) ends the program as soon as the window
// is shown, after writing "Grid1 rows: N" to standard output.
#include "application.h"
#include "appinfo.h"
#include "form1.h"

#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    tav::Application app(argc, argv, tav::gridcheck::ProgramTitle);
    std::unique_ptr<tav::gridcheck::Form1> form;
    return app.run([&] {
        form = std::make_unique<tav::gridcheck::Form1>(tav::AppInfo::path());
        form->show();
        if (qEnvironmentVariable("TAV_EXIT_AFTER_LOAD") == QLatin1String("1")) {
            std::printf("Grid1 rows: %d\n", form->grid1()->model()->rowCount());
            std::fflush(stdout);
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        }
    });
}
