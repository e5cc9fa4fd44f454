#pragma once
// An image filled with a known background and a device context drawing on it, so that a
// test can draw through the graphics calls and read back the device pixels.
#include "devicecontext.h"
#include "gdi.h"
#include "olecolor.h"

#include <QImage>
#include <QPainter>
#include <QRect>

#include <memory>

namespace tav::test {

struct Canvas {
    static constexpr COLORREF Background = 0x00123456;

    // w x h logical pixels at device pixel ratio `dpr`.
    explicit Canvas(int w = 40, int h = 30, qreal dpr = 1.0)
        : image(int(w * dpr), int(h * dpr), QImage::Format_RGB32) {
        image.setDevicePixelRatio(dpr);
        image.fill(rgbColor(Background));
        painter = std::make_unique<QPainter>(&image);
        dc = std::make_unique<gdi::DeviceContext>(*painter);
    }
    HDC hdc() const { return dc->handle(); }
    // Ends painting and reads device pixel (x, y) as 0x00BBGGRR.
    COLORREF at(int x, int y) {
        if (painter->isActive())
            painter->end();
        return toBgr(image.pixelColor(x, y));
    }
    int countOf(COLORREF c, QRect area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += at(x, y) == c;
        return n;
    }
    bool all(COLORREF c, QRect area) { return countOf(c, area) == area.width() * area.height(); }
    bool untouched(QRect area) { return all(Background, area); }

    QImage image;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<gdi::DeviceContext> dc;
};

} // namespace tav::test
