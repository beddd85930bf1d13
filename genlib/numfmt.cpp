// The client number format (numfmt): built once per locale environment by
// rmoninit from DBMONEY or the client locale's NUMERIC and MONETARY data
// (getdbmoney, init_local_lconv), and the text helpers built on it: the
// point translation (gdecimalpoint, rdecstr, gDecstrtoANSI), the MONEY text
// forms (rdecmon, rmondec), the scale and symbol lengths (genlcscale,
// rfrontlen, rbacklen). gls_numfmt hands the current format to the DECIMAL
// text conversions with one pointer test once it is built.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "decconvint.h"
#include "glschar.h"
#include "gl_monfmt.h"
#include "glsenvint.h"
#include "numfmt.h"

namespace decconv {

const numfmt *ready_format = nullptr;

} // namespace decconv

using decconv::ready_format;

namespace {

constexpr int kTooLong = -1273;
constexpr int kNoMemory = -406;
constexpr int kInvalid = -1; // byte length of a character that is not valid
constexpr signed char kNotGiven = 127;

// The format used while no locale can be initialised.
constexpr numfmt kPlainFormat = [] {
    numfmt f{};
    f.decimal_point[0] = f.mon_decimal_point[0] = f.locale_decimal_point[0] = '.';
    f.decimal_point_len = f.decimal_point_width = 1;
    f.mon_decimal_point_len = f.mon_decimal_point_width = 1;
    f.locale_decimal_point_len = 1;
    f.negative_sign[0] = '-';
    f.negative_sign_len = 1;
    f.int_frac_digits = f.frac_digits = f.p_cs_precedes = f.p_sep_by_space = kNotGiven;
    f.n_cs_precedes = f.n_sep_by_space = f.p_sign_posn = f.n_sign_posn = kNotGiven;
    return f;
}();

// Copies the first character of text into a field: its byte length, 0 for
// an empty text, kInvalid (field empty) for an invalid character.
int copy_char(char (&field)[NUMFMT_CHAR_MAX + 1], const char *text, gl_locale *loc)
{
    field[0] = '\0';
    if (text == nullptr || *text == '\0')
        return 0;
    int len = glsc::char_length(loc, text, NUMFMT_CHAR_MAX);
    if (len <= 0)
        return kInvalid;
    std::memcpy(field, text, static_cast<size_t>(len));
    field[len] = '\0';
    return len;
}

// Copies at most max bytes of whole characters.
void copy_chars(char *field, const char *text, size_t max, gl_locale *loc)
{
    size_t n = 0;
    while (text != nullptr && text[n] != '\0') {
        int len = glsc::char_length(loc, text + n, static_cast<int>(std::strlen(text + n)));
        if (len <= 0)
            len = 1;
        if (n + static_cast<size_t>(len) > max)
            break;
        n += static_cast<size_t>(len);
    }
    if (n > 0)
        std::memcpy(field, text, n);
    field[n] = '\0';
}

void copy_grouping(signed char (&out)[NUMFMT_GROUPS + 1], const char *grouping)
{
    int i = 0;
    for (; i < NUMFMT_GROUPS && grouping[i] != '\0'; ++i)
        out[i] = static_cast<signed char>(grouping[i]);
    for (; i <= NUMFMT_GROUPS; ++i)
        out[i] = 0;
}

signed char monetary_number(int value)
{
    return value < -128 || value > 127 ? kNotGiven : static_cast<signed char>(value);
}

void copy_lconv(numfmt &f, const gl_lconv *c, gl_locale *loc)
{
    f.decimal_point_len = copy_char(f.decimal_point, c->decimal_point, loc);
    f.locale_decimal_point_len = copy_char(f.locale_decimal_point, c->decimal_point, loc);
    f.thousands_sep_len = copy_char(f.thousands_sep, c->thousands_sep, loc);
    copy_grouping(f.grouping, c->grouping);
    copy_chars(f.int_curr_symbol, c->int_curr_symbol, NUMFMT_SYMBOL_MAX, loc);
    copy_chars(f.currency_symbol, c->currency_symbol, NUMFMT_SYMBOL_MAX, loc);
    const bool mon_point = c->mon_decimal_point != nullptr && *c->mon_decimal_point != '\0';
    f.mon_decimal_point_len = copy_char(f.mon_decimal_point, mon_point ? c->mon_decimal_point : c->decimal_point, loc);
    const bool mon_sep = c->mon_thousands_sep != nullptr && *c->mon_thousands_sep != '\0';
    f.mon_thousands_sep_len = copy_char(f.mon_thousands_sep, mon_sep ? c->mon_thousands_sep : c->thousands_sep, loc);
    copy_grouping(f.mon_grouping, c->mon_grouping);
    f.positive_sign_len = copy_char(f.positive_sign, c->positive_sign, loc);
    f.negative_sign_len = copy_char(f.negative_sign, c->negative_sign, loc);
    f.int_frac_digits = monetary_number(c->int_frac_digits);
    f.frac_digits = monetary_number(c->frac_digits);
    f.p_cs_precedes = monetary_number(c->p_cs_precedes);
    f.p_sep_by_space = monetary_number(c->p_sep_by_space);
    f.n_cs_precedes = monetary_number(c->n_cs_precedes);
    f.n_sep_by_space = monetary_number(c->n_sep_by_space);
    f.p_sign_posn = monetary_number(c->p_sign_posn);
    f.n_sign_posn = monetary_number(c->n_sign_posn);
}

// The locale's part of the format; the plain format without a locale.
void fill_from_locale(numfmt &f, gl_locale *loc)
{
    const gl_lconv *c = loc != nullptr ? gl_localeconv(loc) : nullptr;
    if (c != nullptr)
        copy_lconv(f, c, loc);
    else
        f = kPlainFormat;
}

void set_text(char (&field)[NUMFMT_CHAR_MAX + 1], int &len, const char *text)
{
    std::strcpy(field, text);
    len = static_cast<int>(std::strlen(text));
}

// Makes the fields consistent: points default to ".", separators that are
// not valid characters become empty, signs "+" and "-".
void finish_format(numfmt &f, gl_locale *loc)
{
    if (f.decimal_point_len < 1)
        set_text(f.decimal_point, f.decimal_point_len, ".");
    f.decimal_point_width = glsc::char_width(loc, f.decimal_point, f.decimal_point_len);
    if (f.mon_decimal_point_len < 1)
        set_text(f.mon_decimal_point, f.mon_decimal_point_len, ".");
    f.mon_decimal_point_width = glsc::char_width(loc, f.mon_decimal_point, f.mon_decimal_point_len);
    if (f.thousands_sep_len < 0)
        set_text(f.thousands_sep, f.thousands_sep_len, "");
    if (f.mon_thousands_sep_len < 0)
        set_text(f.mon_thousands_sep, f.mon_thousands_sep_len, "");
    if (f.positive_sign_len < 0)
        set_text(f.positive_sign, f.positive_sign_len, "+");
    if (f.negative_sign_len < 0)
        set_text(f.negative_sign, f.negative_sign_len, "-");
    if (f.locale_decimal_point_len < 0)
        set_text(f.locale_decimal_point, f.locale_decimal_point_len, "");
}

bool is_digit(gl_locale *loc, const char *s, int limit)
{
    return (glsc::char_class(loc, s, limit, nullptr) & GL_CLASS_DIGIT) != 0;
}

// Character length for copying: invalid bytes are taken one at a time.
int step(gl_locale *loc, const char *s, int limit)
{
    int len = glsc::char_length(loc, s, limit);
    return len > 0 ? len : 1;
}

// A DBMONEY front or back text being collected: at most 28 bytes.
struct MoneyText {
    char text[NUMFMT_MONEY_TEXT + 1] = {};
    size_t size = 0;

