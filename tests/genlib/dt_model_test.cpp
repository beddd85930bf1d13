// Differential test of the DATETIME and INTERVAL functions against the
// exact model of dt_model.py: packing and unpacking, the value check,
// extension, DATE conversions, INTERVAL counts and conversions, addition,
// subtraction, scaling and ratios. The build generates the vectors
// (DT_MODEL_VECTORS); with TRW_TEST_FULL=1 the model is run again here with
// ten times as many cases per operation.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datetime.h"
#include "genlib/dt_model_support.h"

namespace {

using dtmodel::parse_decimal;
using dtmodel::same_decimal;

std::string show(const decvalue &d)
{
    if (d.sign == -1)
        return "N";
    std::string s = std::to_string(d.sign) + ":" + std::to_string(d.exponent) + ":";
    for (int i = 0; i < d.ndigits; ++i)
        s += (i ? "," : "") + std::to_string(d.digits[i]);
    return s;
}

int qual(const std::string &token) { return static_cast<int>(static_cast<uint32_t>(std::stoul(token, nullptr, 16))); }

void hex_bytes(const std::string &hex, unsigned char *out)
{
    std::memset(out, 0, DT_UNPACKED);
    for (size_t i = 0; i + 1 < hex.size() && i / 2 < DT_UNPACKED; i += 2)
        out[i / 2] = static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16));
}

bool close_double(double got, double want)
{
    if (got == want)
        return true;
    return std::fabs(got - want) <= 4e-16 * std::fabs(want);
}

