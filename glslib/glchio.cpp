// Reading and writing characters of a locale: one character through byte
// callbacks (gl_getmb, gl_putmb) or on a stream through the stream hooks,
// lines up to the locale's newline (gl_fgetmbs, gl_fgetwcs) and whole
// strings (gl_fputmbs, gl_fputwcs). A character is read byte by byte until
// the class trie says it is complete, so no byte after it is consumed.
#include <cstring>

#include "glchar_int.h"

using namespace gls::ch;

namespace {

// Stream reader state: the stream, and how its last read ended.
struct StreamIn {
    FILE *stream;
};

int stream_getbyte(void *data)
{
    int c = _gl_ext_getc(static_cast<StreamIn *>(data)->stream);
    return c == EOF ? -1 : c;
}

struct StreamOut {
    FILE *stream;
};

int stream_putbyte(int byte, void *data)
{
    unsigned char b = static_cast<unsigned char>(byte);
    return _gl_ext_fwrite(&b, 1, 1, static_cast<StreamOut *>(data)->stream) == 1 ? 0 : -1;
}

// After a read that ran out of bytes (16 or 7), tells a stream error (13)
// and a failure that is neither end of file nor error (17) apart.
void classify_stream_end(gl_locale *loc, FILE *stream)
{
    int e = gls::error_of(loc);
    if (e != GL_EEOF && e != GL_EINVAL)
        return;
    if (_gl_ext_ferror(stream))
        fail(loc, GL_EIO);
    else if (!_gl_ext_feof(stream))
        fail(loc, GL_EREAD);
}

// Reads one character, storing its bytes in out (4 bytes) and its decoding.
bool read_char(gl_locale *loc, unsigned char *out, gl_getbyte_fn getbyte, void *data, Char &c)
{
    int n = 0;
    for (;;) {
        int b = getbyte(data);
        if (b < 0) {
            fail(loc, n == 0 ? GL_EEOF : GL_EINVAL);
            return false;
        }
        out[n++] = static_cast<unsigned char>(b);
        if (decode(loc, out, n, c))
            return true;
        if (gls::error_of(loc) != GL_EINVAL || n == GL_MULTI_MAX_KEY)
            return false;
    }
}

int write_bytes(gl_locale *loc, const void *bytes, int n, FILE *stream)
{
    if (n > 0 && _gl_ext_fwrite(bytes, 1, static_cast<size_t>(n), stream) != static_cast<size_t>(n)) {
        fail(loc, GL_EIO);
        return -1;
    }
    return n;
}

// Reads characters up to and including the newline (wide value 0x0A) and
// stores each through put (bytes or one wide character); room in units.
// Returns the units stored before the terminator, or -1.
template <typename Store>
int read_line(gl_locale *loc, FILE *stream, Store store)
{
    StreamIn in{stream};
    int stored = 0;
    for (;;) {
        unsigned char buf[4];
        Char c;
        if (!read_char(loc, buf, stream_getbyte, &in, c)) {
            classify_stream_end(loc, stream);
            // The last line of a file may lack its newline: it is returned.
            if (gls::error_of(loc) == GL_EEOF && stored > 0)
                return stored;
            return -1;
        }
        int k = store(buf, c, stored);
        if (k < 0)
            return -1;
        stored += k;
        if (c.wc == 0x0A)
            return stored;
    }
}

} // namespace

