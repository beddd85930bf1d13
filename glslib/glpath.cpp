// Finding the locale library's data files and writing its diagnostic log.
// Exports the path search below TARNWELLDIR (or in GL_PATH's directories)
// in its four forms (stream or directory, hooks or platform calls),
// gl_open_file for names that carry a directory joined by the path cookie,
// and gl_message, the log behind GLSLOG and GLSDEBUG.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "gl_names.h"
#include "glcommon.h"

namespace {

constexpr const char *kDefaultBase = "/usr/tarnwell";

// Where a search gets its memory and streams: the hooks, or the platform.
struct Io {
    void *(*alloc)(size_t);
    void (*release)(void *);
    FILE *(*open)(const char *, const char *);
    int (*close)(FILE *);
};
void *plain_malloc(size_t n) { return std::malloc(n); }
void plain_free(void *p) { std::free(p); }
FILE *plain_fopen(const char *path, const char *mode) { return std::fopen(path, mode); }
int plain_fclose(FILE *f) { return std::fclose(f); }
constexpr Io kHookIo{_gl_ext_malloc, _gl_ext_free, _gl_ext_fopen, _gl_ext_fclose};
constexpr Io kPlainIo{plain_malloc, plain_free, plain_fopen, plain_fclose};

// A path assembled from pieces on the search's allocator.
class Path {
public:
    explicit Path(const Io &io) : io_(io) {}
    Path(const Path &) = delete;
    Path &operator=(const Path &) = delete;
    ~Path() { io_.release(text_); }

    // Joins the pieces; false when memory runs out.
    bool assign(std::initializer_list<std::string_view> pieces)
    {
        std::size_t length = 0;
        for (auto p : pieces)
            length += p.size();
        io_.release(text_);
        text_ = static_cast<char *>(io_.alloc(length + 1));
        if (text_ == nullptr)
            return false;
        char *at = text_;
        for (auto p : pieces) {
            p.copy(at, p.size());
            at += p.size();
        }
        *at = '\0';
        return true;
    }
    const char *c_str() const { return text_; }
    char *release()
    {
        char *t = text_;
        text_ = nullptr;
        return t;
    }

private:
    const Io &io_;
    char *text_ = nullptr;
};

// The allocated copy of a directory for the _rpath forms.
char *copy_dir(const Io &io, std::string_view dir)
{
    Path p(io);
    return p.assign({dir}) ? p.release() : nullptr;
}

FILE *try_open(const Io &io, const char *path)
{
    FILE *f = io.open(path, "r");
    gls::message2(f != nullptr ? "Opened: " : "Could not open: ", path);
    return f;
}

struct Found {
    FILE *stream;
    char *dir; // only when asked for
};

// Opens name with each path cookie turned into '/'; with want_dir, also
// gives the part before the last cookie as the directory.
Found open_cookie_name(void *context, const Io &io, const char *name, bool want_dir)
{
    Path path(io);
    std::string_view text(name);
    if (!path.assign({text})) {
        gls::set_error(context, GL_ENOMEM);
        return {};
    }
    char *p = const_cast<char *>(path.c_str());
    std::size_t last_cookie = text.rfind(GL_PATH_COOKIE);
    for (char *c = p; *c != '\0'; ++c)
        if (*c == GL_PATH_COOKIE)
            *c = '/';
    FILE *f = try_open(io, p);
    if (f == nullptr) {
        gls::set_error(context, GL_EFILEERR);
        return {};
    }
    Found found{f, nullptr};
    if (want_dir && (found.dir = copy_dir(io, std::string_view(p, last_cookie))) == nullptr) {
        io.close(f);
        gls::set_error(context, GL_ENOMEM);
        return {};
    }
    return found;
}

// Tries dir/name; on success fills found (the directory copied when asked).
// Returns false only when memory runs out.
bool try_in_dir(const Io &io, std::string_view dir, std::string_view subdir, const char *name, bool want_dir,
                Found *found)
{
    Path path(io);
    if (!path.assign({dir, subdir, "/", name}))
        return false;
    found->stream = try_open(io, path.c_str());
    if (found->stream == nullptr || !want_dir)
        return true;
    Path where(io);
    if (!where.assign({dir, subdir})) {
        io.close(found->stream);
        found->stream = nullptr;
        return false;
    }
    found->dir = where.release();
    return true;
}

// The directories to try, in order: GL_PATH's non-empty elements, or the
// versioned and the plain kind directory below the base.
Found search(void *context, const Io &io, const char *name, const char *kind, const char *version, bool want_dir)
{
    if (name == nullptr || *name == '\0') {
        gls::set_error(context, GL_EINVAL);
        return {};
    }
    const char *base = _gl_ext_getenv("TARNWELLDIR");
    if (base != nullptr && std::strlen(base) > GL_DIR_MAX) {
        gls::set_error(context, GL_EFILEERR);
        gl_message("Environment variable TARNWELLDIR cannot be greater than 256 characters");
        return {};
    }
    if (std::strchr(name, GL_PATH_COOKIE) != nullptr)
        return open_cookie_name(context, io, name, want_dir);
    Found found{};
    bool memory_ok = true;
    if (name[0] == '/') {
        memory_ok = try_in_dir(io, "", "", name + 1, false, &found);
        if (found.stream != nullptr && want_dir && (found.dir = copy_dir(io, "/")) == nullptr) {
            io.close(found.stream);
            found.stream = nullptr;
            memory_ok = false;
        }
    } else if (const char *gl_path = std::getenv("GL_PATH"); gl_path != nullptr && *gl_path != '\0') {
        std::string_view rest(gl_path);
        while (memory_ok && found.stream == nullptr && !rest.empty()) {
            std::size_t colon = rest.find(':');
            std::string_view dir = rest.substr(0, colon);
            rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
            if (!dir.empty())
                memory_ok = try_in_dir(io, dir, "", name, want_dir, &found);
        }
    } else {
        std::string_view root = base != nullptr && *base != '\0' ? base : kDefaultBase;
        std::string_view k = kind != nullptr ? kind : "";
        std::string_view v = version != nullptr ? version : "";
        Path gls_kind(io);
        memory_ok = gls_kind.assign({"/gls/", k});
        if (memory_ok && !v.empty()) {
            Path versioned(io);
            memory_ok = versioned.assign({"/gls/", k, v}) && try_in_dir(io, root, versioned.c_str(), name, want_dir, &found);
        }
        if (memory_ok && found.stream == nullptr)
            memory_ok = try_in_dir(io, root, gls_kind.c_str(), name, want_dir, &found);
    }
    if (found.stream == nullptr)
        gls::set_error(context, memory_ok ? GL_EFILEERR : GL_ENOMEM);
    return found;
}

char *directory_only(const Io &io, Found found)
{
    if (found.stream != nullptr)
        io.close(found.stream);
    return found.dir;
}

// ---- diagnostic log ----

struct LogState {
    bool initialised = false;
    bool to_file = false;
    bool to_stdout = false;
};
LogState log_state;

bool switched_on(const char *name)
{
    const char *v = _gl_ext_getenv(name);
    return v != nullptr && gls::starts_with_nocase(v, "on");
}

// The current time as ctime writes it: "Wed Jun 30 21:49:08 1993\n".
void clock_text(char (&out)[64])
{
    static constexpr const char *days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char *months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    gl_ext_time now{};
    if (_gl_ext_currtime(&now) != 0 || now.tm_wday < 0 || now.tm_wday > 6 || now.tm_mon < 0 || now.tm_mon > 11) {
        std::snprintf(out, sizeof out, "(time unknown)\n");
        return;
    }
    std::snprintf(out, sizeof out, "%s %s %2d %02d:%02d:%02d %d\n", days[now.tm_wday], months[now.tm_mon],
                  now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec, now.tm_year + 1900);
}

void append_to_log(const char *first, const char *second)
{
    FILE *log = _gl_ext_fopen("gls.log", "a");
    if (log == nullptr)
        return;
    gls::write_format(log, "%s%s", first, second);
    _gl_ext_fclose(log);
}

void start_log()
{
    log_state.initialised = true;
    log_state.to_file = switched_on("GLSLOG");
    log_state.to_stdout = switched_on("GLSDEBUG");
    if (log_state.to_file) {
        char when[64];
        clock_text(when);
        append_to_log("----\nGLS log started ", when);
        append_to_log("----\n", "");
    }
}

} // namespace

