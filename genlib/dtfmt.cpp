// DATETIME text by %-formats: the DBTIME rewriting of formats, the
// qualifier a format covers (getfmtqual), formats limited to a qualifier
// (qualtofmt), the process DATETIME format, parsing and formatting through
// the locale library's time parser and formatter (dtcvfmtasc, dttofmtasc and
// their century forms, trw_gl_convert_datetime, trw_gl_format_datetime),
// getdatetimefmt, _dtimedigits, and the display-format table of the locale
// environment that USE_DTENV parsing uses.
//
// Every format is copied (rewritten) before use and the copy freed on every
// path; the caller's texts are never changed.
#include <cstring>

#include "dispwidth.h"
#include "dtbuf.h"
#include "dtint.h"
#include "dttextint.h"
#include "gentcb.h"
#include "gl_time.h"
#include "glsenvint.h"
#include "rdateint.h"

namespace trw::dt {

namespace {

constexpr const char *kDefaultFormat = "%iY-%m-%d %H:%M:%S";
constexpr int kTimeItemDateTime = 0, kTimeItemDate = 61, kTimeItemTime = 62, kTimeItemAmPm = 63;
constexpr int kTimeItemEraDate = 67, kTimeItemEraDateTime = 68, kTimeItemEraTime = 69;
constexpr int kExpandDepth = 4;

bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Frees a malloc'd format when it goes out of scope.
struct Owned {
    char *text = nullptr;
    Owned() = default;
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    ~Owned() { std::free(text); }
};

// One conversion of a %-format: "%", the flag "-", a width, "." and a
// precision, a modifier E, O or i, the letter, and for F its digit.
struct Spec {
    const char *begin = nullptr, *end = nullptr;
    bool minus = false;
    const char *width = nullptr;
    int width_len = 0;
    bool has_prec = false;
    const char *prec = nullptr;
    int prec_len = 0;
    char mod = 0;
    char letter = 0;
    int fdigit = -1;
    const char *letter_at = nullptr;
};

// Reads the conversion at p (a "%"). 0, -1276 for a "%" that ends the
// format, -1275 for a width or precision before a character that is not a
// letter.
int read_spec(const char *p, Spec &s)
{
    s = Spec{};
    s.begin = p++;
    if (*p == '-') {
        s.minus = true;
        ++p;
    }
    s.width = p;
    while (is_digit(*p))
        ++p;
    s.width_len = static_cast<int>(p - s.width);
    if (*p == '.') {
        s.has_prec = true;
        s.prec = ++p;
        while (is_digit(*p))
            ++p;
        s.prec_len = static_cast<int>(p - s.prec);
    }
    if ((*p == 'E' || *p == 'O' || *p == 'i') && is_alpha(p[1]))
        s.mod = *p++;
    s.letter_at = p;
    s.letter = *p;
    if (s.letter == '\0')
        return s.width_len > 0 || s.has_prec ? kBadWidth : kBadConversion;
    if (!is_alpha(s.letter) && (s.width_len > 0 || s.has_prec))
        return kBadWidth;
    ++p;
    if (s.letter == 'F' && is_digit(*p))
        s.fdigit = *p++ - '0';
    s.end = p;
    return 0;
}

int prec_value(const Spec &s)
{
    int v = 0;
    for (int i = 0; i < s.prec_len && i < 3; ++i)
        v = v * 10 + (s.prec[i] - '0');
    return s.prec_len > 0 ? v : -1;
}

// Units of a conversion: start and end unit codes.
struct Units {
    int start, end;
};
constexpr Units kNone{-1, -1};
constexpr Units kYear{TU_YEAR, TU_YEAR}, kMonth{TU_MONTH, TU_MONTH}, kDay{TU_DAY, TU_DAY};
constexpr Units kHour{TU_HOUR, TU_HOUR}, kMinute{TU_MINUTE, TU_MINUTE}, kSecond{TU_SECOND, TU_SECOND};
constexpr Units kYearToDay{TU_YEAR, TU_DAY}, kYearToF2{TU_YEAR, TU_F2};
constexpr Units kHourToMinute{TU_HOUR, TU_MINUTE}, kHourToSecond{TU_HOUR, TU_SECOND};

// Rows: modifier (0 none), letters, units.
struct UnitRow {
    char mod;
    const char *letters;
    Units units;
};
constexpr UnitRow kUnitRows[] = {
    {0, "YyCnt", kYear},      {0, "mbBh", kMonth},         {0, "de", kDay},         {0, "HIp", kHour},
    {0, "M", kMinute},        {0, "S", kSecond},           {0, "aAuD", kYearToDay}, {0, "R", kHourToMinute},
    {0, "T", kHourToSecond},  {0, "cxXjrw", kYearToF2},    {'i', "Yy", kYear},      {'E', "Yy", kYear},
    {'E', "CcgxX", kYearToF2}, {'O', "Yy", kYear},         {'O', "m", kMonth},      {'O', "de", kDay},
    {'O', "HI", kHour},       {'O', "M", kMinute},         {'O', "S", kSecond},     {'O', "w", kYearToDay},
};

// The units of a conversion; kNone for one that covers none, or the status
// -1275 (in start) for a bad fraction digit.
Units spec_units(const Spec &s)
{
    if (s.letter == 'F' && (s.mod == 0 || s.mod == 'i')) {
        int n = s.fdigit;
        if (n == 0 || n > 5)
            return {kBadWidth, kBadWidth};
        if (n < 0) {
            const int p = prec_value(s);
            n = p >= 1 && p <= 5 ? p : 2;
        }
        return {TU_FRAC, 10 + n};
    }
    for (const UnitRow &row : kUnitRows)
        if (row.mod == s.mod && std::strchr(row.letters, s.letter) != nullptr)
            return row.units;
    return kNone;
}

int rank(int code) { return code > 10 ? 12 : code; }

} // namespace

// The qualifier of a %-format: the smallest start and largest end of its
// conversions, length end - start + 2 (+ 2 for a year start); 0 for literal
// text only. A negative status (-1275, -1276) for a bad format.
int getfmtqual(const char *format)
{
    int start = 99, end = -1;
    for (const char *p = format; *p != '\0';) {
        if (*p != '%') {
            ++p;
            continue;
        }
        Spec s;
        if (const int status = read_spec(p, s); status < 0)
            return status;
        p = s.end;
        const Units u = spec_units(s);
        if (u.start == kBadWidth)
            return kBadWidth;
        if (u.start < 0)
            continue;
        if (rank(u.start) < rank(start))
            start = u.start;
        if (u.end > end)
            end = u.end;
    }
    if (end < 0)
        return 0;
    const int length = end - start + 2 + (start == TU_YEAR ? 2 : 0);
    return TU_ENCODE(length, start, end);
}

namespace {

// ---- the DBTIME rewriting --------------------------------------------------------------------

// Era suffixes: the text at the very end and the era form it selects.
struct EraSuffix {
    const char *suffix;
    char form; // 'g' abbreviated era names, 'C' full names
};
constexpr EraSuffix kEraSuffixes[] = {{"C1", 'g'}, {"J1", 'g'}, {"J2", 'C'}};

// The replacement of Y and y in era mode: [form g/C][parse][Y/y].
const char *era_year(char form, bool parse, char letter)
{
    if (form == 'g')
        return letter == 'Y' ? (parse ? "Eg%Ey" : "Eg%04.4Ey") : (parse ? "Eg%Ey" : "Eg%02.2Ey");
    return letter == 'Y' ? (parse ? "EC%Ey" : "EC%04.4Ey") : (parse ? "EC%Ey" : "EC%02.2Ey");
}

void rewrite_spec(const Spec &s, char era, bool parse, bool want_if, TextBuf &b)
{
    const bool era_form = era != 0 && s.mod == 0 && (s.letter == 'Y' || s.letter == 'y');
    b.put('%');
    if (s.minus)
        b.put('-');
    if (s.width_len > 0)
        b.put(s.width, static_cast<size_t>(s.width_len));
    else if (!era_form && s.letter != 0 && std::strchr("HIMRSTdmy", s.letter) != nullptr)
        b.put("02");
    else if (!era_form && s.letter == 'Y')
        b.put("04");
    if (s.has_prec && !parse) {
        b.put('.');
        b.put(s.prec, static_cast<size_t>(s.prec_len));
    }
    if (era_form) {
        b.put(era_year(era, parse, s.letter));
        return;
    }
    if (s.letter == 'F') {
        if (want_if && s.mod == 0)
            b.put('i');
        else if (s.mod != 0)
            b.put(s.mod);
        b.put('F');
        const char before = s.letter_at[-1];
        if (s.fdigit >= 0)
            b.put(static_cast<char>('0' + s.fdigit));
        else if (before == '%' || before == '.')
            b.put('2');
        return;
    }
    if (s.mod != 0)
        b.put(s.mod);
    b.put(s.letter);
}

} // namespace

// The DBTIME rewriting of format into *out (malloc'd). parse: precisions
// dropped; want_if: F becomes iF. 0, -1275, -1276, -1211.
int rewrite_dbtime(const char *format, bool parse, bool want_if, char **out)
{
    *out = nullptr;
    size_t n = std::strlen(format);
    char era = 0;
    for (const EraSuffix &e : kEraSuffixes)
        if (n >= 2 && std::strcmp(format + n - 2, e.suffix) == 0) {
            era = e.form;
            n -= 2;
            break;
        }
    TextBuf body;
    body.put(format, n);
    if (body.failed())
        return kNoMemory;
    TextBuf b;
    b.put("", 0);
    for (const char *p = body.c_str(); *p != '\0';) {
        if (*p != '%') {
            b.put(*p++);
            continue;
        }
        Spec s;
        if (const int status = read_spec(p, s); status < 0)
            return status;
        rewrite_spec(s, era, parse, want_if, b);
        p = s.end;
    }
    *out = b.release();
    return *out != nullptr ? 0 : kNoMemory;
}

namespace {

const char *setting_text(const GlsEnv *env, int index)
{
    const char *v = env->state != nullptr ? glsenv::setting(env->state, index) : nullptr;
    return v != nullptr && *v != '\0' ? v : nullptr;
}

char *copy_text(const char *text)
{
    const size_t n = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(n));
    if (copy != nullptr)
        std::memcpy(copy, text, n);
    return copy;
}

// The format in use for a DATETIME: an explicit one rewritten, or the
// process format (DBTIME, GL_DATETIME rewritten; the locale's date-and-time
// format; the default). *out is malloc'd. 0 or a status.
int resolve_format(const GlsEnv *env, const char *format, bool parse, char **out)
{
    *out = nullptr;
    if (format == nullptr) {
        format = setting_text(env, GLS_DBTIME);
        if (format == nullptr)
            format = setting_text(env, GLS_GL_DATETIME);
        if (format == nullptr) {
            const char *own = env->locale != nullptr ? gl_get_ltime_fmts(env->locale, kTimeItemDateTime) : nullptr;
            *out = copy_text(own != nullptr && *own != '\0' ? own : kDefaultFormat);
            return *out != nullptr ? 0 : kNoMemory;
        }
    }
    return rewrite_dbtime(format, parse, false, out);
}

// The SQL error for a locale error code after a DATETIME parse or format,
// rows tested in order.
struct CodeRow {
    int first, last, sql;
};
constexpr CodeRow kLocaleCodes[] = {
    {22, 22, kBadConversion}, {15, 15, kBadConversion}, {14, 14, kTooSmall}, {3, 3, kNoMemory},
    {12, 12, GLS_ENOINIT},    {9, 9, kBadValue},        {23, 32, kBadValue}, {44, 45, kBadValue},
    {33, 41, kNoMatch},       {46, 46, kNoMatch},       {42, 42, -1236},     {43, 43, -1237},
    {47, 47, kNoPoint},
};

int sql_of_locale_code(int code)
{
    for (const CodeRow &row : kLocaleCodes)
        if (code >= row.first && code <= row.last)
            return row.sql;
    return kBadValue;
}

int current_year()
{
    int32_t today;
    rtoday(&today);
    int16_t mdy[3];
    if (today == TRW_DATE_NULL || rjulmdy(today, mdy) != 0)
        return 2000;
    return mdy[2];
}

constexpr int32_t kUnreadYear = INT32_MIN;

// Parses text by a resolved format into out (qualifier): 0 or a status,
// out untouched on failure.
int parse_resolved(gl_locale *loc, const char *text, const char *format, decvalue *out, int qualifier)
{
    if (*format == '\0')
        return kNoMatch;
    const int fq = getfmtqual(format);
    if (fq < 0)
        return fq;
    gl_tm rec{};
    rec.tm_mday = 1;
    rec.tm_year = kUnreadYear;
    loc->error = 0;
    const char *end = gl_mbsptime(loc, text, format, &rec, trw::date::century_rule());
    if (end == nullptr)
        return sql_of_locale_code(loc->error);
    while (is_space(*end))
        ++end;
    if (*end != '\0')
        return kBadValue;
    if (rec.tm_year == kUnreadYear)
        rec.tm_year = current_year() - 1900;
    decvalue result;
    if (fq == 0) {
        // Literal text only: no unit was read, every unit is the current one.
        dt_value now;
        now.dt_qual = static_cast<int16_t>(qualifier);
        if (const int status = dtcurrent(&now); status < 0)
            return status;
        result = now.dt_dec;
    } else {
        dt_value part;
        part.dt_qual = static_cast<int16_t>(fq);
        if (tmtodtdec(&rec, &part) != 0 || rdtextend(&part.dt_dec, fq, &result, qualifier) < 0)
            return kBadValue;
    }
    *out = result;
    return 0;
}

// Formats dec by a resolved format into out[0..size): 0 or a status.
int format_resolved(gl_locale *loc, const decvalue *dec, int qualifier, const char *format, char *out, int size)
{
    if (is_null(dec)) {
        out[0] = '\0';
        return 0;
    }
    const int fq = getfmtqual(format);
    if (fq < 0) {
        out[0] = '\0';
        return fq;
    }
    gl_tm tm{};
    if (fq != 0) {
        dt_value v;
        v.dt_qual = static_cast<int16_t>(fq);
        if (const int status = rdtextend(dec, qualifier, &v.dt_dec, fq); status < 0) {
            out[0] = '\0';
            return status;
        }
        // Weekday and day of year only when the value has year, month and day.
        dtdectotm(&v, &tm);
    }
    loc->error = 0;
    const int n = gl_mbsftime(loc, out, size, format, &tm);
    if (n == 0 && loc->error != 0) {
        out[0] = '\0';
        return sql_of_locale_code(loc->error);
    }
    return 0;
}

int env_ready(GlsEnv **env) { return trw::date::locale_ready(env); }

int parse_text(const char *text, const char *format, dt_value *dt)
{
    Layout layout;
    if (const int status = checked_layout(dt->dt_qual, false, layout); status < 0)
        return status;
    if (text == nullptr || *text == '\0')
        return kEmptyText;
    GlsEnv *env;
    if (const int status = env_ready(&env); status < 0)
        return status;
    Owned resolved;
    if (const int status = resolve_format(env, format, true, &resolved.text); status < 0)
        return status;
    return parse_resolved(env->locale, text, resolved.text, &dt->dt_dec, dt->dt_qual);
}

int format_value(const dt_value *dt, char *out, int size, const char *format)
{
    if (out == nullptr || size <= 0)
        return kTooSmall;
    Layout layout;
    if (const int status = checked_layout(dt->dt_qual, false, layout); status < 0) {
        out[0] = '\0';
        return status;
    }
    GlsEnv *env;
    if (const int status = env_ready(&env); status < 0) {
        out[0] = '\0';
        return status;
    }
    Owned resolved;
    if (const int status = resolve_format(env, format, false, &resolved.text); status < 0) {
        out[0] = '\0';
        return status;
    }
    return format_resolved(env->locale, &dt->dt_dec, dt->dt_qual, resolved.text, out, size);
}

// ---- formats limited to a qualifier ------------------------------------------------------------

// Appends format to b with its composite conversions expanded.
void expand_composites(gl_locale *loc, const char *format, TextBuf &b, int depth)
{
    const bool eras = loc != nullptr && gl_get_era_count(loc) > 0;
    for (const char *p = format; *p != '\0';) {
        Spec s;
        if (*p != '%' || read_spec(p, s) < 0) {
            b.put(*p++);
            continue;
        }
        p = s.end;
        const char *sub = nullptr;
        if (s.mod == 0 && s.letter == 'D')
            sub = "%m/%d/%y";
        else if (s.mod == 0 && s.letter == 'R')
            sub = "%H:%M";
        else if (s.mod == 0 && s.letter == 'T')
            sub = "%H:%M:%S";
        else if (loc != nullptr && depth < kExpandDepth && (s.mod == 0 || s.mod == 'E')) {
            const bool era_item = s.mod == 'E' && eras;
            const int item = s.letter == 'c'   ? (era_item ? kTimeItemEraDateTime : kTimeItemDateTime)
                             : s.letter == 'x' ? (era_item ? kTimeItemEraDate : kTimeItemDate)
                             : s.letter == 'X' ? (era_item ? kTimeItemEraTime : kTimeItemTime)
                             : s.letter == 'r' && s.mod == 0 ? kTimeItemAmPm
                                                             : -1;
            const char *own = item >= 0 ? gl_get_ltime_fmts(loc, item) : nullptr;
            if (own != nullptr && *own != '\0') {
                expand_composites(loc, own, b, depth + 1);
                continue;
            }
        }
        if (sub != nullptr)
            b.put(sub);
        else
            b.put(s.begin, static_cast<size_t>(s.end - s.begin));
    }
}

bool units_within(const Units &u, const Layout &q)
{
    return rank(u.start) >= rank(q.start) && u.end <= q.end && !(u.start == TU_FRAC && q.end < TU_F1);
}

// The conversions of format whose units lie within the qualifier, with the
// literal text just before each kept conversion after the first.
char *limit_to(const char *format, const Layout &q)
{
    TextBuf b;
    b.put("", 0);
    bool kept_any = false;
    const char *literal = format;
    for (const char *p = format; *p != '\0';) {
        Spec s;
        if (*p != '%' || read_spec(p, s) < 0) {
            ++p;
            continue;
        }
        p = s.end;
        const Units u = spec_units(s);
        if (u.start < 0 && u.start != kBadWidth)
            continue; // covers no unit: part of the literal text
        if (u.start >= 0 && units_within(u, q)) {
            if (kept_any)
                b.put(literal, static_cast<size_t>(s.begin - literal));
            b.put(s.begin, static_cast<size_t>(s.end - s.begin));
            kept_any = true;
        }
        literal = s.end;
    }
    return b.release();
}

} // namespace

