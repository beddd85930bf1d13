// libFuzzer target for hand-built INT8 records: two records loaded by
// ldint8 from fuzzed bytes go through every operation and conversion.
// Under UBSan no step may overflow a signed integer or shift past a width;
// every successful result must be well formed, every failure must leave its
// result alone, the arithmetic must agree with 128-bit integers, and the
// stored form, text and DECIMAL must round-trip.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decconv.h"
#include "int8.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    return 0;
}

namespace {

using i128 = __int128;
const int8value kSentinel = {{0xDEADBEEF, 0x01234567}, 7};

// Stops with the line of the broken property.
#define require(ok) \
    do { \
        if (!(ok)) { \
            std::fprintf(stderr, "ldint8_fuzz: property at line %d broken\n", __LINE__); \
            std::abort(); \
        } \
    } while (0)

// Field by field: the record has padding after sign.
bool same(const int8value &x, const int8value &y)
{
    return x.data[0] == y.data[0] && x.data[1] == y.data[1] && x.sign == y.sign;
}

uint64_t magnitude(const int8value &v) { return (uint64_t{v.data[1]} << 32) | v.data[0]; }

// The value by the reading rule of int8.h (the record not NULL).
i128 value(const int8value &v)
{
    const i128 m = magnitude(v);
    return v.sign < 0 ? -m : m;
}

bool well_formed(const int8value &v)
{
    if (v.sign == 0)
        return v.data[0] == 0 && v.data[1] == 0;
    return (v.sign == 1 || v.sign == -1) && v.data[1] >> 31 == 0 && !(v.sign == -1 && magnitude(v) == 0);
}

// One result against the exact value want (ignored for a NULL operand).
void check_result(int status, const int8value &r, bool null, i128 want, int fail_status)
{
    if (null) {
        require(status == 0 && r.sign == 0 && magnitude(r) == 0);
        return;
    }
    const bool fits = want < (static_cast<i128>(1) << 63) && want > -(static_cast<i128>(1) << 63);
    if (fail_status != 0 || !fits) {
        require(status == (fail_status != 0 ? fail_status : INT8_OVERFLOW));
        require(same(r, kSentinel));
        return;
    }
    require(status == 0 && well_formed(r) && value(r) == want);
}

void arithmetic(const int8value &a, const int8value &b)
{
    const bool null = a.sign == 0 || b.sign == 0;
    const i128 x = null ? 0 : value(a), y = null ? 0 : value(b);
    int8value r = kSentinel;
    check_result(trw_int8add(&a, &b, &r), r, null, x + y, 0);
    r = kSentinel;
    check_result(trw_int8sub(&a, &b, &r), r, null, x - y, 0);
    r = kSentinel;
    const unsigned __int128 product = static_cast<unsigned __int128>(magnitude(a)) * magnitude(b);
    const i128 signed_product = product >> 64 != 0 ? (static_cast<i128>(1) << 64) : static_cast<i128>(product);
    check_result(trw_int8mul(&a, &b, &r), r, null, ((a.sign < 0) != (b.sign < 0)) ? -signed_product : signed_product, 0);
    r = kSentinel;
    check_result(trw_int8div(&a, &b, &r), r, null, y != 0 ? x / y : 0, y == 0 ? INT8_DIVZERO : 0);
    const int c = trw_int8cmp(&a, &b);
    require(null ? c == -2 : c == (x < y ? -1 : (x > y ? 1 : 0)));
    require(trw_int8cmp_det(&a, &b) == -trw_int8cmp_det(&b, &a));
    r = kSentinel;
    const int s = serial8inc(&a, &r);
    require(a.sign == 0 ? s == INT8_NULLSERIAL : s == 0 && well_formed(r));
}

void conversions(const int8value &a)
{
    unsigned char stored[INT8_STORED_LEN];
    int8value back = kSentinel;
    stint8(&a, stored);
    ldint8(stored, &back);
    require(same(back, a));

    int32_t l = 0;
    int i = 0;
    int16_t s = 0;
    int64_t off = 0;
    trw_int8tolong(&a, &l);
    trw_int8toint(&a, &i);
    trw_int8toint2(&a, &s);
    trw_int8high(&a, &l);
    trw_int8low(&a, &l);
    const int off_status = int8totarw_off_t(&a, &off);
    if (off_status == 0 && a.sign != 0) {
        back = kSentinel;
        require(int8cvtarw_off_t(off, &back) == 0 && (off == INT32_MIN ? back.sign == 0 : value(back) == value(a)));
    }

    char text[24], field[24];
    require(trw_int8tostr(&a, text, sizeof text) == 0);
    require(trw_int8toasc(&a, field, sizeof field) == 0);
    for (int len = 0; len < 22; ++len) {
        char small[22];
        const int st = trw_int8tostr(&a, small, len);
        require(st == 0 || st == INT8_TOOLONG);
    }
    const bool holdable = a.sign != 0 && magnitude(a) >> 63 == 0;
    if (holdable) {
        back = kSentinel;
        require(trw_int8cvasc(text, static_cast<int>(std::strlen(text)), &back) == 0 && value(back) == value(a));
    }

    decvalue dec;
    require(trw_int8todec(&a, &dec) == 0);
    back = kSentinel;
    const int dec_status = trw_int8cvdec(&dec, &back);
    if (a.sign == 0)
        require(dec_status == 0 && back.sign == 0);
    else if (holdable)
        require(dec_status == 0 && value(back) == value(a));
    else
        require(dec_status == INT8_OVERFLOW);

    double d = 0;
    float f = 0;
    require(trw_int8todbl(&a, &d) == 0 && trw_int8toflt(&a, &f) == 0);
    back = kSentinel;
    const int dbl_status = trw_int8cvdbl(d, &back);
    require(dbl_status == 0 || dbl_status == INT8_OVERFLOW || dbl_status == INT8_NOTFINITE);
    back = kSentinel;
    const int flt_status = trw_int8cvflt(f, &back);
    require(flt_status == 0 || flt_status == INT8_OVERFLOW);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unsigned char bytes[2 * INT8_STORED_LEN] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    int8value a, b;
    ldint8(bytes, &a);
    ldint8(bytes + INT8_STORED_LEN, &b);
    arithmetic(a, b);
    arithmetic(b, a);
    conversions(a);
    return 0;
}
