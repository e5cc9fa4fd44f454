#pragma once
// The grid's column headers and head column: drawn in a named style when the grid has a
// presentation layout, as the desktop style draws headers otherwise. The head column
// (vertical header) shows a picture per row instead of text.
#include "celllook.h"
#include "headpictures.h"

#include <QHeaderView>

#include <functional>
#include <optional>

namespace tav::datagrid {

class GridHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit GridHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

    // nullopt: the desktop style's headers.
    void setLook(std::optional<CellLook> look);
    const std::optional<CellLook>& look() const { return m_look; }
    // For the head column: the picture of a row (section).
    void setPictureSource(std::function<HeadPicture(int)> source);
    // A band of `pixels` kept free above the sections (the grid's group-by area). The
    // header's size hint includes it, so the table view lays the rows out below both.
    void setTopBand(int pixels);
    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

  private:
    std::optional<CellLook> m_look;
    std::function<HeadPicture(int)> m_pictures;
    int m_topBand = 0;
};

} // namespace tav::datagrid
