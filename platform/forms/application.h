#pragma once
// The program object of every check program: sets the title, the font substitutions,
// and turns an error that no handler trapped into the run-time error report.
#include "vberror.h"

#include <QApplication>

#include <functional>

namespace tav {

class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv, const QString& title);

    // Catches an untrapped error escaping an event handler (a VbError, or any other exception
    // as error 7 or 51): reports it and ends the program.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the run-time error report ("Run-time error 'N':" and the description) in a
    // message box and ends the program with a non-zero status.
    [[noreturn]] static void reportUnhandled(const VbError& e);

    // Runs `start` (which creates and shows the start-up window) and then the event
    // loop; an untrapped error in either ends the program through reportUnhandled.
    int run(const std::function<void()>& start);
};

// Runs pending window events once, as the language's DoEvents does.
void doEvents();

} // namespace tav
