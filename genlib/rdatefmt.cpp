// DATE text by the process's date format and by date masks: rdatestr,
// rstrdate, trw_strdate, rgetglsdate, fmtstr (the old-style mask of DBDATE,
// built once by getfmt), rfmtdate, rdefmtdate, trw_defmtdate, and the
// translation of a mask into a %-format of the locale library.
//
// A mask becomes a %-format by a left-to-right scan, letters compared
// without regard to case and the longest form winning (see kMaskElements);
// "%" becomes "%%" so that everything else in a mask stays literal text.
// Each mask byte gives at most 5 format bytes ("yy" becomes "%EC%02.2Ey"),
// which sizes the derived format.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string.h>

#include "glschar.h"
#include "osenv.h"
#include "rdateint.h"

namespace {

using namespace trw::date;

constexpr int kDay = 1, kMonth = 2, kYear = 3;
constexpr size_t kFormatGrowth = 5;

// ASCII case folding: mask letters are ASCII.
int lower(char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : static_cast<unsigned char>(c); }
int upper_of(char c) { return std::toupper(static_cast<unsigned char>(c)); }
int field_error(int code) { return code == kDay ? kDayError : code == kMonth ? kMonthError : kYearError; }

bool blank_between(const char *b, const char *e)
{
    for (; b < e; ++b)
        if (*b != ' ')
            return false;
    return true;
}

// True when text starts with element, ignoring case.
bool starts_with(const char *text, const char *element)
{
    for (; *element != '\0'; ++text, ++element)
        if (lower(*text) != *element)
            return false;
    return true;
}

// Mask elements, longest first where one is a prefix of another. year:
// 0 not a year; 2 or 4 digits. era: 0 plain, 1 full era name (%EC), 2
// abbreviated era name (%Eg).
struct MaskElement {
    const char *text;
    size_t length;
    const char *format; // for plain years: null, chosen by the mask's era style
    int field;
    int digits;
    int era;
};
constexpr MaskElement kMaskElements[] = {
    {"nnnnyyyy", 8, "%EC%04.4Ey", kYear, 4, 1}, {"nnnnyy", 6, "%EC%02.2Ey", kYear, 2, 1},
    {"eyyyy", 5, "%EC%04.4Ey", kYear, 4, 1},    {"gyyyy", 5, "%Eg%04.4Ey", kYear, 4, 2},
    {"nyyyy", 5, "%Eg%04.4Ey", kYear, 4, 2},    {"yyyy", 4, nullptr, kYear, 4, 0},
    {"eyy", 3, "%EC%02.2Ey", kYear, 2, 1},      {"gyy", 3, "%Eg%02.2Ey", kYear, 2, 2},
    {"nyy", 3, "%Eg%02.2Ey", kYear, 2, 2},      {"ddd", 3, "%a", 0, 0, 0},
    {"mmm", 3, "%b", kMonth, 0, 0},             {"dd", 2, "%d", kDay, 0, 0},
    {"mm", 2, "%m", kMonth, 0, 0},              {"ww", 2, "%a", 0, 0, 0},
    {"yy", 2, nullptr, kYear, 2, 0},
};

// The longest form wins because no element is a prefix of a later one.
constexpr bool longest_first()
{
    constexpr size_t n = sizeof kMaskElements / sizeof kMaskElements[0];
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            size_t k = 0;
            while (kMaskElements[i].text[k] != '\0' && kMaskElements[i].text[k] == kMaskElements[j].text[k])
                ++k;
            if (kMaskElements[i].text[k] == '\0')
                return false;
        }
    return true;
}
static_assert(longest_first());

// The format of a plain year by the mask's era style (0 none, 1 full era
// names, 2 abbreviated).
const char *plain_year_format(int digits, int style)
{
    static const char *const formats[3][2] = {
        {"%iy", "%iY"}, {"%EC%02.2Ey", "%EC%04.4Ey"}, {"%Eg%02.2Ey", "%Eg%04.4Ey"}};
    return formats[style][digits == 4 ? 1 : 0];
}

