// The peer decimal libraries the DECIMAL benchmarks measure against, each
// included only when the build found it: Intel's decimal floating-point
// library (arguments by value, rounding mode and flags passed in) and
// decNumber at 34 digits with its decimal128 interchange conversions.
#pragma once

#include <cstdint>

#if TRW_HAVE_BID
#define DECIMAL_CALL_BY_REFERENCE 0
#define DECIMAL_GLOBAL_ROUNDING 0
#define DECIMAL_GLOBAL_EXCEPTION_FLAGS 0
extern "C" {
#include <bid_conf.h>
#include <bid_functions.h>
}
#endif

#if TRW_HAVE_DECNUMBER
#define DECNUMDIGITS 34
extern "C" {
#include <decNumber.h>
// From decConvert.h, with the interchange form as plain 16 bytes.
struct dec128_bytes {
    uint8_t b[16];
};
decNumber *decimal128ToNumber(const dec128_bytes *, decNumber *);
dec128_bytes *decimal128FromNumber(dec128_bytes *, const decNumber *, decContext *);
}
#endif
