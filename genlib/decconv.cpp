// DECIMAL text conversions in the client number format: deccvasc (text to
// DECIMAL, with the grouping check of thousands separators and the
// hexadecimal form), dectoasc and dbltoasc (DECIMAL to fixed text, falling
// back to the exponent form when the places do not fit), and the loader of
// decimal digit runs the other conversions share.
//
// Text is scanned in place within its length; nothing is copied. Digits are
// gathered as 0.d1 d2 ... times 10^E (E the decimal exponent) and packed
// into base-100 pairs so that the point falls between pairs.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decconv.h"
#include "decconvint.h"
#include "decwords.h"
#include "glschar.h"
#include "glsenv.h"
#include "osinit.h"

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr int kNotNumber = -1213;
constexpr int kMaxDigits = 32;
constexpr long kMinExp10 = -129;
constexpr long kMaxExp10 = 125;

// The digit class of the OS layer's classification table (the C library,
// and so the table, classes only '0' to '9' as digits in every locale).
bool is_digit(char c) { return (_ixctype[static_cast<unsigned char>(c) + 1] & 0x04) != 0; }

// True when the text at p begins with what (len bytes, none for len 0).
inline bool at_text(const char *p, const char *end, const char *what, int len)
{
    return len > 0 && end - p >= len && *p == *what &&
           (len == 1 || std::memcmp(p + 1, what + 1, static_cast<size_t>(len - 1)) == 0);
}

// The value of a hexadecimal digit in either case, or -1.
int hex_value(char c)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const char lower = static_cast<char>(c >= 'A' && c <= 'F' ? c + ('a' - 'A') : c);
    const char *at = lower != '\0' ? std::strchr(kDigits, lower) : nullptr;
    return at != nullptr ? static_cast<int>(at - kDigits) : -1;
}

// Blanks, then the end of the text or a newline.
bool only_blanks_left(const char *p, const char *end)
{
    while (p < end && *p == ' ')
        ++p;
    return p == end || *p == '\n';
}

// True when the run [from, to) holds digits only.
bool all_digits(const char *from, const char *to)
{
    for (; from < to; ++from)
        if (!is_digit(*from))
            return false;
    return true;
}

// The grouping check on the first thousands separator: the integer part of
// the text must be split by separators where the grouping says, read from
// the right; 0 repeats the size before it, -1 (or 127) allows no further
// separator.
bool grouping_ok(const char *p, const char *end, const numfmt &f)
{
    while (p < end && (*p == ' ' || *p == '-' || *p == '+'))
        ++p;
    const char *stop = p;
    const char *at = p;
    while (at < end && !at_text(at, end, f.decimal_point, f.decimal_point_len)) {
        if (is_digit(*at))
            ++at;
        else if (at_text(at, end, f.thousands_sep, f.thousands_sep_len))
            at += f.thousands_sep_len;
        else
            break;
    }
    const int seplen = f.thousands_sep_len;
    if (f.grouping[0] <= 0 || f.grouping[0] == 127)
        return false;
    int size = 0;
    for (int i = 0;; ++i) {
        const signed char g = i < NUMFMT_GROUPS ? f.grouping[i] : 0;
        if (g < 0 || g == 127)
            return all_digits(stop, at);
        if (g > 0)
            size = g;
        if (at - stop <= size)
            return all_digits(stop, at);
        if (!all_digits(at - size, at))
            return false;
        at -= size;
        if (at - stop < seplen || std::memcmp(at - seplen, f.thousands_sep, static_cast<size_t>(seplen)) != 0)
            return false;
        at -= seplen;
        if (g == 0)
            --i; // stay on the repeating size
    }
}

bool separator_is_blank(const numfmt &f)
{
    return (glsc::char_class(CheckGlsEnv()->locale, f.thousands_sep, f.thousands_sep_len, nullptr) &
            GL_CLASS_BLANK) != 0;
}

// "0x..." after the sign: hexadecimal digits into 32 bits (wrapping),
// loaded as that 32-bit value.
int read_hexadecimal(const char *p, const char *end, bool negative, decvalue *dec)
{
    uint32_t value = 0;
    const char *first = p;
    for (int d; p < end && (d = hex_value(*p)) >= 0; ++p)
        value = value * 16 + static_cast<uint32_t>(d);
    if (p == first || !only_blanks_left(p, end))
        return kNotNumber;
    if (negative)
        value = 0u - value;
    const auto wrapped = static_cast<int32_t>(value);
    const uint32_t magnitude = wrapped < 0 ? 0u - value : value;
    unsigned char digits[10];
    int n = 0;
    char text[11];
    int len = std::snprintf(text, sizeof text, "%u", magnitude);
    for (int i = 0; i < len; ++i)
        if (n > 0 || text[i] != '0')
            digits[n++] = static_cast<unsigned char>(text[i] - '0');
    if (n == 0) {
        decconv::set_zero(dec);
        return 0;
    }
    return decconv::load_decimal_digits(dec, wrapped < 0, digits, n, n);
}

