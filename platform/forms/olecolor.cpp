#include "olecolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace tav {

QColor rgbColor(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

uint32_t toBgr(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

std::optional<QColor> translateOleColor(uint32_t value) {
    if ((value & 0xFF000000u) == 0)
        return rgbColor(value);
    if ((value & 0xFF000000u) != 0x80000000u)
        return std::nullopt;
    const QPalette pal = QGuiApplication::palette();
    const auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) {
        return std::optional<QColor>(pal.color(g, r));
    };
    switch (value & 0xFFFF) {
    case 0:
        return role(QPalette::Mid); // scroll bar
    case 1:
        return role(QPalette::Dark); // desktop
    case 2:
        return role(QPalette::Highlight); // active title bar
    case 3:
        return role(QPalette::Highlight, QPalette::Inactive)
            .value()
            .lighter(130); // inactive title bar
    case 4:
        return role(QPalette::Window); // menu bar
    case 5:
        return role(QPalette::Base); // window background
    case 6:
        return role(QPalette::Shadow); // window frame
    case 7:
        return role(QPalette::WindowText); // menu text
    case 8:
        return role(QPalette::Text); // window text
    case 9:
        return role(QPalette::HighlightedText); // title bar text
    case 10:
        return role(QPalette::Window); // active border
    case 11:
        return role(QPalette::Window); // inactive border
    case 12:
        return role(QPalette::Dark); // application workspace
    case 13:
        return role(QPalette::Highlight); // highlight
    case 14:
        return role(QPalette::HighlightedText); // highlight text
    case 15:
        return role(QPalette::Button); // button face
    case 16:
        return role(QPalette::Dark); // button shadow
    case 17:
        return role(QPalette::PlaceholderText); // grey text
    case 18:
        return role(QPalette::ButtonText); // button text
    case 19:
        return role(QPalette::WindowText, QPalette::Inactive); // inactive caption text
    case 20:
        return role(QPalette::Light); // button highlight
    case 21:
        return role(QPalette::Shadow); // 3D dark shadow
    case 22:
        return role(QPalette::Midlight); // 3D light
    case 23:
        return role(QPalette::ToolTipText); // info text
    case 24:
        return role(QPalette::ToolTipBase); // info background
    case 26:
        return role(QPalette::Link); // hot-tracked item
    case 27:
        return role(QPalette::Highlight); // gradient active caption
    case 28:
        return role(QPalette::Highlight, QPalette::Inactive); // gradient inactive caption
    case 29:
        return role(QPalette::Highlight); // menu highlight
    case 30:
        return role(QPalette::Window); // menu bar (flat menus)
    default:
        return std::nullopt;
    }
}

QColor oleColor(uint32_t value) {
    return translateOleColor(value).value_or(QColor(Qt::black));
}

} // namespace tav
