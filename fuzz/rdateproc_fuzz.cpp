// libFuzzer target for DATE text by the process's date format (DBDATE, by
// default DMY4- here: a Gregorian order without eras, so that plain numeric
// text takes the shortcut; TRW_FUZZ_DBDATE and TRW_FUZZ_LOCALE choose
// others). The first byte picks the century rule of the call, the rest is
// the text. Properties: every status is one of the DATE family's; rstrdate
// reads every text exactly as the general scan does (shortcut or not) and
// leaves NULL on failure; a date read (and the date the input's bytes
// make) writes by rdatestr to a text that reads back as the same date, by
// the process format and by the old-style mask of fmtstr; and rgetglsdate
// gives the fields of that text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "rdate.h"
#include "rdate_fuzz.h"
#include "rdateint.h"

namespace {

void round_trip(GlsEnv *env, int32_t date)
{
    char text[TRW_DATE_TEXT_MAX];
    const int status = rdatestr(date, text);
    int16_t fields[3] = {};
    const int got = rgetglsdate(date, fields);
    if (!rdate_status_known(status) || !rdate_status_known(got))
        std::abort();
    if (status != 0 || date == TRW_DATE_NULL)
        return;
    int32_t back = 0;
    if (rstrdate(text, &back) != 0 || back != date)
        std::abort();
    char mask[TRW_FMTSTR_SIZE];
    if (fmtstr(mask) == 0) {
        back = 0;
        // Eras and four-digit years read back whole; a two-digit year by the
        // century rule.
        if (std::strstr(mask, "yyyy") != nullptr && (rdefmtdate(&back, mask, text) != 0 || back != date))
            std::abort();
    }
    int16_t mdy[3] = {};
    if (got == 0 && env->state->date_era == 0 && env->state->gregorian &&
        (rjulmdy(date, mdy) != 0 || std::memcmp(mdy, fields, sizeof mdy) != 0))
        std::abort();
}

} // namespace

// The process's locale and DBDATE unless TRW_FUZZ_LOCALE and
// TRW_FUZZ_DBDATE say otherwise (rdateera_fuzz builds this target with
// others).
#ifndef RDATEPROC_LOCALE
#define RDATEPROC_LOCALE "en_US.8859-1"
#define RDATEPROC_DBDATE "DMY4-"
#endif

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    rdate_fuzz_setup(RDATEPROC_LOCALE);
    const char *dbdate = std::getenv("TRW_FUZZ_DBDATE");
    setenv("DBDATE", dbdate != nullptr ? dbdate : RDATEPROC_DBDATE, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > 256)
        return 0;
    GlsEnv *env;
    if (trw::date::locale_ready(&env) != 0)
        std::abort();
    // No text, no mask: refused, the date left alone by the mask readers.
    static const bool refusals = [] {
        int32_t d = 5, m = 5;
        char out[TRW_DATE_TEXT_MAX];
        return rstrdate(nullptr, &d) == -1218 && d == TRW_DATE_NULL && rdefmtdate(&m, nullptr, "1-2-2000") == -1212 &&
               rdefmtdate(&m, "dd-mm-yyyy", nullptr) == -1218 && m == 5 && rfmtdate(0, nullptr, out) == -1212;
    }();
    if (!refusals)
        std::abort();
    static const char kRules[] = {'R', 'C', 'F', 'P', 'x'};
    const int rule = kRules[data[0] % 5];
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);

    int32_t date = 12345;
    const int status = rstrdate(text.c_str(), &date);
    if (!rdate_status_known(status) || (status != 0 && date != TRW_DATE_NULL))
        std::abort();
    const GlsState *s = env->state;
    const trw::date::ScanRequest request{{s->date_order[0], s->date_order[1], s->date_order[2]}, s->date_era, false,
                                         false};
    int32_t general = TRW_DATE_NULL;
    if (s->date_from_dbdate &&
        (trw::date::general_scan(env, text.c_str(), request, &general) != status || general != date))
        std::abort();
    if (status == 0)
        round_trip(env, date);

    int32_t percall = 12345;
    const int per_status = trw_strdate(text.c_str(), &percall, rule);
    if (!rdate_status_known(per_status) || (per_status != 0 && percall != TRW_DATE_NULL))
        std::abort();

    if (size >= 4) {
        const int32_t made = static_cast<int32_t>(uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3]) %
                                 (TRW_DATE_MAX - TRW_DATE_MIN + 1) + TRW_DATE_MIN;
        round_trip(env, made);
    }
    return 0;
}
