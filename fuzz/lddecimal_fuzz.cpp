// Fuzzes lddecimal: the input, copied to a buffer of exactly its size, is a
// stored DECIMAL of that length. The record loaded must be in normal form
// (or NULL), and, unless the exponent was clamped by an underflow, storing
// it at the same length and loading again must give the same value and
// status.
#include "decimal.h"
#include "decimal_invariants.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64) return 0;
    std::vector<unsigned char> form(data, data + size);  // exactly size bytes
    int n = static_cast<int>(size);
    decvalue d;
    int status = lddecimal(form.data(), n, &d);
    require(status == 0 || status == DEC_OVERFLOW || status == DEC_UNDERFLOW);
    require_normal_form(d);
    // An underflow clamps the exponent, which changes the value.
    if (n < DEC_STORED_MIN || status == DEC_UNDERFLOW) return 0;
    int len = n > DEC_STORED_MAX ? DEC_STORED_MAX : n;
    std::vector<unsigned char> again(len);
    stdecimal(&d, again.data(), len);
    decvalue e;
    require(lddecimal(again.data(), len, &e) == status);
    // Equal values; a rounded record's zero tail is not stored.
    require(d.sign == -1 ? e.sign == -1 : deccmp(&d, &e) == 0 && d.exponent == e.exponent);
    return 0;
}
