// The locale library's hook table: 20 slots through which it reaches the
// host's memory, streams, environment and clock. Exports gl_setextfunc, the
// _gl_ext_* dispatchers (installed hook, else default) and the gl_ext_*
// defaults (the platform routines). The table is process-wide, filled during
// initialisation and only read afterwards.
#include "gl_ext.h"

#include <array>
#include <cstddef>
#include <cstdlib>
#include <ctime>

#include "gl_errno.h"
#include "glcommon.h"

static_assert(sizeof(gl_ext_date) == 6);
static_assert(sizeof(gl_ext_time) == 64);
static_assert(offsetof(gl_ext_time, tm_sec) == 8);
static_assert(offsetof(gl_ext_time, tm_isdst) == 40);
static_assert(offsetof(gl_ext_time, word1) == 48);

namespace {

std::array<gl_ext_routine, GL_EXT_SLOTS> hook_table{};
bool any_hook_installed = false;

// Error location of a null context.
int null_context_errno = 0;

// The installed routine of a slot cast to its type, or null for the default.
template <typename Fn>
Fn installed(int slot)
{
    if (!any_hook_installed)
        return nullptr;
    return reinterpret_cast<Fn>(hook_table[static_cast<std::size_t>(slot)]);
}

void fill_time(gl_ext_time *out, const std::tm &tm)
{
    *out = gl_ext_time{};
    out->tm_sec = tm.tm_sec;
    out->tm_min = tm.tm_min;
    out->tm_hour = tm.tm_hour;
    out->tm_mday = tm.tm_mday;
    out->tm_mon = tm.tm_mon;
    out->tm_year = tm.tm_year;
    out->tm_wday = tm.tm_wday;
    out->tm_yday = tm.tm_yday;
    out->tm_isdst = tm.tm_isdst;
}

bool local_now(std::tm *tm)
{
    std::time_t now = std::time(nullptr);
    return now != static_cast<std::time_t>(-1) && localtime_r(&now, tm) != nullptr;
}

} // namespace

extern "C" int gl_setextfunc(void *context, int slot, gl_ext_routine routine)
{
    if (slot < 0 || slot >= GL_EXT_SLOTS) {
        *_gl_ext_errno(context) = GL_EBADARG;
        return -1;
    }
    hook_table[static_cast<std::size_t>(slot)] = routine;
    if (routine != nullptr)
        any_hook_installed = true;
    return 0;
}

// Defaults with a behaviour of their own.

extern "C" int *gl_ext_errno(void *context)
{
    return context != nullptr ? static_cast<int *>(context) : &null_context_errno;
}

extern "C" int gl_ext_currdate(gl_ext_date *out)
{
    std::tm tm;
    if (out == nullptr || !local_now(&tm))
        return -1;
    out->month = static_cast<int16_t>(tm.tm_mon + 1);
    out->day = static_cast<int16_t>(tm.tm_mday);
    out->year = static_cast<int16_t>(tm.tm_year + 1900);
    return 0;
}

extern "C" int gl_ext_currtime(gl_ext_time *out)
{
    std::tm tm;
    if (out == nullptr || !local_now(&tm))
        return -1;
    fill_time(out, tm);
    return 0;
}

// Every other slot: the default is the platform routine of the same name,
// and the dispatcher calls the installed hook when there is one.
// X(slot, name, result type, parameter list, argument list)
#define GL_EXT_PLATFORM_HOOKS(X)                                                           \
    X(GL_EXT_GETENV, getenv, char *, (const char *name), (name))                           \
    X(GL_EXT_PUTENV, putenv, int, (char *text), (text))                                    \
    X(GL_EXT_MALLOC, malloc, void *, (size_t size), (size))                                \
    X(GL_EXT_CALLOC, calloc, void *, (size_t count, size_t size), (count, size))           \
    X(GL_EXT_REALLOC, realloc, void *, (void *block, size_t size), (block, size))          \
    X(GL_EXT_FREE, free, void, (void *block), (block))                                     \
    X(GL_EXT_FOPEN, fopen, FILE *, (const char *path, const char *mode), (path, mode))     \
    X(GL_EXT_FCLOSE, fclose, int, (FILE *stream), (stream))                                \
    X(GL_EXT_FGETC, fgetc, int, (FILE *stream), (stream))                                  \
    X(GL_EXT_GETC, getc, int, (FILE *stream), (stream))                                    \
    X(GL_EXT_UNGETC, ungetc, int, (int c, FILE *stream), (c, stream))                      \
    X(GL_EXT_FGETS, fgets, char *, (char *buffer, int size, FILE *stream),                 \
      (buffer, size, stream))                                                              \
    X(GL_EXT_FWRITE, fwrite, size_t,                                                       \
      (const void *data, size_t size, size_t count, FILE *stream),                         \
      (data, size, count, stream))                                                         \
    X(GL_EXT_FEOF, feof, int, (FILE *stream), (stream))                                    \
    X(GL_EXT_FERROR, ferror, int, (FILE *stream), (stream))                                \
    X(GL_EXT_FSEEK, fseek, int, (FILE *stream, long offset, int whence),                   \
      (stream, offset, whence))                                                            \
    X(GL_EXT_FTELL, ftell, long, (FILE *stream), (stream))

#define GL_EXT_DEFINE_DEFAULT(slot, name, result, params, args)                            \
    extern "C" result gl_ext_##name params { return (::name)args; }
GL_EXT_PLATFORM_HOOKS(GL_EXT_DEFINE_DEFAULT)
#undef GL_EXT_DEFINE_DEFAULT

// Dispatchers for every slot but the error location, the date and time included.
#define GL_EXT_ALL_HOOKS(X)                                                                \
    GL_EXT_PLATFORM_HOOKS(X)                                                               \
    X(GL_EXT_CURRDATE, currdate, int, (gl_ext_date * out), (out))                          \
    X(GL_EXT_CURRTIME, currtime, int, (gl_ext_time * out), (out))

#define GL_EXT_DEFINE_DISPATCHER(slot, name, result, params, args)                         \
    extern "C" result _gl_ext_##name params                                                \
    {                                                                                      \
        using Fn = result(*) params;                                                       \
        if (Fn hook = installed<Fn>(slot))                                                 \
            return hook args;                                                              \
        return gl_ext_##name args;                                                         \
    }
GL_EXT_ALL_HOOKS(GL_EXT_DEFINE_DISPATCHER)
#undef GL_EXT_DEFINE_DISPATCHER

// A hook that gives no location still must not make callers write through null.
extern "C" int *_gl_ext_errno(void *context)
{
    if (auto hook = installed<gl_ext_errno_fn>(GL_EXT_ERRNO)) {
        if (int *location = hook(context))
            return location;
        return &null_context_errno;
    }
    return gl_ext_errno(context);
}

// Formatted output through the fwrite hook, for the library's text writers.
int gls::write_format(FILE *stream, const char *format, ...)
{
    char local[256];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(local, sizeof local, format, args);
    va_end(args);
    if (length < 0)
        return -1;
    const char *text = local;
    HookBuffer large(static_cast<std::size_t>(length) < sizeof local ? 0 : length + 1u);
    if (static_cast<std::size_t>(length) >= sizeof local) {
        if (!large)
            return -1;
        va_start(args, format);
        std::vsnprintf(large.get(), length + 1u, format, args);
        va_end(args);
        text = large.get();
    }
    std::size_t n = static_cast<std::size_t>(length);
    return _gl_ext_fwrite(text, 1, n, stream) == n ? 0 : -1;
}
