// The client's conversion front end: buffer strategies around gl_miconv
// (the caller's buffer, in place, a new buffer, a kept buffer, sizes only),
// the load-convert-unload calls trw_gl_cv_mconv and trw_gl_cv_outbuflen,
// and the code-set questions trw_gl_conv_needed and trw_gl_cv_sb2sb_table.
// Library errors become the front end's numbers (glsclient.h) and are also
// kept in the client error slot.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gcvint.h"
#include "gl_ext.h"
#include "gl_names.h"

namespace gcv {

int fail(int code)
{
    trw_gls_client()->error = code;
    return code;
}

int front_error(int library_error)
{
    switch (library_error) {
    case GL_EILSEQ:
    case GL_EINVAL:
        return fail(TRW_GCV_EILSEQ);
    case GL_ENOMEM:
        return fail(TRW_GCV_ENOMEM);
    default:
        return fail(TRW_GCV_ECONV);
    }
}

int terminator_bytes(const gl_cvdesc *cd)
{
    return cd != nullptr && cd->target_min_len > 1 ? cd->target_min_len : 1;
}

long long output_size(const gl_cvdesc *cd, long long n)
{
    double factor = gl_iconv_expansion(const_cast<gl_cvdesc *>(cd));
    return static_cast<long long>(std::ceil(static_cast<double>(n) * factor));
}

Converted convert_into(gl_cvdesc *cd, const char *src, const int *length, char *dst, int room)
{
    Converted c{};
    int n = length != nullptr ? *length : static_cast<int>(std::strlen(src));
    int term = length != nullptr ? 0 : terminator_bytes(cd);
    int space = room - term;
    if (space < 0) {
        c.error = GL_E2BIG;
        return c;
    }
    char *ip = const_cast<char *>(src), *op = dst;
    int il = n, ol = space;
    if (gl_miconv(cd, &ip, &il, &op, &ol, &c.substituted) != 0)
        c.error = cd != nullptr ? cd->error : GL_E2BIG;
    c.bytes = static_cast<int>(op - dst);
    if (term > 0)
        std::memset(dst + c.bytes, 0, static_cast<size_t>(term));
    return c;
}

bool bad_input(const char *src, const int *length) { return src == nullptr || (length != nullptr && *length <= 0); }

} // namespace gcv

using namespace gcv;

extern "C" int gcv_extbuf(gl_cvdesc *cd, const char *src, const int *length, char *dst, int dstsize, int *truncated)
{
    if (truncated != nullptr)
        *truncated = 0;
    if (bad_input(src, length) || dst == nullptr || dstsize <= 0)
        return fail(TRW_GCV_EBADARG);
    Converted c = convert_into(cd, src, length, dst, dstsize);
    if (c.error == GL_E2BIG) {
        if (truncated != nullptr)
            *truncated = 1;
        return c.bytes;
    }
    return c.error != 0 ? front_error(c.error) : c.bytes;
}

extern "C" int gcv_inplace(gl_cvdesc *cd, char *str, const int *length, int size, int *truncated)
{
    if (truncated != nullptr)
        *truncated = 0;
    if (bad_input(str, length) || size <= 0)
        return fail(TRW_GCV_EBADARG);
    long long room = gcv_len(cd, str, length) + 4LL;
    char *tmp = room < 0x7FFFFFFF ? static_cast<char *>(std::malloc(static_cast<size_t>(room))) : nullptr;
    if (tmp == nullptr)
        return fail(TRW_GCV_ENOMEM);
    Converted c = convert_into(cd, str, length, tmp, static_cast<int>(room));
    if (c.error != 0) {
        std::free(tmp);
        return front_error(c.error);
    }
    int term = length != nullptr ? 0 : terminator_bytes(cd);
    int keep = c.bytes;
    if (keep + term > size) {
        keep = size - term > 0 ? size - term : 0;
        if (truncated != nullptr)
            *truncated = 1;
    }
    std::memcpy(str, tmp, static_cast<size_t>(keep));
    if (term > 0 && keep + term <= size)
        std::memset(str + keep, 0, static_cast<size_t>(term));
    std::free(tmp);
    return keep;
}

