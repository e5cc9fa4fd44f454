#pragma once
// A combo box for in-place choices that separates looking from picking: arrow keys,
// the wheel and typed letters only move the current entry, and activated() comes
// from a pick in the opened list alone. The list commits picks at once and the
// moved entry at its other commit points, never per keystroke.
#include <QComboBox>

#include <functional>

namespace tav::propertylist {

class PickComboBox : public QComboBox {
  public:
    explicit PickComboBox(QWidget* parent = nullptr);

    // Called just before the list opens.
    void setBeforePopup(std::function<void()> f) { m_beforePopup = std::move(f); }
    void showPopup() override;

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

  private:
    std::function<void()> m_beforePopup;
};

} // namespace tav::propertylist
