// Code-set conversions of the client locale environment over the locale
// library's conversion files: loading by locale specification, unloading,
// and converting a terminated text into a new buffer (gcv_malloc).
#include "glscv.h"

#include "gl_conv.h"
#include "gl_errno.h"
#include "glsclient.h"

namespace glscv {

int load(gl_cvdesc **out, const char *target_spec, const char *source_spec, int *error)
{
    gl_cvdesc *cd = nullptr;
    const int status = gl_cv_load(&cd, target_spec, source_spec, nullptr, nullptr);
    if (status >= 0) {
        *out = cd;
        return status;
    }
    *out = nullptr;
    *error = cd != nullptr && cd->error != 0 ? cd->error : GL_EFILEERR;
    gl_cv_unload(cd);
    return -1;
}

void unload(gl_cvdesc *cd) { gl_cv_unload(cd); }

int convert_text(gl_cvdesc *cd, const char *text, char **out)
{
    if (cd == nullptr)
        return 0;
    char *converted = nullptr;
    if (gcv_malloc(cd, text, nullptr, &converted) < 0)
        return -1;
    *out = converted;
    return 1;
}

} // namespace glscv
