#pragma once
// Pictures of the screen and the keyboard focus, straight from the X server.
#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

typedef struct _XDisplay Display;

namespace checkall {

struct DisplayRelease {
    void operator()(Display* d) const;
};
// A connection to an X server, closed when its scope ends.
using DisplayPtr = std::unique_ptr<Display, DisplayRelease>;
DisplayPtr openDisplay(const QString& display);

// The part `area` of the screen of `display` (clipped to the screen); null on failure.
QImage grabScreen(const QString& display, const QRect& area);

// How many pixels of `picture` inside `area` have exactly the colour `rgb` (0xRRGGBB).
int countColour(const QImage& picture, const QRect& area, unsigned rgb);

// Raises the shown top-level window of process `pid` named `title` and gives it the keyboard
// focus, as a window manager does for the window a person clicks; false when there is none.
bool focusWindow(const QString& display, int pid, const QString& title);

} // namespace checkall
