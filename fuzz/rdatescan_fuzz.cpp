// libFuzzer target for DATE text by the process format: the first byte
// picks the format state (0 the built-in MDY4/ order through the general
// scan, 1 a GL_DATE format with names through the locale parser, 2 a DBDATE
// with an era, GY2MD/), the rest is the text. Every status must be one of
// the DATE family's; an accepted text must format by the same state and
// read back as the same DATE. Runs in ja_JP.utf8 so that eras exist; a
// first byte of 0xF0 or above reads by the general scan in he_IL.8859-8.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "rdate_fuzz.h"
#include "glsenv.h"
#include "rdate.h"
#include "rdateint.h"

namespace {

struct State {
    const char *format;
    bool general;
    trw::date::ScanRequest request;
};
// A locale with a calendar of its own (the Hebrew calendar), for the inputs
// whose first byte is 0xF0 or above: the scan rebuilds its fields for the
// locale parser.
const State kOwnCalendar = {"%d/%m/%iY", true, {{1, 2, 3}, 0, false, false}};

GlsEnv *own_calendar_env()
{
    static GlsEnv *env = [] {
        GlsEnvLocale request{};
        request.setting[GLS_CLIENT_LOCALE] = "he_IL.8859-8";
        GlsEnv *e = nullptr;
        const int status = CreateGlsEnv(&request, &e, 1);
        SetGlsEnv(nullptr); // a record made and initialised becomes current: back to the process's
        return status == 0 ? e : nullptr;
    }();
    return env;
}

const State kStates[] = {
    {"%m/%d/%iY", true, {{2, 1, 3}, 0, false, false}},
    {"%A, %B %d %Y", false, {{2, 1, 3}, 0, false, false}},
    {"%Eg%02.2Ey/%m/%d", true, {{3, 2, 1}, 3, false, false}},
};

int parse(GlsEnv *env, const State &s, const char *text, int32_t *date)
{
    return s.general ? trw::date::general_scan(env, text, s.request, date)
                     : trw::date::parse_by(env->locale, s.format, text, date);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    rdate_fuzz_setup("ja_JP.utf8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > 512)
        return 0;
    GlsEnv *env;
    if (trw::date::locale_ready(&env) != 0)
        std::abort();
    const bool own_calendar = data[0] >= 0xF0;
    if (own_calendar && (env = own_calendar_env()) == nullptr)
        std::abort();
    const State &s = own_calendar ? kOwnCalendar : kStates[data[0] % 3];
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (!own_calendar) {
        // The process format here is the locale's (no DBDATE), and the text
        // read as a mask in this multibyte locale: known statuses, NULL
        // after a failure.
        int32_t by_process = 12345;
        const int process_status = rstrdate(text.c_str(), &by_process);
        if (!rdate_status_known(process_status) || (process_status != 0 && by_process != TRW_DATE_NULL))
            std::abort();
        char masked[TRW_DATE_TEXT_MAX];
        if (!rdate_status_known(rfmtdate(data[0] * 1000, text.c_str(), masked)))
            std::abort();
    }
    int32_t date = 12345;
    const int status = parse(env, s, text.c_str(), &date);
    if (!rdate_status_known(status))
        std::abort();
    if (status != 0) {
        if (date != 12345)
            std::abort(); // a failure wrote the output
        return 0;
    }
    if (date == TRW_DATE_NULL || date == 12345)
        return 0;
    if (date < TRW_DATE_MIN || date > TRW_DATE_MAX)
        std::abort();
    char out[TRW_DATE_TEXT_MAX];
    if (trw::date::format_by(env->locale, date, s.format, out, sizeof out) != 0)
        return 0; // a date no era holds, for instance
    int32_t back = 0;
    if (parse(env, s, out, &back) != 0 || back != date)
        std::abort();
    return 0;
}