// A mask's closing era suffix: its era indicator and plain-year style.
struct MaskSuffix {
    int indicator = 0;
    int style = 0;
    size_t length = 0;
};

MaskSuffix suffix_of(const char *mask, size_t n)
{
    MaskSuffix s;
    if (n < 2)
        return s;
    const int a = lower(mask[n - 2]), b = mask[n - 1];
    if (a == 'c' && b == '1')
        s = {2, 2, 2};
    else if (a == 'j' && b == '1')
        s = {1, 2, 2};
    else if (a == 'j' && b == '2')
        s = {1, 1, 2};
    return s;
}

// The old-style mask of a valid DBDATE value; false for a bad value.
bool rewrite_dbdate(const char *dbdate, char *out)
{
    const size_t n = std::strlen(dbdate);
    if (n == 0)
        return false;
    char separator = dbdate[0];
    for (size_t i = n - 1; i >= 1; --i)
        if (std::strchr("/-.0", dbdate[i]) != nullptr) {
            separator = dbdate[i];
            break;
        }
    const char *sep = separator == ' ' ? " " : separator == '-' ? "-" : separator == '.' ? "." : separator == '0' ? "" : "/";
    // The calendar suffix, trailing blanks ignored: C1 and J1 abbreviated
    // era names, J2 full ones.
    size_t end = n;
    while (end > 0 && dbdate[end - 1] == ' ')
        --end;
    int suffix_style = 0;
    if (end >= 2 && dbdate[end - 1] == '1' && (upper_of(dbdate[end - 2]) == 'C' || upper_of(dbdate[end - 2]) == 'J'))
        suffix_style = 2;
    else if (end >= 2 && dbdate[end - 1] == '2' && upper_of(dbdate[end - 2]) == 'J')
        suffix_style = 1;
    const char *fields[3] = {};
    int count = 0, days = 0, months = 0, years = 0;
    char year_text[8] = {};
    for (size_t i = 0; i < n; ++i) {
        const int c = upper_of(dbdate[i]);
        if (c == 'D' || c == 'M') {
            (c == 'D' ? days : months)++;
            if (count < 3)
                fields[count++] = c == 'D' ? "dd" : "mm";
        } else if (c == 'Y') {
            const char width = dbdate[i + 1];
            if (width != '2' && width != '4')
                return false;
            ++years;
            const int prefix = i > 0 ? upper_of(dbdate[i - 1]) : 0;
            const int style = prefix == 'E' ? 1 : prefix == 'G' || prefix == 'N' ? 2 : suffix_style;
            const char *era = style == 1 ? "e" : style == 2 ? "g" : "";
            std::strcpy(year_text, era);
            std::strcat(year_text, width == '4' ? "yyyy" : "yy");
            if (count < 3)
                fields[count++] = year_text;
            ++i;
        }
    }
    if (days != 1 || months != 1 || years != 1)
        return false;
    out[0] = '\0';
    for (int i = 0; i < 3; ++i) {
        std::strcat(out, fields[i]);
        if (i < 2)
            std::strcat(out, sep);
    }
    return true;
}

// The old-style format string, built once.
char g_fmtstr[TRW_FMTSTR_SIZE];
bool g_fmtstr_built = false;

bool blank_text(const char *text)
{
    for (; *text != '\0'; ++text)
        if (*text != ' ')
            return false;
    return true;
}

ScanRequest process_request(const GlsEnv *env)
{
    const GlsState *s = env->state;
    return {{s->date_order[0], s->date_order[1], s->date_order[2]}, s->date_era, false, false};
}