    // Appends a character unless it would pass the limit.
    void append(const char *s, int len)
    {
        if (size + static_cast<size_t>(len) > NUMFMT_MONEY_TEXT)
            return;
        std::memcpy(text + size, s, static_cast<size_t>(len));
        size += static_cast<size_t>(len);
        text[size] = '\0';
    }
};

// Lays a DBMONEY value over a format already filled from the locale.
void apply_dbmoney(gls_money_state &m, const char *value, gl_locale *loc)
{
    numfmt &f = m.fmt;
    const char *p = value;
    const char *end = value + std::strlen(value);
    MoneyText front;
    MoneyText back;
    const char *separator = nullptr;
    int separator_len = 0;
    while (p < end) {
        const int limit = static_cast<int>(end - p);
        const int len = step(loc, p, limit);
        if (front.size == NUMFMT_MONEY_TEXT || *p == '.' || *p == ',') {
            separator = p;
            separator_len = len;
            p += len;
            break;
        }
        if (is_digit(loc, p, limit))
            front.append("*", 1);
        else
            front.append(p, len);
        p += len;
    }
    while (p < end) {
        const int limit = static_cast<int>(end - p);
        const int len = step(loc, p, limit);
        if (!is_digit(loc, p, limit))
            back.append(p, len);
        p += len;
    }
    if (separator != nullptr && separator_len <= NUMFMT_CHAR_MAX) {
        std::memcpy(f.decimal_point, separator, static_cast<size_t>(separator_len));
        f.decimal_point[separator_len] = '\0';
        f.decimal_point_len = separator_len;
        std::memcpy(f.mon_decimal_point, f.decimal_point, static_cast<size_t>(separator_len) + 1);
        f.mon_decimal_point_len = separator_len;
    }
    std::memcpy(m.front_symbol, front.text, sizeof front.text);
    std::memcpy(m.back_symbol, back.text, sizeof back.text);
    f.p_cs_precedes = front.size == 0 ? 0 : 1;
    if (front.size != 0)
        std::memcpy(f.currency_symbol, front.text, sizeof front.text);
    if (back.size != 0)
        std::memcpy(f.currency_symbol, back.text, sizeof back.text);
    const char *thousands = std::strcmp(f.mon_decimal_point, ",") == 0 ? "." : ",";
    set_text(f.thousands_sep, f.thousands_sep_len, thousands);
    set_text(f.mon_thousands_sep, f.mon_thousands_sep_len, thousands);
}

bool english_client(const GlsState *state)
{
    const char *name = state->setting[GLS_CLIENT_LOCALE];
    if (name == nullptr)
        name = state->cat_spec[GLS_LC_MONETARY - GLS_LC_CTYPE];
    return strncasecmp(name, "en_US", 5) == 0;
}

bool keep_dbmoney_copy(gls_money_state &m, const char *value)
{
    if (m.dbmoney != nullptr && std::strcmp(m.dbmoney, value) == 0)
        return true;
    char *copy = strdup(value);
    if (copy == nullptr)
        return false;
    std::free(m.dbmoney);
    m.dbmoney = copy;
    return true;
}

void build_format(GlsEnv *env)
{
    GlsState *state = env->state;
    gls_money_state &m = state->money;
    gl_locale *loc = env->locale;
    const char *value = state->setting[GLS_DBMONEY];
    if (value == nullptr && english_client(state))
        value = "$.";
    fill_from_locale(m.fmt, loc);
    m.front_symbol[0] = m.back_symbol[0] = '\0';
    if (value == nullptr || *value == '\0') {
        char *to = m.fmt.p_cs_precedes != 0 ? m.front_symbol : m.back_symbol;
        copy_chars(to, m.fmt.currency_symbol, NUMFMT_MONEY_TEXT, loc);
        m.state = NUMFMT_FROM_LOCALE;
    } else {
        keep_dbmoney_copy(m, value);
        apply_dbmoney(m, value, loc);
        m.state = NUMFMT_FROM_DBMONEY;
    }
    finish_format(m.fmt, loc);
}

// The current format and its locale, built when needed.
const numfmt &current_format(gl_locale **loc)
{
    const numfmt *f = gls_numfmt(nullptr);
    *loc = CheckGlsEnv()->locale;
    return *f;
}

gls_money_state *current_money()
{
    gls_numfmt(nullptr);
    GlsState *state = CheckGlsEnv()->state;
    return state->money.state != NUMFMT_NOT_BUILT ? &state->money : nullptr;
}

bool starts_with(const char *s, const char *prefix, int len)
{
    return len > 0 && std::strncmp(s, prefix, static_cast<size_t>(len)) == 0;
}

} // namespace

