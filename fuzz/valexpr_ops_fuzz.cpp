// libFuzzer target for the value-expression operators: two value records of
// random types and contents built from the input (byte 0 and 1 the type
// codes, bytes 2-3 the precision words' selectors, byte 4 flags: NULLs and
// the decimal-calculation switch, then the contents, character data pointing
// into an exact-size copy of the rest), and every operator on them. No
// crash; a result is NULL when an operand is NULL (except AND, OR and the
// NULL tests); a successful result has the type extype gives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "valexpr.h"

namespace {

// Precision words: real declarations and arbitrary ones.
constexpr int kWords[] = {0x0500, 0x0A00, 0x1002, 0x0803, 0x20FF, 0x10FF, 0x0804, 0x0E0A, 0x110D, 0x0F4A,
                          0x0624, 0x0200, 0x0000, 0x7FFF, 0x0302, 0x1300};

void build(valrec *v, int code, int word, bool null, const std::vector<char> &bytes, size_t offset)
{
    std::memset(v, 0, sizeof *v);
    v->vtype = static_cast<int16_t>(code);
    v->vprec = static_cast<int16_t>(word);
    const size_t avail = bytes.size() > offset ? bytes.size() - offset : 0;
    if (avail > 0)
        std::memcpy(&v->vdata, bytes.data() + offset, avail < sizeof v->vdata ? avail : sizeof v->vdata);
    const int k = getkind(code);
    if ((k & (EXK_CHAR | EXK_NCHAR)) || code == TRW_SQL_LVARCHAR || code == TRW_SQL_BOOLEAN ||
        code == TRW_SQL_FIXUDT || code == TRW_SQL_VARUDT) {
        // An empty value still points at a byte (the value layer copies
        // from the pointer even for no bytes).
        v->vdata.vchar = avail ? const_cast<char *>(bytes.data()) + offset : const_cast<char *>("");
        v->vlen = static_cast<int32_t>(avail);
    }
    if (null)
        v->vind = -1;
}

bool nullable_result(int op) { return op != EXOP_ISNULL && op != EXOP_NOTNULL; }

void check(int op, const valrec *a, const valrec *b, const valrec &r, int status, int type)
{
    const bool null_operand = a->vind < 0 || (b != nullptr && b->vind < 0);
    if (status == 0 && null_operand && nullable_result(op) && r.vind >= 0)
        __builtin_trap();
    if (status == 0 && (op == EXOP_ISNULL || op == EXOP_NOTNULL) && r.vind < 0)
        __builtin_trap();
    if (status == 0 && type >= 0 && (r.vtype & 0xFF) != type &&
        !(type == TRW_SQL_DATE && (r.vtype & 0xFF) == TRW_SQL_INTEGER))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool init = [] {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        return true;
    }();
    (void)init;
    if (size < 5)
        return 0;
    const int ca = data[0] % TRW_SQL_NTYPES, cb = data[1] % TRW_SQL_NTYPES;
    const int wa = kWords[data[2] % 16], wb = kWords[data[3] % 16];
    const uint8_t flags = data[4];
    std::vector<char> bytes(data + 5, data + size);
    const size_t half = bytes.size() / 2;
    valrec a, b, r;
    build(&a, ca, wa, flags & 1, bytes, 0);
    build(&b, cb, wb, flags & 2, bytes, half);
    trw_ex_decimal_calc(flags & 4);
    for (int op = EXOP_EQ; op <= EXOP_GT; ++op)
        check(op, &a, &b, r, excmp(op, &a, &b, &r), TRW_SQL_SMALLINT);
    using Binary = int (*)(valrec *, valrec *, valrec *);
    const Binary arith[] = {exadd, exsub, exmul, exdiv};
    for (int i = 0; i < 4; ++i) {
        valrec x = a, y = b;
        const int status = arith[i](&x, &y, &r);
        check(EXOP_ADD + i, &a, &b, r, status, extype(EXOP_ADD + i, &a, &b));
    }
    check(EXOP_NEG, &a, nullptr, r, exneg(&a, &r), extype(EXOP_NEG, &a, nullptr));
    for (int op : {EXOP_MATCHES, EXOP_NOTMATCHES, EXOP_LIKE, EXOP_NOTLIKE})
        check(op, &a, &b, r, exmatch(op, &a, &b, &r), TRW_SQL_SMALLINT);
    exand(&a, &b, &r);
    exor(&a, &b, &r);
    exnot(&a, &r);
    cvtosmint(&b, &r);
    check(EXOP_ISNULL, &a, nullptr, r, exnull(EXOP_ISNULL, &a, &r), TRW_SQL_SMALLINT);
    check(EXOP_NOTNULL, &b, nullptr, r, exnull(EXOP_NOTNULL, &b, &r), TRW_SQL_SMALLINT);
    for (int op = EXOP_DAY; op <= EXOP_YEAR; ++op)
        check(op, &a, nullptr, r, exxmdy(op, &a, &r), TRW_SQL_SMALLINT);
    check(0, &a, nullptr, r, exwkday(&a, &r), TRW_SQL_SMALLINT);
    valrec c = b;
    check(0, &a, &b, r, exmdy(&a, &b, &c, &r), TRW_SQL_DATE);
    check(0, &a, nullptr, r, extodate(&a, &r), TRW_SQL_DATE);
    check(0, &a, nullptr, r, exextend(&a, wb, &r), TRW_SQL_DATETIME);
    check(0, &a, nullptr, r, exunits(&a, wb, &r), TRW_SQL_INTERVAL);
    // The result may be an operand.
    exadd(&a, &b, &a);
    trw_ex_decimal_calc(0);
    return 0;
}
