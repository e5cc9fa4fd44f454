#include "gdi_testseams.h"

#include "gdihandletable.h"

namespace tav::gdi {

int liveObjectCount() { return detail::HandleTable::instance().liveObjects(); }

} // namespace tav::gdi