struct Scanned {
    unsigned char digits[kMaxDigits + 1]; // one more for a padding zero
    int count = 0;
    long exp10 = 0;
    bool significant = false;

    // Takes a run of digit characters, before or after the point: leading
    // zeros only move the exponent, the first 32 significant digits are kept.
    void take(const char *from, const char *to, bool fraction)
    {
        if (!significant) {
            const char *first = from;
            while (first < to && *first == '0')
                ++first;
            if (fraction)
                exp10 -= first - from;
            from = first;
            if (from == to)
                return;
            significant = true;
        }
        if (!fraction)
            exp10 += to - from;
        long n = to - from;
        if (n > kMaxDigits - count)
            n = kMaxDigits - count;
        for (long i = 0; i < n; ++i)
            digits[count + i] = static_cast<unsigned char>(from[i] - '0');
        count += static_cast<int>(n);
    }
};

// The digits, point, separators and exponent of a decimal text; p moves
// past them. False when the text is not a number.
bool scan_decimal(const char *&p, const char *start, const char *end, const numfmt &f, Scanned &s)
{
    bool seen_point = false;
    bool checked_grouping = false;
    for (;;) {
        const char *run = p;
        while (p < end && is_digit(*p))
            ++p;
        s.take(run, p, seen_point);
        if (p == end)
            break;
        if (at_text(p, end, f.decimal_point, f.decimal_point_len)) {
            if (seen_point)
                return false;
            seen_point = true;
            p += f.decimal_point_len;
        } else if (at_text(p, end, f.thousands_sep, f.thousands_sep_len)) {
            if (seen_point) {
                if (separator_is_blank(f))
                    break;
                return false;
            }
            if (!checked_grouping && !grouping_ok(start, end, f))
                return false;
            checked_grouping = true;
            p += f.thousands_sep_len;
        } else {
            break;
        }
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        long exponent = 0;
        for (; p < end && is_digit(*p); ++p)
            if (exponent < 1000000)
                exponent = exponent * 10 + (*p - '0');
        s.exp10 += negative ? -exponent : exponent;
    }
    return true;
}

// The sign at p (moving past it): true for a negative value.
bool read_sign(const char *&p, const char *end, const numfmt &f)
{
    if (at_text(p, end, f.negative_sign, f.negative_sign_len)) {
        p += f.negative_sign_len;
        return true;
    }
    if (at_text(p, end, f.positive_sign, f.positive_sign_len)) {
        p += f.positive_sign_len;
        return false;
    }
    if (f.positive_sign_len == 0 && p < end && *p == '+') {
        ++p;
        return false;
    }
    if (p < end && *p == '-') {
        ++p;
        return true;
    }
    return false;
}

// A digit byte, in every locale (see is_digit).
inline bool is_digit_byte(char c) { return static_cast<unsigned>(c - '0') < 10; }

// Appends the digits at p (moving past them) to digits; false when more
// than kMaxDigits would be held.
inline bool take_digits(const char *&p, const char *end, unsigned char *digits, int &count)
{
    for (; p < end && is_digit_byte(*p); ++p) {
        if (count == kMaxDigits)
            return false;
        digits[count++] = static_cast<unsigned char>(*p - '0');
    }
    return true;
}

// Pairs from digit values, one per byte, the first in the low byte: every
// two bytes become one, four pairs (in the low four bytes, the first low)
// from eight digits.
inline uint64_t digit_pairs(uint64_t d)
{
    constexpr uint64_t m8 = 0x00FF00FF00FF00FFULL;
    uint64_t p = (d & m8) * 10 + ((d >> 8) & m8);
    p = (p | p >> 8) & 0x0000FFFF0000FFFFULL;
    return (p | p >> 16) & 0xFFFFFFFFULL;
}

// Digit values held for pack_digits: a zero byte in front, so that the run
// with a zero put before it can be read in place, and zeros after the digits
// up to 32 places on.
struct DigitRun {
    unsigned char bytes[kMaxDigits + 16] = {};
    unsigned char *digits() { return bytes + 1; }
};

