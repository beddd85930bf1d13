// Internal: the name lists of the settings registry that a session or a
// connection sends to a server, in the order they are sent. Defined beside
// the known-variable table, which holds every one of these names.
#pragma once

#include <array>

namespace osenv {

extern const std::array<const char *, 64> kSessionNames;
extern const std::array<const char *, 24> kConnectionNames;
extern const std::array<const char *, 7> kLocaleNames;

} // namespace osenv
