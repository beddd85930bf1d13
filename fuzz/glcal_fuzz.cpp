// libFuzzer target for the calendar conversions: records with every field
// any 32-bit value. Each conversion gives -1 with a zeroed record or a valid
// date, which converts back to the date it came from.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gl_time.h"

namespace {

bool zeroed(const gl_caltm &t)
{
    gl_caltm z{};
    return std::memcmp(&t, &z, sizeof t) == 0;
}

void check(int r, const gl_caltm &out)
{
    if (r != 0) {
        if (r != -1 || !zeroed(out))
            abort();
        return;
    }
    if (out.tm_mday < 1 || out.tm_mday > 31 || out.tm_wday < 0 || out.tm_wday > 6 || out.tm_yday < 0 ||
        out.tm_yday > 384 || out.tm_mon < 0 || out.tm_mon > 12)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    gl_caltm in{};
    std::memcpy(&in, data, size < sizeof in ? size : sizeof in);
    int (*const to[])(const gl_caltm *, gl_caltm *) = {gl_cal_gregorian_to_hebrew, gl_cal_gregorian_to_islamic};
    int (*const from[])(const gl_caltm *, gl_caltm *) = {gl_cal_hebrew_to_gregorian, gl_cal_islamic_to_gregorian};
    for (int k = 0; k < 2; ++k) {
        gl_caltm local, back, g;
        int r = to[k](&in, &local);
        check(r, local);
        if (r == 0) {
            if (from[k](&local, &back) != 0 || back.tm_year != in.tm_year || back.tm_mon != in.tm_mon ||
                back.tm_mday != in.tm_mday)
                abort();
        }
        int s = from[k](&in, &g);
        check(s, g);
        if (s == 0 && g.tm_mon > 11)
            abort();
    }
    _gl_gregorian_weekday(in.tm_mday, in.tm_mon, in.tm_year);
    _gl_gregorian_yearday(in.tm_mday, in.tm_mon % 12, in.tm_year);
    return 0;
}
