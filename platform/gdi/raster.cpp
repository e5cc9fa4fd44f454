#include "olecolor.h"
#include "raster_p.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>

namespace tav::gdi::detail {

namespace {

// On/off run lengths of the dashed one-pixel styles.
std::span<const int> dashPattern(int style) {
    static constexpr std::array<int, 2> dash{18, 6};
    static constexpr std::array<int, 2> dot{3, 3};
    static constexpr std::array<int, 4> dashDot{9, 6, 3, 6};
    static constexpr std::array<int, 6> dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case PS_DASH:
        return dash;
    case PS_DOT:
        return dot;
    case PS_DASHDOT:
        return dashDot;
    case PS_DASHDOTDOT:
        return dashDotDot;
    default:
        return {};
    }
}

bool patternOn(std::span<const int> pattern, int64_t step) {
    if (pattern.empty())
        return true;
    int period = 0;
    for (int len : pattern)
        period += len;
    int64_t pos = step % period;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pos < pattern[i])
            return i % 2 == 0;
        pos -= pattern[i];
    }
    return false;
}

} // namespace

Raster::Raster(QPainter& painter) : m_painter(painter) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(Qt::NoBrush);

    QRect device;
    if (const QPaintDevice* d = m_painter.device())
        device = QRect(0, 0, d->width(), d->height());
    bool invertible = false;
    const QTransform toLogical = m_painter.combinedTransform().inverted(&invertible);
    m_bounds = invertible ? toLogical.mapRect(device).united(device) : device;
    m_bounds.adjust(-16, -16, 16, 16);
}

Raster::~Raster() {
    m_painter.restore();
}

void Raster::fill(int64_t left, int64_t top, int64_t right, int64_t bottom, COLORREF color) {
    left = std::max<int64_t>(left, m_bounds.left());
    top = std::max<int64_t>(top, m_bounds.top());
    right = std::min<int64_t>(right, int64_t(m_bounds.right()) + 1);
    bottom = std::min<int64_t>(bottom, int64_t(m_bounds.bottom()) + 1);
    if (right <= left || bottom <= top)
        return;
    m_painter.fillRect(QRect(int(left), int(top), int(right - left), int(bottom - top)),
                       rgbColor(color));
}

void Raster::thinLine(QPoint from, QPoint to, const PenData& pen) {
    // Cells of the line: step i along the major axis, the minor coordinate rounded
    // from the exact slope. Only steps whose cells can be seen are visited.
    const int64_t dx = int64_t(to.x()) - from.x();
    const int64_t dy = int64_t(to.y()) - from.y();
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = xMajor ? dx : dy;
    const int64_t minor = xMajor ? dy : dx;
    const int64_t steps = std::llabs(major);
    if (steps == 0)
        return;
    const int64_t majorStart = xMajor ? from.x() : from.y();
    const int64_t minorStart = xMajor ? from.y() : from.x();
    const int64_t majorSign = major > 0 ? 1 : -1;
    const int64_t minorSign = minor >= 0 ? 1 : -1;
    const int64_t lo = xMajor ? m_bounds.left() : m_bounds.top();
    const int64_t hi = xMajor ? m_bounds.right() : m_bounds.bottom();

    // Visible step range: majorStart + i * majorSign within [lo, hi].
    int64_t first = majorSign > 0 ? lo - majorStart : majorStart - hi;
    int64_t last = majorSign > 0 ? hi - majorStart : majorStart - lo;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps - 1);

    const std::span<const int> pattern = dashPattern(pen.style);
    // Runs of cells along the major axis that share a minor coordinate.
    bool open = false;
    int64_t runStart = 0, runEnd = 0, runMinor = 0;
    const auto flush = [&] {
        if (!open)
            return;
        const int64_t a = std::min(runStart, runEnd), b = std::max(runStart, runEnd) + 1;
        if (xMajor)
            fill(a, runMinor, b, runMinor + 1, pen.color);
        else
            fill(runMinor, a, runMinor + 1, b, pen.color);
        open = false;
    };
    const int64_t absMinor = std::llabs(minor);
    for (int64_t i = first; i <= last; ++i) {
        if (!patternOn(pattern, i)) {
            flush();
            continue;
        }
        const int64_t m = majorStart + i * majorSign;
        // 128-bit: both factors can reach 2^32 on lines between far-apart coordinates.
        const auto offset = (__int128(2) * i * absMinor + steps) / (__int128(2) * steps);
        const int64_t n = minorStart + minorSign * int64_t(offset);
        if (open && n == runMinor && m == runEnd + majorSign) {
            runEnd = m;
            continue;
        }
        flush();
        open = true;
        runStart = runEnd = m;
        runMinor = n;
    }
    flush();
}

void Raster::wideLine(QPoint from, QPoint to, const PenData& pen) {
    QPen qpen(rgbColor(pen.color), pen.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    m_painter.setPen(qpen);
    const QPointF centre(0.5, 0.5);
    m_painter.drawLine(QPointF(from) + centre, QPointF(to) + centre);
    m_painter.setPen(Qt::NoPen);
}

} // namespace tav::gdi::detail
