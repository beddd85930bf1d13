// The data-type library's hook set for the locale library (cl_ext_*): the
// locale library reaches memory, streams, the environment and the clock
// through these once the client locale initialisation has installed them.
// Settings come from the settings registry, so that a locale file search
// sees TARNWELLDIR and GL_PATH as the rest of the runtime does.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "datetime.h"
#include "gl_ext.h"
#include "glsenvint.h"
#include "osenv.h"

namespace {

constexpr size_t kPutenvNameMax = 80;

// The current DATETIME of the client as year, month and day: the current
// time of the DATETIME routines (local time, DBTODAY and a fixed current
// time included).
bool current_datetime_date(gl_ext_date *out)
{
    decvalue now;
    unsigned char bytes[DT_UNPACKED];
    if (rdtcurrent(&now) < 0 || dtunpack(&now, DT_YEAR_TO_FRAC5, bytes) < 0)
        return false;
    out->year = static_cast<int16_t>(bytes[0] * 100 + bytes[1]);
    out->month = static_cast<int16_t>(bytes[2]);
    out->day = static_cast<int16_t>(bytes[3]);
    return true;
}

template <typename Fn> gl_ext_routine routine(Fn fn) { return reinterpret_cast<gl_ext_routine>(fn); }

} // namespace

extern "C" {

int *cl_ext_errno(void *context)
{
    return context != nullptr ? static_cast<int *>(context) : glsenv::null_context_errno();
}

char *cl_ext_getenv(const char *name) { return ggetenv(name); }

int cl_ext_putenv(char *text)
{
    const char *eq = text != nullptr ? std::strchr(text, '=') : nullptr;
    if (eq == nullptr)
        return -1;
    char name[kPutenvNameMax + 1];
    const size_t n = std::min(static_cast<size_t>(eq - text), kPutenvNameMax);
    std::memcpy(name, text, n);
    name[n] = '\0';
    return gputenv(name, eq + 1) == 0 ? 0 : -1;
}

void *cl_ext_malloc(size_t size) { return std::malloc(size); }
void *cl_ext_calloc(size_t count, size_t size) { return std::calloc(count, size); }
void *cl_ext_realloc(void *block, size_t size) { return std::realloc(block, size); }
void cl_ext_free(void *block) { std::free(block); }
FILE *cl_ext_fopen(const char *path, const char *mode) { return std::fopen(path, mode); }
int cl_ext_fclose(FILE *stream) { return std::fclose(stream); }
int cl_ext_fgetc(FILE *stream) { return std::fgetc(stream); }
int cl_ext_getc(FILE *stream) { return getc(stream); }
int cl_ext_ungetc(int c, FILE *stream) { return std::ungetc(c, stream); }
char *cl_ext_fgets(char *buffer, int size, FILE *stream) { return std::fgets(buffer, size, stream); }
size_t cl_ext_fwrite(const void *data, size_t size, size_t count, FILE *stream)
{
    return std::fwrite(data, size, count, stream);
}
int cl_ext_feof(FILE *stream) { return std::feof(stream); }
int cl_ext_ferror(FILE *stream) { return std::ferror(stream); }
int cl_ext_fseek(FILE *stream, long offset, int whence) { return std::fseek(stream, offset, whence); }
long cl_ext_ftell(FILE *stream) { return std::ftell(stream); }

int cl_ext_currdate(gl_ext_date *out)
{
    if (out == nullptr || !current_datetime_date(out))
        return -1;
    return 0;
}

int cl_ext_currtime(gl_ext_time *out) { return gl_ext_currtime(out); }

} // extern "C"

namespace glsenv {

void install_client_hooks()
{
    // Slot numbers and routines, one row per slot.
    const gl_ext_routine hooks[GL_EXT_SLOTS] = {
        routine(cl_ext_getenv),   routine(cl_ext_errno),   routine(cl_ext_fclose),  routine(cl_ext_feof),
        routine(cl_ext_ferror),   routine(cl_ext_fgetc),   routine(cl_ext_fgets),   routine(cl_ext_fopen),
        routine(cl_ext_free),     routine(cl_ext_fseek),   routine(cl_ext_ftell),   routine(cl_ext_fwrite),
        routine(cl_ext_getc),     routine(cl_ext_malloc),  routine(cl_ext_ungetc),  routine(cl_ext_putenv),
        routine(cl_ext_currdate), routine(cl_ext_currtime), routine(cl_ext_calloc), routine(cl_ext_realloc)};
    static_assert(GL_EXT_GETENV == 0 && GL_EXT_ERRNO == 1 && GL_EXT_MALLOC == 13 && GL_EXT_REALLOC == 19);
    for (int slot = 0; slot < GL_EXT_SLOTS; ++slot)
        gl_setextfunc(nullptr, slot, hooks[slot]);
}

} // namespace glsenv
