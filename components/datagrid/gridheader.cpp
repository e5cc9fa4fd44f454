#include "gridheader_p.h"

#include <QStyleOptionHeader>

namespace tav::datagrid {

GridHeader::GridHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {}

void GridHeader::setLook(std::optional<CellLook> look) {
    m_look = std::move(look);
    setFont(m_look ? m_look->font : QFont());
    viewport()->update();
}

void GridHeader::setTopBand(int pixels) {
    if (pixels == m_topBand)
        return;
    m_topBand = pixels;
    setViewportMargins(0, pixels, 0, 0);
    updateGeometry();
}

QSize GridHeader::sizeHint() const {
    QSize s = QHeaderView::sizeHint();
    if (orientation() == Qt::Horizontal)
        s.rheight() += m_topBand;
    return s;
}

void GridHeader::setPictureSource(std::function<HeadPicture(int)> source) {
    m_pictures = std::move(source);
    viewport()->update();
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!m_look) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const CellLook& look = *m_look;
    if (look.appearance == 2) {
        // The desktop style's own header bevel, in the style's colours.
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = logicalIndex;
        opt.palette.setColor(QPalette::Button, look.back);
        opt.palette.setColor(QPalette::Window, look.back);
        opt.palette.setColor(QPalette::ButtonText, look.fore);
        painter->fillRect(rect, look.back);
        style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
    } else {
        look.paintBackground(*painter, rect, look.back);
        if (look.appearance == 1) {
            CellLook raised = look;
            raised.lineStyle = 2;
            raised.paintLines(*painter, rect);
        } else {
            look.paintLines(*painter, rect);
        }
    }
    if (orientation() == Qt::Vertical) {
        if (m_pictures)
            paintHeadPicture(*painter, rect, m_pictures(logicalIndex), look.fore,
                             look.pictAlignment);
        return;
    }
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                : QString();
    look.paintText(*painter, rect, text);
}

QSize GridHeader::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (m_look && orientation() == Qt::Horizontal)
        size.setHeight(qMax(size.height(), m_look->rowHeight() + 2));
    return size;
}

} // namespace tav::datagrid