// load_decimal_digits for at most 32 digits whose exponent lies within
// the record's range: the digits packed into pairs eight at a time (a zero
// in front when the point would fall inside a pair, then the 32 digits that
// fit), the zero pairs at the end stripped.
int pack_digits(decvalue *dec, bool negative, DigitRun &run, int count, long exp10)
{
    const int lead = (exp10 % 2) != 0 ? 1 : 0;
    const long exponent = exp10 >= -1 ? (exp10 + 1) / 2 : -((-exp10) / 2);
    if (exponent < DEC_MINEXP || exponent > DEC_MAXEXP)
        return decconv::load_decimal_digits(dec, negative, run.digits(), count, exp10);
    uint64_t w[4];
    std::memcpy(w, run.bytes + 1 - lead, sizeof w); // the 32 digits that fit
    const uint64_t first = digit_pairs(w[0]) | digit_pairs(w[1]) << 32;
    const uint64_t second = digit_pairs(w[2]) | digit_pairs(w[3]) << 32;
    std::memcpy(dec->digits, &first, 8);
    std::memcpy(dec->digits + 8, &second, 8);
    // The first pair is not 0: it holds the first digit.
    const int npairs = second != 0 ? 16 - (std::countl_zero(second) >> 3) : 8 - (std::countl_zero(first) >> 3);
    dec->sign = negative ? 0 : 1;
    dec->exponent = static_cast<int16_t>(exponent);
    dec->ndigits = static_cast<int16_t>(npairs);
    return 0;
}

// Pairs from the digit values of a 16-digit run held one per byte, the
// last digit in the low byte of lo: each two bytes become one pair, the
// last pair in the low byte of the result (so the first is in the top
// byte).
inline uint64_t run_pairs(uint64_t hi, uint64_t lo)
{
    constexpr uint64_t m8 = 0x00FF00FF00FF00FFULL;
    auto four = [](uint64_t d) {
        uint64_t p = ((d >> 8) & m8) * 10 + (d & m8);
        p = (p | p >> 8) & 0x0000FFFF0000FFFFULL;
        return (p | p >> 16) & 0xFFFFFFFFULL;
    };
    return four(hi) << 32 | four(lo);
}

// plain_text for the n bytes after the sign when n is 1..15: at most 15
// digits, gathered one per byte into a 16-byte run (a zero digit after them
// when the places are odd, so that the point falls between pairs) and
// paired at once. The same shape is accepted: digits with at most one
// point, at least one digit, then blanks, then the end, a newline or a
// terminator. Returns false for anything else.
[[gnu::noinline]] bool short_plain_text(const char *p, long n, char point, bool negative, decvalue *dec)
{
    const char *q = p, *end = p + n;
    uint64_t hi = 0, lo = 0; // the digits, the last in the low byte of lo
    auto take = [&hi, &lo](unsigned d) {
        hi = hi << 8 | lo >> 56;
        lo = lo << 8 | d;
    };
    for (unsigned d; q < end && (d = static_cast<unsigned char>(*q) - 48u) < 10; ++q)
        take(d);
    bool seen_digit = q > p;
    int places = 0;
    if (q < end && *q == point) {
        const char *fraction = ++q;
        for (unsigned d; q < end && (d = static_cast<unsigned char>(*q) - 48u) < 10; ++q)
            take(d);
        places = static_cast<int>(q - fraction);
        seen_digit = seen_digit || q > fraction;
    }
    while (q < end && *q == ' ')
        ++q;
    if (!seen_digit || (q < end && *q != '\n' && *q != '\0'))
        return false;
    if ((hi | lo) == 0) {
        decconv::set_zero(dec);
        return true;
    }
    if (places & 1) { // a zero after the last place: the point between pairs
        take(0);
        ++places;
    }
    uint64_t pairs = run_pairs(hi, lo); // eight pairs, the first in the top byte
    const int lead = std::countl_zero(pairs) >> 3;
    pairs <<= 8 * lead;
    trw::dec::store_pairs(pairs, dec->digits);
    dec->ndigits = static_cast<int16_t>(8 - (std::countr_zero(pairs) >> 3));
    dec->exponent = static_cast<int16_t>(8 - lead - places / 2);
    dec->sign = negative ? 0 : 1;
    return true;
}

// plain_text for the text after the sign that short_plain_text leaves
// (longer texts): the digits gathered one by one, then packed into pairs.
// Returns the status, or kLongNotPlain (dec untouched) for a text that is
// not plain. Kept out of line, so that deccvasc needs no stack frame for
// their run when the text is short.
constexpr int kLongNotPlain = 1;

[[gnu::noinline]] int long_plain_text(const char *p, const char *end, char point, bool negative, decvalue *dec)
{
    const char *first = p;
    while (p < end && *p == '0')
        ++p; // leading zeros move nothing
    DigitRun run;
    unsigned char *digits = run.digits();
    int count = 0;
    if (!take_digits(p, end, digits, count))
        return kLongNotPlain;
    long exp10 = count;
    bool seen_digit = p > first;
    if (p < end && *p == point) {
        const char *fraction = ++p;
        if (count == 0)
            for (; p < end && *p == '0'; ++p)
                --exp10; // zeros after the point before the first digit
        if (!take_digits(p, end, digits, count))
            return kLongNotPlain;
        seen_digit = seen_digit || p > fraction;
    }
    while (p < end && *p == ' ')
        ++p;
    if (!seen_digit || (p < end && *p != '\n' && *p != '\0'))
        return kLongNotPlain; // the text goes on (a terminator ends it)
    if (count == 0) {
        decconv::set_zero(dec);
        return 0;
    }
    if (exp10 < kMinExp10)
        return kNotNumber;
    return pack_digits(dec, negative, run, count, exp10) == 0 ? 0 : kNotNumber;
}

