// datacheck: finds the equipment database through the registry setting PATH_DB_EQUIP and,
// on request, tests the connection, times the retrieval and fills a data grid.
#include "application.h"
#include "databaseformats.h"
#include "frmtestdataaccess.h"

#include <memory>

int main(int argc, char** argv) {
    tav::griddata::registerDatabaseFormats();
    tav::Application app(argc, argv, tav::datacheck::ProgramTitle);
    // Owned here, so the window outlives every handler it runs: it is destroyed only after
    // the event loop has returned.
    std::unique_ptr<tav::datacheck::frmTestDataAccess> form;
    return app.run([&] {
        form = std::make_unique<tav::datacheck::frmTestDataAccess>();
        form->show();
    });
}