namespace decconv {

const numfmt &format_as_is()
{
    const GlsState *state = CheckGlsEnv()->state;
    return state->money.state != NUMFMT_NOT_BUILT ? state->money.fmt : kPlainFormat;
}

int money_text(const char *text, char *out, size_t outsize)
{
    gl_locale *loc;
    const numfmt &f = current_format(&loc);
    const gls_money_state *m = current_money();
    size_t put = 0;
    auto append = [&](const char *s, size_t n) {
        if (put + n + 1 > outsize)
            return false;
        std::memcpy(out + put, s, n);
        put += n;
        return true;
    };
    bool ok = m == nullptr || append(m->front_symbol, std::strlen(m->front_symbol));
    for (const char *p = text; ok && p != nullptr && *p != '\0';) {
        const int limit = static_cast<int>(std::strlen(p));
        if (starts_with(p, f.decimal_point, f.decimal_point_len) && f.decimal_point_len <= limit) {
            ok = append(f.mon_decimal_point, static_cast<size_t>(f.mon_decimal_point_len));
            p += f.decimal_point_len;
        } else {
            const int len = step(loc, p, limit);
            ok = append(p, static_cast<size_t>(len));
            p += len;
        }
    }
    ok = ok && (m == nullptr || append(m->back_symbol, std::strlen(m->back_symbol)));
    if (outsize > 0)
        out[ok ? put : 0] = '\0';
    return ok ? static_cast<int>(put) : -1;
}

} // namespace decconv

