#include "devicecontext.h"

#include "gdihandletable_p.h"

#include <QPainter>

namespace tav::gdi {

using detail::HandleTable;

DeviceContext::DeviceContext(QPainter& painter) {
    HandleTable& table = HandleTable::instance();
    detail::DcState state;
    state.painter = &painter;
    state.pen = table.stock(BLACK_PEN);
    state.brush = table.stock(WHITE_BRUSH);
    state.font = painter.font();
    m_handle = table.addDc(state);
}

DeviceContext::~DeviceContext() {
    HandleTable::instance().removeDc(m_handle);
}

void DeviceContext::setFont(const QFont& font) {
    if (detail::DcState* state = HandleTable::instance().dc(m_handle))
        state->font = font;
}

} // namespace tav::gdi
