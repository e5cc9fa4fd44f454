#include "markup.h"

namespace tav {

namespace {

const char* reference(char16_t c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    case '\r':
        return "&#13;";
    case '\n':
        return "&#10;";
    case '\t':
        return "&#9;";
    default:
        return nullptr;
    }
}

} // namespace

QString escapeMarkup(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (const char* r = reference(c.unicode()))
            out += QLatin1String(r);
        else if (c.unicode() < 0x20 || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            out += QChar(0xFFFD);
        else
            out += c;
    }
    return out;
}

} // namespace tav