// qualtofmt on a given environment; *status 0, -1268 or -1211.
char *qualtofmt_in(GlsEnv *env, int qualifier, const char *format, int *status)
{
    Layout q;
    if ((*status = checked_layout(qualifier, false, q)) < 0)
        return nullptr;
    Owned resolved;
    if ((*status = resolve_format(env, format, true, &resolved.text)) < 0)
        return nullptr;
    TextBuf expanded;
    expanded.put("", 0);
    expand_composites(env->locale, resolved.text, expanded, 0);
    char *out = expanded.failed() ? nullptr : limit_to(expanded.c_str(), q);
    *status = out != nullptr ? 0 : kNoMemory;
    return out;
}

namespace {

int start_index(int start) { return start <= TU_SECOND ? start / 2 : 6; }
int end_index(int end) { return end <= TU_SECOND ? end / 2 : end - 5; }

} // namespace

void free_dtimequals(GlsEnv *env)
{
    for (auto &row : env->dtfmt)
        for (char *&format : row) {
            std::free(format);
            format = nullptr;
        }
}

int cache_dtimequals(GlsEnv *env)
{
    free_dtimequals(env);
    if (setting_text(env, GLS_DBTIME) == nullptr && setting_text(env, GLS_GL_DATETIME) == nullptr)
        return 0;
    for (int start = TU_YEAR; start <= TU_FRAC; start += 2)
        for (int end = TU_YEAR; end <= TU_F5; ++end) {
            Layout q;
            if (!make_layout(TU_DTENCODE(start, end), false, q))
                continue;
            int status;
            char *format = qualtofmt_in(env, TU_DTENCODE(start, end), nullptr, &status);
            if (format == nullptr) {
                free_dtimequals(env);
                return status == kNoMemory ? kNoMemory : 0;
            }
            env->dtfmt[start_index(start)][end_index(end)] = format;
        }
    return 0;
}