// The shortcut for plain numeric text in a Gregorian locale without eras:
// the three fields at their full widths (day and month 2 digits, year 4)
// with one ASCII punctuation character between each two, or none at all,
// and nothing after. The general scan reads such text to the same fields;
// anything else is left to it (false).
bool numeric_shortcut(const GlsState *s, const char *text, int32_t *date, int *status)
{
    constexpr int kWidth[4] = {0, 2, 2, 4};
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    int value[4] = {};
    bool separated = false;
    const char *p = text;
    for (int i = 0; i < 3; ++i) {
        const int code = s->date_order[i];
        if (code < kDay || code > kYear)
            return false;
        if (i > 0) {
            const auto c = static_cast<unsigned char>(*p);
            const bool punct = c > ' ' && c < 0x7F && !digit(*p) && static_cast<unsigned>((c | 0x20) - 'a') >= 26u;
            if (i == 1)
                separated = punct;
            if (punct != separated)
                return false;
            p += punct ? 1 : 0;
        }
        for (int k = 0; k < kWidth[code]; ++k, ++p) {
            if (!digit(*p))
                return false;
            value[code] = value[code] * 10 + (*p - '0');
        }
    }
    if (*p != '\0')
        return false;
    const int16_t mdy[3] = {static_cast<int16_t>(value[kMonth]), static_cast<int16_t>(value[kDay]),
                            static_cast<int16_t>(value[kYear])};
    int32_t parsed;
    *status = rmdyjul(mdy, &parsed);
    if (*status == 0)
        *date = parsed;
    return true;
}

int parse_by_process_format(const char *text, int32_t *date)
{
    *date = TRW_DATE_NULL;
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    if (text == nullptr)
        return kNoMatch;
    if (!env->state->date_from_dbdate)
        return parse_by(env->locale, env->state->gl_date, text, date);
    const GlsState *s = env->state;
    int shortcut_status;
    if (s->date_era == 0 && s->gregorian && numeric_shortcut(s, text, date, &shortcut_status))
        return shortcut_status;
    int32_t value = TRW_DATE_NULL;
    const int status = general_scan(env, text, process_request(env), &value);
    if (status == 0)
        *date = value;
    return status;
}

int parse_by_mask(int32_t *date, const char *mask, const char *text)
{
    if (mask == nullptr)
        return kBadFormat;
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    _initmdarray();
    CompiledMask compiled;
    if (int status = compile_mask(env, mask, &compiled))
        return status;
    std::free(compiled.format);
    bool seen[4] = {};
    for (int i = 0; i < compiled.recorded; ++i)
        seen[compiled.order[i]] = true;
    if (compiled.recorded != 3 || !seen[kDay] || !seen[kMonth] || !seen[kYear])
        return kBadFormat;
    if (text == nullptr)
        return kNoMatch;
    // Empty fields: the text split at "-" and "/", blanks ignored; an empty
    // first or second field fails with that field's error. An empty or blank
    // text is left to the scan's empty-text rule.
    if (const char *first_sep = std::strpbrk(text, "-/"); first_sep != nullptr && !blank_text(text)) {
        if (blank_between(text, first_sep))
            return field_error(compiled.order[0]);
        const char *second = first_sep + 1;
        const char *second_sep = std::strpbrk(second, "-/");
        if (blank_between(second, second_sep != nullptr ? second_sep : second + std::strlen(second)))
            return field_error(compiled.order[1]);
    }
    ScanRequest request{{compiled.order[0], compiled.order[1], compiled.order[2]}, compiled.era_indicator, true,
                        compiled.weekday_names};
    int32_t value = *date;
    const int status = general_scan(env, text, request, &value);
    if (status == 0)
        *date = value;
    return status;
}

} // namespace

