#pragma once
// A device context over a QPainter: registers a handle in the handle table for its
// lifetime, with its own state (current position, selected pen, brush and font, text
// colour, background mode). Components that let a host draw (the property list's
// custom-drawn rows) create one around their painter and hand out handle().
#include "gdi.h"

class QPainter;
class QFont;

namespace tav::gdi {

class DeviceContext {
  public:
    explicit DeviceContext(QPainter& painter);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    HDC handle() const { return m_handle; }

    // The font text is drawn with (the painter's font at creation).
    void setFont(const QFont& font);

  private:
    HDC m_handle;
};

} // namespace tav::gdi
