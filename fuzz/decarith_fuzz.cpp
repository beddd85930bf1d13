// Fuzzes the DECIMAL arithmetic with records built straight from the input
// bytes: any sign, exponent and ndigits, digit bytes above 99. Every
// function must stay inside the records, and every result must be in normal
// form (or NULL) with a documented status. On records in normal form,
// addition and multiplication are commutative: the same status and an equal
// result either way round.
#include "decimal.h"
#include "decimal_invariants.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

void check_result(const decvalue &d, int status)
{
    require(status == 0 || status == DEC_OVERFLOW || status == DEC_UNDERFLOW || status == DEC_DIVZERO);
    require(d.sign != -1 || status == 0);
    require_normal_form(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 * sizeof(decvalue) + 5) return 0;
    decvalue a, b, r;
    std::memcpy(&a, data, sizeof a);
    std::memcpy(&b, data + sizeof a, sizeof b);
    const uint8_t *tail = data + 2 * sizeof a;
    int places;
    std::memcpy(&places, tail + 1, sizeof places);
    using binary = int (*)(const decvalue *, const decvalue *, decvalue *);
    const binary ops[] = {decadd, decsub, decmul, decdiv};
    binary op = ops[tail[0] % 4];
    check_result(r, op(&a, &b, &r));
    if (in_normal_form(a) && in_normal_form(b)) {
        for (binary comm : {decadd, decmul}) {
            decvalue ab, ba;
            const int s1 = comm(&a, &b, &ab), s2 = comm(&b, &a, &ba);
            require(s1 == s2, "commuted operands give another status");
            if (s1 == 0)
                require(ab.sign == -1 ? ba.sign == -1 : deccmp(&ab, &ba) == 0, "commuted operands give another result");
        }
    }
    int cmp = deccmp(&a, &b);
    require(cmp >= -2 && cmp <= 1);
    if (cmp != -2) require(deccmp(&b, &a) == -cmp);
    decvalue x = r;
    decround(&x, places);
    check_result(x, 0);
    x = r;
    dectrunc(&x, places);
    check_result(x, 0);
    // Rounding and truncating a hand-built record stay inside it too.
    decvalue raw = a;
    decround(&raw, places);
    raw = a;
    dectrunc(&raw, places);
    unsigned char form[DEC_STORED_MAX];
    stdecimal(&a, form, 2 + tail[0] % 17);
    chkprec(&raw, places & 0xFFFF);
    (void)dec2prec(&b);
    return 0;
}
