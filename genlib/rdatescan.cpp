// The general scan of DATE text: the day, month and year fields of a text
// read in the order of three order codes, with an era indicator, for
// rstrdate under DBDATE or the built-in format and for rdefmtdate (mask
// mode). The text is lowered through the client locale once and scanned
// as bytes; month and era names are matched against the lowered name caches
// of the locale environment (getglsfmt), the longest name winning.
//
// Between two fields the text holds nothing or one separator: any single
// character that is not a digit, then any blanks. A 1-digit day or month,
// or a 1- or 3-digit year, may not abut the numeric field before it. When
// both that rule and the separator-consistency rule apply, the separator
// rule is checked first (it is seen before the third field is read). A
// 4-digit year directly followed (no separator) by a numeric field that
// finds no digits gives its last two digits to that field. A date with an
// era name, or in a locale whose calendar is not Gregorian, is rebuilt as
// text and a %-format and parsed by the locale library.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl_time.h"
#include "glschar.h"
#include "osenv.h"
#include "rdateint.h"

namespace {

using namespace trw::date;

constexpr int kDay = 1, kMonth = 2, kYear = 3;

int field_error(int code) { return code == kDay ? kDayError : code == kMonth ? kMonthError : kYearError; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_space(char c) { return is_blank(c) || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

struct Fields {
    int value[4] = {};  // by field code
    int digits[4] = {}; // digits read, 0 for a month name
    bool month_by_name = false;
    const char *month_name = nullptr; // in the lowered text
    int month_name_len = 0;
    const char *era_name = nullptr;
    int era_name_len = 0;
};

// Longest name of a cache that starts the text: its length, and its index
// in its block (*index); 0 when none.
int longest_name(const gls_name_block *list, const char *text, int *index)
{
    int best = 0;
    for (; list != nullptr; list = list->next)
        for (int i = 0; i < list->count; ++i) {
            const char *name = list->names[i];
            if (name[0] != text[0])
                continue;
            const int n = static_cast<int>(std::strlen(name));
            if (n > best && std::strncmp(text, name, static_cast<size_t>(n)) == 0) {
                best = n;
                *index = i;
            }
        }
    return best;
}

class Scanner {
  public:
    Scanner(GlsEnv *env, const char *lowered, const ScanRequest &request)
        : env_(env), loc_(env->locale), p_(lowered), request_(request)
    {
    }

    int read(Fields &f);

  private:
    int char_length() const
    {
        if (static_cast<unsigned char>(*p_) < 0x80)
            return 1;
        const int n = glsc::char_length(loc_, p_, 8);
        return n > 0 ? n : 1;
    }
    void skip_blanks()
    {
        while (is_blank(*p_))
            ++p_;
    }
    bool month_name_here(Fields &f);
    bool skip_weekday_name();
    int find_era(Fields &f, bool *separated);
    int digits(int most, int *value);
    int read_field(int i, Fields &f, bool *separated);

    GlsEnv *env_;
    gl_locale *loc_;
    const char *p_;
    const ScanRequest &request_;
    bool prev_numeric_ = false;
    int prev_code_ = 0;
    bool second_separated_ = false;
};

bool Scanner::month_name_here(Fields &f)
{
    if (*p_ == '\0' || is_digit(*p_))
        return false;
    const GlsState *s = env_->state;
    int index_ab = 0, index_full = 0;
    const int ab = longest_name(s->abmon_names, p_, &index_ab);
    const int full = longest_name(s->mon_names, p_, &index_full);
    if (ab == 0 && full == 0)
        return false;
    const int len = full >= ab ? full : ab;
    f.month_by_name = true;
    f.value[kMonth] = (full >= ab ? index_full : index_ab) + 1;
    f.digits[kMonth] = 0;
    f.month_name = p_;
    f.month_name_len = len;
    p_ += len;
    return true;
}

// The lowered weekday names (abbreviated and full) of a locale, kept for
// the last locale asked about; null without memory.
const gls_name_block *weekday_names(gl_locale *loc)
{
    static gl_locale *cached_for = nullptr;
    static char *names[14];
    static gls_name_block block{nullptr, 0, names};
    if (cached_for == loc && block.count == 14)
        return &block;
    for (int i = 0; i < block.count; ++i)
        std::free(names[i]);
    block.count = 0;
    cached_for = nullptr;
    const gl_lc_time *t = loc->time;
    if (t == nullptr)
        return nullptr;
    for (int i = 0; i < 14; ++i) {
        const char *name = i < 7 ? t->abday[i] : t->day[i - 7];
        names[i] = glsc::lowered_copy(loc, name != nullptr ? name : "");
        if (names[i] == nullptr)
            return nullptr;
        block.count = i + 1;
    }
    cached_for = loc;
    return &block;
}

// In a mask with weekday fields: a weekday name of the locale here, with
// the punctuation and blanks after it, is skipped (the DATE gives the
// weekday; the name is not checked).
bool Scanner::skip_weekday_name()
{
    if (*p_ == '\0' || is_digit(*p_))
        return false;
    int index = 0;
    const int best = longest_name(weekday_names(loc_), p_, &index);
    if (best == 0)
        return false;
    p_ += best;
    skip_blanks();
    if (std::ispunct(static_cast<unsigned char>(*p_))) {
        ++p_;
        skip_blanks();
    }
    return true;
}

// The first era name at or after the current position: 0 with the cursor
// after it, or kBadEraName.
int Scanner::find_era(Fields &f, bool *separated)
{
    for (const char *at = p_; *at != '\0'; ++at) {
        int index = 0;
        const int len = longest_name(env_->state->era_names, at, &index);
        if (len == 0)
            continue;
        *separated = at != p_;
        f.era_name = at;
        f.era_name_len = len;
        p_ = at + len;
        skip_blanks();
        return 0;
    }
    return kBadEraName;
}

int Scanner::digits(int most, int *value)
{
    int n = 0, v = 0;
    while (n < most && is_digit(*p_)) {
        v = v * 10 + (*p_ - '0');
        ++p_;
        ++n;
    }
    *value = v;
    return n;
}

int Scanner::read_field(int i, Fields &f, bool *separated)
{
    const int code = request_.order[i];
    *separated = false;
    // Outside mask mode the third field is separated as the second was;
    // checked as soon as the separator is known.
    const bool text_left = *p_ != '\0';
    auto inconsistent = [&] { return !request_.mask_mode && i == 2 && text_left && *separated != second_separated_; };
    if (request_.skip_weekday && skip_weekday_name())
        *separated = i > 0;
    const bool era_mode = code == kYear && request_.era_indicator != 0 && env_->state->era_names != nullptr;
    bool era_here = false;
    if (era_mode) {
        const int status = find_era(f, separated);
        if (status != 0 && request_.era_indicator != 2)
            return status;
        era_here = status == 0;
    }
    if (code == kMonth && i > 0 && month_name_here(f))
        return inconsistent() ? kNoMatch : 0;
    if (i > 0 && !era_here && *p_ != '\0' && !is_digit(*p_)) {
        p_ += char_length();
        skip_blanks();
        *separated = true;
    }
    if (i > 0 && inconsistent())
        return kNoMatch;
    if (code == kMonth && month_name_here(f))
        return 0;
    int value = 0;
    const int n = digits(code == kYear ? 4 : 2, &value);
    if (n == 0) {
        // A 4-digit year directly before gives this field its last two digits.
        if (code != kYear && !*separated && prev_code_ == kYear && f.digits[kYear] == 4) {
            f.value[code] = f.value[kYear] % 100;
            f.digits[code] = 2;
            f.value[kYear] /= 100;
            f.digits[kYear] = 2;
            return 0;
        }
        return field_error(code);
    }
    if (i > 0 && !*separated && prev_numeric_ && !era_here) {
        const bool abuts = code == kYear ? (n == 1 || n == 3) : n == 1;
        if (abuts)
            return field_error(code);
    }
    f.value[code] = value;
    f.digits[code] = n;
    return 0;
}

int Scanner::read(Fields &f)
{
    for (int i = 0; i < 3; ++i) {
        const int code = request_.order[i];
        if (code < kDay || code > kYear)
            return kBadFormat;
        bool separated = false;
        if (int status = read_field(i, f, &separated))
            return status;
        if (i == 1)
            second_separated_ = separated;
        prev_numeric_ = !(code == kMonth && f.month_by_name);
        prev_code_ = code;
    }
    skip_blanks();
    for (const char *rest = p_; *rest != '\0'; ++rest) {
        if (!request_.mask_mode && !is_space(*rest))
            return kNoMatch;
        if (is_digit(*rest))
            return kNoMatch;
    }
    return 0;
}

// The date of fields with an era name or of a non-Gregorian calendar,
// parsed by the locale library from a rebuilt text.
int parse_rebuilt(GlsEnv *env, const Fields &f, int32_t *date)
{
    const bool gregorian = env->state->gregorian != 0;
    char text[160];
    char format[40];
    int n;
    if (f.month_by_name && !gregorian)
        n = std::snprintf(text, sizeof text, "%.*s %d ", f.month_name_len, f.month_name, f.value[kDay]);
    else
        n = std::snprintf(text, sizeof text, "%d %d ", f.value[kMonth], f.value[kDay]);
    std::strcpy(format, f.month_by_name && !gregorian ? "%b %d " : "%m %d ");
    const int yd = f.digits[kYear];
    if (f.era_name != nullptr) {
        if (f.era_name_len > 100)
            return kBadEraName;
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%.*s%0*d", f.era_name_len, f.era_name, yd,
                      f.value[kYear]);
        std::snprintf(format + std::strlen(format), sizeof format - std::strlen(format), "%%EC%%0%d.%dEy", yd, yd);
    } else {
        std::snprintf(text + n, sizeof text - static_cast<size_t>(n), yd > 2 ? "%04d" : "%02d", f.value[kYear]);
        std::strcat(format, yd > 2 ? "%iY" : "%iy");
    }
    return parse_by(env->locale, format, text, date);
}

int date_of_fields(GlsEnv *env, const Fields &f, int32_t *date)
{
    if (f.era_name != nullptr || env->state->gregorian == 0)
        return parse_rebuilt(env, f, date);
    int year = f.value[kYear];
    if (f.digits[kYear] <= 2) {
        gl_locale *loc = env->locale;
        loc->error = 0;
        const int century = gl_getcentury(loc, f.value[kMonth], f.value[kDay], year, century_rule());
        if (century < 0)
            return loc->error == GL_ETMDAY ? kDayError
                 : loc->error == GL_ETMMON ? kMonthError
                 : loc->error == GL_ETMYEAR ? kYearError
                                            : kNoMatch;
        if (century > 99)
            return kBadFormat;
        year += 100 * century;
    }
    const int16_t mdy[3] = {static_cast<int16_t>(f.value[kMonth]), static_cast<int16_t>(f.value[kDay]),
                            static_cast<int16_t>(year)};
    int32_t value;
    if (int status = rmdyjul(mdy, &value))
        return status;
    *date = value;
    return 0;
}

// True when text holds an ASCII letter or a byte that is not ASCII.
bool has_letters(const char *text)
{
    for (; *text != '\0'; ++text) {
        const auto c = static_cast<unsigned char>(*text);
        if (c >= 0x80 || static_cast<unsigned>((c | 0x20) - 'a') < 26u)
            return true;
    }
    return false;
}

// The lowered text after leading white space; *empty when nothing is left.
char *lowered_text(gl_locale *loc, const char *text, bool *empty)
{
    while (is_space(*text))
        ++text;
    *empty = *text == '\0';
    return *empty ? nullptr : glsc::lowered_copy(loc, text);
}

} // namespace

namespace trw::date {

int general_scan(GlsEnv *env, const char *text, const ScanRequest &request, int32_t *date)
{
    if (text == nullptr)
        return kNoMatch;
    const char *start = text;
    while (is_space(*start))
        ++start;
    if (*start == '\0') {
        if (ggetenv("DHL_RDEFMTDATE") == nullptr)
            *date = TRW_DATE_NULL;
        return 0;
    }
    // Text without letters lowers to itself: it is scanned as it is.
    if (!has_letters(start)) {
        Fields f;
        const int status = Scanner(env, start, request).read(f);
        return status == 0 ? date_of_fields(env, f, date) : status;
    }
    bool empty;
    char *lowered = lowered_text(env->locale, start, &empty);
    if (lowered == nullptr)
        return kNoMemory;
    Fields f;
    int status = Scanner(env, lowered, request).read(f);
    if (status == 0)
        status = date_of_fields(env, f, date);
    std::free(lowered);
    return status;
}

int scan_fields_only(GlsEnv *env, const char *text, const ScanRequest &request, ScanFields *fields)
{
    bool empty;
    char *lowered = lowered_text(env->locale, text, &empty);
    if (empty)
        return kNoMatch;
    if (lowered == nullptr)
        return kNoMemory;
    Fields f;
    const int status = Scanner(env, lowered, request).read(f);
    std::free(lowered);
    if (status != 0)
        return status;
    *fields = {f.value[kMonth], f.value[kDay], f.value[kYear], f.digits[kYear]};
    return 0;
}

} // namespace trw::date
