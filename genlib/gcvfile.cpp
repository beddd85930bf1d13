// The converting side of the client's file access and printing: the
// platform file-system calls with their path arguments converted by the
// file-name conversion, gcvgetc (characters of a server-locale file handed
// out converted, one byte per call), gcvargs, and the printf family that
// converts string arguments: the format is split at its directives and each
// piece printed with its one argument.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "gcvint.h"

namespace {

constexpr int kPathBytes = 261;
constexpr int kDirectoryBytes = 1025;

// Converts a path with the file-name conversion into buf; false on failure
// or truncation.
bool convert_path(const char *path, char *buf, int size)
{
    int truncated = 0;
    int n = gcv_extbuf(trw_gls_client()->file_name_cv, path, nullptr, buf, size, &truncated);
    return n >= 0 && truncated == 0;
}

// ---- printing ----

// Which string arguments a printing call converts, and with what.
struct Policy {
    gl_cvdesc *lower_s; // for "%s" (null: not converted)
    gl_cvdesc *upper_s; // for "%S"
    bool convert_lower;
    bool convert_upper;
};

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Prints one directive spec with up to two '*' values and its argument.
template <typename T>
int print_piece(FILE *f, const std::string &spec, const int *stars, int nstars, T value)
{
    if (nstars == 0)
        return std::fprintf(f, spec.c_str(), value);
    if (nstars == 1)
        return std::fprintf(f, spec.c_str(), stars[0], value);
    return std::fprintf(f, spec.c_str(), stars[0], stars[1], value);
}

int print_string(FILE *f, const std::string &spec, const int *stars, int nstars, const char *s, gl_cvdesc *cd,
                 bool convert)
{
    if (!convert || s == nullptr)
        return print_piece(f, spec, stars, nstars, s != nullptr ? s : "(null)");
    char *copy = nullptr;
    if (gcv_malloc(cd, s, nullptr, &copy) < 0)
        return -1;
    int n = print_piece(f, spec, stars, nstars, static_cast<const char *>(copy));
    std::free(copy);
    return n;
}

// Prints the directive starting at p ('%' not followed by '%'); advances p.
int print_directive(FILE *f, const char *&p, va_list *ap, const Policy &policy)
{
    const char *q = p + 1;
    int stars[2], nstars = 0;
    for (; *q != '\0' && !is_letter(*q); ++q)
        if (*q == '*') {
            if (nstars == 2)
                return -1;
            stars[nstars++] = va_arg(*ap, int);
        }
    bool is_long = false;
    if ((*q == 'l' || *q == 'h') && q[1] != '\0' && std::strchr("diouxX", q[1]) != nullptr) {
        is_long = *q == 'l';
        ++q;
    }
    if (*q == '\0')
        return -1;
    std::string spec(p, static_cast<size_t>(q - p + 1));
    const char conv = *q;
    p = q + 1;
    if (conv == 'S')
        spec.back() = 's';
    if (std::strchr("di", conv) != nullptr)
        return is_long ? print_piece(f, spec, stars, nstars, va_arg(*ap, long))
                       : print_piece(f, spec, stars, nstars, va_arg(*ap, int));
    if (std::strchr("ouxX", conv) != nullptr)
        return is_long ? print_piece(f, spec, stars, nstars, va_arg(*ap, unsigned long))
                       : print_piece(f, spec, stars, nstars, va_arg(*ap, unsigned));
    if (conv == 'c')
        return print_piece(f, spec, stars, nstars, va_arg(*ap, int));
    if (std::strchr("eEfgG", conv) != nullptr)
        return print_piece(f, spec, stars, nstars, va_arg(*ap, double));
    if (conv == 'p')
        return print_piece(f, spec, stars, nstars, va_arg(*ap, void *));
    if (conv == 's')
        return print_string(f, spec, stars, nstars, va_arg(*ap, const char *), policy.lower_s, policy.convert_lower);
    if (conv == 'S')
        return print_string(f, spec, stars, nstars, va_arg(*ap, const char *), policy.upper_s, policy.convert_upper);
    return -1; // "%n" and unknown directives are refused
}

int print_pieces(FILE *f, const char *format, va_list *ap, const Policy &policy);

int print_converted(FILE *f, const char *format, va_list ap, const Policy &policy)
{
    if (f == nullptr || format == nullptr)
        return -1;
    va_list args;
    va_copy(args, ap);
    int total = print_pieces(f, format, &args, policy);
    va_end(args);
    return total;
}

int print_pieces(FILE *f, const char *format, va_list *ap, const Policy &policy)
{
    int total = 0;
    const char *p = format;
    while (*p != '\0') {
        const char *pct = std::strchr(p, '%');
        size_t literal = pct != nullptr ? static_cast<size_t>(pct - p) : std::strlen(p);
        if (literal > 0) {
            if (std::fwrite(p, 1, literal, f) != literal)
                return -1;
            total += static_cast<int>(literal);
            p += literal;
            continue;
        }
        if (p[1] == '%') {
            if (std::fputc('%', f) == EOF)
                return -1;
            ++total;
            p += 2;
            continue;
        }
        int n = print_directive(f, p, ap, policy);
        if (n < 0)
            return -1;
        total += n;
    }
    return total;
}

int print_db_to_client(FILE *f, const char *format, va_list ap, bool all)
{
    gl_cvdesc *cd = trw_gls_client()->db_to_client;
    return print_converted(f, format, ap, Policy{cd, cd, all, true});
}

} // namespace

