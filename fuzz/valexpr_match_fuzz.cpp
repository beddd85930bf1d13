// libFuzzer target for MATCHES and LIKE through the value-expression
// operators: a flag byte (UTF-8 or single-byte client locale, NCHAR
// operands, the operator, an escape text), then a text and a pattern of
// arbitrary bytes split at the first 0xFF, in exact-size heap copies. The
// kept compiled pattern sees every pattern, the locale switching under it.
// Properties: a result is SMALLINT 0 or 1 (or NULL); the negated operator
// answers the opposite with the same status; ansi_exescmatch with the
// escape "\\" answers as exmatch; the kept pattern answers as the first
// compilation did.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "glsenv.h"
#include "valexpr.h"

namespace {

GlsEnv *utf8_env()
{
    static GlsEnv *env = [] {
        GlsEnvLocale request{};
        request.setting[GLS_CLIENT_LOCALE] = "en_US.utf8";
        GlsEnv *e = nullptr;
        return CreateGlsEnv(&request, &e, 1) == 0 ? e : nullptr;
    }();
    return env;
}

valrec text_of(const std::vector<char> &bytes, int type)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = static_cast<int16_t>(type);
    v.vdata.vchar = bytes.empty() ? const_cast<char *>("") : const_cast<char *>(bytes.data());
    v.vlen = static_cast<int32_t>(bytes.size());
    return v;
}

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "valexpr_match: %s\n", what);
        std::abort();
    }
}

// -1 for NULL, else the truth value.
int truth(const valrec &r) { return r.vind < 0 ? -1 : r.vdata.vshort; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool init = [] {
        setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
        return true;
    }();
    (void)init;
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    SetGlsEnv(flags & 1 ? utf8_env() : nullptr);
    const uint8_t *rest = data + 1;
    const size_t n = size - 1;
    const uint8_t *cut = static_cast<const uint8_t *>(std::memchr(rest, 0xFF, n));
    const size_t tn = cut ? static_cast<size_t>(cut - rest) : n / 2;
    const size_t skip = cut ? 1 : 0;
    std::vector<char> text(rest, rest + tn), pattern(rest + tn + skip, rest + n);
    valrec a = text_of(text, flags & 2 ? TRW_SQL_NCHAR : TRW_SQL_CHAR);
    valrec b = text_of(pattern, flags & 4 ? TRW_SQL_NVARCHAR : TRW_SQL_VARCHAR);
    const int ops[] = {EXOP_MATCHES, EXOP_NOTMATCHES, EXOP_LIKE, EXOP_NOTLIKE};
    const int pick = (flags >> 3) & 3;
    const int op = ops[pick], negated = ops[pick ^ 1];
    valrec r, nr;
    const int status = exmatch(op, &a, &b, &r);
    if (status == 0)
        require(r.vtype == TRW_SQL_SMALLINT && (r.vind < 0 || r.vdata.vshort == 0 || r.vdata.vshort == 1),
                "exmatch result is not SMALLINT 0 or 1");
    const int nstatus = exmatch(negated, &a, &b, &nr);
    require(nstatus == status, "negated operator gives another status");
    if (status == 0) {
        const int t = truth(r), u = truth(nr);
        require(t < 0 ? u < 0 : u == 1 - t, "negated operator does not answer the opposite");
    }
    const char escape[2] = {static_cast<char>(flags & 0x20 ? '!' : '\\'), 0};
    const char *esc = flags & 0x40 ? escape : nullptr;
    valrec e, en;
    const int estatus = ansi_exescmatch(op, &a, &b, esc, &e);
    if (estatus == 0)
        require(e.vtype == TRW_SQL_SMALLINT, "ansi_exescmatch result is not SMALLINT");
    const int enstatus = ansi_exescmatch(negated, &a, &b, esc, &en);
    require(enstatus == estatus, "negated escaped operator gives another status");
    if (estatus == 0) {
        const int t = truth(e), u = truth(en);
        require(t < 0 ? u < 0 : u == 1 - t, "negated escaped operator does not answer the opposite");
    }
    // With the backslash as the escape the two entries are one operator.
    if (esc != nullptr && esc[0] == '\\') {
        require(estatus == status, "escape \\ gives another status than exmatch");
        if (status == 0)
            require(truth(e) == truth(r), "escape \\ gives another answer than exmatch");
    }
    // The kept pattern again, after another pattern was compiled.
    valrec again;
    require(exmatch(op, &a, &b, &again) == status, "the kept pattern gives another status");
    if (status == 0)
        require(truth(again) == truth(r), "the kept pattern gives another answer");
    SetGlsEnv(nullptr);
    return 0;
}
