#include "placeholdericon_p.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tav::toolbars {

QIcon PlaceholderIcon::make(int imageId, int naturalSize) {
    return QIcon(new PlaceholderIcon(imageId, naturalSize));
}

namespace {

// The shape of an image identifier, drawn in white: its filled interior or its outline.
void drawShape(QPainter* p, int shape, const QRect& rect, bool outline) {
    p->setRenderHint(QPainter::Antialiasing);
    if (outline) {
        p->setPen(QPen(Qt::white, qMax(1.0, rect.width() / 16.0)));
        p->setBrush(Qt::NoBrush);
    } else {
        p->setPen(Qt::NoPen);
        p->setBrush(Qt::white);
    }
    const QRectF r = QRectF(rect).adjusted(rect.width() * 0.1, rect.height() * 0.1,
                                           -rect.width() * 0.1, -rect.height() * 0.1);
    switch (shape) {
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
}

// Coverage masks of one shape at one pixel size: the interior and the outline. The 254
// pictures share four shapes, so each mask is drawn once and only coloured per picture.
struct Stencil {
    QImage fill;
    QImage outline;
};

const Stencil& stencil(int shape, const QSize& pixels) {
    static QHash<quint64, Stencil> cache;
    const quint64 key =
        (quint64(shape) << 48) | (quint64(pixels.width()) << 24) | quint64(pixels.height());
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    Stencil s;
    for (bool outline : {false, true}) {
        QImage mask(pixels, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        QPainter p(&mask);
        drawShape(&p, shape, QRect(QPoint(0, 0), pixels), outline);
        p.end();
        (outline ? s.outline : s.fill) = std::move(mask);
    }
    return *cache.insert(key, std::move(s));
}

QColor fillColour(int id, QIcon::Mode mode) {
    // Spread neighbouring identifiers around the colour wheel.
    QColor fill = QColor::fromHsv((id * 47) % 360, 150, 200);
    if (mode == QIcon::Disabled)
        fill = QColor(170, 170, 170);
    else if (mode == QIcon::Active || mode == QIcon::Selected)
        fill = fill.lighter(115);
    return fill;
}

// `over` drawn with coverage `a` (0-255) over the premultiplied pixel `under`.
QRgb blend(QRgb under, QRgb over, int a) {
    if (a == 0) // most pixels lie wholly outside or inside a mask
        return under;
    if (a == 255)
        return over;
    const auto mix = [a](int u, int o) { return (o * a + u * (255 - a) + 127) / 255; };
    return qRgba(mix(qRed(under), qRed(over)), mix(qGreen(under), qGreen(over)),
                 mix(qBlue(under), qBlue(over)), mix(qAlpha(under), 255));
}

} // namespace

QImage PlaceholderIcon::render(const QSize& pixels, QIcon::Mode mode) const {
    const Stencil& s = stencil(m_id % 4, pixels);
    const QColor fill = fillColour(m_id, mode);
    const QRgb fillRgb = fill.rgb();
    const QRgb lineRgb = fill.darker(160).rgb();
    QImage img(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* f = reinterpret_cast<const QRgb*>(s.fill.constScanLine(y));
        const auto* o = reinterpret_cast<const QRgb*>(s.outline.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            out[x] = blend(blend(0, fillRgb, qAlpha(f[x])), lineRgb, qAlpha(o[x]));
    }
    return img;
}

void PlaceholderIcon::paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) {
    const qreal scale = p->device() ? p->device()->devicePixelRatio() : 1.0;
    QImage img = render(rect.size() * scale, mode);
    img.setDevicePixelRatio(scale);
    p->drawImage(rect, img);
}

QPixmap PlaceholderIcon::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap PlaceholderIcon::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                      qreal scale) {
    Q_UNUSED(state);
    // QIcon hands over the size in device pixels already.
    QImage img = render(size, mode);
    img.setDevicePixelRatio(scale);
    return QPixmap::fromImage(std::move(img));
}

QSize PlaceholderIcon::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    return size.boundedTo(QSize(m_size, m_size));
}

} // namespace tav::toolbars
