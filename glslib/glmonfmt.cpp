// The money format language of the locale library: gl_wcsfmon and its
// multibyte front end gl_mbsfmon with their value-array entries, the parser
// gl_wcspmon / gl_mbspmon, and gl_localeconv.
//
// An amount is written by the system formatter with "%f" (more fraction
// digits when the precision needs them), rounded half up here at the right
// precision, grouped with mon_grouping and laid out by the table of the
// amount's sign (cs_precedes, sign_posn, sep_by_space).
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "glcommon.h"
#include "glfmtread.h"
#include "gl_monfmt.h"

namespace gls::fmt {
namespace {

// Layouts by cs_precedes (row block), sign_posn (row) and sep_by_space
// (column). Elements: '(' and ')' parentheses, 'S' the currency symbol, 'v'
// the value, 's' the sign, ' ' a blank.
constexpr const char *kLayouts[2][5][3] = {
    // cs_precedes 0
    {{"(vS)", "(v S)", "(vS)"},
     {"svS", "sv S", "svS"},
     {"vSs", "v Ss", "vS s"},
     {"vsS", "v sS", "vs S"},
     {"vSs", "v Ss", "vS s"}},
    // cs_precedes 1
    {{"(Sv)", "(S v)", "(Sv)"},
     {"sSv", "sS v", "s Sv"},
     {"Svs", "S vs", "Svs"},
     {"sSv", "sS v", "s Sv"},
     {"Ssv", "Ss v", "S sv"}},
};

struct MonConv {
    gl_wchar_t fill = ' ';
    bool no_group = false, plus = false, parens = false, no_symbol = false, left = false;
    int width = -1;
    int left_precision = -1;
    int right_precision = -1;
    gl_wchar_t conv = 0;
};

bool is_digit(gl_wchar_t c) { return c >= '0' && c <= '9'; }

int read_count(const gl_wchar_t *&p)
{
    long n = 0;
    for (; is_digit(*p); ++p)
        n = n >= kSaturated ? kSaturated : n * 10 + (*p - '0');
    return n > kSaturated ? kSaturated : static_cast<int>(n);
}

// Reads a money conversion after its "%"; null with *error set.
const gl_wchar_t *read_mon_conv(const gl_wchar_t *p, MonConv &c, int bad_conversion, int *error)
{
    c = MonConv{};
    for (;; ++p) {
        if (*p == '=' && p[1] != 0)
            c.fill = *++p;
        else if (*p == '^')
            c.no_group = true;
        else if (*p == '+')
            c.plus = true;
        else if (*p == '(')
            c.parens = true;
        else if (*p == '!')
            c.no_symbol = true;
        else if (*p == '-')
            c.left = true;
        else
            break;
    }
    if (is_digit(*p))
        c.width = read_count(p);
    if (*p == '#') {
        ++p;
        c.left_precision = read_count(p);
    }
    if (*p == '.') {
        ++p;
        c.right_precision = read_count(p);
    }
    if (*p != 'i' && *p != 'n') {
        *error = bad_conversion;
        return nullptr;
    }
    c.conv = *p;
    return p + 1;
}

const gl_lc_monetary *monetary_of(const gl_locale *loc) { return loc != nullptr ? loc->monetary : nullptr; }

int right_precision(const gl_locale *loc, const MonConv &c)
{
    if (c.right_precision >= 0)
        return c.right_precision;
    const gl_lc_monetary *m = monetary_of(loc);
    const int digits = m == nullptr ? -1 : c.conv == 'i' ? m->int_frac_digits : m->frac_digits;
    return digits >= 0 && digits <= 15 ? digits : 2;
}

// The layout of a sign, or null when the locale gives none.
const char *layout_for(const gl_locale *loc, const MonConv &c, bool negative)
{
    const gl_lc_monetary *m = monetary_of(loc);
    if (m == nullptr)
        return nullptr;
    const int cs = negative ? m->n_cs_precedes : m->p_cs_precedes;
    int posn = negative ? m->n_sign_posn : m->p_sign_posn;
    const int sep = negative ? m->n_sep_by_space : m->p_sep_by_space;
    if (c.parens && negative)
        posn = 0;
    else if (c.plus && posn == 0)
        posn = 1;
    if (cs < 0 || cs > 1 || posn < 0 || posn > 4 || sep < 0 || sep > 2)
        return nullptr;
    return kLayouts[cs][posn][sep];
}

const gl_wchar_t *symbol_of(const gl_locale *loc, const MonConv &c)
{
    const gl_lc_monetary *m = monetary_of(loc);
    if (m == nullptr || c.no_symbol)
        return kEmptyWide;
    return wide(c.conv == 'i' ? m->w_int_curr_symbol : m->w_currency_symbol);
}

// ---- the digits of an amount ----

struct Digits {
    char integer[kPlainMax];
    int nint = 0;
    char fraction[kPlainMax];
    int nfrac = 0;
};

// The magnitude's "%f" text rounded half up at precision. false when it
// does not fit.
bool amount_digits(double magnitude, int precision, Digits &d)
{
    char text[kPlainMax];
    if (precision >= kPlainMax - 2)
        return false;
    const int rendered = precision + 1 > 6 ? precision + 1 : 6;
    const int n = std::snprintf(text, sizeof text, "%.*f", rendered, magnitude);
    if (n < 0 || n >= static_cast<int>(sizeof text) - 2)
        return false;
    const char *p = text;
    d.nint = 0;
    d.integer[d.nint++] = '0'; // room for a carry
    for (; is_ascii_digit(*p); ++p)
        d.integer[d.nint++] = *p;
    while (*p != '\0' && !is_ascii_digit(*p))
        ++p; // the system's point
    char frac[kPlainMax];
    int nf = 0;
    for (; nf < precision + 1; ++nf)
        frac[nf] = is_ascii_digit(*p) ? *p++ : '0';
    bool carry = frac[precision] >= '5';
    for (int i = precision - 1; i >= 0 && carry; --i) {
        carry = frac[i] == '9';
        frac[i] = carry ? '0' : static_cast<char>(frac[i] + 1);
    }
    for (int i = d.nint - 1; i > 0 && carry; --i) {
        carry = d.integer[i] == '9';
        d.integer[i] = carry ? '0' : static_cast<char>(d.integer[i] + 1);
    }
    if (carry)
        d.integer[0] = '1';
    const int skip = d.integer[0] == '0' ? 1 : 0;
    std::memmove(d.integer, d.integer + skip, static_cast<size_t>(d.nint - skip));
    d.nint -= skip;
    std::memcpy(d.fraction, frac, static_cast<size_t>(precision));
    d.nfrac = precision;
    return true;
}

// The value element: fill, grouped integer digits, point and fraction.
bool put_value(gl_locale *loc, WideOut &out, const MonConv &c, const Digits &d, const Conventions &cv)
{
    const bool group = !c.no_group && cv.separator[0] != 0;
    const Grouping none;
    const Grouping &g = group ? cv.grouping : none;
    if (c.left_precision > d.nint) {
        const long want = static_cast<long>(c.left_precision) + separators_for(g, c.left_precision);
        const long have = d.nint + separators_for(g, d.nint);
        if (!out.repeat(c.fill, want - have))
            return false;
    }
    Field f;
    f.digits = d.integer;
    f.ndigits = d.nint;
    f.group = group;
    Conventions grouping_cv = cv;
    grouping_cv.grouping = g;
    (void)loc;
    if (!put_grouped(out, f, grouping_cv))
        return false;
    if (d.nfrac > 0 && (!out.put(cv.point) || !put_ascii(out, d.fraction, d.nfrac)))
        return false;
    return true;
}

// The columns of the elements before and after the value in a layout.
void layout_columns(gl_locale *loc, const char *layout, const gl_wchar_t *symbol, const gl_wchar_t *sign,
                    bool drop_blanks, int *before, int *after)
{
    *before = *after = 0;
    bool past_value = false;
    for (const char *e = layout; *e != '\0'; ++e) {
        int w = 0;
        if (*e == 'v')
            past_value = true;
        else if (*e == 'S')
            w = columns(loc, symbol);
        else if (*e == 's')
            w = columns(loc, sign);
        else if (*e != ' ' || !drop_blanks)
            w = 1;
        (past_value ? *after : *before) += w;
    }
}

const gl_wchar_t *sign_text(const Conventions &cv, const MonConv &c, bool negative)
{
    return negative ? cv.negative : c.plus ? cv.positive : kEmptyWide;
}

bool format_amount(gl_locale *loc, WideOut &out, const MonConv &c, double amount, int *error)
{
    if (std::isnan(amount) || std::isinf(amount)) {
        *error = GL_EBADARG;
        return false;
    }
    const bool negative = amount < 0;
    const char *layout = layout_for(loc, c, negative);
    const int precision = right_precision(loc, c);
    Digits d;
    if (layout == nullptr) {
        *error = GL_EBADARG;
        return false;
    }
    if (!amount_digits(std::fabs(amount), precision, d)) {
        *error = GL_E2BIG;
        return false;
    }
    const Conventions cv = monetary_conventions(loc);
    const gl_wchar_t *symbol = symbol_of(loc, c);
    const gl_wchar_t *sign = sign_text(cv, c, negative);
    int pad_before = 0, pad_after = 0;
    if (c.left_precision >= 0) {
        // Amounts of either sign line up: pad to the wider layout's sides.
        const char *other = layout_for(loc, c, !negative);
        int b1, a1, b2 = 0, a2 = 0;
        layout_columns(loc, layout, symbol, sign, c.no_symbol, &b1, &a1);
        if (other != nullptr)
            layout_columns(loc, other, symbol, sign_text(cv, c, !negative), c.no_symbol, &b2, &a2);
        pad_before = b2 > b1 ? b2 - b1 : 0;
        pad_after = a2 > a1 ? a2 - a1 : 0;
    }
    WideOut field(static_cast<int>(out.limit() - out.count()));
    bool ok = field.repeat(' ', pad_before);
    for (const char *e = layout; *e != '\0' && ok; ++e) {
        switch (*e) {
        case 'S': ok = field.put(symbol); break;
        case 's': ok = field.put(sign); break;
        case 'v': ok = put_value(loc, field, c, d, cv); break;
        case ' ': ok = c.no_symbol || field.put(' '); break;
        default: ok = field.put(static_cast<gl_wchar_t>(*e)); break;
        }
    }
    ok = ok && field.repeat(' ', pad_after);
    if (!ok) {
        *error = field.error();
        return false;
    }
    field.finish();
    const long cols = columns(loc, field.text());
    const long pad = c.width > cols ? c.width - cols : 0;
    if (!c.left && !out.repeat(' ', pad))
        return false;
    if (!out.put(field.text(), field.count()))
        return false;
    return !c.left || out.repeat(' ', pad);
}

// Walks a money format: literal characters to out, conversions through
// visit. The count of conversions, or -1 with *error set.
template <typename Visit> int walk_money(const gl_wchar_t *format, int *error, Visit &&visit)
{
    int count = 0;
    for (const gl_wchar_t *p = format; *p != 0;) {
        if (*p != '%' || p[1] == '%') {
            if (!visit(nullptr, p))
                return -1;
            p += *p == '%' ? 2 : 1;
            continue;
        }
        MonConv c;
        const gl_wchar_t *after = read_mon_conv(p + 1, c, GL_EMONCONV, error);
        if (after == nullptr)
            return -1;
        if (count == GL_FMT_MAX_VALUES) {
            *error = GL_EFMTMATCH;
            return -1;
        }
        if (!visit(&c, p))
            return -1;
        ++count;
        p = after;
    }
    return count;
}

int money_count(gl_locale *loc, const gl_wchar_t *format)
{
    int error = 0;
    const int n = walk_money(format, &error, [](const MonConv *, const gl_wchar_t *) { return true; });
    if (n < 0)
        set_error(loc, error);
    return n;
}

int format_money(gl_locale *loc, WideOut &out, const gl_wchar_t *format, const double *values, int count)
{
    const int needed = money_count(loc, format);
    if (needed < 0)
        return -1;
    if (needed > count) {
        set_error(loc, GL_EFMTMATCH);
        return -1;
    }
    int error = 0;
    int next = 0;
    const int n = walk_money(format, &error, [&](const MonConv *c, const gl_wchar_t *p) {
        if (c == nullptr)
            return out.put(*p);
        return format_amount(loc, out, *c, values[next++], &error);
    });
    if (n < 0 || out.error() != 0) {
        set_error(loc, error != 0 ? error : out.error() != 0 ? out.error() : GL_E2BIG);
        return -1;
    }
    return out.finish();
}

// ---- parsing ----

// Skips the fill characters of a left precision before the digits (a digit
// as fill only where another digit follows).
const gl_wchar_t *skip_fill(const gl_wchar_t *p, const MonConv &c)
{
    while (*p == c.fill && (!is_digit(c.fill) || is_digit(p[1])))
        ++p;
    return p;
}

// Matches text against one layout; the end of the match or null.
const gl_wchar_t *match_layout(gl_locale *loc, const gl_wchar_t *text, const char *layout, const MonConv &c,
                               const Conventions &cv, bool negative, double *amount)
{
    const gl_wchar_t *symbol = symbol_of(loc, c);
    const gl_wchar_t *p = text;
    bool value = false;
    for (const char *e = layout; *e != '\0'; ++e) {
        switch (*e) {
        case '(':
        case ')':
            if (*p != static_cast<gl_wchar_t>(*e))
                return nullptr;
            ++p;
            break;
        case ' ':
            while (*p == ' ')
                ++p;
            break;
        case 'S':
            if (starts_with(p, symbol))
                p += wide_length(symbol);
            else if (!c.no_symbol && symbol[0] != 0)
                return nullptr;
            break;
        case 's':
            if (negative && cv.negative[0] != 0) {
                if (!starts_with(p, cv.negative))
                    return nullptr;
                p += wide_length(cv.negative);
            } else if (!negative && starts_with(p, cv.positive)) {
                p += wide_length(cv.positive);
            }
            break;
        default: {
            p = skip_fill(p, c);
            char plain[kPlainMax + 8];
            int error = 0;
            const gl_wchar_t *end = read_plain_number(p, cv, c.no_group ? GroupMode::kNone : GroupMode::kLenient,
                                                      false, plain, sizeof plain, &error);
            if (end == p || error != 0)
                return nullptr;
            bool range = false;
            *amount = plain_to_double(plain, &range);
            p = end;
            value = true;
        }
        }
    }
    return value ? p : nullptr;
}

const gl_wchar_t *parse_amount(gl_locale *loc, const gl_wchar_t *text, const MonConv &c, double *amount)
{
    const Conventions cv = monetary_conventions(loc);
    const gl_wchar_t *best = nullptr;
    double found = 0;
    for (const bool negative : {false, true}) {
        const char *layout = layout_for(loc, c, negative);
        double v = 0;
        const gl_wchar_t *end = layout != nullptr ? match_layout(loc, text, layout, c, cv, negative, &v) : nullptr;
        if (end != nullptr && (best == nullptr || end > best)) {
            best = end;
            found = negative ? -v : v;
        }
    }
    if (best != nullptr)
        *amount = found;
    return best;
}

// Text cut to width columns, copied.
struct Cut {
    WorkArray<gl_wchar_t, 128> text;
};

const gl_wchar_t *scan_money(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, double *out)
{
    const gl_wchar_t *s = text;
    bool converted = false;
    for (const gl_wchar_t *f = format; *f != 0;) {
        if (const int step = match_literal(loc, f, s); step != 0) {
            if (step < 0)
                return nullptr;
            continue;
        }
        MonConv c;
        int error = 0;
        f = read_mon_conv(f + 1, c, GL_EFMTMATCH, &error);
        if (f == nullptr || converted) {
            set_error(loc, GL_EFMTMATCH);
            return nullptr;
        }
        if (!c.left)
            while (is_space(loc, *s))
                ++s;
        const gl_wchar_t *end = nullptr;
        double amount = 0;
        if (c.width >= 0) {
            Cut cut;
            int n = 0, cols = 0;
            while (s[n] != 0 && cols + char_columns(loc, s[n]) <= c.width)
                cols += char_columns(loc, s[n++]);
            if (!cut.text.reserve(static_cast<size_t>(n) + 1)) {
                set_error(loc, GL_ENOMEM);
                return nullptr;
            }
            std::memcpy(cut.text.data(), s, static_cast<size_t>(n) * sizeof(gl_wchar_t));
            cut.text.data()[n] = 0;
            const gl_wchar_t *e = parse_amount(loc, cut.text.data(), c, &amount);
            end = e != nullptr ? s + (e - cut.text.data()) : nullptr;
        } else {
            end = parse_amount(loc, s, c, &amount);
        }
        if (end == nullptr) {
            set_error(loc, GL_EFMTMATCH);
            return nullptr;
        }
        *out = amount;
        converted = true;
        s = end;
    }
    return s;
}

} // namespace
} // namespace gls::fmt

