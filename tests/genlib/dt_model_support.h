// Reading the vectors the exact Python models write (dt_model.py and the
// models built on it): DECIMAL normal forms "sign:exponent:pair,pair,..."
// ("N" for NULL), their comparison, and the '|'-separated fields of a line.
#pragma once

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "decimal.h"

namespace dtmodel {

inline decvalue parse_decimal(const std::string &token)
{
    decvalue d{};
    if (token == "N") {
        d.sign = -1;
        return d;
    }
    int sign = 0, exponent = 0;
    std::sscanf(token.c_str(), "%d:%d:", &sign, &exponent);
    const std::string list = token.substr(token.find(':', token.find(':') + 1) + 1);
    unsigned char pairs[DEC_NPAIRS] = {};
    int n = 0;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',') && n < DEC_NPAIRS)
        pairs[n++] = static_cast<unsigned char>(std::stoi(item));
    decload(&d, sign, exponent, pairs, n);
    return d;
}

inline bool same_decimal(const decvalue &a, const decvalue &b)
{
    if (a.sign == -1 || b.sign == -1)
        return a.sign == b.sign;
    return a.sign == b.sign && a.exponent == b.exponent && a.ndigits == b.ndigits &&
           std::memcmp(a.digits, b.digits, static_cast<size_t>(a.ndigits)) == 0;
}

inline std::vector<std::string> split_fields(const std::string &line)
{
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1)
        out.push_back(line.substr(from, bar - from));
    out.push_back(line.substr(from));
    return out;
}

} // namespace dtmodel