extern "C" int gl_getmb(gl_locale *loc, char *out, gl_getbyte_fn getbyte, void *data, int *len)
{
    if (out == nullptr || getbyte == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    Char c;
    if (!read_char(loc, reinterpret_cast<unsigned char *>(out), getbyte, data, c))
        return -1;
    if (len != nullptr)
        *len = c.len;
    return 0;
}

extern "C" int gl_putmb(gl_locale *loc, const char *s, int limit, gl_putbyte_fn putbyte, void *data, int *len)
{
    if (s == nullptr || putbyte == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    Char c;
    if (!decode(loc, reinterpret_cast<const unsigned char *>(s), limit < 0 ? -1 : limit, c))
        return -1;
    for (int i = 0; i < c.len; ++i)
        if (putbyte(static_cast<unsigned char>(s[i]), data) != 0) {
            fail(loc, GL_EIO);
            return -1;
        }
    if (len != nullptr)
        *len = c.len;
    return 0;
}

extern "C" int gl_full_fgetmb(gl_locale *loc, char *out, FILE *stream, int *len)
{
    if (stream == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    StreamIn in{stream};
    if (gl_getmb(loc, out, stream_getbyte, &in, len) == 0)
        return 0;
    classify_stream_end(loc, stream);
    return -1;
}

extern "C" int gl_full_fgetwc(gl_locale *loc, gl_wchar_t *out, FILE *stream)
{
    char buf[4];
    int len = 0;
    if (gl_full_fgetmb(loc, buf, stream, &len) != 0)
        return -1;
    if (out != nullptr)
        *out = pack(reinterpret_cast<unsigned char *>(buf), len);
    return 0;
}

extern "C" int gl_fputmb(gl_locale *loc, const char *s, FILE *stream)
{
    if (stream == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    StreamOut out{stream};
    return gl_putmb(loc, s, -1, stream_putbyte, &out, nullptr);
}

extern "C" int gl_fputwc(gl_locale *loc, gl_wchar_t wc, FILE *stream)
{
    unsigned char buf[4];
    int n = wc == 0 ? gl_mbsterm(loc, reinterpret_cast<char *>(buf)) : encode(loc, wc, buf);
    if (n < 0 || stream == nullptr) {
        if (stream == nullptr)
            fail(loc, GL_ENULLARG);
        return -1;
    }
    return write_bytes(loc, buf, n, stream) < 0 ? -1 : 0;
}

extern "C" char *gl_fgetmbs(gl_locale *loc, char *dst, int size, FILE *stream)
{
    if (dst == nullptr || stream == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    int term = gl_mbsterm(loc, nullptr);
    auto store = [&](const unsigned char *bytes, const Char &c, int used) {
        if (used + c.len + term > size) {
            fail(loc, GL_E2BIG);
            return -1;
        }
        std::memcpy(dst + used, bytes, static_cast<size_t>(c.len));
        return c.len;
    };
    int n = read_line(loc, stream, store);
    if (n < 0)
        return nullptr;
    gl_mbsterm(loc, dst + n);
    return dst;
}

extern "C" gl_wchar_t *gl_fgetwcs(gl_locale *loc, gl_wchar_t *dst, int size, FILE *stream)
{
    if (dst == nullptr || stream == nullptr) {
        fail(loc, GL_ENULLARG);
        return nullptr;
    }
    auto store = [&](const unsigned char *, const Char &c, int used) {
        if (used + 2 > size) {
            fail(loc, GL_E2BIG);
            return -1;
        }
        dst[used] = c.wc;
        return 1;
    };
    int n = read_line(loc, stream, store);
    if (n < 0)
        return nullptr;
    dst[n] = 0;
    return dst;
}

extern "C" int gl_fputmbs(gl_locale *loc, const char *s, FILE *stream)
{
    if (s == nullptr || stream == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    int n = gl_mbsbytes_nt(loc, s);
    return n < 0 ? -1 : write_bytes(loc, s, n, stream);
}

extern "C" int gl_fputwcs(gl_locale *loc, const gl_wchar_t *s, FILE *stream)
{
    if (s == nullptr || stream == nullptr) {
        fail(loc, GL_ENULLARG);
        return -1;
    }
    int total = 0;
    for (; *s != 0; ++s) {
        unsigned char buf[4];
        int n = encode(loc, *s, buf);
        if (n < 0 || write_bytes(loc, buf, n, stream) < 0)
            return -1;
        total += n;
    }
    return total;
}
