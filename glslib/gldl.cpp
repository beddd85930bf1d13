// The dynamic-loading wrapper (tarw_dlopen, tarw_dlsym, tarw_dlerror,
// tarw_dlclose) and the start-up, pass-through and unloading of the optional
// Unicode service library (gl_useglu, gl_init_glu, gl_unload_glu, glx_*).
// The service state is process-wide: set up during initialisation, only
// read afterwards.
#include "gl_dl.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "gl_names.h"
#include "glcommon.h"
#include "glu.h"

namespace {

constexpr int kMaxLibraries = 4;
constexpr int kDataNameSize = 32;
constexpr const char *kDefaultBase = "/usr/tarnwell";

struct ServiceState {
    int glu_capable = 0;
    bool unicode_collate = false; // the service is running
    void *pMap = nullptr;         // its mapping data
    void *icu_data = nullptr;
    std::array<tarw_dlhandle, kMaxLibraries> handleglu{};
    int libraries = 0;
    std::array<void (*)(void), GLU_ENTRY_COUNT> entries{};
};
ServiceState service;

constexpr const char *kEntryNames[] = {
#define GLU_ENTRY_NAME(name) "glu_" #name,
    GLU_ENTRY_POINTS(GLU_ENTRY_NAME)
#undef GLU_ENTRY_NAME
};
static_assert(std::size(kEntryNames) == GLU_ENTRY_COUNT);

void replace_text(char *&slot, const char *text)
{
    _gl_ext_free(slot);
    slot = text != nullptr ? gls::hook_strdup(text) : nullptr;
}

int misuse(tarw_dlhandle *handle)
{
    handle->error = -2;
    replace_text(handle->errtext, "Internal Error");
    return -1;
}

template <typename Fn>
Fn entry(GluEntry e)
{
    return reinterpret_cast<Fn>(_gl_glu_entry(e));
}

// Closes the libraries opened so far, in order; with report, a library the
// loader refuses to close is named on standard error.
int close_libraries(bool report)
{
    int status = 0;
    for (int i = 0; i < service.libraries; ++i) {
        tarw_dlhandle &h = service.handleglu[static_cast<std::size_t>(i)];
        if (tarw_dlclose(&h) != 0) {
            status = -1;
            if (report)
                gls::write_format(stderr, "UnLoadLibraries: Error UnLoading SharedObject file %s: %s\n",
                                  h.path != nullptr ? h.path : "", h.errtext != nullptr ? h.errtext : "");
            tarw_dlclose(&h); // releases the kept path and message
        }
        h = tarw_dlhandle{};
    }
    service.libraries = 0;
    service.entries.fill(nullptr);
    return status;
}

// A start that did not complete leaves nothing loaded.
int abandon_start(void *context, int error, const char *text)
{
    if (text != nullptr)
        gl_message(text);
    if (service.icu_data != nullptr) {
        int16_t err = 0;
        if (auto unload = entry<glu_unloadData_fn>(GLU_unloadIcuData))
            unload(service.icu_data, &err);
        service.icu_data = nullptr;
    }
    service.unicode_collate = false;
    close_libraries(false);
    if (error == 0)
        return 0;
    gls::set_error(context, error);
    return -1;
}

std::string_view base_directory()
{
    const char *base = _gl_ext_getenv("TARNWELLDIR");
    return base != nullptr && *base != '\0' ? base : kDefaultBase;
}

// One library line without its line end and surrounding blanks.
std::string_view trimmed(const char *line)
{
    std::string_view v(line);
    while (!v.empty() && gls::is_ascii_space(v.back()))
        v.remove_suffix(1);
    while (!v.empty() && gls::is_ascii_space(v.front()))
        v.remove_prefix(1);
    return v;
}

enum class LoadResult { Loaded, Allowed, Failed };

// Opens one listed library; a failure is tolerated when the file exists and
// both the host and GL_USEGLU ask for mode 2.
LoadResult open_library(std::string_view base, std::string_view name, int use, int *error)
{
    char path[1400];
    std::snprintf(path, sizeof path, "%.*s/gls/dll/%.*s", static_cast<int>(base.size()), base.data(),
                  static_cast<int>(name.size()), name.data());
    gls::message2("gl_init_glu_dll: Loading library: ", path);
    tarw_dlhandle &h = service.handleglu[static_cast<std::size_t>(service.libraries)];
    if (tarw_dlopen(&h, path, TARW_DL_NOW_GLOBAL) == 0) {
        ++service.libraries;
        return LoadResult::Loaded;
    }
    gls::message2("LoadLibraries: Error Loading SharedObject file ", h.errtext);
    replace_text(h.errtext, nullptr);
    h = tarw_dlhandle{};
    if (access(path, F_OK) == 0 && service.glu_capable == 2 && use == 2) {
        gl_message("gl_init_glu_dll: Error Loading DLLs allowed");
        return LoadResult::Allowed;
    }
    *error = GL_EFILEERR;
    return LoadResult::Failed;
}

LoadResult load_libraries(void *context, int use)
{
    std::string_view base = base_directory();
    if (base.size() > GL_DIR_MAX) {
        abandon_start(context, GL_EFILEERR, "Environment variable TARNWELLDIR cannot be greater than 256 characters");
        return LoadResult::Failed;
    }
    std::size_t size = base.size() + sizeof "/gls/etc/dllregistry";
    gls::HookBuffer list(size);
    if (!list) {
        abandon_start(context, GL_ENOMEM, "gl_init_glu_dll: memory allocation fails");
        return LoadResult::Failed;
    }
    std::snprintf(list.get(), size, "%.*s%sgls%setc%s%s", static_cast<int>(base.size()), base.data(), "/", "/", "/",
                  "dllregistry");
    FILE *f = _gl_ext_fopen(list.get(), "r");
    if (f == nullptr) {
        // An installation without the service has no list at all: that is
        // the service disabled, not a failure. A list that exists but
        // cannot be read fails the start.
        bool absent = access(list.get(), F_OK) != 0 && errno == ENOENT;
        abandon_start(context, absent ? 0 : GL_EFILEERR, "gl_init_glu_dll: cannot open dllregistry");
        return absent ? LoadResult::Allowed : LoadResult::Failed;
    }
    char line[1024];
    int error = 0;
    LoadResult result = LoadResult::Loaded;
    while (result == LoadResult::Loaded && service.libraries < kMaxLibraries &&
           _gl_ext_fgets(line, sizeof line, f) != nullptr) {
        std::string_view name = trimmed(line);
        if (!name.empty())
            result = open_library(base, name, use, &error);
    }
    _gl_ext_fclose(f);
    if (result != LoadResult::Loaded)
        abandon_start(context, error, nullptr);
    return result;
}

bool resolve_entry_points()
{
    gl_message("gl_init_glu_dll: Loading symbols:");
    if (service.libraries == 0)
        return false;
    tarw_dlhandle &last = service.handleglu[static_cast<std::size_t>(service.libraries - 1)];
    for (int i = 0; i < GLU_ENTRY_COUNT; ++i) {
        void *symbol = nullptr;
        if (tarw_dlsym(&last, &symbol, kEntryNames[i]) != 0 || symbol == nullptr)
            return false;
        service.entries[static_cast<std::size_t>(i)] = reinterpret_cast<void (*)(void)>(symbol);
    }
    return true;
}

void hand_over_hooks()
{
    entry<glu_setMallocFunc_fn>(GLU_setMallocFunc)(_gl_ext_malloc);
    entry<glu_setCallocFunc_fn>(GLU_setCallocFunc)(_gl_ext_calloc);
    entry<glu_setReallocFunc_fn>(GLU_setReallocFunc)(_gl_ext_realloc);
    entry<glu_setFreeFunc_fn>(GLU_setFreeFunc)(_gl_ext_free);
    entry<glu_setStreamFunc_fn>(GLU_setFgetcFunc)(_gl_ext_getc);
    entry<glu_setFseekFunc_fn>(GLU_setFseekFunc)(_gl_ext_fseek);
    entry<glu_setFtellFunc_fn>(GLU_setFtellFunc)(_gl_ext_ftell);
    entry<glu_setStreamFunc_fn>(GLU_setFerrorFunc)(_gl_ext_ferror);
    entry<glu_setStreamFunc_fn>(GLU_setFeofFunc)(_gl_ext_feof);
    // A service that also reads its files through the open and close hooks
    // says so by exporting their setters.
    tarw_dlhandle &last = service.handleglu[static_cast<std::size_t>(service.libraries - 1)];
    void *set_fopen = nullptr, *set_fclose = nullptr;
    if (tarw_dlsym(&last, &set_fopen, "glu_setFopenFunc") == 0 && set_fopen != nullptr)
        reinterpret_cast<void (*)(gl_ext_fopen_fn)>(set_fopen)(_gl_ext_fopen);
    if (tarw_dlsym(&last, &set_fclose, "glu_setFcloseFunc") == 0 && set_fclose != nullptr)
        reinterpret_cast<void (*)(gl_ext_stream_fn)>(set_fclose)(_gl_ext_fclose);
    replace_text(last.errtext, nullptr);
    last.error = 0;
    entry<glu_setPrintMessageFunc_fn>(GLU_setPrintMessageFunc)(gl_message);
    entry<glu_setMessageLevel_fn>(GLU_setMessageLevel)(0xFFFF);
    entry<glu_setMessageLevel_fn>(GLU_setMessageSubLevel)(1);
}

// Finds name in the etc data directory and loads it with the service.
// 0, or the error number, with the message of the step that failed.
int load_data(void *context, const char *name, GluEntry loader, void **out, const char *not_found,
              const char *not_loaded)
{
    char *dir = gl_path_search_rpath(nullptr, context, name, "etc", nullptr);
    if (dir == nullptr) {
        gl_message(not_found);
        return GL_EFILEERR;
    }
    int16_t err = 0;
    *out = entry<glu_loadData_fn>(loader)(dir, name, &err);
    _gl_ext_free(dir);
    if (*out != nullptr && err == 0)
        return 0;
    gl_message(not_loaded);
    *out = nullptr;
    return err > 0 ? err : GL_EFILEERR;
}

int start_service(void *context)
{
    service.unicode_collate = true;
    hand_over_hooks();
    char name[kDataNameSize] = {};
    int16_t err = 0;
    if (entry<glu_getIcuDataFileName_fn>(GLU_getIcuDataFileName)(name, kDataNameSize, &err) != 0 || err != 0 ||
        name[0] == '\0' || std::memchr(name, '\0', kDataNameSize) == nullptr)
        return abandon_start(context, GL_EFILEERR,
                             "gl_init_glu: End icudata not loaded, could not get icudata file name");
    int error = load_data(context, name, GLU_loadIcuData, &service.icu_data,
                          "gl_init_glu: End icudata not loaded, icudata file not found",
                          "gl_init_glu: End icudata not loaded");
    if (error == 0)
        error = load_data(context, "locmap", GLU_loadMapData, &service.pMap,
                          "gl_init_glu: End pMap not loaded locmap file not found", "gl_init_glu: End pMap not loaded");
    if (error != 0)
        return abandon_start(context, error, nullptr);
    gl_message("gl_init_glu: End");
    return 0;
}

} // namespace

