// The conversion matrix: for every source type and every target type, the
// outcome class the storing rules give (a value, -608, -1260, -9602,
// -1285), from one table written from those rules; the NULL of every
// source into every target with and without NOT NULL; and the values of
// the conversions against the oracle vectors valrec_model.py computes with
// Python's decimal, datetime and struct modules and exact integers.
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decconv.h"
#include "gentcb.h"
#include "genlib/valrec_support.h"
#include "valrec.h"

using namespace valtest;

namespace {

// Sources and targets, in the order of the table's columns.
const int kCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                      40, 41, 43, 45, 24, 60};
constexpr int kCount = sizeof kCodes / sizeof kCodes[0];

// Outcome of storing a value of each source (columns as kCodes) into the
// target of the row: v a value (or an error of the value itself), b -608,
// u -1260, c -9602, x -1285.
struct Row {
    int target;
    const char *outcome;
};
const Row kMatrix[] = {
    //       0123456789012345678901234567 89   (codes as kCodes)
    {0,  "vvvvvvvvvuvbbvvvvvvuuuuuuuvvuu"},
    {13, "vvvvvvvvvuvbbvvvvvvuuuuuuuvvuu"},
    {15, "vvvvvvvvvuvbbvvvvvvuuuuuuuvvuu"},
    {16, "vvvvvvvvvuvbbvvvvvvuuuuuuuvvuu"},
    {43, "vvvvvvvvvuvbbvvvvvvuuuuuuuvvuu"},
    {45, "vuuuuuuuuuubbvuvvuuuuuuuuuvvuu"},
    {1,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {2,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {6,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {17, "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {18, "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {3,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {4,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {5,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {8,  "vvvvvvvvvuubbvuvvvvuuuuuuuvuuu"},
    {7,  "vvvvvvvvvuvbbvuvvvvuuuuuuuvuuu"},
    {10, "vuuuuuuvuuvbbvuvvuuuuuuuuuvuuu"},
    {14, "vuuuuvuuuuubbvvvvuuuuuuuuuvuuu"},
    {11, "bbbbbbbbbbbvvbbbbbbbbbbbbbbbbb"},
    {12, "bbbbbbbbbbbvvbbbbbbbbbbbbbbbbb"},
    {19,  "cccccccccvcbbccccccvvvcvcccccc"},
    {20,  "cccccccccvcbbccccccvvvcvcccccc"},
    {21,  "cccccccccvcbbccccccvvvcvcccccc"},
    {22,  "cccccccccvcbbcccccccccvvcccccc"},
    {23,  "cccccccccvcbbccccccvvvcvcccccc"},
    {40,  "uuuuuuuuuuubbuuuuuuuuuuuvuuuuu"},
    {41,  "uuuuuuuuuuubbuuuuuuuuuuuuvuuuu"},
    {9,  "xxxxxxxxxxxbbxxxxxxxxxxxxxxxxx"},
    {24, "xxxxxxxxxxxbbxxxxxxxxxxxxxxxxx"},
    {44, "xxxxxxxxxxxbbxxxxxxxxxxxxxxxxx"},
    {51, "xxxxxxxxxxxbbxxxxxxxxxxxxxxxxx"},
    {60, "xxxxxxxxxxxbbxxxxxxxxxxxxxxxxx"},
};

// A non-NULL value of code, chosen so that it converts to the target where
// the types allow it.
struct Source {
    valrec v;
    char text[32];
};

void make_source(int code, int target, Source &s)
{
    s.v = record(code);
    switch (code) {
    case 0: case 13: case 15: case 16: case 43:
        std::strcpy(s.text, target == 45 ? "t" : target == 7 ? "01/02/1900" : target == 10 ? "1900-01-02" : " 1");
        s.v.vdata.vchar = s.text;
        s.v.vlen = static_cast<int>(std::strlen(s.text));
        break;
    case 1: s.v.vdata.vshort = 1; break;
    case 2: case 6: case 7: case 9: case 24: case 60: s.v.vdata.vint = 1; break;
    case 3: s.v.vdata.vdouble = 1; break;
    case 4: s.v.vdata.vfloat = 1; break;
    case 5: case 8: deccvint(1, &s.v.vdata.vdec); s.v.vprec = 0x0500; break;
    case 10: {
        dt_value dt;
        dt.dt_qual = DT_YEAR_TO_DAY;
        valrec d = record(TRW_SQL_DATE);
        d.vdata.vint = 2;
        todatetime(&d, &dt, DT_YEAR_TO_DAY);
        s.v.vdata.vdec = dt.dt_dec;
        s.v.vprec = DT_YEAR_TO_DAY;
        break;
    }
    case 14: {
        decvalue count;
        deccvint(1, &count);
        rdectoinv(&count, &s.v.vdata.vdec, TU_IENCODE(2, TU_DAY, TU_DAY));
        s.v.vprec = TU_IENCODE(2, TU_DAY, TU_DAY);
        break;
    }
    case 17: case 18: trw_int8cvint(1, &s.v.vdata.vint8); break;
    case 40: case 41: std::strcpy(s.text, "x"); s.v.vdata.vchar = s.text; s.v.vlen = 1; break;
    case 45: s.text[0] = 1; s.v.vdata.vchar = s.text; s.v.vlen = 1; break;
    case 19: case 20: case 21: case 22: case 23: {
        // A collection of one INTEGER element (a ROW: one INTEGER field).
        static trw_coll_typeentry entries[TRW_SQL_NTYPES][2];
        static trw_coll_typedesc descs[TRW_SQL_NTYPES];
        static char data[TRW_SQL_NTYPES][12];
        trw_coll_typeentry *e = entries[code];
        std::memset(e, 0, sizeof entries[code]);
        e[0].type = static_cast<int16_t>(code);
        e[1].level_no = 1;
        e[1].seqno = 1;
        e[1].field_no = 1;
        e[1].type = TRW_SQL_INTEGER;
        descs[code].td_count = 2;
        descs[code].td_entries = e;
        // A ROW's fields end in the offset table: the -1 slot, then the
        // first field's offset 0 in the last 4 bytes.
        const char bytes[12] = {0, 0, 0, 1, -1, -1, -1, -1, 0, 0, 0, 0};
        std::memcpy(data[code], bytes, sizeof bytes);
        const int row = code == TRW_SQL_ROW;
        EXPECT_EQ(trw_coll_init(&s.v.vdata.vcoll, &descs[code], 1, data[code], row ? 12 : 4), 0) << code;
        break;
    }
    default: break; // blobs: a zero descriptor, not NULL
    }
}

// A target length that fits the source's value.
int target_length(int target)
{
    switch (target) {
    case 5: case 8: return (16 << 8) | 2;
    case 10: return DT_YEAR_TO_DAY;
    case 14: return TU_IENCODE(2, TU_DAY, TU_DAY);
    case 13: case 16: return 20;
    case 40: case 41: return 8;
    case 19: case 20: case 21: case 22: case 23: return 4000;
    default: return 20;
    }
}

bool matches(char outcome, int status)
{
    switch (outcome) {
    case 'v': return status != -608 && status != -1260 && status != -9602 && status != -1285 && status != -1225;
    case 'b': return status == -608;
    case 'u': return status == -1260;
    case 'c': return status == -9602;
    case 'x': return status == -1285;
    default: return false;
    }
}

TEST(ValrecMatrix, EverySourceIntoEveryTarget)
{
    int cells = 0;
    for (const Row &row : kMatrix) {
        ASSERT_EQ(std::strlen(row.outcome), static_cast<size_t>(kCount)) << row.target;
        for (int i = 0; i < kCount; ++i) {
            Source s;
            make_source(kCodes[i], row.target, s);
            Out out(4096);
            const int status = rvaldata(&s.v, out.data(), row.target, target_length(row.target));
            EXPECT_TRUE(matches(row.outcome[i], status))
                << "source " << kCodes[i] << " target " << row.target << " status " << status << " expected "
                << row.outcome[i];
            if (row.outcome[i] == 'v') {
                EXPECT_EQ(status, 0) << "source " << kCodes[i] << " target " << row.target;
            }
            EXPECT_TRUE(out.guards_intact());
            ++cells;
        }
    }
    EXPECT_EQ(cells, kCount * static_cast<int>(sizeof kMatrix / sizeof kMatrix[0]));
}

TEST(ValrecMatrix, NullOfEverySourceIntoEveryTarget)
{
    for (const Row &row : kMatrix) {
        for (int code : kCodes) {
            valrec v = null_record(code);
            Out out(4096);
            EXPECT_EQ(rvaldata(&v, out.data(), row.target | VAL_NOTNULL, target_length(row.target)), -1225)
                << code << " into " << row.target;
            const int status = rvaldata(&v, out.data(), row.target, target_length(row.target));
            const char o = row.outcome[0];
            const int expect = o == 'x' ? -1285 : 0;
            EXPECT_EQ(status, expect) << code << " into " << row.target;
            EXPECT_TRUE(out.guards_intact());
        }
    }
}

// ---- oracle vectors ----

std::vector<std::vector<std::string>> vectors(const std::string &kind)
{
    std::ifstream in(VALREC_VECTORS);
    EXPECT_TRUE(in.good()) << VALREC_VECTORS;
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string f;
        while (std::getline(ss, f, '|'))
            fields.push_back(f);
        if (!fields.empty() && fields[0] == kind)
            rows.push_back(fields);
    }
    EXPECT_FALSE(rows.empty()) << kind;
    return rows;
}

TEST(ValrecOracle, DecimalRoundingToTheTargetScale)
{
    int mismatches = 0;
    for (const auto &r : vectors("dec")) {
        const int p = std::stoi(r[2]), s = std::stoi(r[3]);
        const int word = (p << 8) | s;
        for (int target : {TRW_SQL_DECIMAL, TRW_SQL_MONEY}) {
            valrec v = text_record(TRW_SQL_CHAR, r[1].c_str());
            Out out(static_cast<size_t>(DECLEN(p, s)));
            const int status = rvaldata(&v, out.data(), target, word);
            EXPECT_TRUE(out.guards_intact());
            if (r[4].rfind("ERR", 0) == 0) {
                mismatches += status != std::stoi(r[4].substr(3));
                continue;
            }
            valrec back = record(0);
            decvalue expect;
            deccvasc(r[4].c_str(), static_cast<int>(r[4].size()), &expect);
            if (status != 0 || rdataval(out.data(), target, word, &back) != 0 ||
                deccmp(&back.vdata.vdec, &expect) != 0) {
                ++mismatches;
                ADD_FAILURE() << r[1] << " into (" << p << "," << s << "): " << status;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ValrecOracle, IntegerTargetsAtTheirEdges)
{
    for (const auto &r : vectors("int")) {
        valrec v = text_record(TRW_SQL_CHAR, r[1].c_str());
        const int target = std::stoi(r[2]);
        Out out(4);
        const int status = rvaldata(&v, out.data(), target, 0);
        if (r[3].rfind("ERR", 0) == 0) {
            EXPECT_EQ(status, std::stoi(r[3].substr(3))) << r[1];
            continue;
        }
        ASSERT_EQ(status, 0) << r[1];
        valrec back = record(0);
        rdataval(out.data(), target, 0, &back);
        EXPECT_EQ(target == 1 ? back.vdata.vshort : back.vdata.vint, std::stol(r[3])) << r[1];
    }
}

TEST(ValrecOracle, Int8StoredForm)
{
    for (const auto &r : vectors("int8")) {
        for (int source : {TRW_SQL_CHAR, TRW_SQL_DECIMAL}) {
            valrec v = text_record(TRW_SQL_CHAR, r[1].c_str());
            if (source == TRW_SQL_DECIMAL) {
                decvalue d;
                deccvasc(r[1].c_str(), static_cast<int>(r[1].size()), &d);
                v = record(TRW_SQL_DECIMAL);
                v.vdata.vdec = d;
            }
            Out out(10);
            const int status = rvaldata(&v, out.data(), TRW_SQL_INT8, 0);
            if (r[2].rfind("ERR", 0) == 0)
                EXPECT_EQ(status, -1284) << r[1];
            else
                EXPECT_EQ(status == 0 ? hex(out.bytes()) : "status " + std::to_string(status), r[2]) << r[1];
            EXPECT_TRUE(out.guards_intact());
        }
    }
}

TEST(ValrecOracle, DateTextAndDatetime)
{
    for (const auto &r : vectors("date")) {
        valrec v = record(TRW_SQL_INTEGER);
        v.vdata.vint = std::stoi(r[1]);
        Out out(4);
        const int status = rvaldata(&v, out.data(), TRW_SQL_DATE, 0);
        if (r[2].rfind("ERR", 0) == 0) {
            EXPECT_EQ(status, -1210) << r[1];
            continue;
        }
        ASSERT_EQ(status, 0) << r[1];
        valrec d = record(0);
        rdataval(out.data(), TRW_SQL_DATE, 0, &d);
        char text[16] = {};
        ASSERT_EQ(rvalstr(&d, text, 0, 0), 0);
        EXPECT_EQ(std::string(text), r[2]);
        valrec t = text_record(TRW_SQL_CHAR, r[2].c_str());
        EXPECT_EQ(todate(&t), std::stoi(r[1])) << r[2];
    }
    for (const auto &r : vectors("dtday")) {
        valrec v = record(TRW_SQL_DATE);
        v.vdata.vint = std::stoi(r[1]);
        Out out(5);
        ASSERT_EQ(rvaldata(&v, out.data(), TRW_SQL_DATETIME, DT_YEAR_TO_DAY), 0) << r[1];
        EXPECT_EQ(hex(out.bytes()), r[2]) << r[1];
    }
}

TEST(ValrecOracle, FloatIntoSmallfloat)
{
    trwGEN_setFloatType(OS_FLOAT_NETWORK);
    for (const auto &r : vectors("flt")) {
        const Bytes stored = unhex(r[1]);
        valrec v = record(0);
        ASSERT_EQ(rdataval(reinterpret_cast<const char *>(stored.data()), TRW_SQL_FLOAT, 0, &v), 0);
        Out out(4);
        const int status = rvaldata(&v, out.data(), TRW_SQL_SMALLFLOAT, 0);
        if (r[2].rfind("ERR", 0) == 0)
            EXPECT_EQ(status, -1222) << r[1];
        else
            EXPECT_EQ(status == 0 ? hex(out.bytes()) : std::to_string(status), r[2]) << r[1];
        EXPECT_TRUE(out.guards_intact());
    }
}

TEST(ValrecOracle, FloatExponentText)
{
    trwGEN_setFloatType(OS_FLOAT_NETWORK);
    for (const auto &r : vectors("dbl")) {
        const Bytes stored = unhex(r[1]);
        char out[100] = {};
        ASSERT_EQ(rdatastr(reinterpret_cast<const char *>(stored.data()), TRW_SQL_FLOAT, 0, out, 0, 0), 0) << r[1];
        EXPECT_EQ(std::string(out), r[2]);
    }
}

} // namespace
