// Differential test of the value-expression operators against the exact
// model of valexpr_model.py: for every pair of operand types and every
// arithmetic and comparison operator (and unary minus), the working type,
// the precision word, the status, NULL and the value. The build generates
// the vectors (VALEXPR_MODEL_VECTORS).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "genlib/dt_model_support.h"

#include "valexpr.h"

namespace {

using dtmodel::parse_decimal;

// Plain decimal text ("-12.5") as a DECIMAL, without the locale.
decvalue parse_decimal_text(const std::string &text)
{
    std::string t = text;
    int sign = 1;
    if (!t.empty() && t[0] == '-') {
        sign = 0;
        t = t.substr(1);
    }
    const size_t point = t.find('.');
    std::string whole = point == std::string::npos ? t : t.substr(0, point);
    std::string frac = point == std::string::npos ? "" : t.substr(point + 1);
    if (whole.size() % 2)
        whole = "0" + whole;
    if (frac.size() % 2)
        frac += "0";
    const std::string digits = whole + frac;
    std::vector<unsigned char> pairs;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        pairs.push_back(static_cast<unsigned char>((digits[i] - '0') * 10 + (digits[i + 1] - '0')));
    decvalue d{};
    decload(&d, sign, static_cast<int>(whole.size() / 2), pairs.data(), static_cast<int>(pairs.size()));
    return d;
}

std::string unhex(const std::string &hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// One operand; the text it points at lives in `text`.
struct Operand {
    valrec v{};
    std::string text;
};

bool is_decimal_kind(int type)
{
    return type == TRW_SQL_DECIMAL || type == TRW_SQL_MONEY || type == TRW_SQL_DATETIME ||
           type == TRW_SQL_INTERVAL;
}

// Fills v with the value token of type.
void set_value(valrec *v, int type, const std::string &value, std::string *text)
{
    switch (type) {
    case TRW_SQL_SMALLINT: v->vdata.vshort = static_cast<int16_t>(std::stol(value)); break;
    case TRW_SQL_INTEGER: case TRW_SQL_SERIAL: case TRW_SQL_DATE: v->vdata.vint = static_cast<int32_t>(std::stol(value)); break;
    case TRW_SQL_INT8: {
        const long long n = std::stoll(value);
        const unsigned long long mag = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
        v->vdata.vint8 = int8value{{static_cast<uint32_t>(mag), static_cast<uint32_t>(mag >> 32)},
                                   static_cast<int16_t>(n < 0 ? -1 : 1)};
        break;
    }
    case TRW_SQL_FLOAT: v->vdata.vdouble = std::strtod(value.c_str(), nullptr); break;
    case TRW_SQL_SMALLFLOAT: v->vdata.vfloat = static_cast<float>(std::strtod(value.c_str(), nullptr)); break;
    case TRW_SQL_DECIMAL: case TRW_SQL_MONEY: v->vdata.vdec = parse_decimal_text(value); break;
    case TRW_SQL_DATETIME: case TRW_SQL_INTERVAL: v->vdata.vdec = parse_decimal(value); break;
    default:
        *text = unhex(value.substr(1));
        v->vdata.vchar = text->data();
        v->vlen = static_cast<int32_t>(text->size());
        break;
    }
}

void parse_operand(const std::string &token, Operand *op)
{
    std::memset(&op->v, 0, sizeof op->v);
    const size_t bar1 = token.find('|'), bar2 = token.find('|', bar1 + 1);
    const int type = std::stoi(token.substr(0, bar1));
    op->v.vtype = static_cast<int16_t>(type);
    op->v.vprec = static_cast<int16_t>(std::stoi(token.substr(bar1 + 1, bar2 - bar1 - 1), nullptr, 16));
    const std::string value = token.substr(bar2 + 1);
    if (value == "N") {
        op->v.vind = -1;
        if (is_decimal_kind(type))
            op->v.vdata.vdec.sign = -1;
        return;
    }
    set_value(&op->v, type, value, &op->text);
}

int run(const std::string &name, valrec *a, valrec *b, valrec *r)
{
    if (name == "add") return exadd(a, b, r);
    if (name == "sub") return exsub(a, b, r);
    if (name == "mul") return exmul(a, b, r);
    if (name == "div") return exdiv(a, b, r);
    if (name == "neg") return exneg(a, r);
    return excmp(std::stoi(name.substr(3)), a, b, r);
}

// What differs between the result and the expected value, or "".
std::string value_mismatch(const valrec &r, int type, const std::string &value)
{
    if (value == "N")
        return r.vind < 0 ? "" : "not NULL";
    if (r.vind < 0)
        return "NULL";
    valrec expected{};
    std::string text;
    set_value(&expected, type, value, &text);
    bool same;
    switch (type) {
    case TRW_SQL_SMALLINT: same = r.vdata.vshort == expected.vdata.vshort; break;
    case TRW_SQL_INTEGER: case TRW_SQL_DATE: same = r.vdata.vint == expected.vdata.vint; break;
    case TRW_SQL_FLOAT: same = std::memcmp(&r.vdata.vdouble, &expected.vdata.vdouble, sizeof(double)) == 0; break;
    case TRW_SQL_SMALLFLOAT: same = r.vdata.vfloat == expected.vdata.vfloat; break;
    case TRW_SQL_INT8: same = trw_int8cmp(&r.vdata.vint8, &expected.vdata.vint8) == 0; break;
    default: same = deccmp(&r.vdata.vdec, &expected.vdata.vdec) == 0; break;
    }
    if (same)
        return "";
    char buf[80];
    if (type == TRW_SQL_FLOAT)
        std::snprintf(buf, sizeof buf, "got %a", r.vdata.vdouble);
    else if (type == TRW_SQL_INTEGER || type == TRW_SQL_DATE)
        std::snprintf(buf, sizeof buf, "got %d", r.vdata.vint);
    else if (type == TRW_SQL_SMALLINT)
        std::snprintf(buf, sizeof buf, "got %d", r.vdata.vshort);
    else {
        std::string s = std::to_string(r.vdata.vdec.sign) + ":" + std::to_string(r.vdata.vdec.exponent) + ":";
        for (int i = 0; i < r.vdata.vdec.ndigits; ++i)
            s += (i ? "," : "") + std::to_string(r.vdata.vdec.digits[i]);
        std::snprintf(buf, sizeof buf, "got %s", s.c_str());
    }
    return buf;
}

TEST(ValexprModel, EveryOperatorOnEveryTypePairMatchesTheExactModel)
{
    std::ifstream in(VALEXPR_MODEL_VECTORS);
    ASSERT_TRUE(in.good()) << VALEXPR_MODEL_VECTORS;
    std::string line;
    long cases = 0, mismatches = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int calc, status, type;
        std::string name, ta, tb, prec_hex, value;
        fields >> calc >> name >> ta >> tb >> status >> type >> prec_hex >> value;
        Operand a, b;
        parse_operand(ta, &a);
        if (tb != "-")
            parse_operand(tb, &b);
        trw_ex_decimal_calc(calc);
        valrec r;
        std::memset(&r, 0x5A, sizeof r);
        const int got = run(name, &a.v, tb == "-" ? nullptr : &b.v, &r);
        const int prec = std::stoi(prec_hex, nullptr, 16);
        std::string why;
        if (got != status)
            why = "status " + std::to_string(got);
        else if ((r.vtype & 0xFF) != type)
            why = "type " + std::to_string(r.vtype);
        else if (static_cast<uint16_t>(r.vprec) != prec)
            why = "prec " + std::to_string(static_cast<uint16_t>(r.vprec));
        else
            why = value_mismatch(r, type, value);
        if (name != "neg" && got == 0 && why.empty()) {
            const int working = extype(name == "add" ? EXOP_ADD : name == "sub" ? EXOP_SUB : name == "mul" ? EXOP_MUL
                                       : name == "div" ? EXOP_DIV : std::stoi(name.substr(3)), &a.v, &b.v);
            if (name.rfind("cmp", 0) != 0 && working != type && !(working == TRW_SQL_DATE && type == TRW_SQL_INTEGER))
                why = "extype " + std::to_string(working);
        }
        ++cases;
        if (!why.empty() && ++mismatches <= 30)
            ADD_FAILURE() << line << "\n  -> " << why;
    }
    trw_ex_decimal_calc(0);
    EXPECT_EQ(mismatches, 0) << "of " << cases;
    EXPECT_GT(cases, VALEXPR_MODEL_MIN_CASES);
}

} // namespace
