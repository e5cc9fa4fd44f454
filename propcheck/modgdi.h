#pragma once
// modGDI: the program's own drawing routine on top of the graphics layer.
#include <cstdint>

namespace tav::propcheck::modGDI {

// A rectangle outlined by a one-pixel black pen and filled with `lFill` used as it
// stands: a system colour value is not translated, only its low 24 bits count.
void PaintColorBox(int32_t hDC, int32_t lFill, int32_t lLeft, int32_t lTop, int32_t lRight,
                   int32_t lBottom);

} // namespace tav::propcheck::modGDI
