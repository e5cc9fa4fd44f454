#include "databaseformats.h"

#if TAV_ACCESS_SUPPORT
#include "accessformat.h"
#endif

namespace tav::griddata {

void registerDatabaseFormats() {
#if TAV_ACCESS_SUPPORT
    ado::registerAccessFormat();
#endif
}

} // namespace tav::griddata
