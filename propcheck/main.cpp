// propcheck: fills a property list with one row of each kind and paints its
// custom-drawn row.
#include "application.h"
#include "frmpl.h"

#include <memory>

int main(int argc, char** argv) {
    tav::Application app(argc, argv, QStringLiteral("propcheck"));
    std::unique_ptr<tav::propcheck::frmPL> form;
    return app.run([&] {
        form = std::make_unique<tav::propcheck::frmPL>();
        form->show();
    });
}