extern "C" int tarw_dlerror(tarw_dlhandle *handle)
{
    int number = errno;
    if (handle != nullptr) {
        const char *text = dlerror();
        replace_text(handle->errtext, text != nullptr ? text : "Internal Error");
        handle->error = -1;
    }
    return number;
}

extern "C" int tarw_dlopen(tarw_dlhandle *handle, const char *path, int mode)
{
    if (handle == nullptr)
        return -1;
    if (path == nullptr)
        return misuse(handle);
    replace_text(handle->errtext, nullptr);
    handle->error = 0;
    handle->library = dlopen(path, mode == TARW_DL_NOW_GLOBAL ? RTLD_NOW | RTLD_GLOBAL : mode);
    if (handle->library == nullptr) {
        tarw_dlerror(handle);
        return -1;
    }
    replace_text(handle->path, path);
    if (handle->path == nullptr) {
        dlclose(handle->library);
        handle->library = nullptr;
        return misuse(handle);
    }
    return 0;
}

extern "C" int tarw_dlsym(tarw_dlhandle *handle, void **out, const char *name)
{
    if (handle == nullptr || out == nullptr)
        return -1;
    if (handle->library == nullptr || name == nullptr)
        return misuse(handle);
    dlerror();
    *out = dlsym(handle->library, name);
    if (*out == nullptr) {
        tarw_dlerror(handle);
        return -1;
    }
    return 0;
}

