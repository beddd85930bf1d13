// The one seam through which the OS layer asks the client locale environment
// for locale-dependent answers. The data-type library's locale initialisation
// installs its hooks here; the OS layer never links to it directly.
#include "osclient.h"

namespace {
const os_client_locale_hooks *installed_hooks = nullptr;
// Constant-initialised: the data-type library sets it from a static
// initialiser, possibly before this file's own initialisers run.
constinit os_client_locale_init_fn installed_init = nullptr;
}

extern "C" void os_set_client_locale_hooks(const os_client_locale_hooks *hooks)
{
    installed_hooks = hooks;
}

extern "C" const os_client_locale_hooks *os_client_locale(void)
{
    return installed_hooks;
}

extern "C" void os_set_client_locale_init(os_client_locale_init_fn init)
{
    installed_init = init;
}

extern "C" os_client_locale_init_fn os_client_locale_init(void)
{
    return installed_init;
}
