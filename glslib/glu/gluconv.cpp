// Conversions between two code sets by ICU's converters: glu_cv_open,
// glu_cv_close, glu_cv_conv and glu_iconv_expansion.
//
// A call converts the whole input through UTF-16: the source converter
// (bytes it cannot read stop it: error 1, or 7 when the input ends inside a
// character) fills a UTF-16 buffer with the source offset of every unit,
// then the target converter writes the valid part, a character the target
// lacks replaced by the target's substitute and counted. When the output
// does not hold it all, only whole characters are kept (ICU's target
// offsets mark where each one starts), the input advances past the
// characters written, and the error is 14 (output full) - the locale
// library's own conversion rules.
#include <cstring>
#include <mutex>
#include <new>

#include "glu_int.h"

namespace glu {

namespace {

// One conversion; a descriptor may be shared by threads, so its calls are
// serialised (the converters keep state during a call).
struct Conversion {
    UConverter *source = nullptr;
    UConverter *target = nullptr;
    int substitutions = 0;
    double expansion = 1;
    std::mutex lock;
};

// Substitutes what the target lacks and counts it; anything else stops.
void count_substitution(const void *context, UConverterFromUnicodeArgs *args, const UChar *units, int32_t length,
                        UChar32 code_point, UConverterCallbackReason reason, UErrorCode *status)
{
    if (reason == UCNV_UNASSIGNED) {
        ++static_cast<Conversion *>(const_cast<void *>(context))->substitutions;
        UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, units, length, code_point, reason, status);
    }
}

// A block of n elements: a local array for short texts, else a hook block.
template <typename T, int Local>
class Scratch {
public:
    explicit Scratch(std::size_t n)
        : data_(n <= Local ? local_ : static_cast<T *>(allocate(n * sizeof(T))))
    {
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    ~Scratch()
    {
        if (data_ != local_)
            release(data_);
    }
    T *get() const { return data_; }

private:
    T local_[Local];
    T *data_;
};

// The first output byte past the last whole character that fits in room:
// target offsets change where a character starts.
int32_t whole_characters(const int32_t *offsets, int32_t produced, int32_t room)
{
    if (produced <= room)
        return produced;
    int32_t cut = room;
    while (cut > 0 && offsets[cut] == offsets[cut - 1])
        --cut;
    return cut;
}

// Decoded source: units with their source offsets, and where decoding
// stopped (the start of a bad character) with its error.
struct Decoded {
    int32_t units;
    int32_t stop;
    int16_t error;
};

Decoded decode(Conversion *cv, const char *in, int32_t length, UChar *units, int32_t *offsets, int32_t capacity)
{
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(cv->source);
    UChar *t = units;
    const char *s = in;
    ucnv_toUnicode(cv->source, &t, units + capacity, &s, in + length, offsets, true, &status);
    Decoded d{static_cast<int32_t>(t - units), length, error_of(status)};
    if (d.error != 0) {
        char bad[32];
        int8_t bad_length = sizeof bad;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidChars(cv->source, bad, &bad_length, &ignored);
        d.stop = static_cast<int32_t>(s - in) - (U_SUCCESS(ignored) ? bad_length : 0);
        if (d.stop < 0)
            d.stop = 0;
    }
    return d;
}

void close_conversion(Conversion *cv)
{
    if (cv->source != nullptr)
        ucnv_close(cv->source);
    if (cv->target != nullptr)
        ucnv_close(cv->target);
    cv->~Conversion();
    release(cv);
}

} // namespace

} // namespace glu

using namespace glu;

