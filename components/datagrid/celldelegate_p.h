#pragma once
// Draws the grid's cells in its named styles: Normal (with even/odd colours where on),
// CurrentRow, CurrentCell, and Selection or InactiveSelection for selected cells while
// the grid has or lacks the focus.
#include "celllook.h"

#include <QStyledItemDelegate>

namespace tav::datagrid {

class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // nullopt: the desktop style's item drawing.
    void setLooks(std::optional<CellLooks> looks) { m_looks = std::move(looks); }
    const std::optional<CellLooks>& looks() const { return m_looks; }

    // The look a cell is drawn in, from its state.
    enum class CellState { Normal, CurrentRow, CurrentCell, Selected, SelectedInactive };
    const CellLook& lookFor(CellState state) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    std::optional<CellLooks> m_looks;
};

} // namespace tav::datagrid