// The plain decimal text most values come as: an optional "-" or "+",
// digits with at most one point, at most 32 significant digits, blanks
// after (then the end, a newline or a terminator), in a format whose point is one byte and whose signs are "-" and
// "+" (or none), and whose separator cannot be taken for a blank, a digit
// or the point. Loads it (status in status) and returns true, or returns
// false without touching dec for anything else (separators, exponents,
// "0x", more digits, other formats), which the general scanner then reads
// to the same result it would have read here.
bool plain_text(const char *p, const char *end, const numfmt &f, decvalue *dec, int &status)
{
    const char point = f.decimal_point[0];
    const char sep = f.thousands_sep_len > 0 ? f.thousands_sep[0] : '-';
    if (f.decimal_point_len != 1 || is_digit_byte(point) || point == ' ' || point == '\n' || point == '\0' ||
        f.negative_sign_len != 1 || f.negative_sign[0] != '-' ||
        (f.positive_sign_len != 0 && (f.positive_sign_len != 1 || f.positive_sign[0] != '+')) ||
        is_digit_byte(sep) || sep == ' ' || sep == '\n' || sep == '\0' || sep == point)
        return false;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    if (__builtin_expect(end - p >= 1 && end - p <= 15, 1) && short_plain_text(p, end - p, point, negative, dec)) {
        status = 0;
        return true;
    }
    const int long_status = long_plain_text(p, end, point, negative, dec);
    if (long_status == kLongNotPlain)
        return false;
    status = long_status;
    return true;
}

int convert_text(const char *p, const char *end, const numfmt &f, decvalue *dec)
{
    const char *start = p;
    const bool negative = read_sign(p, end, f);
    if (p == end || !(is_digit(*p) || at_text(p, end, f.decimal_point, f.decimal_point_len)))
        return kNotNumber;
    if (*p == '0' && end - p >= 2 && (p[1] == 'x' || p[1] == 'X'))
        return read_hexadecimal(p + 2, end, negative, dec);
    Scanned s;
    if (!scan_decimal(p, start, end, f, s) || !only_blanks_left(p, end))
        return kNotNumber;
    if (s.count == 0) {
        decconv::set_zero(dec);
        return 0;
    }
    if (s.exp10 < kMinExp10 || s.exp10 > kMaxExp10)
        return kNotNumber;
    int status = decconv::load_decimal_digits(dec, negative, s.digits, s.count, s.exp10);
    // The largest decimal exponent lands on the exponent 63 that decload
    // reports as overflow; the text keeps that value.
    if (status == DEC_OVERFLOW && s.exp10 == kMaxExp10)
        return 0;
    return status == 0 ? 0 : kNotNumber;
}

// ---- DECIMAL to text ----------------------------------------------------------------------

enum class SignStyle {
    kMinusUnlessZero, // dectoasc: "-", left out when every shown digit is 0
    kLocaleAlways,    // dbltoasc: the negative sign, always
};

struct Writer {
    char *buf;
    int len;
    int at = 0;
    void put(const char *s, int n)
    {
        std::memcpy(buf + at, s, static_cast<size_t>(n));
        at += n;
    }
    void put(char c) { buf[at++] = c; }
};

void fill(char *buf, int len, char c)
{
    if (len > 0)
        std::memset(buf, c, static_cast<size_t>(len));
}

// dectoexp: the exponent form in len bytes, or the buffer all "*" and -1.
// The exponent's width depends on the rounding, so the digits are sized
// again when a rounding carry moves the point.
int exponent_form(const decvalue *dec, char *buf, int len, const numfmt &f)
{
    decconv::Digits d;
    decconv::make_digits(dec, 40, false, d);
    int point = d.point;
    const int sign_width = d.negative ? f.negative_sign_len : 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int exponent = point - 1;
        const int overhead = f.decimal_point_len + 3 + sign_width + (exponent < 0 ? 1 : 0) +
                             (exponent > 99 || exponent < -99 ? 1 : 0);
        if (overhead >= len)
            break;
        decconv::make_digits(dec, len - overhead, false, d);
        if (d.point != point) {
            point = d.point;
            continue;
        }
        long last = d.count - 1;
        while (last > 0 && d.at(last) == '0')
            --last;
        Writer w{buf, len};
        if (d.negative)
            w.put(f.negative_sign, f.negative_sign_len);
        w.put(d.at(0));
        if (last > 0) {
            w.put(f.decimal_point, f.decimal_point_len);
            for (long i = 1; i <= last; ++i)
                w.put(d.at(i));
        }
        char tail[8];
        const int n = std::snprintf(tail, sizeof tail, "e%s%02d", exponent < 0 ? "-" : "",
                                    exponent < 0 ? -exponent : exponent);
        w.put(tail, n);
        return 0;
    }
    fill(buf, len, '*');
    return -1;
}

