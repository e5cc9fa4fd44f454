#pragma once
// Key events as the platform's virtual-key codes and shift bits, the form in which
// the list hands keys to its host.
#include <QKeyEvent>

#include <cstdint>

namespace tav::propertylist {

// Virtual-key code of a key (letters and digits as their upper-case character codes,
// Enter 13, Esc 27, F2 113 ...); 0 for keys without one.
int16_t virtualKeyCode(int qtKey);
// Shift bits: 1 Shift, 2 Ctrl, 4 Alt.
int16_t shiftBits(Qt::KeyboardModifiers modifiers);

} // namespace tav::propertylist
