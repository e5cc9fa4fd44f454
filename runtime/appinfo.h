#pragma once
// What a program knows about itself: its title (the project name its windows and
// message boxes use as caption) and the folder of its program file.
#include <QString>

namespace tav {

class AppInfo {
  public:
    // The program's title; empty until a program sets it.
    static QString title();
    static void setTitle(const QString& title);

    // The folder of the running program file without a trailing separator, with links
    // resolved, so a link elsewhere to the program still finds the files beside it.
    static QString path();

    // The program file's name without folder and extension ("datacheck").
    static QString exeName();
};

} // namespace tav
