// Adds the Access format to the file-database provider when the program starts. Every
// target that links tav_access keeps this file: the library asks the linker for the symbol
// below (see CMakeLists.txt), so no caller has to name it.
#include "accessformat.h"
#include "providers.h"

extern "C" {
bool tav_access_format_registered =
    (tav::ado::Providers::addFileFormat(std::make_shared<tav::ado::AccessFormat>()), true);
}
