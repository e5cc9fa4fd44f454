#pragma once
// The one start-up hook a program keeps: with TAV_QUIT_AFTER_FIRST_PAINT set (start-up
// measurements only) the program ends right after its start-up window is first painted.
class QWidget;

namespace tav {

// Arms the hook on `window` when TAV_QUIT_AFTER_FIRST_PAINT is set; does nothing otherwise.
void quitAfterFirstPaintIfAsked(QWidget* window);

} // namespace tav