// ---- file-system calls ----

extern "C" FILE *gcvfopen(const char *path, const char *mode)
{
    char buf[kPathBytes];
    return convert_path(path, buf, sizeof buf) ? std::fopen(buf, mode) : nullptr;
}

extern "C" int gcvlink(const char *from, const char *to)
{
    char a[kPathBytes], b[kPathBytes];
    return convert_path(from, a, sizeof a) && convert_path(to, b, sizeof b) ? link(a, b) : -1;
}

extern "C" int gcvunlink(const char *path)
{
    char buf[kPathBytes];
    return convert_path(path, buf, sizeof buf) ? unlink(buf) : -1;
}

extern "C" int gcvcreat(const char *path, mode_t mode)
{
    char buf[kPathBytes];
    return convert_path(path, buf, sizeof buf) ? creat(buf, mode) : -1;
}

extern "C" int gcvopen(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    char buf[kPathBytes];
    return convert_path(path, buf, sizeof buf) ? open(buf, flags, mode) : -1;
}

extern "C" int gcvaccess(const char *path, int mode)
{
    char buf[kPathBytes];
    return convert_path(path, buf, sizeof buf) ? access(buf, mode) : -1;
}

extern "C" int gcvstat(const char *path, struct stat *st)
{
    char buf[kPathBytes];
    return convert_path(path, buf, sizeof buf) ? stat(buf, st) : -1;
}

extern "C" int gcvchdir(const char *path)
{
    char buf[kDirectoryBytes];
    return convert_path(path, buf, sizeof buf) ? chdir(buf) : -1;
}

// ---- characters of server-locale files ----

extern "C" int gcvgetc(FILE *stream)
{
    static unsigned char pending[5];
    static int count = 0, next = 0;
    if (next < count)
        return pending[next++];
    if (stream == nullptr)
        return EOF;
    trw_gls_client_env *env = trw_gls_client();
    gl_locale *server = env->server_locale;
    char ch[4];
    int len = 1;
    if (server == nullptr || server->single_byte || server->class_trie == nullptr) {
        int c = std::fgetc(stream);
        if (c == EOF)
            return EOF;
        ch[0] = static_cast<char>(c);
    } else if (gl_full_fgetmb(server, ch, stream, &len) != 0) {
        return server->error == GL_EEOF ? EOF : gcv::fail(TRW_GCV_EILSEQ);
    }
    int truncated = 0;
    count = gcv_extbuf(env->file_char_cv, ch, &len, reinterpret_cast<char *>(pending), sizeof pending, &truncated);
    next = 0;
    if (count <= 0 || truncated != 0) {
        count = 0;
        return gcv::fail(TRW_GCV_EILSEQ);
    }
    return pending[next++];
}

extern "C" int gcvargs(gl_cvdesc *cd, int count, char **values)
{
    if (values == nullptr || count < 0)
        return gcv::fail(TRW_GCV_EBADARG);
    for (int i = 0; i < count; ++i) {
        if (values[i] == nullptr)
            continue;
        char *copy = nullptr;
        int r = gcv_malloc(cd, values[i], nullptr, &copy);
        if (r < 0)
            return r;
        values[i] = copy;
    }
    return 0;
}

// ---- printing ----

extern "C" int gcvfprintf(FILE *stream, const char *format, ...)
{
    gl_cvdesc *cd = trw_gls_client()->file_name_cv;
    char *converted = nullptr;
    if (format == nullptr || gcv_malloc(cd, format, nullptr, &converted) < 0)
        return -1;
    va_list ap;
    va_start(ap, format);
    int n = print_converted(stream, converted, ap, Policy{cd, nullptr, true, false});
    va_end(ap);
    std::free(converted);
    return n;
}

extern "C" int gcvargRQ5CLfprintf(FILE *stream, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = print_db_to_client(stream, format, ap, false);
    va_end(ap);
    return n;
}

extern "C" int gcvargRQ5CLprintf(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = print_db_to_client(stdout, format, ap, false);
    va_end(ap);
    return n;
}

extern "C" int gcvallargRQ5CLfprintf(FILE *stream, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = print_db_to_client(stream, format, ap, true);
    va_end(ap);
    return n;
}

extern "C" int gcvallargRQ5CLprintf(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = print_db_to_client(stdout, format, ap, true);
    va_end(ap);
    return n;
}
