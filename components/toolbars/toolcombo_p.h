#pragma once
// The combo box of a combo tool. Assistive technology finds it by the tool's name (the
// platform's own combo box would be named after its current entry) and picks an entry as
// on the screen: open the list (press), select the entry's list item (toggle), then press
// again; the second press picks the selected entry and closes the list.
#include <QComboBox>

namespace tav::toolbars {

class ToolCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit ToolCombo(QWidget* parent = nullptr);

    // Picks entry `row` as a click on it in the open list would: it becomes the current
    // entry, the list closes and the pick is reported (activated). Out of range: nothing.
    void pick(int row);
    // The entry an open list offers for picking: the selected one, else the highlighted
    // one; -1 when the list is closed or offers none.
    int offeredRow() const;
};

} // namespace tav::toolbars
