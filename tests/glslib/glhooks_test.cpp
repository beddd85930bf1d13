// Proves that the locale library reaches memory, streams, the environment
// and the clock only through its hooks. The test is linked with --wrap for
// the platform routines, so every direct call from the library's objects
// lands in a counter here; counting hooks are installed, a series of
// locale-library operations runs, and no direct call may have happened
// while every hook allocation was freed again. Reading the registry file
// and GL_PATH are the documented exceptions and happen outside the window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>

#include "gl_cache.h"
#include "gl_dl.h"
#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_multi.h"
#include "gl_names.h"
#include "glslib/temp_tree.h"

namespace {

// Volatile: the compiler takes the calls of malloc and free in this file to
// be the platform's, which touch no variable of ours.
volatile bool watching = false;
volatile int direct_calls = 0;
const char *first_direct = nullptr;

void direct(const char *what)
{
    if (watching && direct_calls == 0)
        first_direct = what;
    if (watching)
        direct_calls = direct_calls + 1;
}

struct HookCounts {
    long allocations = 0;
    long live = 0;
    long opens = 0;
    long getenvs = 0;
    long clock_reads = 0;
} hooks;

} // namespace

// ---- the platform routines, wrapped ----
extern "C" {
void *__real_malloc(size_t);
void *__real_calloc(size_t, size_t);
void *__real_realloc(void *, size_t);
void __real_free(void *);
char *__real_strdup(const char *);
FILE *__real_fopen(const char *, const char *);
int __real_fclose(FILE *);
int __real_getc(FILE *);
int __real_fgetc(FILE *);
int __real_ungetc(int, FILE *);
char *__real_fgets(char *, int, FILE *);
size_t __real_fwrite(const void *, size_t, size_t, FILE *);
char *__real_getenv(const char *);
time_t __real_time(time_t *);
struct tm *__real_localtime_r(const time_t *, struct tm *);

void *__wrap_malloc(size_t n) { return direct("malloc"), __real_malloc(n); }
void *__wrap_calloc(size_t n, size_t s) { return direct("calloc"), __real_calloc(n, s); }
void *__wrap_realloc(void *p, size_t n) { return direct("realloc"), __real_realloc(p, n); }
void __wrap_free(void *p) { direct("free"), __real_free(p); }
char *__wrap_strdup(const char *s) { return direct("strdup"), __real_strdup(s); }
FILE *__wrap_fopen(const char *p, const char *m) { return direct("fopen"), __real_fopen(p, m); }
int __wrap_fclose(FILE *f) { return direct("fclose"), __real_fclose(f); }
int __wrap_getc(FILE *f) { return direct("getc"), __real_getc(f); }
int __wrap_fgetc(FILE *f) { return direct("fgetc"), __real_fgetc(f); }
int __wrap_ungetc(int c, FILE *f) { return direct("ungetc"), __real_ungetc(c, f); }
char *__wrap_fgets(char *b, int n, FILE *f) { return direct("fgets"), __real_fgets(b, n, f); }
size_t __wrap_fwrite(const void *d, size_t s, size_t n, FILE *f) { return direct("fwrite"), __real_fwrite(d, s, n, f); }
char *__wrap_getenv(const char *name)
{
    if (std::strcmp(name, "GL_PATH") != 0) // read with the platform's getenv by design
        direct("getenv");
    return __real_getenv(name);
}
time_t __wrap_time(time_t *t) { return direct("time"), __real_time(t); }
struct tm *__wrap_localtime_r(const time_t *t, struct tm *out) { return direct("localtime_r"), __real_localtime_r(t, out); }
}

