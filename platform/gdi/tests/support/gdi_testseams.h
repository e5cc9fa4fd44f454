#pragma once
// Test seam of the graphics layer, linked into test binaries only (target tav_gdi_testseams).

namespace tav::gdi {

// Pens and brushes alive now (created and not deleted): lets tests detect leaks.
int liveObjectCount();

} // namespace tav::gdi