GLU_EXPORT void *glu_cv_open(void *map, unsigned source, unsigned target, int16_t *err)
{
    *err = 0;
    const Map *m = static_cast<Map *>(map);
    const CodeSet *from = find_codeset(m, source), *to = find_codeset(m, target);
    if (!claims_pair(m, source, target) || from == nullptr || to == nullptr) {
        *err = kEinval;
        return nullptr;
    }
    void *block = allocate(sizeof(Conversion));
    if (block == nullptr) {
        *err = kEnomem;
        return nullptr;
    }
    auto *cv = new (block) Conversion;
    UErrorCode status = U_ZERO_ERROR;
    cv->source = ucnv_open(from->icu_name, &status);
    cv->target = ucnv_open(to->icu_name, &status);
    if (U_SUCCESS(status)) {
        ucnv_setToUCallBack(cv->source, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFromUCallBack(cv->target, count_substitution, cv, nullptr, nullptr, &status);
    }
    if (U_FAILURE(status)) {
        message(1, "cannot open the ICU converters %s and %s: %s", from->icu_name, to->icu_name, u_errorName(status));
        close_conversion(cv);
        *err = status == U_MEMORY_ALLOCATION_ERROR ? kEnomem : kEfile;
        return nullptr;
    }
    cv->expansion = static_cast<double>(ucnv_getMaxCharSize(cv->target)) / ucnv_getMinCharSize(cv->source);
    if (cv->expansion < 1)
        cv->expansion = 1;
    return cv;
}

GLU_EXPORT int glu_cv_close(void *conversion, int16_t *err)
{
    *err = 0;
    if (conversion == nullptr)
        return -1;
    close_conversion(static_cast<Conversion *>(conversion));
    return 0;
}

GLU_EXPORT double glu_iconv_expansion(void *conversion, int16_t *err)
{
    *err = 0;
    return conversion != nullptr ? static_cast<Conversion *>(conversion)->expansion : 1.0;
}

// Converts *inlen bytes at *in into at most *outlen bytes at *out (out or
// *out null: counts only; outlen null: no limit). The pointers and counts
// advance past what was converted; *substituted is 1 when a character was
// replaced. 0, or -1 with 1 (invalid input), 7 (incomplete input), 14
// (output full) or 3 (memory) in *err.
GLU_EXPORT int glu_cv_conv(void *conversion, const char **in, int *inlen, char **out, int *outlen, int *substituted,
                           int16_t *err)
{
    *err = 0;
    auto *cv = static_cast<Conversion *>(conversion);
    if (cv == nullptr || in == nullptr || *in == nullptr || inlen == nullptr || *inlen < 0 ||
        (outlen != nullptr && *outlen < 0)) {
        *err = kEinval;
        return -1;
    }
    std::lock_guard<std::mutex> hold(cv->lock);
    const int32_t length = *inlen;
    const std::size_t capacity = 2 * static_cast<std::size_t>(length) + 2;
    Scratch<UChar, 512> units(capacity);
    if (units.get() == nullptr) {
        *err = kEnomem;
        return -1;
    }
    Decoded d = decode(cv, *in, length, units.get(), nullptr, static_cast<int32_t>(capacity));
    const std::size_t bound = static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(d.units, ucnv_getMaxCharSize(cv->target)));
    const bool writing = out != nullptr && *out != nullptr;
    // When the output holds the worst case, ICU writes into it directly;
    // otherwise into a buffer with the offsets that find whole characters.
    const bool direct = writing && (outlen == nullptr || static_cast<std::size_t>(*outlen) >= bound);
    Scratch<char, 1024> bytes(direct ? 0 : bound + 1);
    Scratch<int32_t, 1024> byte_offsets(direct ? 0 : bound + 1);
    if (!direct && (bytes.get() == nullptr || byte_offsets.get() == nullptr)) {
        *err = kEnomem;
        return -1;
    }
    cv->substitutions = 0;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(cv->target);
    char *const start = direct ? *out : bytes.get();
    char *t = start;
    const UChar *s = units.get();
    ucnv_fromUnicode(cv->target, &t, start + bound, &s, units.get() + d.units, direct ? nullptr : byte_offsets.get(),
                     true, &status);
    if (U_FAILURE(status)) {
        *err = error_of(status) == kEnomem ? kEnomem : kEilseq;
        return -1;
    }
    const auto produced = static_cast<int32_t>(t - start);
    const int32_t room = outlen != nullptr ? *outlen : produced;
    const int32_t kept = direct ? produced : whole_characters(byte_offsets.get(), produced, room);
    int32_t consumed = d.stop;
    if (kept < produced) { // decode again for the source offset of the first character left out
        Scratch<int32_t, 512> unit_offsets(capacity);
        if (unit_offsets.get() == nullptr) {
            *err = kEnomem;
            return -1;
        }
        decode(cv, *in, length, units.get(), unit_offsets.get(), static_cast<int32_t>(capacity));
        consumed = unit_offsets.get()[byte_offsets.get()[kept]];
    }
    if (writing) {
        if (!direct)
            std::memcpy(*out, bytes.get(), static_cast<std::size_t>(kept));
        *out += kept;
    }
    if (outlen != nullptr)
        *outlen -= kept;
    *in += consumed;
    *inlen -= consumed;
    if (substituted != nullptr)
        *substituted = cv->substitutions > 0 ? 1 : 0;
    *err = kept < produced ? kE2big : d.error;
    return *err == 0 ? 0 : -1;
}