extern "C" int tarw_dlclose(tarw_dlhandle *handle)
{
    if (handle == nullptr)
        return -1;
    if (handle->library == nullptr) {
        replace_text(handle->path, nullptr);
        replace_text(handle->errtext, nullptr);
        return -1;
    }
    void *library = handle->library;
    handle->library = nullptr;
    if (dlclose(library) != 0) {
        tarw_dlerror(handle);
        return -1;
    }
    replace_text(handle->path, nullptr);
    replace_text(handle->errtext, nullptr);
    handle->error = 0;
    return 0;
}

extern "C" void gl_useglu(int capability) { service.glu_capable = capability; }

extern "C" int _gl_glu_enabled(void) { return service.unicode_collate ? 1 : 0; }

extern "C" void (*_gl_glu_entry(GluEntry e))(void)
{
    if (!service.unicode_collate || e < 0 || e >= GLU_ENTRY_COUNT)
        return nullptr;
    return service.entries[static_cast<std::size_t>(e)];
}

extern "C" int gl_init_glu(void *context)
{
    if (service.pMap != nullptr)
        return 0;
    gl_message("gl_init_glu_dll: Begin");
    if (service.glu_capable != 1 && service.glu_capable != 2) {
        gl_message("gl_init_glu_dll: No glu_capable");
        return 0;
    }
    const char *setting = _gl_ext_getenv("GL_USEGLU");
    int use = std::atoi(setting != nullptr ? setting : "0");
    if (use != 1 && use != 2)
        return 0;
    gl_message("gl_init_glu_dll: Initializing");
    switch (load_libraries(context, use)) {
    case LoadResult::Allowed:
        return 0;
    case LoadResult::Failed:
        return -1;
    case LoadResult::Loaded:
        break;
    }
    if (!resolve_entry_points())
        return abandon_start(context, GL_EFILEERR, "gl_init_glu_dll: End icudata tarw_dlsym error");
    return start_service(context);
}

