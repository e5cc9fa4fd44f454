// DrawTextA: text from the ANSI code page laid out in a rectangle by format flags.
#include "codepage.h"
#include "gdi.h"
#include "gdihandletable_p.h"
#include "olecolor.h"
#include "raster_p.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {

using tav::gdi::detail::DcState;
using tav::gdi::detail::HandleTable;
using tav::gdi::detail::Raster;

// "&&" shows one ampersand; a single "&" marks the next character as the mnemonic and
// is not shown.
QString withoutPrefixes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

// Greedy breaking between words so that each line fits `width`; a word wider than
// that keeps a line of its own.
QStringList wrapped(const QString& line, int width, const QFontMetrics& fm) {
    QStringList out;
    QString current;
    for (const QString& word : line.split(u' ')) {
        const QString candidate = current.isEmpty() ? word : current + u' ' + word;
        if (!current.isEmpty() && fm.horizontalAdvance(candidate) > width) {
            out << current;
            current = word;
        } else {
            current = candidate;
        }
    }
    out << current;
    return out;
}

QStringList layoutLines(QString text, UINT format, int width, const QFontMetrics& fm) {
    if (format & DT_SINGLELINE) {
        text.remove(u'\r').remove(u'\n');
        return {text};
    }
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const QStringList own = text.split(breaks);
    if (!(format & DT_WORDBREAK))
        return own;
    QStringList out;
    for (const QString& line : own)
        out << wrapped(line, width, fm);
    return out;
}

} // namespace

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    DcState* dc = HandleTable::instance().dc(hdc);
    if (!dc || !lpchText || !lprc)
        return 0;
    const bool measureOnly = format & DT_CALCRECT;
    const bool canPaint = dc->painter && dc->painter->isActive();
    if (!measureOnly && !canPaint)
        return 0;

    QString text = cchText < 0 ? tav::fromAnsi(lpchText, qsizetype(std::strlen(lpchText)))
                               : tav::fromAnsi(lpchText, cchText);
    if (!(format & DT_NOPREFIX))
        text = withoutPrefixes(text);

    const QFontMetrics fm =
        canPaint ? QFontMetrics(dc->font, dc->painter->device()) : QFontMetrics(dc->font);
    const int64_t rectWidth = int64_t(lprc->right) - lprc->left;
    const QStringList lines =
        layoutLines(text, format, int(std::clamp<int64_t>(rectWidth, 0, INT32_MAX)), fm);
    const int lineHeight = fm.height();
    const int64_t textHeight = int64_t(lineHeight) * lines.size();

    if (measureOnly) {
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        lprc->right = int32_t(std::min<int64_t>(int64_t(lprc->left) + widest, INT32_MAX));
        lprc->bottom = int32_t(std::min<int64_t>(int64_t(lprc->top) + textHeight, INT32_MAX));
        return int(textHeight);
    }

    const bool single = format & DT_SINGLELINE;
    int64_t y = lprc->top;
    if (single && (format & DT_VCENTER))
        y = lprc->top + (int64_t(lprc->bottom) - lprc->top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM))
        y = int64_t(lprc->bottom) - lineHeight;
    const int64_t firstY = y;

    Raster raster(*dc->painter);
    QPainter& p = raster.painter();
    if (!(format & DT_NOCLIP))
        p.setClipRect(QRectF(lprc->left, lprc->top, double(rectWidth),
                             double(int64_t(lprc->bottom) - lprc->top)),
                      Qt::IntersectClip);
    p.setFont(dc->font);
    p.setPen(tav::rgbColor(dc->textColor));
    for (const QString& line : lines) {
        const int width = fm.horizontalAdvance(line);
        int64_t x = lprc->left;
        if (format & DT_CENTER)
            x += (rectWidth - width) / 2;
        else if (format & DT_RIGHT)
            x = int64_t(lprc->right) - width;
        if (dc->bkMode == OPAQUE)
            raster.fill(x, y, x + width, y + lineHeight, dc->bkColor & 0x00FFFFFFu);
        p.drawText(QPointF(double(x), double(y + fm.ascent())), line);
        y += lineHeight;
    }
    if (single && (format & (DT_VCENTER | DT_BOTTOM)))
        return int(firstY + textHeight - lprc->top);
    return int(textHeight);
}
