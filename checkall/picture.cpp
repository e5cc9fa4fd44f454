#include "picture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace checkall {

QImage grabScreen(const QString& display, const QRect& area) {
    Display* d = XOpenDisplay(display.toLocal8Bit().constData());
    if (!d)
        return {};
    const int screen = DefaultScreen(d);
    const QRect whole(0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen));
    const QRect r = area.intersected(whole);
    QImage out;
    if (!r.isEmpty()) {
        XImage* img = XGetImage(d, RootWindow(d, screen), r.x(), r.y(), unsigned(r.width()),
                                unsigned(r.height()), AllPlanes, ZPixmap);
        if (img) {
            out = QImage(r.width(), r.height(), QImage::Format_RGB32);
            for (int y = 0; y < r.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
                for (int x = 0; x < r.width(); ++x) {
                    const unsigned long p = XGetPixel(img, x, y);
                    line[x] = qRgb(int((p & img->red_mask) >> 16), int((p & img->green_mask) >> 8),
                                   int(p & img->blue_mask));
                }
            }
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
    return out;
}

namespace {

// The process and title of an X window, as its toolkit sets them.
bool windowMatches(Display* d, Window w, int pid, const QString& title) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, w, &attrs) || attrs.map_state != IsViewable)
        return false;
    const Atom pidAtom = XInternAtom(d, "_NET_WM_PID", True);
    const Atom nameAtom = XInternAtom(d, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", True);
    if (pidAtom == None || nameAtom == None)
        return false;
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    bool ok = false;
    if (XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data && items == 1)
        ok = int(*reinterpret_cast<unsigned long*>(data)) == pid;
    if (data)
        XFree(data);
    if (!ok)
        return false;
    data = nullptr;
    ok = false;
    if (XGetWindowProperty(d, w, nameAtom, 0, 1024, False, utf8, &type, &format, &items, &after,
                           &data) == Success &&
        data)
        ok = QString::fromUtf8(reinterpret_cast<const char*>(data), int(items)) == title;
    if (data)
        XFree(data);
    return ok;
}

Window findWindow(Display* d, Window parent, int pid, const QString& title, int depth) {
    Window root, up, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, parent, &root, &up, &kids, &n))
        return None;
    Window hit = None;
    for (unsigned i = n; i-- > 0 && hit == None;) {
        if (windowMatches(d, kids[i], pid, title))
            hit = kids[i];
        else if (depth > 0)
            hit = findWindow(d, kids[i], pid, title, depth - 1);
    }
    if (kids)
        XFree(kids);
    return hit;
}

} // namespace

bool focusWindow(const QString& display, int pid, const QString& title) {
    Display* d = XOpenDisplay(display.toLocal8Bit().constData());
    if (!d)
        return false;
    // Top-level windows, or one level down where a window manager frames them.
    const Window w = findWindow(d, DefaultRootWindow(d), pid, title, 1);
    if (w != None) {
        XRaiseWindow(d, w);
        XSetInputFocus(d, w, RevertToParent, CurrentTime);
        XSync(d, False);
    }
    XCloseDisplay(d);
    return w != None;
}

int countColour(const QImage& picture, const QRect& area, unsigned rgb) {
    const QRect r = area.intersected(picture.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (picture.pixel(x, y) & 0xFFFFFFu) == rgb;
    return n;
}

} // namespace checkall
