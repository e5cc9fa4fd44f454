// Adds the Access format to the recordset's file-database provider, once, when a program's
// start-up (or a test) asks for it. An explicit call, so that no link line can leave it out.
#include "accessformat.h"
#include "providers.h"

namespace tav::ado {

void registerAccessFormat() {
    static const bool registered =
        (Providers::addFileFormat(std::make_shared<AccessFormat>()), true);
    Q_UNUSED(registered);
}

} // namespace tav::ado
