// Conversion calls: gl_cv_mconv, gl_miconv and gl_mconvlen check their
// arguments and run the descriptor's routine; the routines share one
// per-character step that walks the conversion trie of the current source
// state, checks the element, writes shift sequences of a stateful target,
// and writes the target bytes (reversed for a little-endian Unicode target).
// The stateless routines first try the fast loops of glcvfast.cpp.
#include <climits>
#include <cstring>

#include "glcommon.h"
#include "glcv_int.h"
#include "gl_dl.h"
#include "glu.h"
#include "gl_names.h"

namespace gls::cv {

namespace {

bool little_endian_host()
{
    const uint16_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

bool le_side(int stateful, int min_len, int max_len)
{
    return little_endian_host() && stateful == 0 && min_len == max_len && (min_len == 2 || min_len == 4);
}

Mode mode_of(const gl_cvdesc *cd)
{
    return {le_side(cd->source_stateful, cd->source_min_len, cd->source_max_len),
            le_side(cd->target_stateful, cd->target_min_len, cd->target_max_len),
            cd->source_stateful != 0 || cd->target_stateful != 0};
}

const unsigned char *lookup(gl_cvdesc *cd, gl_multi *trie, const Job &job, Mode mode, int &len)
{
    const int limit = static_cast<int>(job.guard - job.in);
    if (mode.source_le)
        return static_cast<const unsigned char *>(
            _gl_retrieve_little_endian_unicode_limit(job.in, trie, limit, &len, cd));
    return static_cast<const unsigned char *>(_gl_retrieve_text_multi_limit(job.in, trie, limit, &len, cd));
}

int fail_step(int number, const char *text)
{
    gl_message(text);
    return number;
}

} // namespace

int step(gl_cvdesc *cd, gl_cv_state *state, Job &job, Mode mode)
{
    int source_state = mode.stateful && state != nullptr ? state->source_state : 0;
    gl_multi *trie = cd->trie[source_state != 0 && cd->trie[1] != nullptr ? 1 : 0];
    int len = 0;
    const unsigned char *e = lookup(cd, trie, job, mode, len);
    if (e == nullptr)
        return fail_step(error_of(cd) == GL_EINVAL ? GL_EINVAL : GL_EILSEQ, "Error in Translation.");
    const int flag = e[0];
    const int n = flag & GL_CV_LENGTH_MASK;
    if (flag < GL_CV_TERMINATOR || (flag & GL_CV_VALID) == 0 || n > cd->target_max_len)
        return fail_step(GL_EILSEQ, "Error in Translation (GL_EILSEQ)");
    const bool terminator = job.in_end == nullptr && (flag & GL_CV_TERMINATOR) != 0;

    const gl_cv_sequence *before = nullptr, *after = nullptr;
    int output_state = 0;
    if (mode.stateful && state != nullptr) {
        output_state = (flag & GL_CV_SHIFTED_OUT) != 0 ? 1 : 0;
        if (output_state != state->output_state)
            before = output_state != 0 ? &cd->shift_out : &cd->shift_in;
        bool last = terminator || (job.in_end != nullptr && job.in + len >= job.in_end);
        if (state->flush && last && output_state != 0) {
            after = &cd->shift_in;
            output_state = 0;
        }
    }
    const int need = n + (before != nullptr ? before->length : 0) + (after != nullptr ? after->length : 0);
    if (!has_room(job, need))
        return fail_step(GL_E2BIG, "Error in Translation (GL_E2BIG)");

    if (before != nullptr)
        put(job, before->bytes, before->length);
    unsigned char target[GL_CV_LENGTH_MASK];
    for (int i = 0; i < n; ++i)
        target[i] = e[1 + (mode.target_le ? n - 1 - i : i)];
    put(job, target, n);
    if (after != nullptr)
        put(job, after->bytes, after->length);
    if ((flag & GL_CV_SUBSTITUTION) != 0)
        job.substituted = 1;
    job.in += len;
    job.done = terminator;
    if (mode.stateful && state != nullptr) {
        state->output_state = output_state;
        if ((flag & GL_CV_TOGGLE_STATE) != 0)
            state->source_state = source_state != 0 ? 0 : 1;
    }
    return 0;
}

namespace {

int run_generic(gl_cvdesc *cd, gl_cv_state *state, Job &job, Mode mode)
{
    while (!job.done && job.in < job.guard) {
        int r = step(cd, state, job, mode);
        if (r != 0)
            return r;
    }
    return 0;
}

// Just past the first run of min_len zero bytes: the end of a terminated
// input.
const unsigned char *terminator_end(const unsigned char *p, int min_len)
{
    if (min_len < 1)
        min_len = 1;
    for (int zeros = 0;; ++p) {
        zeros = *p == 0 ? zeros + 1 : 0;
        if (zeros == min_len)
            return p + 1;
    }
}

// Runs a routine body on the C arguments and writes the advanced pointers
// and counts back.
template <typename Body>
int run_call(gl_cvdesc *cd, char **in, int *inlen, char **out, int *outlen, int *substituted, Body body)
{
    Job job{};
    job.in = reinterpret_cast<const unsigned char *>(*in);
    job.in_end = inlen != nullptr ? job.in + *inlen : nullptr;
    job.guard = job.in_end != nullptr ? job.in_end : terminator_end(job.in, cd->source_min_len);
    job.out = out != nullptr ? reinterpret_cast<unsigned char *>(*out) : nullptr;
    job.room = outlen != nullptr ? *outlen : -1;
    int r = body(job);
    *in = reinterpret_cast<char *>(const_cast<unsigned char *>(job.in));
    if (inlen != nullptr)
        *inlen = static_cast<int>(job.in_end - job.in);
    if (job.out != nullptr)
        *out = reinterpret_cast<char *>(job.out);
    if (outlen != nullptr)
        *outlen = static_cast<int>(job.room);
    if (substituted != nullptr)
        *substituted = job.substituted;
    if (r != 0) {
        set_error(cd, r);
        return -1;
    }
    return 0;
}

} // namespace

int routine_single_byte(gl_cvdesc *cd, gl_cv_state *, char **in, int *inlen, char **out, int *outlen,
                        int *substituted)
{
    return run_call(cd, in, inlen, out, outlen, substituted, [&](Job &job) { return run_single_byte(cd, job); });
}

int routine_multibyte(gl_cvdesc *cd, gl_cv_state *, char **in, int *inlen, char **out, int *outlen,
                      int *substituted)
{
    return run_call(cd, in, inlen, out, outlen, substituted, [&](Job &job) { return run_multibyte(cd, job); });
}

int routine_stateful(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, char **out, int *outlen,
                     int *substituted)
{
    gl_cv_state local{};
    gl_cv_state *st = state != nullptr ? state : &local;
    if (st->reset) {
        st->reset = 0;
        st->source_state = 0;
        st->output_state = 0;
    }
    return run_call(cd, in, inlen, out, outlen, substituted,
                    [&](Job &job) { return run_generic(cd, st, job, mode_of(cd)); });
}

int routine_le_source(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, char **out, int *outlen,
                      int *substituted)
{
    return run_call(cd, in, inlen, out, outlen, substituted,
                    [&](Job &job) { return run_generic(cd, state, job, mode_of(cd)); });
}

int routine_le_target(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, char **out, int *outlen,
                      int *substituted)
{
    return routine_le_source(cd, state, in, inlen, out, outlen, substituted);
}

int run_plain(gl_cvdesc *cd, Job &job) { return run_generic(cd, nullptr, job, Mode{}); }

int routine_service(gl_cvdesc *cd, gl_cv_state *, char **in, int *inlen, char **out, int *outlen, int *substituted)
{
    auto conv = reinterpret_cast<glu_cv_conv_fn>(_gl_glu_entry(GLU_cv_conv));
    if (conv == nullptr) { // the service was unloaded
        set_error(cd, GL_EINVAL);
        return -1;
    }
    const char *p = *in;
    int left = inlen != nullptr ? *inlen : static_cast<int>(std::strlen(p)) + 1;
    int16_t err = 0;
    int r = conv(cd->glu_handle, &p, &left, out, outlen, substituted, &err);
    *in = const_cast<char *>(p);
    if (inlen != nullptr)
        *inlen = left;
    if (r != 0) {
        set_error(cd, err > 0 ? err : GL_EILSEQ);
        return -1;
    }
    return 0;
}

} // namespace gls::cv

using namespace gls::cv;

namespace {

// A null descriptor copies the input (up to and including its terminator
// when no length is given).
int copy_unconverted(char **in, int *inlen, char **out, int *outlen)
{
    long long n = inlen != nullptr ? *inlen : static_cast<long long>(std::strlen(*in)) + 1;
    long long room = outlen != nullptr ? *outlen : n;
    long long k = n <= room ? n : room;
    if (out != nullptr && *out != nullptr) {
        std::memmove(*out, *in, static_cast<size_t>(k));
        *out += k;
    }
    *in += k;
    if (inlen != nullptr)
        *inlen -= static_cast<int>(k);
    if (outlen != nullptr)
        *outlen -= static_cast<int>(k);
    if (k < n) {
        gls::set_error(nullptr, GL_E2BIG);
        return -1;
    }
    return 0;
}

// Ends a string: a stateful conversion asked to flush returns to the
// initial output state.
int end_of_string(gl_cvdesc *cd, gl_cv_state *state, char **out, int *outlen)
{
    if (state == nullptr || !(cd->source_stateful || cd->target_stateful))
        return 0;
    if (state->flush && state->output_state != 0) {
        int n = cd->shift_in.length;
        if (outlen != nullptr && *outlen < n) {
            gls::set_error(cd, GL_E2BIG);
            return -1;
        }
        if (out != nullptr && *out != nullptr) {
            std::memcpy(*out, cd->shift_in.bytes, static_cast<size_t>(n));
            *out += n;
        }
        if (outlen != nullptr)
            *outlen -= n;
    }
    state->source_state = 0;
    state->output_state = 0;
    return 0;
}

} // namespace

extern "C" int gl_cv_mconv(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, char **out, int *outlen,
                           int *substituted)
{
    if (substituted != nullptr)
        *substituted = 0;
    if (cd != nullptr && cd->routine == nullptr) // a static failure descriptor
        return -1;
    bool writing = out != nullptr && *out != nullptr;
    if ((writing && outlen == nullptr) || (inlen != nullptr && *inlen < 0) ||
        (outlen != nullptr && *outlen < 0)) {
        gls::set_error(cd, GL_EBADARG);
        return -1;
    }
    if (in == nullptr || *in == nullptr)
        return cd != nullptr ? end_of_string(cd, state, out, outlen) : 0;
    if (cd == nullptr)
        return copy_unconverted(in, inlen, out, outlen);
    return cd->routine(cd, state, in, inlen, writing ? out : nullptr, outlen, substituted);
}

extern "C" int gl_miconv(gl_cvdesc *cd, char **in, int *inlen, char **out, int *outlen, int *substituted)
{
    return gl_cv_mconv(cd, nullptr, in, inlen, out, outlen, substituted);
}

extern "C" int gl_mconvlen(gl_cvdesc *cd, gl_cv_state *state, char **in, int *inlen, int *substituted)
{
    if (cd == nullptr) {
        if (in == nullptr || *in == nullptr)
            return 0;
        int n = inlen != nullptr ? *inlen : static_cast<int>(std::strlen(*in)) + 1;
        *in += n;
        if (inlen != nullptr)
            *inlen = 0;
        return n;
    }
    long long room = INT_MAX;
    int space = INT_MAX;
    if (gl_cv_mconv(cd, state, in, inlen, nullptr, &space, substituted) != 0)
        return -1;
    return static_cast<int>(room - space);
}

extern "C" double gl_iconv_expansion(gl_cvdesc *cd)
{
    return cd != nullptr && cd->expansion > 0 ? cd->expansion : 1.0;
}

extern "C" int gl_cv_outbuflen(gl_cvdesc *cd, int length)
{
    double factor = gl_iconv_expansion(cd);
    auto whole = static_cast<long long>(factor);
    if (static_cast<double>(whole) < factor)
        ++whole;
    long long n = whole * length;
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}