extern "C" int gl_unload_glu(void)
{
    if (service.pMap == nullptr)
        return 0;
    int16_t err = 0;
    entry<glu_unloadData_fn>(GLU_unloadIcuData)(service.icu_data, &err);
    entry<glu_unloadData_fn>(GLU_unloadMapData)(service.pMap, &err);
    service.unicode_collate = false;
    service.icu_data = nullptr;
    service.pMap = nullptr;
    return close_libraries(true);
}

// ---- pass-through calls ----

extern "C" void *glx_gluMap(void) { return service.pMap; }

extern "C" const char *glx_icuErrorName(int code)
{
    auto fn = entry<glu_icuErrorName_fn>(GLU_icuErrorName);
    return fn != nullptr ? fn(code) : nullptr;
}

namespace {

// Runs a service call that reports through a 16-bit error: a positive error
// goes to the context. Without the service: GL_EINVAL and the failure value.
template <typename Fn, typename Result, typename... Args>
Result forward(void *context, GluEntry e, Result failure, Args... args)
{
    auto fn = entry<Fn>(e);
    if (fn == nullptr) {
        gls::set_error(context, GL_EINVAL);
        return failure;
    }
    int16_t err = 0;
    Result r = fn(args..., &err);
    if (err > 0)
        gls::set_error(context, err);
    return r;
}

} // namespace

extern "C" int glx_getICULocName(const char *spec, char *out, int size)
{
    return forward<glu_getName_fn>(nullptr, GLU_getICULocName, -1, service.pMap, spec, out, size);
}

extern "C" int glx_getICUCvtName(const char *codeset, char *out, int size)
{
    return forward<glu_getName_fn>(nullptr, GLU_getICUCvtName, -1, service.pMap, codeset, out, size);
}

extern "C" void *glx_lc_open(void *context, const char *spec, int category)
{
    return forward<glu_lc_open_fn>(context, GLU_lc_open, static_cast<void *>(nullptr), service.pMap, spec, category);
}

extern "C" int glx_lc_close(void *context, void *service_locale)
{
    return forward<glu_lc_close_fn>(context, GLU_lc_close, -1, service_locale);
}

extern "C" int glx_ucs32tombs(void *context, void *service_locale, char *out, int out_size, const uint32_t *in,
                              int in_length)
{
    return forward<glu_ucs32tombs_fn>(context, GLU_ucs32tombs, -1, service_locale, out, out_size, in, in_length);
}

extern "C" int glx_ucs32toucs(void *context, uint16_t *out, int out_size, const uint32_t *in, int in_length)
{
    return forward<glu_ucs32toucs_fn>(context, GLU_ucs32toucs, -1, out, out_size, in, in_length);
}
