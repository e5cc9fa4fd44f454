// gridcheck: binds the manufacturers of the equipment database beside the program file
// to a data grid while its one window loads.
#include "appinfo.h"
#include "application.h"
#include "databaseformats.h"
#include "form1.h"

#include <memory>

int main(int argc, char** argv) {
    tav::griddata::registerDatabaseFormats();
    tav::Application app(argc, argv, tav::gridcheck::ProgramTitle);
    std::unique_ptr<tav::gridcheck::Form1> form;
    return app.run([&] {
        form = std::make_unique<tav::gridcheck::Form1>(tav::AppInfo::path());
        form->show();
    });
}