int parse_by_dtenv(const char *text, decvalue *dec, int qualifier)
{
    if (strisblank(text)) {
        set_null(dec);
        return 0;
    }
    GlsEnv *env;
    if (const int status = env_ready(&env); status < 0)
        return status;
    Layout q;
    make_layout(qualifier, false, q);
    char *&slot = env->dtfmt[start_index(q.start)][end_index(q.end)];
    if (slot == nullptr) {
        int status;
        slot = qualtofmt_in(env, qualifier, nullptr, &status);
        if (slot == nullptr)
            return status;
    }
    return parse_resolved(env->locale, text, slot, dec, qualifier);
}

bool gl_datetime_set()
{
    if (chkglsinit() != 0)
        return false;
    return setting_text(CheckGlsEnv(), GLS_GL_DATETIME) != nullptr;
}

int format_by_process(const decvalue *dec, int qualifier, char *out, int size)
{
    dt_value v;
    v.dt_qual = static_cast<int16_t>(qualifier);
    v.dt_dec = *dec;
    return format_value(&v, out, size, nullptr);
}

} // namespace trw::dt

using namespace trw::dt;

extern "C" {

int dtcvfmtasc(const char *text, const char *format, dt_value *dt)
{
    return parse_text(text, format, dt);
}

int trw_dtcvfmtasc(const char *text, const char *format, dt_value *dt, int century)
{
    const trw::date::CenturyScope scope(century);
    return parse_text(text, format, dt);
}

int dttofmtasc(const dt_value *dt, char *out, int size, const char *format)
{
    return format_value(dt, out, size, format);
}

int trw_dttofmtasc(const dt_value *dt, char *out, int size, const char *format, int century)
{
    const trw::date::CenturyScope scope(century);
    return format_value(dt, out, size, format);
}

int getdatetimefmt(char **format)
{
    if (format == nullptr)
        return kTooSmall;
    *format = nullptr;
    GlsEnv *env;
    if (const int status = env_ready(&env); status < 0)
        return status;
    return resolve_format(env, nullptr, false, format);
}

char *qualtofmt(int qualifier, const char *format)
{
    GlsEnv *env;
    if (const int status = env_ready(&env); status < 0) {
        set_toerrno(status);
        return nullptr;
    }
    int status;
    char *out = qualtofmt_in(env, qualifier, format, &status);
    if (out == nullptr)
        set_toerrno(status);
    return out;
}

int _dtimedigits(void)
{
    GlsEnv *env;
    if (env_ready(&env) < 0)
        return 0;
    Owned resolved;
    if (resolve_format(env, nullptr, false, &resolved.text) < 0)
        return 0;
    const int n = dispwidth::expanded_format_len(resolved.text);
    return n > 0 ? n : 0;
}

int trw_gl_convert_datetime(dt_value *out, const char *text, const char *format)
{
    GlsEnv *env;
    if (out == nullptr || env_ready(&env) < 0)
        return -1;
    gl_locale *loc = env->locale;
    Owned resolved;
    if (text == nullptr) {
        loc->error = GL_ENULLARG;
        return -1;
    }
    if (resolve_format(env, format, true, &resolved.text) < 0) {
        loc->error = GL_ETMFORMAT;
        return -1;
    }
    const int fq = getfmtqual(resolved.text);
    if (fq <= 0) {
        loc->error = GL_ETMFORMAT;
        return -1;
    }
    const int qualifier = TU_DTENCODE(TU_YEAR, TU_END(fq));
    decvalue value;
    const int status = parse_resolved(loc, text, resolved.text, &value, qualifier);
    if (status < 0) {
        if (status == kBadValue)
            loc->error = GL_ETMNOYEAR;
        return -1;
    }
    out->dt_qual = static_cast<int16_t>(qualifier);
    out->dt_dec = value;
    return 0;
}

int trw_gl_format_datetime(char *out, int size, const dt_value *dt, const char *format)
{
    GlsEnv *env;
    if (env_ready(&env) < 0)
        return -1;
    gl_locale *loc = env->locale;
    if (out == nullptr || size <= 0 || dt == nullptr) {
        loc->error = GL_EBADARG;
        return -1;
    }
    Owned resolved;
    if (resolve_format(env, format, false, &resolved.text) < 0) {
        out[0] = '\0';
        loc->error = GL_ETMFORMAT;
        return -1;
    }
    const int fq = getfmtqual(resolved.text);
    if (fq < 0) {
        out[0] = '\0';
        loc->error = GL_ETMFORMAT;
        return -1;
    }
    gl_tm tm{};
    if (fq != 0 && !is_null(&dt->dt_dec)) {
        dt_value v;
        v.dt_qual = static_cast<int16_t>(TU_DTENCODE(TU_YEAR, TU_END(fq)));
        if (rdtextend(&dt->dt_dec, dt->dt_qual, &v.dt_dec, v.dt_qual) < 0) {
            out[0] = '\0';
            loc->error = GL_EBADARG;
            return -1;
        }
        dtdectotm(&v, &tm);
    } else if (is_null(&dt->dt_dec)) {
        out[0] = '\0';
        return 0;
    }
    loc->error = 0;
    const int n = gl_mbsftime(loc, out, size, resolved.text, &tm);
    return n == 0 && loc->error != 0 ? -1 : n;
}

} // extern "C"
