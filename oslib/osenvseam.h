// Internal: what the settings registry needs from the OS control block and
// the OS character tables, kept in one place until those exist.
#pragma once

namespace osenv {

// True when the OS layer's control block is available; the registry does
// not load without it.
bool os_layer_ready();

// Switches the operating system's collation to a locale: 0, or -7204 when
// the locale is refused.
int set_os_collation(const char *locale);

// Switches the operating system's character classes to a locale and reloads
// the OS layer's character tables: 0; -406 when the tables cannot be
// loaded; -7206 when the locale is refused.
int reload_os_ctype(const char *locale);

} // namespace osenv