// Replays one line; returns an empty text when it agrees, else what we got.
std::string replay(const std::vector<std::string> &t)
{
    const std::string &op = t[0];
    auto result = [](int status, const decvalue &r) { return std::to_string(status) + " " + show(r); };
    auto check = [&](int status, const decvalue &r, size_t at) -> std::string {
        const decvalue want = parse_decimal(t[at + 1]);
        if (status == std::stoi(t[at]) && (status != 0 || same_decimal(r, want)) && (status == 0 || r.sign == -1))
            return "";
        return result(status, r);
    };
    decvalue r{};
    r.sign = 7;
    if (op == "pack") {
        unsigned char bytes[DT_UNPACKED];
        hex_bytes(t[3], bytes);
        const int st = dtpack(&r, qual(t[1]), bytes, std::stoi(t[2]));
        return st == 0 && same_decimal(r, parse_decimal(t[4])) ? "" : result(st, r);
    }
    if (op == "unpack") {
        unsigned char want[DT_UNPACKED], got[DT_UNPACKED + 2];
        hex_bytes(t[3], want);
        got[DT_UNPACKED] = got[DT_UNPACKED + 1] = 0xA5;
        const decvalue d = parse_decimal(t[2]);
        const int st = dtunpack(&d, qual(t[1]), got);
        return st == 0 && std::memcmp(got, want, DT_UNPACKED) == 0 && got[DT_UNPACKED] == 0xA5 ? "" : "bytes";
    }
    if (op == "chk") {
        const decvalue d = parse_decimal(t[3]);
        const int st = chk_dtinv(&d, qual(t[1]), std::stoi(t[2]));
        return st == std::stoi(t[4]) ? "" : std::to_string(st);
    }
    if (op == "ext" || op == "invcopy") {
        const decvalue d = parse_decimal(t[2]);
        const int st = op == "ext" ? rdtextend(&d, qual(t[1]), &r, qual(t[3])) : rinvcopy(&d, qual(t[1]), &r, qual(t[3]));
        return check(st, r, 4);
    }
    if (op == "todate") {
        const decvalue d = parse_decimal(t[2]);
        int date = 12345;
        const int st = rdttodate(&d, qual(t[1]), &date);
        return st == std::stoi(t[3]) && date == std::stoi(t[4]) ? "" : std::to_string(st) + " " + std::to_string(date);
    }
    if (op == "fromdate")
        return check(rdatedt(std::stoi(t[1]), &r, qual(t[2])), r, 3);
    if (op == "invtodec") {
        const decvalue d = parse_decimal(t[2]);
        return check(rinvtodec(&d, qual(t[1]), &r), r, 3);
    }
    if (op == "dectoinv") {
        const decvalue d = parse_decimal(t[1]);
        return check(rdectoinv(&d, &r, qual(t[2])), r, 3);
    }
    if (op == "add" || op == "subinv") {
        dt_value a{static_cast<int16_t>(qual(t[1])), parse_decimal(t[2])};
        const inv_value b{static_cast<int16_t>(qual(t[3])), parse_decimal(t[4])};
        const inv_value b_before = b;
        std::string bare;
        if (op == "add") {
            bare = check(rdtaddinv(&a.dt_dec, a.dt_qual, &b.in_dec, qual(t[3]), &r), r, 5);
            if (!bare.empty())
                return bare;
        }
        // the record form, into the first operand itself
        const int st = op == "add" ? dtaddinv(&a, &b, &a) : dtsubinv(&a, &b, &a);
        if (std::memcmp(&b, &b_before, sizeof b) != 0)
            return "interval changed";
        return check(st, a.dt_dec, 5);
    }
    if (op == "rsub") {
        const decvalue a = parse_decimal(t[2]), b = parse_decimal(t[4]);
        int rq = -5;
        const int st = rdtsub(&a, qual(t[1]), &b, qual(t[3]), &r, &rq);
        const bool ok = st == std::stoi(t[5]) && rq == qual(t[6]) && (st != 0 || same_decimal(r, parse_decimal(t[7])));
        return ok ? "" : result(st, r) + " q " + std::to_string(rq);
    }
    if (op == "sub") {
        const dt_value a{static_cast<int16_t>(qual(t[1])), parse_decimal(t[2])};
        const dt_value b{static_cast<int16_t>(qual(t[3])), parse_decimal(t[4])};
        inv_value out{static_cast<int16_t>(qual(t[5])), r};
        return check(dtsub(&a, &b, &out), out.in_dec, 6);
    }
    if (op == "mul" || op == "div" || op == "muld" || op == "divd") {
        inv_value a{static_cast<int16_t>(qual(t[1])), parse_decimal(t[2])};
        inv_value out{static_cast<int16_t>(qual(t[4])), r};
        int st;
        if (op == "mul" || op == "div") {
            const decvalue f = parse_decimal(t[3]);
            st = op == "mul" ? invmuldec(&a, &f, &out) : invdivdec(&a, &f, &out);
        } else {
            const double f = std::stod(t[3]);
            st = op == "muld" ? invmuldbl(&a, f, &out) : invdivdbl(&a, f, &out);
        }
        return check(st, out.in_dec, 5);
    }
    if (op == "ratio") {
        const inv_value a{static_cast<int16_t>(qual(t[1])), parse_decimal(t[2])};
        const inv_value b{static_cast<int16_t>(qual(t[3])), parse_decimal(t[4])};
        double got = 0;
        const int st = invdivinv(&a, &b, &got);
        if (st != std::stoi(t[5]))
            return std::to_string(st);
        return st != 0 || close_double(got, std::stod(t[6])) ? "" : std::to_string(got);
    }
    return "unknown operation";
}

std::string vectors_path()
{
    const char *full = std::getenv("TRW_TEST_FULL");
    if (full == nullptr || std::strcmp(full, "1") != 0)
        return DT_MODEL_VECTORS;
    const std::string path = std::string(::testing::TempDir()) + "dt_model_full.txt";
    const std::string command = std::string(DT_MODEL_PYTHON) + " " + DT_MODEL_SCRIPT + " " + path + " 200000 61";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

TEST(DtModel, EveryOperationAgreesWithTheExactModel)
{
    std::ifstream in(vectors_path());
    ASSERT_TRUE(in) << "no vectors";
    std::map<std::string, int> count, mismatches;
    std::string line;
    int shown = 0;
    while (std::getline(in, line)) {
        std::vector<std::string> tokens;
        std::stringstream words(line);
        for (std::string w; words >> w;)
            tokens.push_back(w);
        if (tokens.empty())
            continue;
        ++count[tokens[0]];
        const std::string got = replay(tokens);
        if (!got.empty()) {
            ++mismatches[tokens[0]];
            if (shown++ < 25)
                ADD_FAILURE() << line << "\n    got " << got;
        }
    }
    for (const auto &[op, n] : count) {
        EXPECT_EQ(mismatches[op], 0) << op << ": " << mismatches[op] << " of " << n;
        EXPECT_GE(n, DT_MODEL_MIN_CASES) << op;
    }
    EXPECT_EQ(count.size(), 18u);
}

} // namespace
