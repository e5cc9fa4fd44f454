#include "gdi_testseams.h"

#include "gdihandletable_p.h"

namespace tav::gdi {

int liveObjectCount() {
    return detail::HandleTable::instance().liveObjects();
}

} // namespace tav::gdi
