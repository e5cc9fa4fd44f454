#pragma once
// A scripted tester for demonstrations and screenshots: reads steps from the
// TAV_AUTOPILOT environment variable and performs them once the start-up window is up,
// finding every control through the accessibility tree by its accessible name, as
// assistive technology would. Steps are separated by ';':
//   press:NAME          presses the control (button, tool, menu entry) named NAME
//   focus:NAME          gives the named control the keyboard focus
//   type:TEXT           types TEXT into the control with the focus
//   key:NAME            sends one key (Enter, Escape, Tab, Down, Up, F2, ...) to the focus
//   wait:MS             lets the program run for MS milliseconds
//   pick:NAME=ENTRY     picks ENTRY from the drop-down list named NAME, as a click on it would
//   shot:FILE           saves a picture of the active window to FILE (PNG)
//   screen:FILE         saves the part of the screen that the shown windows cover (PNG),
//                       so a message box is seen over its window
//   expect:TEXT         goes on only if a shown control's accessible name begins with TEXT
//   quit                ends the program
// A step that cannot be carried out is reported on standard error and ends the program
// with status 3, so a script that drives the programs notices it.
#include <QPixmap>
#include <QString>
#include <QStringList>

class QAccessibleInterface;
class QObject;

namespace tav {

class Autopilot {
public:
    // Starts the script in TAV_AUTOPILOT, if any; returns whether one was started.
    static bool startFromEnvironment();

    // Finds the first accessible object named `name` below every top-level window.
    static QAccessibleInterface* findByName(const QString& name);
    // The same for the first whose name begins with `start`.
    static QAccessibleInterface* findByNameStart(const QString& start);

    // Picks the entry whose text is `entry` in the drop-down list named `name` and reports
    // it as activated; returns why it could not, or an empty text.
    static QString pick(const QString& name, const QString& entry);

    // The part of the primary screen covered by the visible top-level windows.
    static QPixmap windowsPicture();
};

} // namespace tav
