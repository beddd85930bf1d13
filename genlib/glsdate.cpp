// The date format of the locale environment: getglsfmt settles it from
// DBDATE (translated by dbdate_to_gl_date), GL_DATE, or the client locale's
// TIME category, rebuilds the lowered month and era name caches the date
// parser matches names against, and the DATETIME display formats by
// qualifier when DBTIME or GL_DATETIME is set (cache_dtimequals).
//
// DBDATE holds three field letters (D day, M month, Y year; the year takes
// "2", "Y" or "4" for its width, or an era letter E, G or N in front of it),
// then a separator ("/", "-", ".", ",", or "0" for none) and an optional
// calendar suffix (C or J, then 1 or 2 for the era style).
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "glschar.h"
#include "dttextint.h"
#include "glsenvint.h"

namespace {

constexpr const char *kDefaultFormat = "%m/%d/%iY";
constexpr int kDay = 1, kMonth = 2, kYear = 3;
constexpr int kTimeSlot = 4; // the TIME category's slot in a locale record

constexpr int kBadDbdate = -1212;
constexpr int kNoOutput = -1218;
constexpr int kNoMemory = -1211;

constexpr const char *kEnglishAbbreviated[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr const char *kEnglishMonths[12] = {"january", "february", "march",     "april",   "may",      "june",
                                            "july",    "august",   "september", "october", "november", "december"};

struct DbdateParse {
    int fields[3] = {};
    int year_digits = 0;
    int era_style = 0; // 0 none, 1 "%EC", 2 "%Eg"
    int indicator = 0;
    char separator = '/'; // '\0': none
};

int upper(char c) { return std::toupper(static_cast<unsigned char>(c)); }

// One field at p: its number, or 0 when the text is not a valid field.
int read_field(const char *&p, DbdateParse &d)
{
    const int c = upper(*p);
    if (c == 'D' || c == 'M') {
        ++p;
        return c == 'D' ? kDay : kMonth;
    }
    bool after_era = false;
    if (c == 'E' || c == 'G' || c == 'N') {
        if (upper(p[1]) != 'Y')
            return 0;
        d.era_style = c == 'E' ? 1 : 2;
        d.indicator = c == 'N' ? 1 : 3;
        after_era = true;
        ++p;
    } else if (c != 'Y') {
        return 0;
    }
    ++p;
    if (*p == '2' || upper(*p) == 'Y') {
        d.year_digits = 2;
        ++p;
    } else if (*p == '4') {
        d.year_digits = 4;
        ++p;
    } else if (after_era) {
        d.year_digits = 2;
    } else {
        return 0;
    }
    return kYear;
}

// The separator and the calendar suffix after the fields.
void read_separator(const char *p, DbdateParse &d)
{
    if (std::strchr(",-./", *p) != nullptr && *p != '\0') {
        d.separator = *p;
    } else if (*p == '0') {
        d.separator = '\0';
    } else {
        return;
    }
    ++p;
    const int suffix = upper(*p);
    if (suffix != 'C' && suffix != 'J')
        return;
    d.indicator = suffix == 'C' ? 2 : 1;
    ++p;
    if (*p == '1')
        d.era_style = 2;
    else if (*p == '2')
        d.era_style = 1;
}

std::string format_of(const DbdateParse &d)
{
    static const char *const years[3][2] = {
        {"%iy", "%iY"}, {"%EC%02.2Ey", "%EC%04.4Ey"}, {"%Eg%02.2Ey", "%Eg%04.4Ey"}};
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && d.separator != '\0')
            out += d.separator;
        if (d.fields[i] == kDay)
            out += "%d";
        else if (d.fields[i] == kMonth)
            out += "%m";
        else
            out += years[d.era_style][d.year_digits == 4 ? 1 : 0];
    }
    return out;
}

// The order of day, month and year in a date format of the locale's
// format language; month, day, year when the format does not show all three.
void order_of_format(const char *format, int order[3])
{
    int found = 0;
    int seen[4] = {};
    for (const char *p = format; *p != '\0' && found < 3; ++p) {
        if (*p != '%')
            continue;
        ++p;
        while (*p != '\0' && std::strchr("EOi0123456789.-", *p) != nullptr)
            ++p;
        int field = std::strchr("de", *p) != nullptr && *p != '\0'    ? kDay
                    : std::strchr("mbBh", *p) != nullptr && *p != '\0' ? kMonth
                    : std::strchr("yYC", *p) != nullptr && *p != '\0'  ? kYear
                                                                       : 0;
        if (field != 0 && !seen[field]) {
            seen[field] = 1;
            order[found++] = field;
        }
        if (*p == '\0')
            break;
    }
    if (found < 3) {
        order[0] = kMonth;
        order[1] = kDay;
        order[2] = kYear;
    }
}

void free_names(gls_name_block *&list)
{
    while (list != nullptr) {
        gls_name_block *next = list->next;
        for (int i = 0; i < list->count; ++i)
            std::free(list->names[i]);
        std::free(list->names);
        std::free(list);
        list = next;
    }
}