namespace {

// ---- the host's hooks ----
void *hook_malloc(size_t n)
{
    ++hooks.allocations, ++hooks.live;
    return __real_malloc(n);
}
void *hook_calloc(size_t n, size_t s)
{
    ++hooks.allocations, ++hooks.live;
    return __real_calloc(n, s);
}
void *hook_realloc(void *p, size_t n)
{
    ++hooks.allocations;
    if (p == nullptr)
        ++hooks.live;
    return __real_realloc(p, n);
}
void hook_free(void *p)
{
    if (p != nullptr)
        --hooks.live;
    __real_free(p);
}
FILE *hook_fopen(const char *p, const char *m)
{
    ++hooks.opens;
    return __real_fopen(p, m);
}
int hook_fclose(FILE *f) { return __real_fclose(f); }
int hook_getc(FILE *f) { return __real_getc(f); }
int hook_ungetc(int c, FILE *f) { return __real_ungetc(c, f); }
char *hook_fgets(char *b, int n, FILE *f) { return __real_fgets(b, n, f); }
size_t hook_fwrite(const void *d, size_t s, size_t n, FILE *f) { return __real_fwrite(d, s, n, f); }
char *hook_getenv(const char *name)
{
    ++hooks.getenvs;
    return __real_getenv(name);
}
int hook_currtime(gl_ext_time *out)
{
    ++hooks.clock_reads;
    *out = gl_ext_time{};
    out->tm_mday = 1;
    out->tm_year = 124;
    return 0;
}

template <typename Fn>
void install(int slot, Fn fn)
{
    ASSERT_EQ(gl_setextfunc(nullptr, slot, reinterpret_cast<gl_ext_routine>(fn)), 0);
}

struct Context {
    int error;
};

// The operations watched: tries, name caches, names, the path search and
// the log, the Unicode service start. Returns a count of results that were
// not as expected (assertions are made after the window).
int run_locale_library_operations(const trwtest::TempTree &tree)
{
    int unexpected = 0;
    Context ctx{0};

    gl_multi *table = _gl_create_multi(2, 0, nullptr);
    for (int lead = 0x81; lead < 0x90; ++lead)
        for (int trail = 0x40; trail < 0x60; ++trail) {
            unsigned char key[] = {2, static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            uint16_t e = static_cast<uint16_t>(lead * trail);
            unexpected += _gl_insert_desc_multi(key, &e, table) != 0;
        }
    unexpected += _gl_compress_multi(table) != 0;
    FILE *out = _gl_ext_fopen(tree.path("table.txt").c_str(), "w");
    unexpected += _gl_fprintf_multi(out, table, _gl_multi_write_u16) != 0;
    _gl_ext_fclose(out);
    _gl_free_multi(table);
    table = _gl_create_multi(2, 0, nullptr);
    FILE *in = _gl_ext_fopen(tree.path("table.txt").c_str(), "r");
    unexpected += _gl_fscanf_multi(in, table, 4, _gl_multi_read_u16) != 0;
    _gl_ext_fclose(in);
    const unsigned char probe[] = {0x85, 0x50};
    unexpected += _gl_retrieve_text_multi_nl(probe, table, &ctx) == nullptr;
    _gl_free_multi(table);

    gl_mb_cache *names = nullptr;
    unexpected += _gl_cache_mb_string(&ctx, &names, reinterpret_cast<const unsigned char *>("January"), 1) != 0;
    int length, value;
    unexpected += _gl_validate_mb_string(&ctx, names, reinterpret_cast<const unsigned char *>("JAN"), &length, &value) == 0;
    _gl_free_mb_cache(names);

    char buffer[GL_OUT_BUFSIZE];
    unexpected += gl_lc_spec2lc_fname(&ctx, "GL_CTYPE = en_US.8859-1 ; GL_TIME = en_US.819", buffer, nullptr, "/d") != 0;
    unexpected += gl_lc_spec2lc_norm(&ctx, "EN_us.latin-1", buffer, nullptr) != 0;
    unexpected += gl_lc_short2lc_long(&ctx, "ja_JP.sjis", buffer, nullptr) != 0;

    FILE *f = gl_path_search(&ctx, "default.lco", "lc", "11");
    unexpected += f == nullptr;
    if (f != nullptr)
        _gl_ext_fclose(f);
    char *dir = gl_path_search_rpath(nullptr, &ctx, "default.lco", "lc", "11");
    unexpected += dir == nullptr;
    _gl_ext_free(dir);
    unexpected += gl_path_search(&ctx, "absent.lco", "lc", "11") != nullptr;

    gl_useglu(2);
    unexpected += gl_init_glu(&ctx) != 0 || _gl_glu_enabled() != 1;
    unexpected += gl_unload_glu() != 0;
    return unexpected;
}

TEST(GlHooks, EveryAccessOfTheLocaleLibraryGoesThroughTheHooks)
{
    trwtest::TempTree tree;
    tree.write("gls/lc11/default.lco", "locale\n");
    std::filesystem::create_directories(tree.path("gls/dll"));
    std::filesystem::create_symlink(GLU_STUB_SERVICE, tree.path("gls/dll/libglu_service.so"));
    tree.write("gls/etc/dllregistry", "libglu_service.so\n");
    tree.write("gls/etc/stubicu.dat", "icu\n");
    tree.write("gls/etc/locmap", "map\n");
    std::filesystem::copy(std::string(std::getenv("TARNWELLDIR")) + "/gls/cm3", tree.path("gls/cm3"));
    setenv("TARNWELLDIR", tree.root().c_str(), 1);
    setenv("GLSLOG", "on", 1);
    setenv("GL_USEGLU", "1", 1);
    std::filesystem::current_path(tree.root());
    // The registry is read with the platform's calls, and before the log
    // starts (the first message, inside the window, reads the clock).
    ASSERT_EQ(gl_cache_registry(nullptr, tree.path("gls/cm3/registry").c_str()), 0);

    // The wrapping works: a direct call from this file is seen.
    watching = true;
    void *volatile block = std::malloc(1);
    std::free(block);
    watching = false;
    ASSERT_EQ(direct_calls, 2);
    direct_calls = 0;

    install(GL_EXT_MALLOC, hook_malloc);
    install(GL_EXT_CALLOC, hook_calloc);
    install(GL_EXT_REALLOC, hook_realloc);
    install(GL_EXT_FREE, hook_free);
    install(GL_EXT_FOPEN, hook_fopen);
    install(GL_EXT_FCLOSE, hook_fclose);
    install(GL_EXT_GETC, hook_getc);
    install(GL_EXT_FGETC, hook_getc);
    install(GL_EXT_UNGETC, hook_ungetc);
    install(GL_EXT_FGETS, hook_fgets);
    install(GL_EXT_FWRITE, hook_fwrite);
    install(GL_EXT_GETENV, hook_getenv);
    install(GL_EXT_CURRTIME, hook_currtime);

    watching = true;
    int unexpected = run_locale_library_operations(tree);
    watching = false;

    EXPECT_EQ(unexpected, 0);
    EXPECT_EQ(direct_calls, 0) << "first direct call: " << (first_direct ? first_direct : "");
    EXPECT_GT(hooks.allocations, 100);
    EXPECT_EQ(hooks.live, 0);
    EXPECT_GE(hooks.opens, 8);
    EXPECT_GT(hooks.getenvs, 0);
    EXPECT_EQ(hooks.clock_reads, 1);
    gl_free_registry_cache();
}

} // namespace
