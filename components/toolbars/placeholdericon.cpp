#include "placeholdericon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tav::toolbars {

QIcon PlaceholderIcon::make(int imageId, int naturalSize) {
    return QIcon(new PlaceholderIcon(imageId, naturalSize));
}

void PlaceholderIcon::paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    // Spread neighbouring identifiers around the colour wheel.
    QColor fill = QColor::fromHsv((m_id * 47) % 360, 150, 200);
    if (mode == QIcon::Disabled)
        fill = QColor(170, 170, 170);
    else if (mode == QIcon::Active || mode == QIcon::Selected)
        fill = fill.lighter(115);
    const QRectF r = QRectF(rect).adjusted(rect.width() * 0.1, rect.height() * 0.1,
                                           -rect.width() * 0.1, -rect.height() * 0.1);
    p->setPen(QPen(fill.darker(160), qMax(1.0, rect.width() / 16.0)));
    p->setBrush(fill);
    switch (m_id % 4) {
    case 0:
        p->drawRoundedRect(r, r.width() * 0.2, r.height() * 0.2);
        break;
    case 1:
        p->drawEllipse(r);
        break;
    case 2: {
        QPainterPath tri;
        tri.moveTo(r.center().x(), r.top());
        tri.lineTo(r.bottomRight());
        tri.lineTo(r.bottomLeft());
        tri.closeSubpath();
        p->drawPath(tri);
        break;
    }
    default: {
        QPainterPath diamond;
        diamond.moveTo(r.center().x(), r.top());
        diamond.lineTo(r.right(), r.center().y());
        diamond.lineTo(r.center().x(), r.bottom());
        diamond.lineTo(r.left(), r.center().y());
        diamond.closeSubpath();
        p->drawPath(diamond);
        break;
    }
    }
    p->restore();
}

QPixmap PlaceholderIcon::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap PlaceholderIcon::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) {
    QPixmap pm(size * scale);
    pm.setDevicePixelRatio(scale);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pm;
}

QSize PlaceholderIcon::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    return size.boundedTo(QSize(m_size, m_size));
}

} // namespace tav::toolbars
