// A stand-in for the optional Unicode service library, built by the tests.
// Built with GLU_STUB_EMPTY it exports none of the entry points (a library
// listed before the service), with GLU_STUB_OMIT_ONE all but glu_mbsxfrm;
// otherwise it exports all of them: the ones the
// start-up uses behave plausibly (data files must exist, the map data comes
// from the allocator handed over) and so does the locale claim
// (glu_useIcuLocCall), the rest do nothing.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "../../glslib/glu.h"

#ifdef GLU_STUB_EMPTY

extern "C" int glu_stub_first_library(void) { return 1; }

#else

namespace {
gl_ext_malloc_fn host_malloc;
gl_ext_free_fn host_free;
int icu_data_marker;
int service_locale_marker;

bool exists(const char *dir, const char *name)
{
    char path[1024];
    std::snprintf(path, sizeof path, "%s/%s", dir, name);
    FILE *f = std::fopen(path, "r");
    if (f != nullptr)
        std::fclose(f);
    return f != nullptr;
}
} // namespace

extern "C" {
int glu_getIcuDataFileName(char *out, int size, int16_t *err)
{
    std::snprintf(out, static_cast<size_t>(size), "stubicu.dat");
    *err = 0;
    return 0;
}
const char *glu_icuErrorName(int code) { return code == 4 ? "U_STUB_FILE_ERROR" : "U_STUB_ERROR"; }
void *glu_loadIcuData(const char *dir, const char *name, int16_t *err)
{
    *err = exists(dir, name) ? 0 : 4;
    return *err == 0 ? &icu_data_marker : nullptr;
}
void glu_unloadIcuData(void *, int16_t *err) { *err = 0; }
void *glu_loadMapData(const char *dir, const char *name, int16_t *err)
{
    *err = exists(dir, name) && host_malloc != nullptr ? 0 : 4;
    return *err == 0 ? host_malloc(64) : nullptr;
}
void glu_unloadMapData(void *map, int16_t *err)
{
    host_free(map);
    *err = 0;
}
void *glu_lc_open(void *, const char *spec, int, int16_t *err)
{
    *err = std::strcmp(spec, "en_US.57372") == 0 ? 0 : 7;
    return *err == 0 ? &service_locale_marker : nullptr;
}
int glu_lc_close(void *, int16_t *err)
{
    *err = 0;
    return 0;
}
int glu_getICULocName(void *, const char *name, char *out, int size, int16_t *err)
{
    std::snprintf(out, static_cast<size_t>(size), "icu:%s", name);
    *err = 0;
    return 0;
}
int glu_getICUCvtName(void *map, const char *name, char *out, int size, int16_t *err)
{
    return glu_getICULocName(map, name, out, size, err);
}
int glu_ucs32tombs(void *, char *, int, const uint32_t *, int in_length, int16_t *err)
{
    *err = 0;
    return in_length;
}
int glu_ucs32toucs(uint16_t *, int, const uint32_t *, int in_length, int16_t *err)
{
    *err = 0;
    return in_length;
}
void glu_setMallocFunc(gl_ext_malloc_fn fn) { host_malloc = fn; }
void glu_setFreeFunc(gl_ext_free_fn fn) { host_free = fn; }
void glu_setCallocFunc(gl_ext_calloc_fn) {}
void glu_setReallocFunc(gl_ext_realloc_fn) {}
void glu_setFgetcFunc(gl_ext_stream_fn) {}
void glu_setFseekFunc(gl_ext_fseek_fn) {}
void glu_setFtellFunc(gl_ext_ftell_fn) {}
void glu_setFerrorFunc(gl_ext_stream_fn) {}
void glu_setFeofFunc(gl_ext_stream_fn) {}
void glu_setPrintMessageFunc(glu_message_printer printer) { printer("stub service: message printer installed"); }
void glu_setMessageLevel(int) {}
void glu_setMessageSubLevel(int) {}

// The locale claim is real (below); the generated do-nothing one is renamed
// out of the way (a pasted name is macro-expanded again).
#define glu_useIcuLocCall glu_useIcuLocCall_unused
#ifdef GLU_STUB_OMIT_ONE // a service library lacking one entry point
#define glu_mbsxfrm glu_mbsxfrm_omitted
#endif
#define GLU_STUB_ENTRY(name) \
    int glu_##name(void) { return 0; }
GLU_SERVICE_ENTRY_POINTS(GLU_STUB_ENTRY)
#undef GLU_STUB_ENTRY
#undef glu_useIcuLocCall

// Claims the categories of en_US.57372 (en_US.utf8) but MESSAGES.
int glu_useIcuLocCall(void *, const char *spec, int category, int16_t *err)
{
    *err = 0;
    return std::strcmp(spec, "en_US.57372") == 0 && category != 7 ? 1 : 0;
}
}

#endif