// Places a value needs: twice the pairs after the point, one less when the
// last pair ends in 0, at least 1. A pair byte above 99 is read as 99, as
// the digits are.
int places_needed(const decvalue *dec)
{
    const int n = dec->ndigits < 0 ? 0 : dec->ndigits > DEC_NPAIRS ? DEC_NPAIRS : dec->ndigits;
    if (n == 0)
        return 1;
    int r = 2 * (n - dec->exponent);
    if (dec->digits[n - 1] <= 99 && dec->digits[n - 1] % 10 == 0)
        --r;
    return r < 1 ? 1 : r;
}

void write_fixed(const decconv::Digits &d, int r, bool show_sign, SignStyle style, const numfmt &f, Writer &w)
{
    if (show_sign) {
        if (style == SignStyle::kLocaleAlways)
            w.put(f.negative_sign, f.negative_sign_len);
        else
            w.put('-');
    }
    if (d.point > 0)
        for (long i = 0; i < d.point; ++i)
            w.put(d.at(i));
    else
        w.put('0');
    if (r <= 0)
        return;
    w.put(f.decimal_point, f.decimal_point_len);
    // dbltoasc without integer digits: the places after the last non-zero
    // digit are NUL bytes (all of them when every digit is zero).
    long last = d.count - 1;
    const bool cut = style == SignStyle::kLocaleAlways && d.point <= 0;
    if (cut)
        while (last >= 0 && d.at(last) == '0')
            --last;
    for (long k = 0; k < r; ++k) {
        const long i = d.point + k;
        w.put((cut && (last < 0 || i > last)) ? '\0' : i < 0 ? '0' : i > last ? '\0' : d.at(i));
    }
}

bool shows_only_zeros(const decconv::Digits &d)
{
    for (int i = 0; i < d.n && i < d.count; ++i)
        if (d.d[i] != '0')
            return false;
    return true;
}

// The 16 digit characters of the eight pair bytes of v (each 0..99, the
// first in the low byte), the first character in the low byte: each pair in
// a 16-bit lane of a vector, split into tens and ones with x / 10 =
// x * 103 >> 10 (exact below 100), the tens in the lane's low byte.
inline u128 pair_word_chars(uint64_t v)
{
#if defined(__SSE2__)
    const __m128i x = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(v)), _mm_setzero_si128());
    const __m128i tens = _mm_srli_epi16(_mm_mullo_epi16(x, _mm_set1_epi16(103)), 10);
    const __m128i ones = _mm_sub_epi16(x, _mm_mullo_epi16(tens, _mm_set1_epi16(10)));
    const __m128i chars = _mm_add_epi8(_mm_or_si128(tens, _mm_slli_epi16(ones, 8)), _mm_set1_epi8('0'));
#else
    typedef unsigned char bytes8 __attribute__((vector_size(8)));
    typedef uint16_t lanes8 __attribute__((vector_size(16)));
    bytes8 b;
    std::memcpy(&b, &v, sizeof b);
    const lanes8 x = __builtin_convertvector(b, lanes8);
    const lanes8 tens = (x * 103) >> 10;
    const lanes8 chars = (tens | (x - tens * 10) << 8) + 0x3030;
#endif
    u128 out;
    std::memcpy(&out, &chars, sizeof out);
    return out;
}

// The 32 digit characters of the 16 pair bytes at pairs (each 0..99):
// four pairs at a time, each in a 16-bit lane, split into tens and ones
// with x / 10 = x * 103 >> 10 (exact below 100).
void pair_chars(const unsigned char *pairs, char *out)
{
    for (int k = 0; k < 4; ++k) {
        const uint64_t x = uint64_t{pairs[4 * k]} | uint64_t{pairs[4 * k + 1]} << 16 |
                           uint64_t{pairs[4 * k + 2]} << 32 | uint64_t{pairs[4 * k + 3]} << 48;
        const uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000FULL;
        const uint64_t chars = (tens | (x - tens * 10) << 8) + 0x3030303030303030ULL;
        std::memcpy(out + 8 * k, &chars, 8); // little-endian: tens first
    }
}

constexpr u128 kBlanks16 = static_cast<u128>(0x2020202020202020ULL) << 64 | 0x2020202020202020ULL;

inline void store16(char *p, u128 v) { std::memcpy(p, &v, 16); }

