// Fuzzes the DATETIME and INTERVAL functions with qualifiers and raw
// decvalue records taken straight from the input bytes: any of the 65,536
// qualifiers, any sign, exponent and ndigits, digit bytes above 99, any
// double. Every output record sits between guard bytes that must stay as
// they were; an invalid qualifier must give -1268; a result that reports
// success must be NULL or pass the value check in its qualifier.
#include "datetime.h"
#include "decimal_invariants.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char kGuard = 0xC3;

struct GuardedDec {
    unsigned char before[8];
    decvalue d;
    unsigned char after[8];
};

struct GuardedBytes {
    unsigned char before[8];
    unsigned char bytes[DT_UNPACKED];
    unsigned char after[8];
};

template <typename T> void arm(T &g) { std::memset(&g, kGuard, sizeof g); }

template <typename T> void require_guards(const T &g)
{
    for (unsigned char c : g.before)
        require(c == kGuard);
    for (unsigned char c : g.after)
        require(c == kGuard);
}

bool valid(int is_interval, int q) { return _chk_qual(is_interval, q) == 0; }

// A successful result: normal form, and a valid value of its qualifier.
void require_value(int status, const decvalue &d, int q, bool datetime)
{
    if (status != 0)
        return;
    require_normal_form(d);
    require(chk_dtinv(&d, q, datetime ? 1 : 0) == 0);
}

void require_status(int status, bool qualifiers_ok)
{
    if (!qualifiers_ok)
        require(status == -1268);
    else
        require(status != -1268);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 * sizeof(decvalue) + 4 + 1 + sizeof(double))
        return 0;
    decvalue a, b;
    std::memcpy(&a, data, sizeof a);
    std::memcpy(&b, data + sizeof a, sizeof b);
    const uint8_t *tail = data + 2 * sizeof a;
    const int qa = static_cast<int16_t>(tail[0] << 8 | tail[1]);
    const int qb = static_cast<int16_t>(tail[2] << 8 | tail[3]);
    const int op = tail[4];
    double factor;
    std::memcpy(&factor, tail + 5, sizeof factor);

    GuardedDec out;
    GuardedBytes bytes;
    int st;
    switch (op % 12) {
    case 0:
        arm(bytes);
        st = dtunpack(&a, qa, bytes.bytes);
        require_guards(bytes);
        require_status(st, valid(0, qa) || valid(1, qa));
        arm(out);
        st = dtpack(&out.d, qa, bytes.bytes, a.sign);
        require_guards(out);
        if (st == 0)
            require_normal_form(out.d);
        break;
    case 1:
        st = chk_dtinv(&a, qa, op & 0x80 ? 1 : 0);
        require_status(st, valid(op & 0x80 ? 0 : 1, qa));
        require(st == 0 || st == -1263 || st == -1268);
        break;
    case 2:
        arm(out);
        st = rdtextend(&a, qa, &out.d, qb);
        require_guards(out);
        require_status(st, valid(0, qa) && valid(0, qb));
        require_value(st, out.d, qb, true);
        break;
    case 3: {
        int date = 0;
        st = rdttodate(&a, qa, &date);
        require_status(st, valid(0, qa));
        arm(out);
        int32_t day;
        std::memcpy(&day, &b, sizeof day);
        st = rdatedt(day, &out.d, qb);
        require_guards(out);
        require_status(st, valid(0, qb));
        require_value(st, out.d, qb, true);
        break;
    }
    case 4:
        arm(out);
        st = rinvtodec(&a, qa, &out.d);
        require_guards(out);
        require_status(st, valid(1, qa));
        if (st == 0)
            require_normal_form(out.d);
        arm(out);
        st = rdectoinv(&b, &out.d, qb);
        require_guards(out);
        require_status(st, valid(1, qb));
        require_value(st, out.d, qb, false);
        break;
    case 5:
        arm(out);
        st = rinvcopy(&a, qa, &out.d, qb);
        require_guards(out);
        require_status(st, valid(1, qa) && valid(1, qb));
        require_value(st, out.d, qb, false);
        break;
    case 6:
        arm(out);
        st = rdtaddinv(&a, qa, &b, qb, &out.d);
        require_guards(out);
        require_status(st, valid(0, qa) && valid(1, qb));
        require_value(st, out.d, qa, true);
        break;
    case 7: {
        arm(out);
        int rq = 0;
        st = rdtsub(&a, qa, &b, qb, &out.d, &rq);
        require_guards(out);
        require_status(st, valid(0, qa) && valid(0, qb));
        require_value(st, out.d, rq, false);
        break;
    }
    case 8: {
        const inv_value ia{static_cast<int16_t>(qa), a};
        struct {
            unsigned char before[8];
            inv_value r;
            unsigned char after[8];
        } g;
        arm(g);
        g.r.in_qual = static_cast<int16_t>(qb);
        const int which = op >> 4 & 3;
        st = which == 0   ? invmuldec(&ia, &b, &g.r)
             : which == 1 ? invdivdec(&ia, &b, &g.r)
             : which == 2 ? invmuldbl(&ia, factor, &g.r)
                          : invdivdbl(&ia, factor, &g.r);
        require_guards(g);
        require_status(st, valid(1, qa) && valid(1, qb));
        require_value(st, g.r.in_dec, qb, false);
        break;
    }
    case 9: {
        const inv_value ia{static_cast<int16_t>(qa), a}, ib{static_cast<int16_t>(qb), b};
        double r;
        st = invdivinv(&ia, &ib, &r);
        require_status(st, valid(1, qa) && valid(1, qb));
        break;
    }
    case 10: {
        dt_value d{static_cast<int16_t>(qa), {}};
        gl_tm tm;
        std::memcpy(&tm, &b, sizeof b < sizeof tm ? sizeof b : sizeof tm);
        int64_t micros;
        std::memcpy(&micros, &factor, sizeof micros);
        tm.tm_fraction = micros % 2000000;
        st = tmtodtdec(&tm, &d);
        require_status(st, valid(0, qa));
        require_value(st, d.dt_dec, qa, true);
        d.dt_dec = a;
        dtdectotm(&d, &tm);
        char text[40];
        const int n = rtudesc(op & 0x80 ? DT_SQLTYPE_DATETIME : DT_SQLTYPE_INTERVAL, qa, text);
        require(n == -1268 || (n > 0 && n <= 32));
        break;
    }
    default: {
        // the current time in the record's qualifier, and a fixed one
        dt_value d{static_cast<int16_t>(qa), {}};
        st = dtcurrent(&d);
        require_value(st, d.dt_dec, d.dt_qual, true);
        if (rdtsetcurr(&a) == 0) {
            decvalue now;
            require(rdtcurrent(&now) == DT_YEAR_TO_FRAC5);
            require(chk_dtinv(&now, DT_YEAR_TO_FRAC5, 1) == 0);
            rdtsetcurr(nullptr);
        }
        break;
    }
    }
    return 0;
}
