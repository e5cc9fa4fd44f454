#pragma once
// Neutral placeholder pictures for tool images, drawn as vectors at whatever size and
// pixel ratio is asked, so they stay crisp on high-density screens. Each image
// identifier gets its own colour and one of four shapes; a shape's coverage is drawn
// once per size and coloured per picture, which keeps a frame of many tools quick to
// paint.
#include <QIcon>
#include <QIconEngine>

namespace tav::toolbars {

class PlaceholderIcon : public QIconEngine {
  public:
    PlaceholderIcon(int imageId, int naturalSize) : m_id(imageId), m_size(naturalSize) {}

    // An icon for a picture of `naturalSize` pixels.
    static QIcon make(int imageId, int naturalSize);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override { return new PlaceholderIcon(*this); }
    QString key() const override { return QStringLiteral("tav-placeholder"); }

  private:
    // The picture at a size in device pixels.
    QImage render(const QSize& pixels, QIcon::Mode mode) const;

    int m_id;
    int m_size;
};

} // namespace tav::toolbars
