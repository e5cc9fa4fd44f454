#pragma once
// Layout units: twips (1/1440 inch) to pixels at the screen's logical resolution.
#include <QRect>
#include <QSize>

namespace tav {

// Logical dots per inch of the primary screen (96 when there is none).
double logicalDpi();

int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);
QSize twipsSize(int width, int height);

} // namespace tav
