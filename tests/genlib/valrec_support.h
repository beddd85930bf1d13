// Test helpers for value records: stored forms built from their byte
// layouts (not through the library), records of each type, and buffers
// with guard bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "valrec.h"

namespace valtest {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kGuard = 0xA5;
constexpr size_t kGuards = 16;

// An output buffer of n bytes followed by guard bytes.
struct Out {
    std::vector<unsigned char> buf;
    size_t n;
    explicit Out(size_t size) : buf(size + kGuards, kGuard), n(size) {}
    char *data() { return reinterpret_cast<char *>(buf.data()); }
    Bytes bytes() const { return Bytes(buf.begin(), buf.begin() + static_cast<long>(n)); }
    bool guards_intact() const
    {
        for (size_t i = n; i < buf.size(); ++i)
            if (buf[i] != kGuard)
                return false;
        return true;
    }
};

inline std::string hex(const Bytes &b)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : b) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

inline Bytes unhex(const std::string &s)
{
    Bytes b;
    for (size_t i = 0; i + 1 < s.size(); i += 2)
        b.push_back(static_cast<unsigned char>(std::stoi(s.substr(i, 2), nullptr, 16)));
    return b;
}

inline Bytes be(uint64_t value, int n)
{
    Bytes b(static_cast<size_t>(n));
    for (int i = n - 1; i >= 0; --i, value >>= 8)
        b[static_cast<size_t>(i)] = static_cast<unsigned char>(value);
    return b;
}

// The stored DECIMAL form (n bytes) of the digit string digits (no sign)
// with point_at digits before the point, negative when asked; NULL when
// digits is empty and null is set.
inline Bytes packed_decimal(std::string digits, int point_at, bool negative, int n)
{
    if ((point_at & 1) != 0) {
        digits.insert(digits.begin(), '0');
        ++point_at;
    }
    if ((digits.size() & 1) != 0)
        digits += '0';
    std::vector<int> pairs;
    for (size_t i = 0; i < digits.size(); i += 2)
        pairs.push_back((digits[i] - '0') * 10 + (digits[i + 1] - '0'));
    int exponent = point_at / 2;
    while (!pairs.empty() && pairs.front() == 0) {
        pairs.erase(pairs.begin());
        --exponent;
    }
    while (!pairs.empty() && pairs.back() == 0)
        pairs.pop_back();
    Bytes b(static_cast<size_t>(n), 0);
    if (pairs.empty()) {
        b[0] = 0x80; // zero: exponent -64, positive
        return b;
    }
    if (negative) {
        for (size_t i = 0; i < pairs.size(); ++i)
            pairs[i] = i + 1 == pairs.size() ? 100 - pairs[i] : 99 - pairs[i];
    }
    b[0] = static_cast<unsigned char>(0x80 | ((exponent + 64) & 0x7F));
    if (negative)
        b[0] ^= 0xFF;
    for (size_t i = 0; i < pairs.size() && i + 1 < b.size(); ++i)
        b[i + 1] = static_cast<unsigned char>(pairs[i]);
    return b;
}

inline valrec record(int type)
{
    valrec v;
    std::memset(&v, 0, sizeof v);
    v.vtype = static_cast<int16_t>(type);
    return v;
}

inline valrec text_record(int type, const char *text, int len = -1)
{
    valrec v = record(type);
    v.vdata.vchar = const_cast<char *>(text);
    v.vlen = len >= 0 ? len : static_cast<int>(std::strlen(text));
    return v;
}

inline valrec null_record(int type)
{
    valrec v = record(type);
    v.vind = -1;
    return v;
}

} // namespace valtest
