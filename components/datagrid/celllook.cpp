#include "celllook.h"

#include "fonts.h"
#include "olecolor.h"
#include "units.h"

#include <QFontMetrics>
#include <QLinearGradient>

namespace tav::datagrid {

namespace {
QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(qBound(0, alpha, 255));
    return c;
}
} // namespace

Qt::Alignment CellLook::alignmentFromCode(int code) {
    if (code == 9)
        return Qt::AlignLeft | Qt::AlignVCenter;
    if (code < 0 || code > 8)
        code = 0;
    static const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[code / 3] | vertical[code % 3];
}

QColor CellLook::colorFromValue(int value) {
    return oleColor(static_cast<uint32_t>(value));
}

double CellLook::pointsFromSize(const QString& size) {
    const QStringList parts = size.split(u';');
    if (parts.size() != 2)
        return 0;
    bool okHi = false, okLo = false;
    const qint64 hi = parts[0].toLongLong(&okHi);
    const qint64 lo = parts[1].toLongLong(&okLo);
    if (!okHi || !okLo)
        return 0;
    return double(hi * (qint64(1) << 32) + lo) / 10000.0;
}

CellLook CellLook::fromStyle(const gridlayout::ResolvedStyle& s) {
    CellLook look;
    const int alphaBkg = s.integer(QStringLiteral("AlphaBkg"), 255);
    const int alphaText = s.integer(QStringLiteral("AlphaContent"), 255);
    const auto color = [&](const char* prop, uint32_t fallback) {
        const QString name = QString::fromLatin1(prop);
        return s.has(name) ? colorFromValue(s.integer(name)) : oleColor(fallback);
    };
    look.fore = withAlpha(color("ForeColor", syscolor::WindowText), alphaText);
    look.back = withAlpha(color("BackColor", syscolor::WindowBackground), alphaBkg);
    look.back2 = withAlpha(s.has(QStringLiteral("BackColor2")) ? color("BackColor2", 0) : look.back,
                           alphaBkg);
    look.gridLine = color("GridLineColor", syscolor::ButtonFace);
    look.highlight = color("HighlightColor", syscolor::ButtonHighlight);
    look.shadow = color("ShadowColor", syscolor::ButtonShadow);
    look.evenColor = withAlpha(color("EvenColor", syscolor::ButtonHighlight), alphaBkg);
    look.oddColor = withAlpha(color("OddColor", syscolor::InfoBackground), alphaBkg);
    look.borderColor = color("CellBorderColor", syscolor::WindowBackground);
    look.bkgStyle = s.integer(QStringLiteral("BkgStyle"), 1);
    look.textAlignment = alignmentFromCode(s.integer(QStringLiteral("TextAlignment"), 0));
    look.pictAlignment = alignmentFromCode(s.integer(QStringLiteral("PictAlignment"), 4));
    look.wordWrap = s.flag(QStringLiteral("WordWrap"));
    look.ellipsis = s.integer(QStringLiteral("Ellipsis"), 1) != 0;
    look.paddingPx = twipsToPixels(s.integer(QStringLiteral("CellPadding"), 15));
    look.lineStyle = s.integer(QStringLiteral("LineStyle"), 1);
    look.evenOdd = s.flag(QStringLiteral("EvenOddStyle"));
    look.backFromRoot = !s.has(QStringLiteral("BackColor")) ||
                        s.origin(QStringLiteral("BackColor")) == gridlayout::RootStyleName;
    look.cellBorder = s.flag(QStringLiteral("CellBorder"));
    look.cellBorderPx = twipsToPixels(s.integer(QStringLiteral("CellBorderSize"), 0));
    look.appearance = s.integer(QStringLiteral("Appearance"), 0);

    const QString face = s.has(QStringLiteral("Font.Name")) ? s.value(QStringLiteral("Font.Name"))
                                                            : QStringLiteral("MS Sans Serif");
    double points = pointsFromSize(s.value(QStringLiteral("Font.Size")));
    if (points <= 0)
        points = 8.25;
    int weight = s.integer(QStringLiteral("Font.Weight"), 400);
    if (s.flag(QStringLiteral("Font.Bold")))
        weight = qMax(weight, 700);
    look.font = storedFont(face, points, weight, s.flag(QStringLiteral("Font.Italic")),
                           s.flag(QStringLiteral("Font.Underline")));
    look.font.setStrikeOut(s.flag(QStringLiteral("Font.Strikethrough")));
    return look;
}

QColor CellLook::backgroundFor(int row) const {
    if (evenOdd && backFromRoot)
        return (row % 2 == 0) ? oddColor : evenColor; // the first row is row 1, odd
    return back;
}

void CellLook::paintBackground(QPainter& p, const QRect& r, const QColor& color) const {
    switch (bkgStyle) {
    case 0:
        return;
    case 2:
    case 3: {
        QLinearGradient g(r.topLeft(), bkgStyle == 2 ? QPointF(r.left(), r.bottom())
                                                     : QPointF(r.right(), r.top()));
        g.setColorAt(0, color);
        g.setColorAt(1, back2);
        p.fillRect(r, g);
        return;
    }
    default:
        p.fillRect(r, color);
    }
}

void CellLook::paintLines(QPainter& p, const QRect& r) const {
    p.save();
    switch (lineStyle) {
    case 1:
        p.setPen(gridLine);
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        break;
    case 2:
    case 3: {
        const QColor light = lineStyle == 2 ? highlight : shadow;
        const QColor dark = lineStyle == 2 ? shadow : highlight;
        p.setPen(light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(dark);
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        break;
    }
    default:
        break;
    }
    if (cellBorder && cellBorderPx > 0) {
        QPen pen(borderColor, cellBorderPx);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const int half = cellBorderPx / 2;
        p.drawRect(r.adjusted(half, half, -half - 1, -half - 1));
    }
    p.restore();
}

void CellLook::paintText(QPainter& p, const QRect& r, const QString& text) const {
    if (text.isEmpty())
        return;
    p.save();
    p.setFont(font);
    p.setPen(fore);
    const QRect inner = r.adjusted(paddingPx, paddingPx, -paddingPx - 1, -paddingPx - 1);
    const QFontMetrics fm(font);
    if (wordWrap) {
        p.drawText(inner, int(textAlignment) | Qt::TextWordWrap, text);
    } else {
        const QString shown = ellipsis ? fm.elidedText(text, Qt::ElideRight, inner.width()) : text;
        p.setClipRect(inner);
        p.drawText(inner, int(textAlignment) | Qt::TextSingleLine, shown);
    }
    p.restore();
}

int CellLook::rowHeight() const {
    return QFontMetrics(font).height() + 2 * paddingPx + 1;
}

} // namespace tav::datagrid
