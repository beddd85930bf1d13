// Internal interface of the OS control block, shared by the OS layer's
// source files and their tests; not part of the public API.
#pragma once

#include "osinit.h"

namespace osinit {

// The control block when it has been made (also while it is being built, or
// after a failed client locale initialisation), else nullptr. Never creates.
ostcb *existing_block();

// CheckOsInit, but also the block when the client locale initialisation
// failed: nullptr only when no block can be made. For the OS layer's own
// needs, which do not depend on the client locale.
ostcb *ensure_block();

// Rebuilds _ixctype, _ix2lowmap and _ix2upmap from the C library's
// classification under the current LC_CTYPE.
void rebuild_tables();

} // namespace osinit