namespace glsenv {

void forget_numfmt() { ready_format = nullptr; }

} // namespace glsenv

extern "C" {

int rmoninit(GlsEnv *env)
{
    GlsEnv *current = CheckGlsEnv();
    if (env == nullptr)
        env = current;
    if (env->state->money.state != NUMFMT_NOT_BUILT)
        return 0;
    if (env == current)
        if (int status = chkglsinit())
            return status;
    build_format(env);
    return 0;
}

const numfmt *gls_numfmt(int *status)
{
    if (ready_format != nullptr) {
        if (status != nullptr)
            *status = 0;
        return ready_format;
    }
    // The locale first (again after freegls), then the format built once.
    GlsEnv *env = CheckGlsEnv();
    int result = chkglsinit();
    if (result == 0)
        result = rmoninit(env);
    if (status != nullptr)
        *status = result;
    if (result != 0 || env->state->money.state == NUMFMT_NOT_BUILT)
        return &kPlainFormat;
    if (env->state->in_progress == 0)
        ready_format = &env->state->money.fmt;
    return &env->state->money.fmt;
}

const gl_lconv *getdbmoney(void)
{
    GlsEnv *env = CheckGlsEnv();
    rmoninit(env);
    gl_locale *loc = env->locale;
    const gl_lconv *c = loc != nullptr ? gl_localeconv(loc) : nullptr;
    if (c == nullptr)
        return nullptr;
    copy_lconv(env->state->money.fmt, c, loc);
    finish_format(env->state->money.fmt, loc);
    return c;
}

const gl_lconv *init_local_lconv(const gl_lconv *lconv)
{
    if (lconv == nullptr)
        return nullptr;
    GlsEnv *env = CheckGlsEnv();
    rmoninit(env);
    copy_lconv(env->state->money.fmt, lconv, env->locale);
    finish_format(env->state->money.fmt, env->locale);
    return lconv;
}

int genlcscale(void)
{
    const int digits = gls_numfmt(nullptr)->frac_digits;
    return std::clamp(digits, 0, 32);
}

int rfrontlen(void)
{
    const gls_money_state *m = current_money();
    return m != nullptr ? static_cast<int>(std::strlen(m->front_symbol)) : 0;
}

int rbacklen(void)
{
    const gls_money_state *m = current_money();
    return m != nullptr ? static_cast<int>(std::strlen(m->back_symbol)) : 0;
}

int gdecimalpoint(const char *src, const char *point, int pointlen, const char *replacement,
                  int replacementlen, char *dst, int dstsize)
{
    if (src == nullptr || dst == nullptr || dstsize <= 0)
        return kTooLong;
    gl_locale *loc;
    const numfmt &f = current_format(&loc);
    const int srclen = static_cast<int>(strnlen(src, static_cast<size_t>(dstsize) + 1));
    int in = 0;
    int out = 0;
    while (in < srclen) {
        if (in >= dstsize)
            return kTooLong;
        const char *piece = src + in;
        int take = step(loc, piece, srclen - in);
        int put = take;
        if (starts_with(piece, point, pointlen) && pointlen <= srclen - in) {
            take = pointlen;
            piece = replacement;
            put = replacementlen;
        } else if (starts_with(piece, f.thousands_sep, f.thousands_sep_len) &&
                   f.thousands_sep_len <= srclen - in) {
            take = f.thousands_sep_len;
            put = 0;
        }
        if (out + put > dstsize - 1)
            return kTooLong;
        std::memcpy(dst + out, piece, static_cast<size_t>(put));
        out += put;
        in += take;
    }
    dst[out] = '\0';
    return 0;
}

int gDecstrtoANSI(const char *src, char *dst, int size)
{
    const numfmt *f = gls_numfmt(nullptr);
    return gdecimalpoint(src, f->decimal_point, f->decimal_point_len, ".", 1, dst, size);
}

int rdecstr(char *text, int size, int flag)
{
    const numfmt *f = gls_numfmt(nullptr);
    if (text == nullptr || size <= 0)
        return kTooLong;
    if (std::strcmp(f->decimal_point, ".") == 0)
        return 0;
    const size_t length = strnlen(text, static_cast<size_t>(size));
    if (length == static_cast<size_t>(size))
        return kTooLong;
    const size_t work_size = length * static_cast<size_t>(std::max(f->decimal_point_len, 1)) + 1;
    char local[1028];
    char *work = work_size <= sizeof local ? local : static_cast<char *>(std::malloc(work_size));
    if (work == nullptr)
        return kNoMemory;
    int status = gdecimalpoint(text, ".", 1, f->decimal_point, f->decimal_point_len, work,
                               static_cast<int>(work_size));
    if (status != 0)
        work[0] = '\0';
    size_t result = std::strlen(work);
    if (flag == 0 && (status != 0 || result + 1 > static_cast<size_t>(size))) {
        const char *point = std::strstr(work, f->decimal_point);
        if (status != 0 || point == nullptr) {
            status = kTooLong;
        } else {
            result = static_cast<size_t>(point - work);
            work[result] = '\0';
            status = 0;
        }
    }
    if (status == 0 && result + 1 <= static_cast<size_t>(size))
        std::memcpy(text, work, result + 1);
    else
        status = kTooLong;
    if (work != local)
        std::free(work);
    return status;
}

void rdecmon(const char *text, char *out)
{
    if (out != nullptr)
        decconv::money_text(text, out, SIZE_MAX);
}

void rmondec(const char *text, int len, char *out)
{
    gl_locale *loc;
    const numfmt &f = current_format(&loc);
    const gls_money_state *m = current_money();
    const char *front = m != nullptr ? m->front_symbol : "";
    const char back = m != nullptr ? m->back_symbol[0] : '\0';
    int at = 0;
    int put = 0;
    while (text != nullptr && at < len && text[at] == ' ')
        ++at;
    for (int i = 0; front[i] != '\0' && at < len && text[at] == front[i]; ++i)
        ++at;
    while (text != nullptr && at < len && text[at] != '\0' && (back == '\0' || text[at] != back)) {
        const int limit = len - at;
        if (starts_with(text + at, f.mon_decimal_point, f.mon_decimal_point_len) &&
            f.mon_decimal_point_len <= limit) {
            std::memcpy(out + put, f.decimal_point, static_cast<size_t>(f.decimal_point_len));
            put += f.decimal_point_len;
            at += f.mon_decimal_point_len;
        } else if (starts_with(text + at, f.mon_thousands_sep, f.mon_thousands_sep_len) &&
                   f.mon_thousands_sep_len <= limit) {
            at += f.mon_thousands_sep_len;
        } else {
            const int n = step(loc, text + at, limit);
            std::memcpy(out + put, text + at, static_cast<size_t>(n));
            put += n;
            at += n;
        }
    }
    out[put] = '\0';
}

} // extern "C"
