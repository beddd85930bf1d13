// Display lengths of the process date and DATETIME formats: each format is
// expanded for a sample value whose numeric fields all take their full width
// (28 December 2000, 23:59:58.123456), and the length of the text is the
// result. The DATE is written by rdatestr, so the width follows whatever
// format DATE text uses; the DATETIME width is that of the process DATETIME
// format in use (_dtimedigits).
#include <cstring>

#include "datetime.h"
#include "dispwidth.h"
#include "gl_time.h"
#include "glsenv.h"
#include "rdate.h"

namespace {

constexpr int kDefaultDateLen = 10; // "%m/%d/%iY": mm/dd/yyyy
constexpr int kExpandRoom = 1024;

// Thursday, 28 December 2000, day 362 of its year.
gl_tm sample_time()
{
    gl_tm t{};
    t.tm_fraction = 123456;
    t.tm_sec = 58;
    t.tm_min = 59;
    t.tm_hour = 23;
    t.tm_mday = 28;
    t.tm_mon = 11;
    t.tm_year = 100;
    t.tm_wday = 4;
    t.tm_yday = 362;
    return t;
}

// The length of format expanded for the sample, or -1 when it cannot be.
int expanded_len(const char *format)
{
    gl_locale *loc = trw_get_gl_locale_thread();
    if (loc == nullptr || format == nullptr || *format == '\0')
        return -1;
    char out[kExpandRoom];
    const gl_tm t = sample_time();
    const int saved = loc->error;
    const int n = gl_mbsftime(loc, out, kExpandRoom, format, &t);
    loc->error = saved;
    return n > 0 ? n : -1;
}

} // namespace

namespace dispwidth {

int date_format_len()
{
    const int16_t mdy[3] = {12, 28, 2000};
    int32_t date;
    char text[TRW_DATE_TEXT_MAX];
    if (rmdyjul(mdy, &date) != 0 || rdatestr(date, text) != 0 || text[0] == '\0')
        return kDefaultDateLen;
    return static_cast<int>(std::strlen(text));
}

int datetime_format_len() { return _dtimedigits(); }

int expanded_format_len(const char *format) { return expanded_len(format); }

} // namespace dispwidth
