// Loading conversions: the conversion object file reader (header, shift
// sequences, lengths, expansion factor, one or two conversion tries, all
// read through the stream hooks and checked as untrusted input), the three
// static failure descriptors, routine selection, and gl_cv_load, gl_cv_open,
// gl_iconv_open and gl_cv_unload. The file format is described in
// gl_conv.h.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "glcommon.h"
#include "glcv_int.h"
#include "gl_dl.h"
#include "gl_names.h"
#include "glu.h"

extern "C" {
gl_cvdesc cd_enomem = {GL_ENOMEM, nullptr, nullptr, 0, 0, {}, {}, {}, {}, 0, 0, 0, 0, 0, 0, 0, 0.0, {}, nullptr, 0, nullptr};
gl_cvdesc cd_fileerr = {GL_EFILEERR, nullptr, nullptr, 0, 0, {}, {}, {}, {}, 0, 0, 0, 0, 0, 0, 0, 0.0, {}, nullptr, 0, nullptr};
gl_cvdesc cd_einval = {GL_EINVAL, nullptr, nullptr, 0, 0, {}, {}, {}, {}, 0, 0, 0, 0, 0, 0, 0, 0.0, {}, nullptr, 0, nullptr};
}

namespace {

using namespace gls;

constexpr char kFileType[] = "FILE_TYPE=codeset_conversion_object";
constexpr char kVersion[] = "COMPILER_VERSION=9";
constexpr int kMaxHeaderLines = 4096;
constexpr int kMaxFactorText = 79;

bool is_static(const gl_cvdesc *cd) { return cd == &cd_enomem || cd == &cd_fileerr || cd == &cd_einval; }


// The three fixed header lines and the extra ones. 0 or GL_EFILEERR.
int read_header(FILE *f)
{
    char line[128];
    if (!read_line(f, line, sizeof line) || std::strcmp(line, kFileType) != 0) {
        gl_message("Invalid CVO file. Wrong FILE_TYPE.");
        return GL_EFILEERR;
    }
    if (!read_line(f, line, sizeof line) || std::strcmp(line, kVersion) != 0) {
        gl_message("Invalid CVO file. Wrong Version.");
        return GL_EFILEERR;
    }
    if (!read_line(f, line, sizeof line))
        return GL_EFILEERR;
    const char *eq = std::strchr(line, '=');
    char *end = nullptr;
    long n = eq != nullptr ? std::strtol(eq + 1, &end, 10) : -1;
    if (eq == nullptr || end == eq + 1 || n < 3 || n > kMaxHeaderLines)
        return GL_EFILEERR;
    for (long i = 3; i < n; ++i)
        if (!read_line(f, line, sizeof line))
            return GL_EFILEERR;
    return 0;
}

bool read_int(FILE *f, long low, long high, int &out)
{
    long v = 0;
    if (_gl_fscan_dec(f, &v) != 0 || v < low || v > high)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool read_sequence(FILE *f, gl_cv_sequence &seq)
{
    unsigned long len = 0;
    if (_gl_fscan_hex(f, 1, &len) != 0 || len > sizeof seq.bytes)
        return false;
    seq.length = static_cast<int>(len);
    for (unsigned long i = 0; i < len; ++i) {
        unsigned long b = 0;
        if (_gl_fscan_hex(f, 2, &b) != 0)
            return false;
        seq.bytes[i] = static_cast<unsigned char>(b);
    }
    return true;
}

bool read_factor(FILE *f, double &out)
{
    int c;
    do
        c = _gl_ext_getc(f);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r');
    char text[kMaxFactorText + 1];
    int n = 0;
    while (c != EOF && std::strchr("0123456789.eE+-", c) != nullptr && c != '\0') {
        if (n == kMaxFactorText)
            return false;
        text[n++] = static_cast<char>(c);
        c = _gl_ext_getc(f);
    }
    if (c != EOF)
        _gl_ext_ungetc(c, f);
    text[n] = '\0';
    char *end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    return n > 0 && end == text + n && errno == 0 && std::isfinite(out) && out > 0 && out <= 64;
}

// Element reader of conversion tries: the flag byte and the target bytes it
// announces, the rest zero.
int read_element(FILE *f, void *element, int size)
{
    auto *e = static_cast<unsigned char *>(element);
    unsigned long flag = 0;
    if (_gl_fscan_hex(f, 2, &flag) != 0)
        return -1;
    int n = static_cast<int>(flag & GL_CV_LENGTH_MASK);
    if (n > size - 1)
        return -1;
    std::memset(e, 0, static_cast<size_t>(size));
    e[0] = static_cast<unsigned char>(flag);
    for (int i = 0; i < n; ++i) {
        unsigned long b = 0;
        if (_gl_fscan_hex(f, 2, &b) != 0)
            return -1;
        e[1 + i] = static_cast<unsigned char>(b);
    }
    return 0;
}

int read_trie(FILE *f, gl_cvdesc *cd, int which)
{
    gl_multi *t = _gl_create_multi(1 + cd->target_max_len, 0, nullptr);
    if (t == nullptr)
        return GL_ENOMEM;
    cd->trie[which] = t;
    if (_gl_fscanf_multi(f, t, GL_MULTI_MAX_KEY, read_element) != 0)
        return _gl_multi_err(t) == GL_ENOMEM ? GL_ENOMEM : GL_EFILEERR;
    return 0;
}

// Everything after the header. 0 or an error number.
int read_body(FILE *f, gl_cvdesc *cd)
{
    if (!read_int(f, 0, 1, cd->source_stateful) || !read_int(f, 0, 1, cd->target_stateful))
        return GL_EFILEERR;
    for (gl_cv_sequence *s : {&cd->shift_out, &cd->shift_in, &cd->sequence3, &cd->sequence4})
        if (!read_sequence(f, *s))
            return GL_EFILEERR;
    int *ints[] = {&cd->target_min_len, &cd->target_max_len, &cd->reserved1, &cd->reserved2,
                   &cd->source_min_len, &cd->source_max_len, &cd->no_sb_table};
    for (int *v : ints)
        if (!read_int(f, -0x7FFFFFFFL, 0x7FFFFFFFL, *v))
            return GL_EFILEERR;
    if (cd->target_max_len < 1 || cd->target_max_len > 4) {
        gl_message("cv->target_max_len should be in range 1..4");
        return GL_EFILEERR;
    }
    if (cd->target_min_len < 0 || cd->target_min_len > cd->target_max_len || cd->source_min_len < 1 ||
        cd->source_max_len > 4 || cd->source_min_len > cd->source_max_len)
        return GL_EFILEERR;
    if (!read_factor(f, cd->expansion))
        return GL_EFILEERR;
    int r = read_trie(f, cd, 0);
    if (r == 0 && cd->source_stateful)
        r = read_trie(f, cd, 1);
    return r;
}

void free_descriptor(gl_cvdesc *cd)
{
    if (cd->glu_served != 0) {
        int16_t err = 0;
        if (auto close = reinterpret_cast<glu_cv_close_fn>(_gl_glu_entry(GLU_cv_close)))
            close(cd->glu_handle, &err);
    }
    cv::free_accelerator(cd);
    _gl_free_multi(cd->trie[0]);
    _gl_free_multi(cd->trie[1]);
    _gl_ext_free(cd->sb_table);
    _gl_ext_free(cd);
}

// The 256-byte table of a single-byte conversion: the target byte of each
// source byte (0 where the byte has no valid one-byte mapping).
bool build_sb_table(gl_cvdesc *cd)
{
    cd->sb_table = static_cast<unsigned char *>(_gl_ext_calloc(256, 1));
    if (cd->sb_table == nullptr)
        return false;
    struct {
        int error;
    } scratch{};
    for (int b = 0; b < 256; ++b) {
        auto key = static_cast<unsigned char>(b);
        int len = 0;
        const auto *e = static_cast<const unsigned char *>(
            _gl_retrieve_text_multi_limit(&key, cd->trie[0], 1, &len, &scratch));
        if (e != nullptr && (e[0] & GL_CV_VALID) != 0 && (e[0] & GL_CV_LENGTH_MASK) == 1)
            cd->sb_table[b] = e[1];
    }
    return true;
}

bool le_side(int stateful, int min_len, int max_len)
{
    const uint16_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1 && stateful == 0 && min_len == max_len && (min_len == 2 || min_len == 4);
}

// Chooses the routine and builds the tables it uses. 0 or GL_ENOMEM.
int select_routine(gl_cvdesc *cd)
{
    if (cd->source_stateful || cd->target_stateful) {
        cd->routine = cv::routine_stateful;
        return 0;
    }
    if (le_side(0, cd->source_min_len, cd->source_max_len)) {
        cd->routine = cv::routine_le_source;
        return 0;
    }
    if (le_side(0, cd->target_min_len, cd->target_max_len)) {
        cd->routine = cv::routine_le_target;
        return 0;
    }
    if (cd->source_max_len == 1 && cd->target_max_len == 1) {
        cd->routine = cv::routine_single_byte;
        if (!cd->no_sb_table && !build_sb_table(cd))
            return GL_ENOMEM;
    } else {
        cd->routine = cv::routine_multibyte;
    }
    return cv::build_accelerator(cd) ? 0 : GL_ENOMEM;
}

// Reads an opened conversion file into a new descriptor and closes it.
int read_file(FILE *f, gl_cvdesc **out)
{
    auto *cd = static_cast<gl_cvdesc *>(_gl_ext_calloc(1, sizeof(gl_cvdesc)));
    int r = cd == nullptr ? GL_ENOMEM : read_header(f);
    if (r == 0)
        r = read_body(f, cd);
    if (r == 0)
        r = select_routine(cd);
    _gl_ext_fclose(f);
    if (r != 0) {
        if (cd != nullptr)
            free_descriptor(cd);
        *out = r == GL_ENOMEM ? &cd_enomem : &cd_fileerr;
        return -1;
    }
    gl_message("CVO file loaded successfully.");
    *out = cd;
    return 1;
}

// A context for the name and path functions, so that their error numbers
// do not land in the process-wide one.
struct Scratch {
    int error;
};

int load_by_numbers(gl_cvdesc **out, unsigned source, unsigned target, const char *directory)
{
    Scratch scratch{};
    char name[GL_OUT_BUFSIZE];
    FILE *f = nullptr;
    if (gl_cs_nums2cv_fname(&scratch, source, target, name, directory) == 0)
        f = directory != nullptr ? gl_open_file(&scratch, name) : gl_path_search(&scratch, name, "cv", "9");
    if (f == nullptr) {
        *out = scratch.error == GL_ENOMEM ? &cd_enomem : &cd_fileerr;
        return -1;
    }
    return read_file(f, out);
}

enum { kNotServed = 2 };

// A conversion the running Unicode service claims, opened by it: 1, -1
// (cd_fileerr: the service could not open it; cd_enomem), or kNotServed.
int load_by_service(gl_cvdesc **out, unsigned source, unsigned target)
{
    auto claims = reinterpret_cast<glu_useIcuCvtCall_fn>(_gl_glu_entry(GLU_useIcuCvtCall));
    int16_t err = 0;
    if (claims == nullptr || claims(glx_gluMap(), source, target, &err) != 1)
        return kNotServed;
    void *handle = reinterpret_cast<glu_cv_open_fn>(_gl_glu_entry(GLU_cv_open))(glx_gluMap(), source, target, &err);
    if (handle == nullptr) {
        gl_message("Unicode service could not open the conversion");
        *out = &cd_fileerr;
        return -1;
    }
    auto *cd = static_cast<gl_cvdesc *>(_gl_ext_calloc(1, sizeof(gl_cvdesc)));
    if (cd == nullptr) {
        reinterpret_cast<glu_cv_close_fn>(_gl_glu_entry(GLU_cv_close))(handle, &err);
        *out = &cd_enomem;
        return -1;
    }
    cd->routine = cv::routine_service;
    cd->glu_handle = handle;
    cd->glu_served = 1;
    cd->source_min_len = cd->source_max_len = cd->target_min_len = cd->target_max_len = 1;
    cd->no_sb_table = 1;
    cd->expansion = reinterpret_cast<glu_iconv_expansion_fn>(_gl_glu_entry(GLU_iconv_expansion))(handle, &err);
    *out = cd;
    return 1;
}

// The code-set name of a specification: the text after '.' up to '@', a
// space or the end (at most 21 characters); a text without '.' is a name.
std::string code_set_name(const char *spec)
{
    const char *dot = std::strchr(spec, '.');
    const char *p = dot != nullptr ? dot + 1 : spec;
    std::string name;
    while (*p != '\0' && *p != '@' && *p != ' ' && name.size() <= GL_CS_NAME_MAX)
        name += *p++;
    return name;
}

} // namespace

extern "C" int gl_cv_load(gl_cvdesc **out, const char *target_spec, const char *source_spec,
                          const char *registry, const char *directory)
{
    if (out == nullptr)
        return -1;
    try {
        Scratch scratch{};
        if (gl_init_glu(&scratch) != 0) {
            *out = &cd_fileerr;
            return -1;
        }
        unsigned source = gl_lc_spec2cs_num(&scratch, source_spec, registry);
        unsigned target = gl_lc_spec2cs_num(&scratch, target_spec, registry);
        if (source == GL_CS_INVALID || target == GL_CS_INVALID) {
            *out = scratch.error == GL_ENOMEM ? &cd_enomem : &cd_einval;
            return -1;
        }
        if (source == target) {
            *out = nullptr;
            return 0;
        }
        if (int r = load_by_service(out, source, target); r != kNotServed)
            return r;
        return load_by_numbers(out, source, target, directory);
    } catch (const std::bad_alloc &) {
        *out = &cd_enomem;
        return -1;
    }
}

extern "C" int gl_iconv_open(gl_cvdesc **out, const char *target_name, const char *source_name)
{
    if (out == nullptr)
        return -1;
    if (target_name == nullptr || source_name == nullptr) {
        *out = &cd_einval;
        return -1;
    }
    char name[1024];
    int n = std::snprintf(name, sizeof name, "%s_%s.cvo", target_name, source_name);
    if (n < 0 || n >= static_cast<int>(sizeof name) || std::strchr(name, '/') != nullptr) {
        *out = &cd_fileerr;
        return -1;
    }
    Scratch scratch{};
    FILE *f = gl_path_search(&scratch, name, "cv", "9");
    if (f == nullptr) {
        *out = scratch.error == GL_ENOMEM ? &cd_enomem : &cd_fileerr;
        return -1;
    }
    return read_file(f, out);
}

extern "C" int gl_cv_open(gl_cvdesc **out, const char *target_spec, const char *source_spec)
{
    if (out == nullptr)
        return -1;
    if (target_spec == nullptr || source_spec == nullptr) {
        *out = &cd_einval;
        return -1;
    }
    try {
        std::string target = code_set_name(target_spec);
        std::string source = code_set_name(source_spec);
        Scratch scratch{};
        unsigned tn = gl_cs_name2cs_num(&scratch, target.c_str(), nullptr);
        unsigned sn = gl_cs_name2cs_num(&scratch, source.c_str(), nullptr);
        bool numbered = tn != GL_CS_INVALID && sn != GL_CS_INVALID;
        if (strcasecmp(target.c_str(), source.c_str()) == 0 || (numbered && tn == sn)) {
            *out = nullptr;
            return 0;
        }
        if (numbered) {
            Scratch started{};
            if (gl_init_glu(&started) != 0) {
                *out = &cd_fileerr;
                return -1;
            }
            if (int r = load_by_service(out, sn, tn); r != kNotServed)
                return r;
        }
        int r = gl_iconv_open(out, target.c_str(), source.c_str());
        if (r < 0 && *out == &cd_fileerr && numbered)
            r = load_by_numbers(out, sn, tn, nullptr);
        return r < 0 && *out == &cd_fileerr && scratch.error == GL_ENOMEM ? (*out = &cd_enomem, -1) : r;
    } catch (const std::bad_alloc &) {
        *out = &cd_enomem;
        return -1;
    }
}

extern "C" int gl_cv_unload(gl_cvdesc *cd)
{
    if (cd != nullptr && !is_static(cd))
        free_descriptor(cd);
    return 0;
}