using namespace gls;
using namespace gls::fmt;

namespace {



int read_amounts(gl_locale *loc, const gl_wchar_t *format, va_list ap, double *values)
{
    const int n = money_count(loc, format);
    for (int i = 0; i < n; ++i)
        values[i] = va_arg(ap, double);
    return n;
}

int mbs_money(gl_locale *loc, char *out, int size, const gl_wchar_t *format, const double *values, int count)
{
    WideOut w(size);
    if (format_money(loc, w, format, values, count) < 0)
        return -1;
    return to_multibyte(loc, w.text(), out, size);
}

} // namespace

extern "C" {

int _gl_mbsfmon_count(gl_locale *loc, const char *format)
{
    WideFormat w;
    if (format == nullptr) {
        set_error(loc, GL_ENULLARG);
        return -1;
    }
    if (!to_wide(loc, format, w))
        return -1;
    return money_count(loc, w.data());
}

int _gl_wcsfmon_values(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, const double *values,
                       int count)
{
    if (!output_usable(loc, out, size, format))
        return -1;
    WideOut w(out, size);
    return format_money(loc, w, format, values, count);
}

int _gl_mbsfmon_values(gl_locale *loc, char *out, int size, const char *format, const double *values, int count)
{
    WideFormat w;
    if (!output_usable(loc, out, size, format) || !to_wide(loc, format, w))
        return -1;
    return mbs_money(loc, out, size, w.data(), values, count);
}

int gl_wcsfmon(gl_locale *loc, gl_wchar_t *out, int size, const gl_wchar_t *format, ...)
{
    if (!output_usable(loc, out, size, format))
        return -1;
    double values[GL_FMT_MAX_VALUES];
    va_list ap;
    va_start(ap, format);
    const int n = read_amounts(loc, format, ap, values);
    va_end(ap);
    if (n < 0)
        return -1;
    WideOut w(out, size);
    return format_money(loc, w, format, values, n);
}

int gl_mbsfmon(gl_locale *loc, char *out, int size, const char *format, ...)
{
    WideFormat w;
    if (!output_usable(loc, out, size, format) || !to_wide(loc, format, w))
        return -1;
    double values[GL_FMT_MAX_VALUES];
    va_list ap;
    va_start(ap, format);
    const int n = read_amounts(loc, w.data(), ap, values);
    va_end(ap);
    if (n < 0)
        return -1;
    return mbs_money(loc, out, size, w.data(), values, n);
}

const gl_wchar_t *gl_wcspmon(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t *format, double *out)
{
    if (text == nullptr || format == nullptr || out == nullptr) {
        set_error(loc, GL_ENULLARG);
        return nullptr;
    }
    return scan_money(loc, text, format, out);
}

const char *gl_mbspmon(gl_locale *loc, const char *text, const char *format, double *out)
{
    if (text == nullptr || format == nullptr || out == nullptr) {
        set_error(loc, GL_ENULLARG);
        return nullptr;
    }
    WideFormat wformat;
    WorkArray<gl_wchar_t, 128> wtext;
    if (!to_wide(loc, format, wformat) || !to_wide(loc, text, wtext))
        return nullptr;
    const gl_wchar_t *end = scan_money(loc, wtext.data(), wformat.data(), out);
    if (end == nullptr)
        return nullptr;
    return text + byte_offset(loc, text, end - wtext.data());
}

const gl_lconv *gl_localeconv(gl_locale *loc)
{
    if (loc == nullptr) {
        set_error(loc, GL_ENULLARG);
        return nullptr;
    }
    return loc->lconv;
}

} // extern "C"