extern "C" int gcv_malloc(gl_cvdesc *cd, const char *src, const int *length, char **out)
{
    if (out == nullptr || bad_input(src, length))
        return fail(TRW_GCV_EBADARG);
    *out = nullptr;
    long long room = gcv_len(cd, src, length) + 4LL;
    char *buf = room < 0x7FFFFFFF ? static_cast<char *>(std::malloc(static_cast<size_t>(room))) : nullptr;
    if (buf == nullptr)
        return fail(TRW_GCV_ENOMEM);
    Converted c = convert_into(cd, src, length, buf, static_cast<int>(room));
    if (c.error != 0) {
        std::free(buf);
        return front_error(c.error);
    }
    *out = buf;
    return c.bytes;
}

extern "C" int gcv_reuse(gl_cvdesc *cd, const char *src, const int *length, gcv_buffer *buffer)
{
    if (buffer == nullptr || bad_input(src, length))
        return fail(TRW_GCV_EBADARG);
    long long need = gcv_len(cd, src, length) + 4LL;
    if (need >= 0x7FFFFFFF)
        return fail(TRW_GCV_ENOMEM);
    if (buffer->data == nullptr || buffer->size < need) {
        void *grown = std::realloc(buffer->data, static_cast<size_t>(need));
        if (grown == nullptr)
            return fail(TRW_GCV_ENOMEM);
        buffer->data = static_cast<char *>(grown);
        buffer->size = static_cast<int>(need);
    }
    Converted c = convert_into(cd, src, length, buffer->data, buffer->size);
    return c.error != 0 ? front_error(c.error) : c.bytes;
}

extern "C" int gcv_lenonly(gl_cvdesc *cd, int length)
{
    long long n = output_size(cd, length < 0 ? 0 : length);
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
}

extern "C" int gcv_len(gl_cvdesc *cd, const char *src, const int *length)
{
    if (bad_input(src, length))
        return fail(TRW_GCV_EBADARG);
    long long n = length != nullptr ? *length : static_cast<long long>(std::strlen(src));
    n = output_size(cd, n) + (length != nullptr ? 0 : 1);
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
}

// ---- load, convert, unload ----

extern "C" int trw_gl_cv_mconv(gl_cv_state *state, char *out, int outspace, const char *target_spec,
                               const char *in, int inlen, const char *source_spec)
{
    gl_cvdesc *cd = nullptr;
    int r = gl_cv_load(&cd, target_spec, source_spec, nullptr, nullptr);
    if (r < 0)
        return -cd->error;
    char *ip = const_cast<char *>(in), *op = out;
    int il = inlen, ol = outspace;
    if (gl_cv_mconv(cd, state, &ip, inlen < 0 ? nullptr : &il, &op, &ol, nullptr) != 0)
        r = -(cd != nullptr ? cd->error : *_gl_ext_errno(nullptr));
    else
        r = static_cast<int>(op - out);
    gl_cv_unload(cd);
    return r;
}

extern "C" int trw_gl_cv_outbuflen(const char *target_spec, const char *source_spec, int length)
{
    gl_cvdesc *cd = nullptr;
    if (gl_cv_load(&cd, target_spec, source_spec, nullptr, nullptr) < 0)
        return -1;
    int n = gl_cv_outbuflen(cd, length);
    gl_cv_unload(cd);
    return n;
}

extern "C" int trw_gl_conv_needed(const char *spec1, const char *spec2)
{
    struct {
        int error;
    } scratch{};
    unsigned a = gl_lc_spec2cs_num(&scratch, spec1, nullptr);
    unsigned b = gl_lc_spec2cs_num(&scratch, spec2, nullptr);
    if (a == GL_CS_INVALID || b == GL_CS_INVALID)
        return -1;
    return a != b ? 1 : 0;
}

extern "C" int trw_gl_cv_sb2sb_table(const char *target_spec, const char *source_spec, unsigned char *out)
{
    if (out == nullptr)
        return -1;
    gl_cvdesc *cd = nullptr;
    int r = gl_cv_load(&cd, target_spec, source_spec, nullptr, nullptr);
    if (r == 0) {
        for (int b = 0; b < 256; ++b)
            out[b] = static_cast<unsigned char>(b);
        return 0;
    }
    int result = -1;
    if (r > 0 && cd->sb_table != nullptr) {
        std::memcpy(out, cd->sb_table, 256);
        result = 0;
    }
    gl_cv_unload(cd);
    return result;
}
