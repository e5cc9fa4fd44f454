// barcheck: opens MDIForm1 with the product's complete menu and toolbar layout.
#include "application.h"
#include "cachedstyle.h"
#include "firstpaint.h"
#include "mdiform1.h"

#include <QStyle>

int main(int argc, char** argv) {
    tav::Application app(argc, argv, QStringLiteral("prjBarCheck"));
    tav::Application::setStyle(
        new tav::toolbars::CachedIconStyle(tav::Application::style()->name()));
    tav::barcheck::MDIForm1* form = nullptr;
    return app.run([&] {
        form = new tav::barcheck::MDIForm1;
        form->setAttribute(Qt::WA_DeleteOnClose);
        tav::quitAfterFirstPaintIfAsked(form);
        form->show();
    });
}
