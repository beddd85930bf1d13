// INTERVAL text by the INTERVAL format language (intofmtasc, incvfmtasc)
// and the rewriting of another product's TO_CHAR-style DATETIME formats into
// %-formats (trw_to_gl_datetime).
//
// An INTERVAL format is literal text and conversions: %Y %y %m %d %H %I %M
// %S, %F or %Fn, %%, each number with an optional width and precision
// ("%" width "." precision, as printf's %d). The format's qualifier runs
// from its first to its last unit with a first field of 9 digits (2 for a
// fraction start); values are converted to it and from it.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "dtbuf.h"
#include "dtint.h"
#include "dttextint.h"
#include "glsenvint.h"
#include "osenv.h"

namespace trw::dt {

namespace {

constexpr const char *kDefaultIntervalFormat = "%Y-%m-%d %H:%M:%S";
constexpr int kMaxItems = 128;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// One item of an INTERVAL format: literal text (slot -1) or a conversion
// of a time slot (0 year .. 5 second, kFractionSlot fraction).
struct Item {
    const char *text; // literal text (not terminated) or the conversion
    int len;
    int slot;         // -1 literal
    char letter;      // Y y m d H I M S F
    int width, prec;  // -1 none
    bool left, zero;
    int fdigits;      // fraction digits of F
};

struct Parsed {
    Item items[kMaxItems];
    int count = 0;
};

// Conversion letters and their time slots.
int slot_of(char letter)
{
    switch (letter) {
    case 'Y': case 'y': return 0;
    case 'm': return 1;
    case 'd': return 2;
    case 'H': case 'I': return 3;
    case 'M': return 4;
    case 'S': return 5;
    case 'F': return kFractionSlot;
    default: return -1;
    }
}

int read_number(const char *&p)
{
    int v = 0;
    for (; is_digit(*p); ++p)
        v = v < 1000 ? v * 10 + (*p - '0') : v;
    return v;
}

// The conversion at p (after its "%"). 0 or -1275, -1276.
int read_conversion(const char *&p, Item &it)
{
    it.width = it.prec = -1;
    it.left = it.zero = false;
    const char *start = p;
    if (*p == '-')
        it.left = true, ++p;
    if (*p == '0')
        it.zero = true;
    if (is_digit(*p))
        it.width = read_number(p);
    if (*p == '.') {
        ++p;
        it.prec = read_number(p);
    }
    const bool modified = p != start;
    const char letter = *p;
    if (letter == '%' && !modified) {
        it.slot = -1;
        it.text = "%";
        it.len = 1;
        ++p;
        return 0;
    }
    const int slot = slot_of(letter);
    if (slot < 0) {
        if (letter == '\0')
            return kBadConversion;
        return std::isalpha(static_cast<unsigned char>(letter)) ? kBadConversion : kBadWidth;
    }
    ++p;
    it.letter = letter;
    it.slot = slot;
    it.fdigits = 2;
    if (letter == 'F' && is_digit(*p)) {
        if (*p < '1' || *p > '5')
            return kBadWidth;
        it.fdigits = *p++ - '0';
    }
    return 0;
}

int parse_format(const char *format, Parsed &out)
{
    for (const char *p = format; *p != '\0';) {
        if (out.count == kMaxItems)
            return kBadConversion;
        Item &it = out.items[out.count++];
        if (*p != '%') {
            const char *run = p;
            while (*p != '\0' && *p != '%')
                ++p;
            it = Item{run, static_cast<int>(p - run), -1, 0, -1, -1, false, false, 0};
            continue;
        }
        const char *begin = p++;
        if (const int status = read_conversion(p, it); status < 0)
            return status;
        if (it.slot >= 0) {
            it.text = begin;
            it.len = static_cast<int>(p - begin);
        }
    }
    return 0;
}

// The qualifier of the conversions: first slot to last, 9 digits first.
int format_qualifier(const Parsed &f)
{
    int first = 99, last = -1, fdigits = 0;
    for (int i = 0; i < f.count; ++i) {
        const Item &it = f.items[i];
        if (it.slot < 0)
            continue;
        first = it.slot < first ? it.slot : first;
        last = it.slot > last ? it.slot : last;
        if (it.slot == kFractionSlot && it.fdigits > fdigits)
            fdigits = it.fdigits;
    }
    if (last < 0)
        return 0;
    const int start = first == kFractionSlot ? TU_FRAC : first * 2;
    const int end = last == kFractionSlot ? 10 + fdigits : last * 2;
    return TU_IENCODE(start == TU_FRAC ? 2 : 9, start, end);
}

// Keeps the conversions within layout (and the literal text just before
// each kept one after the first): the process format for a value whose
// class it does not fit.
void limit_items(Parsed &f, const Layout &layout)
{
    Parsed kept;
    int literal_from = -1;
    bool kept_any = false;
    for (int i = 0; i < f.count; ++i) {
        const Item &it = f.items[i];
        if (it.slot < 0) {
            if (literal_from < 0)
                literal_from = i;
            continue;
        }
        if (it.slot >= layout.first && it.slot <= layout.last) {
            if (kept_any && literal_from >= 0)
                for (int k = literal_from; k < i; ++k)
                    kept.items[kept.count++] = f.items[k];
            kept.items[kept.count++] = it;
            kept_any = true;
        }
        literal_from = -1;
    }
    f = kept;
}

// The format in use and its qualifier for an INTERVAL of qualifier
// value_qualifier. 0 or a status.
int prepare(const char *format, int value_qualifier, Parsed &f, int *fq)
{
    const bool process = format == nullptr;
    if (process) {
        const char *dbtime = ggetenv("DBTIME");
        format = dbtime != nullptr && *dbtime != '\0' ? dbtime : kDefaultIntervalFormat;
    }
    if (const int status = parse_format(format, f); status < 0)
        return status;
    *fq = format_qualifier(f);
    Layout check;
    if (*fq == 0 || make_layout(*fq, true, check))
        return 0;
    Layout value;
    if (!process || !make_layout(value_qualifier, true, value))
        return kIncompatible;
    limit_items(f, value);
    *fq = format_qualifier(f);
    return 0;
}

// ---- formatting ------------------------------------------------------------------------------

// Writes one number by a conversion: its digits zero-padded to the
// precision, the sign, then blanks (or zeros) to the width.
void put_number(TextBuf &b, const Item &it, uint64_t value, bool negative, int default_prec)
{
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    const int prec = it.prec >= 0 ? it.prec : (it.width >= 0 ? 1 : default_prec);
    char body[96];
    int len = 0;
    if (negative)
        body[len++] = '-';
    const int pad_zero = it.zero && it.prec < 0 && !it.left ? it.width - n - len : 0;
    for (int k = n; k < prec && len < 40; ++k)
        body[len++] = '0';
    for (int k = 0; k < pad_zero && len < 40; ++k)
        body[len++] = '0';
    std::memcpy(body + len, digits, static_cast<size_t>(n));
    len += n;
    const int pad = it.width > len ? it.width - len : 0;
    if (!it.left)
        for (int k = 0; k < pad; ++k)
            b.put(' ');
    b.put(body, static_cast<size_t>(len));
    if (it.left)
        for (int k = 0; k < pad; ++k)
            b.put(' ');
}

uint64_t conversion_value(const Item &it, const Fields &f)
{
    const int64_t v = f.v[it.slot];
    if (it.letter == 'y')
        return static_cast<uint64_t>(v % 100);
    if (it.letter == 'I')
        return static_cast<uint64_t>(v > 12 ? v - 12 : v);
    return static_cast<uint64_t>(v);
}

void put_fraction(TextBuf &b, const Item &it, const Fields &f)
{
    const int64_t micro = f.v[kFractionSlot] * 10000 + f.v[kFractionSlot + 1] * 100 + f.v[kFractionSlot + 2];
    char digits[8];
    int64_t scaled = micro;
    for (int k = it.fdigits; k < 6; ++k)
        scaled /= 10;
    std::snprintf(digits, sizeof digits, "%0*lld", it.fdigits, static_cast<long long>(scaled));
    const int pad = it.width > it.fdigits ? it.width - it.fdigits : 0;
    for (int k = 0; !it.left && k < pad; ++k)
        b.put(' ');
    b.put(digits);
    for (int k = 0; it.left && k < pad; ++k)
        b.put(' ');
}

int write_items(const Parsed &f, const Fields &fields, bool negative, TextBuf &b)
{
    bool first_written = false;
    for (int i = 0; i < f.count; ++i) {
        const Item &it = f.items[i];
        if (it.slot < 0) {
            b.put(it.text, static_cast<size_t>(it.len));
            continue;
        }
        const bool sign = negative && !first_written;
        if (it.slot == kFractionSlot) {
            if (sign)
                b.put('-');
            put_fraction(b, it, fields);
        } else {
            put_number(b, it, conversion_value(it, fields), sign, it.letter == 'Y' ? 4 : 2);
        }
        first_written = true;
    }
    return b.failed() ? kNoMemory : 0;
}

int format_interval(const inv_value *inv, char *out, int size, const char *format)
{
    if (out == nullptr || size <= 0)
        return kTooSmall;
    out[0] = '\0';
    Layout layout;
    if (const int status = checked_layout(inv->in_qual, true, layout); status < 0)
        return status;
    Parsed f;
    int fq = 0;
    if (const int status = prepare(format, inv->in_qual, f, &fq); status < 0)
        return status;
    if (format != nullptr && size < static_cast<int>(std::strlen(format)))
        return kTooSmall;
    if (is_null(&inv->in_dec))
        return 0;
    Fields fields{};
    bool negative = false;
    if (fq != 0) {
        decvalue converted;
        if (const int status = rinvcopy(&inv->in_dec, inv->in_qual, &converted, fq); status < 0)
            return status;
        Layout fl;
        make_layout(fq, true, fl);
        if (!value_fields(&converted, fl, false, fields))
            return kBadValue;
        negative = is_negative(&converted) && converted.ndigits > 0;
    }
    TextBuf b;
    b.put("", 0);
    if (const int status = write_items(f, fields, negative, b); status < 0)
        return status;
    if (static_cast<int>(b.size()) + 1 > size)
        return kTooSmall;
    std::memcpy(out, b.c_str(), b.size() + 1);
    return 0;
}

// ---- parsing ---------------------------------------------------------------------------------

struct Read {
    bool negative = false;
    bool seen[kSlots] = {};
    uint64_t v[kSlots] = {};
    char fraction[6] = {};
    int fraction_len = 0;
};

// Reads the digits of one conversion at p. 0 or a status.
int read_field(const char *&p, const Item &it, bool first_unit, bool point_before, bool sign_allowed, Read &r)
{
    static constexpr const char kRefused[] = "BIbpy";
    if (std::strchr(kRefused, it.letter) != nullptr)
        return kBadConversion;
    while (*p == ' ')
        ++p;
    if (sign_allowed && *p == '-') {
        r.negative = true;
        ++p;
    }
    if (it.slot == kFractionSlot) {
        if (*p == '.')
            ++p;
        else if (!point_before)
            return kNoPoint;
        int n = 0;
        for (; n < it.fdigits && is_digit(*p); ++n)
            r.fraction[n] = *p++;
        r.fraction_len = n;
        r.seen[kFractionSlot] = true;
        return 0;
    }
    // A later unit reads 2 digits, or as many as its precision writes.
    const int most = first_unit ? 9 : (it.prec > 2 ? it.prec : 2);
    int n = 0;
    uint64_t v = 0;
    for (; is_digit(*p) && (n < most || first_unit); ++n, ++p)
        v = n < 18 ? v * 10 + static_cast<uint64_t>(*p - '0') : v;
    if (n == 0)
        return kNoMatch;
    if (first_unit && n > most)
        return kFirstTooLong;
    r.v[it.slot] = v;
    r.seen[it.slot] = true;
    return 0;
}

int match_text(const char *text, const Parsed &f, const Layout &fl, Read &r)
{
    const char *p = text;
    bool any_conversion = false;
    for (int i = 0; i < f.count; ++i) {
        const Item &it = f.items[i];
        if (it.slot < 0) {
            if (std::strncmp(p, it.text, static_cast<size_t>(it.len)) != 0)
                return kNoMatch;
            p += it.len;
            continue;
        }
        const bool point_before = p > text && p[-1] == '.' && i > 0 && f.items[i - 1].slot < 0;
        if (const int status = read_field(p, it, it.slot == fl.first, point_before, !any_conversion, r); status < 0)
            return status;
        any_conversion = true;
    }
    return *p == '\0' ? 0 : kNoMatch;
}

// The standard text of the fields read, in the format's qualifier.
void assemble(const Read &r, const Layout &fl, TextBuf &b)
{
    static constexpr char kDelimiter[kFractionSlot] = {'-', '-', ' ', ':', ':', '.'};
    char number[32];
    if (r.negative)
        b.put('-');
    if (fl.first < kFractionSlot) {
        std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(r.v[fl.first]));
        b.put(number);
    }
    const int last_whole = fl.last < kFractionSlot ? fl.last : kSecondSlot;
    for (int slot = fl.first + 1; slot <= last_whole; ++slot) {
        std::snprintf(number, sizeof number, "%c%02llu", kDelimiter[slot - 1],
                      static_cast<unsigned long long>(r.v[slot] % 100));
        b.put(number);
    }
    if (fl.last >= kFractionSlot) {
        b.put('.');
        b.put(r.fraction, static_cast<size_t>(r.fraction_len));
    }
}

int parse_interval(const char *text, const char *format, inv_value *inv)
{
    Layout layout;
    if (const int status = checked_layout(inv->in_qual, true, layout); status < 0)
        return status;
    set_null(&inv->in_dec);
    if (text == nullptr || *text == '\0')
        return kEmptyText;
    Parsed f;
    int fq = 0;
    if (const int status = prepare(format, inv->in_qual, f, &fq); status < 0)
        return status;
    if (fq == 0)
        return kNoMatch;
    Layout fl;
    make_layout(fq, true, fl);
    Read r;
    if (const int status = match_text(text, f, fl, r); status < 0)
        return status;
    for (int slot = fl.first + 1; slot <= fl.last && slot < kFractionSlot; ++slot)
        if (r.v[slot] > 99)
            return kBadValue;
    TextBuf b;
    b.put("", 0);
    assemble(r, fl, b);
    if (b.failed())
        return kNoMemory;
    decvalue in_format;
    if (const int status = rstrinv(b.c_str(), &in_format, fq); status < 0)
        return status;
    decvalue result;
    if (const int status = rinvcopy(&in_format, fq, &result, inv->in_qual); status < 0)
        return status;
    inv->in_dec = result;
    return 0;
}

// ---- foreign formats -------------------------------------------------------------------------

// Conversion tokens, compared without regard to case over their length;
// the first row that matches is used.
struct ForeignRow {
    const char *token;
    const char *format;
};
constexpr ForeignRow kForeignRows[] = {
    {"YYYY", "%iY"}, {"YY", "%iy"}, {"RR", "%iy"}, {"MM", "%m"},   {"MONTH", "%B"}, {"MON", "%b"},
    {"DAY", "%A"},   {"DD", "%e"},  {"SS", "%S"},  {"DY", "%a"},   {"D", "%w"},     {"AM", "%p"},
    {"PM", "%p"},    {"HH12", "%I"}, {"HH24", "%H"}, {"HH", "%I"}, {"MI", "%M"},
};
static_assert(std::size(kForeignRows) == 17);

// Tokens with no %-format equivalent, compared over their length.
constexpr const char *kNoEquivalentRows[] = {
    "CC", "SCC",  "SYYYY", "Y",  "YYY", "IYYY", "IYY", "IY", "I",  "Y,YYY", "SYEAR", "YEAR", "BC",   "AD",   "B.C",
    "A.D", "Q",   "RM",    "WW", "IW",  "W",    "DDD", "J",  "A.M.", "P.M.", "SSSSS", "TH",  "SP",   "SPTH", "THSP",
};
static_assert(std::size(kNoEquivalentRows) == 30);

bool starts_with_nocase(const char *text, const char *token)
{
    for (; *token != '\0'; ++token, ++text)
        if (std::toupper(static_cast<unsigned char>(*text)) != *token)
            return false;
    return true;
}

void put_literal_char(TextBuf &b, char c)
{
    if (c == '%')
        b.put("%%");
    else
        b.put(c);
}

// A double-quoted literal at p: copied without its quotes, "" standing for
// one quote. -5854 when it is not terminated.
int copy_quoted(const char *&p, TextBuf &b)
{
    for (++p;; ++p) {
        if (*p == '\0')
            return kUnknownToken;
        if (*p == '"') {
            if (p[1] != '"') {
                ++p;
                return 0;
            }
            ++p;
        }
        put_literal_char(b, *p);
    }
}

int foreign_token(const char *&p, TextBuf &b)
{
    if (starts_with_nocase(p, "DDD") || starts_with_nocase(p, "SSSSS"))
        return kNoEquivalent;
    for (const ForeignRow &row : kForeignRows)
        if (starts_with_nocase(p, row.token)) {
            b.put(row.format);
            p += std::strlen(row.token);
            return 0;
        }
    for (const char *token : kNoEquivalentRows)
        if (starts_with_nocase(p, token))
            return kNoEquivalent;
    return kUnknownToken;
}

int rewrite_foreign(const char *foreign, char *out, int size)
{
    if (out == nullptr || size <= 0)
        return kForeignTooSmall;
    out[0] = '\0';
    if (foreign == nullptr || *foreign == '\0')
        return 0;
    TextBuf b;
    b.put("", 0);
    for (const char *p = foreign; *p != '\0';) {
        const auto c = static_cast<unsigned char>(*p);
        int status = 0;
        if (c == '"')
            status = copy_quoted(p, b);
        else if (std::ispunct(c) || std::isspace(c))
            put_literal_char(b, *p++);
        else
            status = foreign_token(p, b);
        if (status < 0)
            return status;
    }
    if (b.failed())
        return kNoMemory;
    if (static_cast<int>(b.size()) + 1 > size)
        return kForeignTooSmall;
    std::memcpy(out, b.c_str(), b.size() + 1);
    return 0;
}

} // namespace

} // namespace trw::dt

using namespace trw::dt;

extern "C" {

int intofmtasc(const inv_value *inv, char *out, int size, const char *format)
{
    return format_interval(inv, out, size, format);
}

int incvfmtasc(const char *text, const char *format, inv_value *inv)
{
    return parse_interval(text, format, inv);
}

int trw_to_gl_datetime(const char *foreign, char *out, int size)
{
    return rewrite_foreign(foreign, out, size);
}

} // extern "C"