// Blanks over len bytes (at least 16): up to 64 in two or four 16-byte
// stores that may overlap, more by memset.
inline void blank_fill(char *buf, int len)
{
    if (len > 64) {
        std::memset(buf, ' ', static_cast<size_t>(len));
        return;
    }
    store16(buf, kBlanks16);
    store16(buf + len - 16, kBlanks16);
    if (len > 32) {
        store16(buf + 16, kBlanks16);
        store16(buf + len - 32, kBlanks16);
    }
}

// needed_places_text for up to 8 pairs with exponent 0 to 8, a one-byte
// point and room for 16 bytes past the text: the integer digits (or the
// "0" of a value below 1: the characters of no pairs) in one 16-byte word,
// then the point, then the digits of the pairs after it in another (zero
// pairs past the last, so that a value without places shows "0"), each
// store overwriting what the one before put past its part, then 16 blanks.
// The choices are made without branches on the value.
[[gnu::always_inline]] inline bool short_needed_places_text(const decvalue *dec, char *buf, int len, char point)
{
    const int n = dec->ndigits, e = dec->exponent;
    if (static_cast<unsigned>(n - 1) >= 8 || static_cast<unsigned>(e) > 8)
        return false;
    uint64_t v;
    std::memcpy(&v, dec->digits, 8);
    v &= ~uint64_t{0} >> (8 * (8 - n));
    const uint64_t low = v & 0x7F7F7F7F7F7F7F7FULL;
    if ((((low + 0x1C1C1C1C1C1C1C1CULL) | v) & 0x8080808080808080ULL) != 0 || (v & 0xFF) == 0)
        return false; // a pair byte above 99, or a leading zero pair
    const int first = e > 0 && (v & 0xFF) < 10 ? 1 : 0; // a leading zero is not shown
    const unsigned last = static_cast<unsigned>(v >> (8 * (n - 1))) & 0xFF;
    int places = 2 * (n - e) - (last % 10 == 0 ? 1 : 0);
    places = places < 1 ? 1 : places;
    const bool negative = dec->sign == 0;
    const int whole = e > 0 ? 2 * e - first : 1;
    if ((negative ? 1 : 0) + whole + 1 + places + 16 > len)
        return false;
    // The integer digits from the first shown: 0 or 8 bits dropped.
    const u128 chars = pair_word_chars(e > 0 ? v : 0);
    const int drop = 8 * first;
    const uint64_t hi = static_cast<uint64_t>(chars >> 64), lo = static_cast<uint64_t>(chars);
    const u128 integer = static_cast<u128>(hi >> drop) << 64 | (lo >> drop | (hi << 8) << (56 - drop));
    const u128 fraction = pair_word_chars((v >> (4 * e)) >> (4 * e));
    blank_fill(buf, len);
    char *out = buf;
    *out = '-';
    out += negative ? 1 : 0;
    store16(out, integer);
    out += whole;
    *out++ = point;
    store16(out, fraction);
    out += places;
    store16(out, kBlanks16);
    return true;
}

