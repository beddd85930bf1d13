// libFuzzer target for the value layer's text paths: the input's first byte
// chooses a qualifier, the rest is the text, in a buffer of exactly its
// length for the conversions (no terminator) and terminated for rstoi,
// rstol and rstod. Results must be a value or a clear error; a text that
// rstoi or rstol accepts is within its range and has nothing but blanks
// and newlines after its digits.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "rdate.h"
#include "valrec.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    setenv("CLIENT_LOCALE", std::getenv("TRW_FUZZ_LOCALE") ? std::getenv("TRW_FUZZ_LOCALE") : "en_US.8859-1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    static const int kQualifiers[] = {DT_YEAR_TO_SECOND, DT_YEAR_TO_DAY, DT_YEAR_TO_FRAC5, 0x0A6A, 0x0246,
                                      INV_DAY9_TO_SECOND, TU_IENCODE(5, TU_DAY, TU_HOUR), TU_IENCODE(4, TU_YEAR, TU_MONTH),
                                      0x7FFF, 0};
    const int q = kQualifiers[data[0] % (sizeof kQualifiers / sizeof kQualifiers[0])];
    const size_t n = size - 1;
    std::unique_ptr<char[]> exact(new char[n > 0 ? n : 1]);
    std::memcpy(exact.get(), data + 1, n);
    const std::string terminated(reinterpret_cast<const char *>(data + 1), n);

    int i = 0;
    if (rstoi(terminated.c_str(), &i) == 0 && (i < -32768 || i > 32767))
        std::abort();
    int32_t l = 0;
    rstol(terminated.c_str(), &l);
    double d = 0;
    rstod(terminated.c_str(), &d);

    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = (data[0] & 0x80) ? TRW_SQL_VARCHAR : TRW_SQL_CHAR;
    v.vdata.vchar = exact.get();
    v.vlen = static_cast<int>(n);
    const int date = todate(&v);
    if (date != TRW_DATE_NULL && (date < TRW_DATE_MIN || date > TRW_DATE_MAX))
        std::abort();
    dt_value dt;
    dt.dt_qual = 0;
    todatetime(&v, &dt, q);
    inv_value inv;
    inv.in_qual = 0;
    tointerval(&v, &inv, q);
    unsigned char b = 7;
    if (tocbool(&v, &b) == 0 && b > 1)
        std::abort();
    decvalue dec;
    todecimal(&v, &dec);
    todecimalmon(&v, &dec);
    int8value i8;
    toint8(&v, &i8);
    short isnull = 0;
    todblnull(&v, &isnull);
    toint(&v);
    tolong(&v);
    return 0;
}