namespace trw::date {

int compile_mask(const GlsEnv *env, const char *mask, CompiledMask *out)
{
    const size_t n = std::strlen(mask);
    const MaskSuffix suffix = suffix_of(mask, n);
    const size_t end = n - suffix.length;
    char *format = static_cast<char *>(std::malloc(end * kFormatGrowth + 1));
    if (format == nullptr)
        return kNoMemory;
    const GlsState *s = env->state;
    const int era_forms_indicator = s->date_from_dbdate ? s->date_era : 1;
    CompiledMask result{format, {}, 0, 0, false};
    char *o = format;
    for (size_t i = 0; i < end;) {
        const MaskElement *match = nullptr;
        const int first = lower(mask[i]);
        for (const MaskElement &e : kMaskElements)
            if (e.text[0] == first && e.length <= end - i && starts_with(mask + i, e.text)) {
                match = &e;
                break;
            }
        if (match != nullptr) {
            const char *f = match->format != nullptr ? match->format : plain_year_format(match->digits, suffix.style);
            o = stpcpy(o, f);
            if (match->field != 0 && result.recorded < 3)
                result.order[result.recorded++] = match->field;
            if (match->era != 0)
                result.era_indicator = era_forms_indicator;
            if (std::strcmp(f, "%a") == 0)
                result.weekday_names = true;
            i += match->length;
        } else if (mask[i] == '%') {
            o = stpcpy(o, "%%");
            ++i;
        } else if (static_cast<unsigned char>(mask[i]) < 0x80) {
            *o++ = mask[i++];
        } else {
            // A multibyte character is copied whole: its later bytes are not
            // mask letters.
            int len = glsc::char_length(env->locale, mask + i, static_cast<int>(end - i));
            if (len <= 0)
                len = 1;
            std::memcpy(o, mask + i, static_cast<size_t>(len));
            o += len;
            i += static_cast<size_t>(len);
        }
    }
    *o = '\0';
    if (suffix.length != 0)
        result.era_indicator = suffix.indicator;
    *out = result;
    return 0;
}

int dbdate_to_mask(const char *dbdate, char *out)
{
    out[0] = '\0';
    return dbdate != nullptr && rewrite_dbdate(dbdate, out) ? 0 : kBadFormat;
}

} // namespace trw::date

extern "C" {

int rdatestr(int32_t date, char *text)
{
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    return format_by(env->locale, date, env->state->gl_date, text, TRW_DATE_TEXT_MAX);
}

int rstrdate(const char *text, int32_t *date) { return parse_by_process_format(text, date); }

int trw_strdate(const char *text, int32_t *date, int percall)
{
    CenturyScope scope(percall);
    return parse_by_process_format(text, date);
}

int rgetglsdate(int32_t date, int16_t mdy[3])
{
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    const GlsState *s = env->state;
    if (date == TRW_DATE_NULL || !s->date_from_dbdate || (s->date_era == 0 && s->gregorian))
        return rjulmdy(date, mdy);
    char text[TRW_DATE_TEXT_MAX];
    if (int status = format_by(env->locale, date, s->gl_date, text, sizeof text))
        return status;
    ScanFields fields{};
    if (int status = scan_fields_only(env, text, process_request(env), &fields))
        return status;
    mdy[0] = static_cast<int16_t>(fields.month);
    mdy[1] = static_cast<int16_t>(fields.day);
    mdy[2] = static_cast<int16_t>(fields.year);
    return 0;
}

int fmtstr(char *out)
{
    if (!g_fmtstr_built) {
        const char *dbdate = ggetenv("DBDATE");
        if (dbdate_to_mask(dbdate != nullptr ? dbdate : "MDY4/", g_fmtstr) != 0) {
            out[0] = '\0';
            return kBadFormat;
        }
        g_fmtstr_built = true;
    }
    std::memcpy(out, g_fmtstr, sizeof g_fmtstr);
    return 0;
}

int rfmtdate(int32_t date, const char *mask, char *text)
{
    if (mask == nullptr)
        return kBadFormat;
    if (blank_text(mask))
        return 0;
    GlsEnv *env;
    if (int status = locale_ready(&env))
        return status;
    _initmdarray();
    CompiledMask compiled;
    if (int status = compile_mask(env, mask, &compiled))
        return status;
    const int status = format_by(env->locale, date, compiled.format, text, TRW_DATE_TEXT_MAX);
    std::free(compiled.format);
    return status;
}

int rdefmtdate(int32_t *date, const char *mask, const char *text) { return parse_by_mask(date, mask, text); }

int trw_defmtdate(int32_t *date, const char *mask, const char *text, int percall)
{
    CenturyScope scope(percall);
    return parse_by_mask(date, mask, text);
}

} // extern "C"