// dectoasc of a non-zero record in normal form with the places it needs
// (places_needed): every digit is shown, so nothing rounds and the sign
// shows for a negative value. Writes the text and the blanks after it and
// returns true, or returns false (buf untouched) when the record is not
// in that form or the text does not fit, for the general path to decide.
bool needed_places_text(const decvalue *dec, char *buf, int len, const numfmt &f)
{
    const int n = dec->ndigits, e = dec->exponent;
    if (n < 1 || n > DEC_NPAIRS || dec->digits[0] == 0)
        return false;
    // The n pairs as two words (the first pair in the low byte), the bytes
    // after them cleared; none may be above 99.
    uint64_t w[2];
    std::memcpy(w, dec->digits, sizeof w);
    w[0] &= n >= 8 ? ~uint64_t{0} : ~(~uint64_t{0} << (8 * n));
    w[1] &= n >= 16 ? ~uint64_t{0} : n <= 8 ? 0 : ~(~uint64_t{0} << (8 * (n - 8)));
    if (((((w[0] & 0x7F7F7F7F7F7F7F7FULL) + 0x1C1C1C1C1C1C1C1CULL) | w[0] | ((w[1] & 0x7F7F7F7F7F7F7F7FULL) + 0x1C1C1C1C1C1C1C1CULL) | w[1]) &
         0x8080808080808080ULL) != 0)
        return false; // a pair byte above 99
    unsigned char pairs[DEC_NPAIRS];
    std::memcpy(pairs, w, sizeof pairs);
    const bool negative = dec->sign == 0;
    const int first = pairs[0] < 10 ? 1 : 0; // its leading zero is not shown
    const int places = places_needed(dec);
    const int need = (negative ? 1 : 0) + (e > 0 ? 2 * e - first : 1) + f.decimal_point_len + places;
    if (need > len)
        return false;
    char digits[4 * DEC_NPAIRS]; // the pairs' digits and zeros after them
    pair_chars(pairs, digits);
    std::memset(digits + 2 * DEC_NPAIRS, '0', 2 * DEC_NPAIRS);
    if (e >= 0 && e <= DEC_NPAIRS && f.decimal_point_len == 1 && need >= 16) {
        // The text put together in a work area by whole 32-byte copies
        // (each overwriting what the one before put past its part), then
        // copied over the blanks in 16-byte pieces, the last one ending
        // where the text ends.
        char text[96];
        char *t = text;
        *t = '-';
        t += negative ? 1 : 0;
        *t = '0';
        t += e == 0 ? 1 : 0;
        std::memcpy(t, digits + first, 2 * DEC_NPAIRS);
        t += e > 0 ? 2 * e - first : 0;
        *t++ = f.decimal_point[0];
        std::memcpy(t, digits + 2 * e, 2 * DEC_NPAIRS);
        blank_fill(buf, len);
        for (int at = 0; need - at > 16; at += 16)
            std::memcpy(buf + at, text + at, 16);
        std::memcpy(buf + need - 16, text + need - 16, 16);
        return true;
    }
    char *out = buf;
    if (negative)
        *out++ = '-';
    if (e >= 0 && e <= DEC_NPAIRS && f.decimal_point_len == 1 && len - need >= 2 * DEC_NPAIRS) {
        // Room for whole 32-byte copies past the text, which the blanks
        // then overwrite: the integer digits, the point, the places.
        if (e == 0)
            *out++ = '0';
        std::memcpy(out, digits + first, 2 * DEC_NPAIRS);
        out += e > 0 ? 2 * e - first : 0;
        *out++ = f.decimal_point[0];
        std::memcpy(out, digits + 2 * e, 2 * DEC_NPAIRS);
        out += places;
        std::memset(out, ' ', static_cast<size_t>(buf + len - out));
        return true;
    }
    // Digit i of the value (0 the first of pair 0); zeros outside the pairs.
    auto digit = [&digits, n](int i) { return i >= 0 && i < 2 * n ? digits[i] : '0'; };
    if (e <= 0)
        *out++ = '0';
    for (int i = first; i < 2 * e; ++i)
        *out++ = digit(i);
    if (f.decimal_point_len == 1)
        *out++ = f.decimal_point[0];
    else
        for (int i = 0; i < f.decimal_point_len; ++i)
            *out++ = f.decimal_point[i];
    for (int k = 0; k < places; ++k)
        *out++ = digit(2 * e + k);
    // The blanks after the text, a word at a time.
    const char *stop = buf + len;
    constexpr uint64_t kBlanks = 0x2020202020202020ULL;
    for (; stop - out >= 8; out += 8)
        std::memcpy(out, &kBlanks, 8);
    while (out < stop)
        *out++ = ' ';
    return true;
}

int to_text(const decvalue *dec, char *buf, int len, int places, SignStyle style, const numfmt &f)
{
    if (buf == nullptr || len < 0)
        return -1;
    fill(buf, len, ' ');
    if (dec == nullptr || dec->sign == -1)
        return 0;
    long r = places < 0 ? places_needed(dec) : places;
    for (;;) {
        decconv::Digits d;
        decconv::make_digits(dec, r, true, d);
        const bool show_sign = d.negative && (style == SignStyle::kLocaleAlways || !shows_only_zeros(d));
        const long sign_width = !show_sign ? 0 : style == SignStyle::kLocaleAlways ? f.negative_sign_len : 1;
        const long need = sign_width + (d.point > 0 ? d.point : 1) + (r > 0 ? f.decimal_point_len + r : 0);
        if (need <= len) {
            Writer w{buf, len};
            write_fixed(d, static_cast<int>(r), show_sign, style, f, w);
            return 0;
        }
        const long excess = need - len;
        if (d.point <= -4 || d.point <= -r)
            break;
        if (r >= excess)
            r -= excess;
        else if (r > 0 && excess <= r + f.decimal_point_len)
            r = 0;
        else
            break;
    }
    return exponent_form(dec, buf, len, f);
}

// dectoasc of what short_needed_places_text leaves (or of anything while
// the format is not built yet), kept out of line so that the short writer
// before it needs no stack frame.
[[gnu::noinline]] int longer_text(const decvalue *dec, char *buf, int len, int places)
{
    const numfmt &f = dec != nullptr && dec->sign != -1 ? *gls_numfmt(nullptr) : decconv::format_as_is();
    if (places < 0 && buf != nullptr && dec != nullptr && dec->sign != -1 &&
        ((f.decimal_point_len == 1 && short_needed_places_text(dec, buf, len, f.decimal_point[0])) ||
         needed_places_text(dec, buf, len, f)))
        return 0;
    return to_text(dec, buf, len, places, SignStyle::kMinusUnlessZero, f);
}

