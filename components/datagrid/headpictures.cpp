#include "headpictures.h"

#include <QPainterPath>

namespace tav::datagrid {

HeadPicture headPictureForIndex(int pictureIndex) {
    switch (pictureIndex) {
    case 32786:
        return HeadPicture::Pointer;
    case 32772:
        return HeadPicture::Pencil;
    case 32773:
        return HeadPicture::Star;
    case 32775:
        return HeadPicture::Alert;
    default:
        return HeadPicture::None;
    }
}

namespace {

QRectF placedSquare(const QRectF& box, Qt::Alignment alignment) {
    const qreal side = qMin<qreal>(9.0, qMin(box.width(), box.height()) - 2.0);
    if (side <= 0)
        return {};
    qreal x = box.left() + (box.width() - side) / 2;
    qreal y = box.top() + (box.height() - side) / 2;
    if (alignment & Qt::AlignLeft)
        x = box.left() + 1;
    else if (alignment & Qt::AlignRight)
        x = box.right() - side - 1;
    if (alignment & Qt::AlignTop)
        y = box.top() + 1;
    else if (alignment & Qt::AlignBottom)
        y = box.bottom() - side - 1;
    return {x, y, side, side};
}

} // namespace

void paintHeadPicture(QPainter& p, const QRectF& box, HeadPicture picture, const QColor& color,
                      Qt::Alignment alignment) {
    const QRectF r = placedSquare(box, alignment);
    if (picture == HeadPicture::None || r.isEmpty())
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = r.width();
    const auto at = [&](qreal fx, qreal fy) {
        return QPointF(r.left() + fx * s, r.top() + fy * s);
    };
    QPen pen(color, qMax<qreal>(1.0, s / 8));
    pen.setCapStyle(Qt::RoundCap);
    switch (picture) {
    case HeadPicture::Pointer: {
        QPainterPath path(at(0.25, 0.0));
        path.lineTo(at(0.8, 0.5));
        path.lineTo(at(0.25, 1.0));
        path.closeSubpath();
        p.fillPath(path, color);
        break;
    }
    case HeadPicture::Pencil: {
        // Shaft from the upper right to a point at the lower left.
        QPainterPath shaft(at(0.7, 0.0));
        shaft.lineTo(at(1.0, 0.3));
        shaft.lineTo(at(0.3, 1.0 - 0.0));
        shaft.lineTo(at(0.0, 1.0));
        shaft.lineTo(at(0.0, 0.7));
        shaft.closeSubpath();
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(shaft);
        p.drawLine(at(0.55, 0.15), at(0.85, 0.45));
        break;
    }
    case HeadPicture::Star: {
        p.setPen(pen);
        p.drawLine(at(0.5, 0.05), at(0.5, 0.95));
        p.drawLine(at(0.1, 0.27), at(0.9, 0.73));
        p.drawLine(at(0.1, 0.73), at(0.9, 0.27));
        break;
    }
    case HeadPicture::Alert: {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(
            r.adjusted(pen.widthF() / 2, pen.widthF() / 2, -pen.widthF() / 2, -pen.widthF() / 2));
        p.drawLine(at(0.5, 0.22), at(0.5, 0.55));
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawEllipse(at(0.5, 0.75), s / 14 + 0.5, s / 14 + 0.5);
        break;
    }
    case HeadPicture::None:
        break;
    }
    p.restore();
}

} // namespace tav::datagrid