// Appends a block of lowered names to a cache. False without memory.
bool add_names(gls_name_block *&list, gl_locale *loc, const char *const *names, int count)
{
    if (count <= 0 || names == nullptr)
        return true;
    auto *block = static_cast<gls_name_block *>(std::calloc(1, sizeof(gls_name_block)));
    if (block == nullptr)
        return false;
    block->names = static_cast<char **>(std::calloc(static_cast<size_t>(count), sizeof(char *)));
    gls_name_block **link = &list;
    while (*link != nullptr)
        link = &(*link)->next;
    *link = block;
    if (block->names == nullptr)
        return false;
    for (int i = 0; i < count; ++i) {
        block->names[i] = glsc::lowered_copy(loc, names[i] != nullptr ? names[i] : "");
        if (block->names[i] == nullptr)
            return false;
        block->count = i + 1;
    }
    return true;
}

bool build_name_caches(GlsState *state, gl_locale *loc)
{
    const gl_lc_time *t = loc != nullptr ? loc->time : nullptr;
    bool ok = true;
    if (t != nullptr) {
        ok = add_names(state->abmon_names, loc, t->abmon, t->abmon_count) &&
             add_names(state->mon_names, loc, t->mon, t->mon_count);
        // Each era's full name, then its abbreviation where that differs: the
        // scanner takes the longest of them that the text holds.
        if (ok && loc->era_cache != nullptr)
            for (int i = 0; ok && i < t->era_count; ++i) {
                const gl_lc_era &era = loc->era_cache[i];
                ok = add_names(state->era_names, loc, &era.name, 1);
                if (ok && era.abbreviation != nullptr &&
                    (era.name == nullptr || std::strcmp(era.abbreviation, era.name) != 0))
                    ok = add_names(state->era_names, loc, &era.abbreviation, 1);
            }
    }
    if (ok && state->gregorian)
        ok = add_names(state->abmon_names, nullptr, kEnglishAbbreviated, 12) &&
             add_names(state->mon_names, nullptr, kEnglishMonths, 12);
    return ok;
}

char *copy_text(const char *text)
{
    size_t n = std::strlen(text) + 1;
    auto *copy = static_cast<char *>(std::malloc(n));
    if (copy != nullptr)
        std::memcpy(copy, text, n);
    return copy;
}

// The format of the locale or the built-in one, with its order.
void settle_without_settings(GlsState *state, gl_locale *loc)
{
    const gl_lc_time *t = loc != nullptr ? loc->time : nullptr;
    const bool english = loc != nullptr && std::strncmp(loc->names[kTimeSlot].file, "en_us", 5) == 0;
    if (!english && t != nullptr && t->d_fmt != nullptr && t->d_fmt[0] != '\0') {
        state->gl_date = copy_text(t->d_fmt);
        order_of_format(t->d_fmt, state->date_order);
        state->date_from_dbdate = 0;
        return;
    }
    state->gl_date = copy_text(kDefaultFormat);
    state->date_order[0] = kMonth;
    state->date_order[1] = kDay;
    state->date_order[2] = kYear;
    state->date_from_dbdate = 1;
}

} // namespace

namespace glsenv {

void free_date_state(GlsState *state)
{
    std::free(state->gl_date);
    state->gl_date = nullptr;
    free_names(state->abmon_names);
    free_names(state->mon_names);
    free_names(state->era_names);
}

} // namespace glsenv

extern "C" {

int dbdate_to_gl_date(const char *dbdate, char **out, int order[3], int *indicator)
{
    if (out == nullptr || order == nullptr || indicator == nullptr)
        return kNoOutput;
    *out = nullptr;
    if (dbdate == nullptr || *dbdate == '\0')
        return kBadDbdate;
    DbdateParse d;
    bool seen[4] = {};
    const char *p = dbdate;
    for (int i = 0; i < 3; ++i) {
        int field = read_field(p, d);
        if (field == 0 || seen[field])
            return kBadDbdate;
        seen[field] = true;
        d.fields[i] = field;
    }
    read_separator(p, d);
    *out = copy_text(format_of(d).c_str());
    if (*out == nullptr)
        return kNoMemory;
    std::memcpy(order, d.fields, sizeof d.fields);
    *indicator = d.indicator;
    return 0;
}

int getglsfmt(GlsEnv *env)
{
    if (env == nullptr)
        env = CheckGlsEnv();
    GlsState *state = env->state;
    gl_locale *loc = env->locale;
    glsenv::free_date_state(state);
    state->date_era = 0;
    const char *dbdate = state->setting[GLS_DBDATE];
    const char *gl_date = state->setting[GLS_GL_DATE];
    if (dbdate != nullptr) {
        if (int status = dbdate_to_gl_date(dbdate, &state->gl_date, state->date_order, &state->date_era))
            return status;
        state->date_from_dbdate = 1;
    } else if (gl_date != nullptr) {
        state->gl_date = copy_text(gl_date);
        order_of_format(gl_date, state->date_order);
        state->date_from_dbdate = 0;
    } else {
        settle_without_settings(state, loc);
    }
    if (state->gl_date == nullptr)
        return kNoMemory;
    state->gregorian = loc == nullptr || loc->time == nullptr || loc->time->calendar == GL_CAL_GREGORIAN;
    if (!build_name_caches(state, loc)) {
        glsenv::free_date_state(state);
        return kNoMemory;
    }
    // The DATETIME display formats by qualifier, when DBTIME or GL_DATETIME
    // gives the DATETIME format.
    return trw::dt::cache_dtimequals(env);
}

} // extern "C"
