// The settings registry's view of the OS control block and of the OS
// character tables. The registry loads only once the OS layer is available,
// and the database language settings switch the operating system's
// collation and character classes. Until the control block and its tables
// exist, the OS layer is always available and a switch only sets the
// operating system's locale category.
#include "osenvseam.h"

#include <clocale>

namespace osenv {

bool os_layer_ready()
{
    return true;
}

int set_os_collation(const char *locale)
{
    return std::setlocale(LC_COLLATE, locale) != nullptr ? 0 : -7204;
}

int reload_os_ctype(const char *locale)
{
    return std::setlocale(LC_CTYPE, locale) != nullptr ? 0 : -7206;
}

} // namespace osenv
