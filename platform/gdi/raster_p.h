#pragma once
// Pixel-exact drawing on a painter for the graphics calls: antialiasing off, whole
// cells filled, work limited to the part of the device that can be seen, and the
// painter's own state restored when done.
#include "gdihandletable_p.h"

#include <QRect>

#include <cstdint>

class QPainter;

namespace tav::gdi::detail {

class Raster {
  public:
    explicit Raster(QPainter& painter);
    ~Raster();
    Raster(const Raster&) = delete;
    Raster& operator=(const Raster&) = delete;

    QPainter& painter() { return m_painter; }

    // Fills the cells left <= x < right, top <= y < bottom.
    void fill(int64_t left, int64_t top, int64_t right, int64_t bottom, COLORREF color);

    // A one-pixel line from `from` up to but not including `to`, with the dash pattern
    // of the pen's style.
    void thinLine(QPoint from, QPoint to, const PenData& pen);

    // A line of a pen wider than one pixel: round ends, end point included.
    void wideLine(QPoint from, QPoint to, const PenData& pen);

  private:
    QPainter& m_painter;
    QRect m_bounds; // logical cells worth painting, with a margin
};

} // namespace tav::gdi::detail