// gls_numfmt with its status returned beside the format, so that deccvasc
// takes the address of no local of its own (which would cost it a guarded
// stack frame).
struct format_and_status {
    const numfmt *format;
    int status;
};

[[gnu::noinline]] format_and_status build_numfmt()
{
    int status = 0;
    const numfmt *f = gls_numfmt(&status);
    return {f, status};
}

// deccvasc of a text plain_text leaves, up to a terminator before its end;
// out of line, so that the plain texts need no stack frame for the scanner.
[[gnu::noinline]] int general_text(const char *p, const char *limit, const numfmt &f, decvalue *dec)
{
    const char *nul = static_cast<const char *>(std::memchr(p, '\0', static_cast<size_t>(limit - p)));
    return convert_text(p, nul != nullptr ? nul : limit, f, dec);
}

} // namespace

namespace decconv {

void set_zero(decvalue *dec)
{
    dec->sign = 1;
    dec->exponent = DEC_MINEXP;
    dec->ndigits = 0;
}

void set_null(decvalue *dec)
{
    dec->sign = -1;
    dec->exponent = 0;
    dec->ndigits = 0;
}

int load_decimal_digits(decvalue *dec, bool negative, const unsigned char *digits, int count, long exp10)
{
    if (count <= 0) {
        set_zero(dec);
        return 0;
    }
    // A zero digit goes in front when the point would fall inside a pair.
    const int lead = (exp10 % 2) != 0 ? 1 : 0;
    if (count + lead > kMaxDigits)
        count = kMaxDigits - lead;
    unsigned char pairs[DEC_NPAIRS];
    int npairs = (count + lead + 1) / 2;
    // Digit i of the run with the leading zero: digits[i - lead].
    if (lead != 0) {
        pairs[0] = digits[0];
        for (int i = 1; i < npairs; ++i) {
            const int at = 2 * i - 1;
            pairs[i] = static_cast<unsigned char>(digits[at] * 10 + (at + 1 < count ? digits[at + 1] : 0));
        }
    } else {
        for (int i = 0; i < npairs; ++i) {
            const int at = 2 * i;
            pairs[i] = static_cast<unsigned char>(digits[at] * 10 + (at + 1 < count ? digits[at + 1] : 0));
        }
    }
    const long exponent = exp10 >= -1 ? (exp10 + 1) / 2 : -((-exp10) / 2);
    if (exponent < DEC_MINEXP || exponent > DEC_MAXEXP || pairs[0] == 0) {
        // Out of range (or a run not led by a digit): decload clamps and
        // reports.
        const int clamped = exponent > 1000 ? 1000 : exponent < -1000 ? -1000 : static_cast<int>(exponent);
        return decload(dec, negative ? 0 : 1, clamped, pairs, npairs);
    }
    while (pairs[npairs - 1] == 0)
        --npairs;
    dec->sign = negative ? 0 : 1;
    dec->exponent = static_cast<int16_t>(exponent);
    dec->ndigits = static_cast<int16_t>(npairs);
    std::memcpy(dec->digits, pairs, static_cast<size_t>(npairs));
    return 0;
}

} // namespace decconv

extern "C" {

int deccvasc(const char *text, int len, decvalue *dec)
{
    if (dec == nullptr)
        return kNotNumber;
    if (text == nullptr || len < 0) {
        decconv::set_zero(dec);
        return kNotNumber;
    }
    // The text ends at len or at a terminator before it.
    const char *p = text;
    const char *limit = text + len;
    while (p < limit && *p == ' ')
        ++p;
    if (p == limit || *p == '\0') {
        decconv::set_null(dec);
        return 0;
    }
    int status = 0;
    const numfmt *f = decconv::ready_format;
    if (__builtin_expect(f == nullptr, 0)) {
        const format_and_status built = build_numfmt();
        f = built.format;
        status = built.status;
    }
    if (status < 0) {
        decconv::set_zero(dec);
        return status;
    }
    if (!plain_text(p, limit, *f, dec, status))
        status = general_text(p, limit, *f, dec);
    if (status != 0)
        decconv::set_zero(dec);
    return status;
}

int dectoasc(const decvalue *dec, char *buf, int len, int places)
{
    // With the format built, the short writer first, before any call (a
    // buffer of at most 64 bytes is blanked without one).
    const numfmt *f = decconv::ready_format;
    if (f != nullptr && places < 0 && buf != nullptr && dec != nullptr && dec->sign != -1 && len <= 64 &&
        f->decimal_point_len == 1 && short_needed_places_text(dec, buf, len, f->decimal_point[0]))
        return 0;
    return longer_text(dec, buf, len, places);
}

int dbltoasc(const decvalue *dec, char *buf, int len, int places)
{
    return to_text(dec, buf, len, places, SignStyle::kLocaleAlways, decconv::format_as_is());
}

} // extern "C"
