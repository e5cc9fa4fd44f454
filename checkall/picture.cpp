#include "picture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace checkall {

void DisplayRelease::operator()(Display* d) const {
    XCloseDisplay(d);
}

DisplayPtr openDisplay(const QString& display) {
    return DisplayPtr(XOpenDisplay(display.toLocal8Bit().constData()));
}

namespace {

struct XImageRelease {
    void operator()(XImage* img) const { XDestroyImage(img); }
};

struct XFreeRelease {
    void operator()(void* p) const { XFree(p); }
};
// A block the X library allocated (a property's value, a list of windows).
template <class T> using XMemory = std::unique_ptr<T, XFreeRelease>;

} // namespace

QImage grabScreen(const QString& display, const QRect& area) {
    const DisplayPtr d = openDisplay(display);
    if (!d)
        return {};
    const int screen = DefaultScreen(d.get());
    const QRect whole(0, 0, DisplayWidth(d.get(), screen), DisplayHeight(d.get(), screen));
    const QRect r = area.intersected(whole);
    if (r.isEmpty())
        return {};
    const std::unique_ptr<XImage, XImageRelease> img(
        XGetImage(d.get(), RootWindow(d.get(), screen), r.x(), r.y(), unsigned(r.width()),
                  unsigned(r.height()), AllPlanes, ZPixmap));
    if (!img)
        return {};
    QImage out(r.width(), r.height(), QImage::Format_RGB32);
    for (int y = 0; y < r.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            const unsigned long p = XGetPixel(img.get(), x, y);
            line[x] = qRgb(int((p & img->red_mask) >> 16), int((p & img->green_mask) >> 8),
                           int(p & img->blue_mask));
        }
    }
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
    unsigned char* raw = nullptr;
    const bool havePid = XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                            &items, &after, &raw) == Success;
    const XMemory<unsigned char> pidData(raw);
    if (!havePid || !pidData || items != 1 ||
        int(*reinterpret_cast<unsigned long*>(pidData.get())) != pid)
        return false;
    raw = nullptr;
    const bool haveName = XGetWindowProperty(d, w, nameAtom, 0, 1024, False, utf8, &type, &format,
                                             &items, &after, &raw) == Success;
    const XMemory<unsigned char> name(raw);
    return haveName && name &&
           QString::fromUtf8(reinterpret_cast<const char*>(name.get()), int(items)) == title;
}

Window findWindow(Display* d, Window parent, int pid, const QString& title, int depth) {
    Window root, up, *raw = nullptr;
    unsigned n = 0;
    const bool queried = XQueryTree(d, parent, &root, &up, &raw, &n);
    const XMemory<Window> kids(raw);
    if (!queried)
        return None;
    Window hit = None;
    for (unsigned i = n; i-- > 0 && hit == None;) {
        if (windowMatches(d, kids.get()[i], pid, title))
            hit = kids.get()[i];
        else if (depth > 0)
            hit = findWindow(d, kids.get()[i], pid, title, depth - 1);
    }
    return hit;
}

} // namespace

bool focusWindow(const QString& display, int pid, const QString& title) {
    const DisplayPtr d = openDisplay(display);
    if (!d)
        return false;
    // Top-level windows, or one level down where a window manager frames them.
    const Window w = findWindow(d.get(), DefaultRootWindow(d.get()), pid, title, 1);
    if (w != None) {
        XRaiseWindow(d.get(), w);
        XSetInputFocus(d.get(), w, RevertToParent, CurrentTime);
        XSync(d.get(), False);
    }
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
