#include "celldelegate_p.h"

#include <QAbstractItemView>
#include <QApplication>

namespace tav::datagrid {

const CellLook& CellDelegate::lookFor(CellState state) const {
    const CellLooks& l = *m_looks;
    switch (state) {
    case CellState::CurrentRow:
        return l.currentRow;
    case CellState::CurrentCell:
        return l.currentCell;
    case CellState::Selected:
        return l.selection;
    case CellState::SelectedInactive:
        return l.inactiveSelection;
    case CellState::Normal:
        break;
    }
    return l.normal;
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (!m_looks) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const QModelIndex current = view ? view->currentIndex() : QModelIndex();
    CellState state = CellState::Normal;
    if (option.state & QStyle::State_Selected)
        state = (view && view->hasFocus()) ? CellState::Selected : CellState::SelectedInactive;
    else if (current.isValid() && current == index)
        state = CellState::CurrentCell;
    else if (current.isValid() && current.row() == index.row())
        state = CellState::CurrentRow;
    const CellLook& look = lookFor(state);
    const bool selected = state == CellState::Selected || state == CellState::SelectedInactive;
    const QRect r = option.rect;
    look.paintBackground(*painter, r, selected ? look.back : look.backgroundFor(index.row()));
    look.paintText(*painter, r, index.data(Qt::DisplayRole).toString());
    // Lines always come from Normal so that rows line up whatever their state.
    m_looks->normal.paintLines(*painter, r);
    if ((option.state & QStyle::State_HasFocus) && view && view->hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = r.adjusted(1, 1, -2, -2);
        focus.backgroundColor = look.back;
        const QStyle* style = view->style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
    }
}

QSize CellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (m_looks)
        size.setHeight(m_looks->normal.rowHeight());
    return size;
}

} // namespace tav::datagrid