extern "C" void gl_message(const char *text)
{
    if (!log_state.initialised)
        start_log();
    if (text == nullptr)
        return;
    if (log_state.to_file)
        append_to_log(text, "\n");
    if (log_state.to_stdout)
        gls::write_format(stdout, "%s: %s\n", "GLS", text);
}

extern "C" FILE *gl_open_file(void *context, const char *name)
{
    if (name == nullptr) {
        gls::set_error(context, GL_EINVAL);
        return nullptr;
    }
    return open_cookie_name(context, kHookIo, name, false).stream;
}

extern "C" FILE *gl_path_search(void *context, const char *name, const char *kind, const char *version)
{
    return search(context, kHookIo, name, kind, version, false).stream;
}

extern "C" FILE *gl_path_search_no_ext(void *context, const char *name, const char *kind, const char *version)
{
    return search(context, kPlainIo, name, kind, version, false).stream;
}

extern "C" char *gl_path_search_rpath(void *, void *context, const char *name, const char *kind,
                                      const char *version)
{
    return directory_only(kHookIo, search(context, kHookIo, name, kind, version, true));
}

extern "C" char *gl_path_search_no_ext_rpath(void *, void *context, const char *name, const char *kind,
                                             const char *version)
{
    return directory_only(kPlainIo, search(context, kPlainIo, name, kind, version, true));
}

// A message in two parts, e.g. a fixed text and a path.
void gls::message2(const char *first, const char *second)
{
    std::string_view a(first), b(second != nullptr ? second : "");
    char local[512];
    HookBuffer large(a.size() + b.size() < sizeof local ? 0 : a.size() + b.size() + 1);
    char *text = large ? large.get() : local;
    std::size_t room = large ? a.size() + b.size() + 1 : sizeof local;
    std::snprintf(text, room, "%.*s%.*s", static_cast<int>(a.size()), a.data(), static_cast<int>(b.size()), b.data());
    gl_message(text);
}
