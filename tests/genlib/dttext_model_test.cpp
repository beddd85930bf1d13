// Standard text of every DATETIME and INTERVAL qualifier against the exact
// model of dt_model.py (--text): the model's values print as the model
// writes them, the text parses back to the same DECIMAL, the DECIMAL stores
// to the model's bytes and loads, prints and parses back unchanged, and the
// model's variants of each text (one-digit units, blanks, white space, a
// wrong delimiter, a truncated text, a third digit, an overlong first field,
// trailing text, a unit out of range) parse with the model's status. The
// build generates the vectors; TRW_TEST_FULL=1 reruns the model with many
// more values per qualifier.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datetime.h"
#include "genlib/dt_model_support.h"

namespace {

using dtmodel::parse_decimal;
using dtmodel::same_decimal;
using dtmodel::split_fields;

std::string hex(const unsigned char *bytes, int n)
{
    std::string out;
    char two[3];
    for (int i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        out += two;
    }
    return out;
}

int parse(bool interval, const std::string &text, int qualifier, decvalue *dec)
{
    return interval ? rstrinv(text.c_str(), dec, qualifier) : rstrdtime(text.c_str(), dec, qualifier);
}

std::string print(bool interval, const decvalue &dec, int qualifier)
{
    char out[DT_TEXT_SIZE + 8];
    std::memset(out, '#', sizeof out);
    const int status = interval ? rinvstr(&dec, qualifier, out) : rdtimestr(&dec, qualifier, out);
    if (status != 0)
        return "ERR" + std::to_string(status);
    return std::strlen(out) < DT_TEXT_SIZE ? std::string(out) : "OVERRUN";
}

// One line: an empty text when it agrees, else what differs.
std::string replay(const std::vector<std::string> &t)
{
    const bool interval = t[1] == "i";
    const int q = static_cast<int>(std::stoul(t[2], nullptr, 16));
    if (t[0] == "T") {
        const decvalue want = parse_decimal(t[3]);
        const std::string text = print(interval, want, q);
        if (text != t[4])
            return "printed '" + text + "'";
        decvalue back;
        if (parse(interval, text, q, &back) != 0 || !same_decimal(back, want))
            return "parsed back differently";
        const int n = static_cast<int>(t[5].size() / 2);
        unsigned char stored[DEC_STORED_MAX + 2] = {};
        stdecimal(&back, stored, n);
        if (hex(stored, n) != t[5])
            return "stored " + hex(stored, n);
        decvalue loaded;
        lddecimal(stored, n, &loaded);
        const std::string again = print(interval, loaded, q);
        decvalue reparsed;
        if (again != t[4] || parse(interval, again, q, &reparsed) != 0 || !same_decimal(reparsed, want))
            return "loaded value printed '" + again + "'";
        return "";
    }
    decvalue got;
    const int status = parse(interval, t[3], q, &got);
    if (status != std::stoi(t[4]))
        return "status " + std::to_string(status);
    if (!same_decimal(got, parse_decimal(t[5])))
        return "value differs";
    return "";
}

std::string vectors_path()
{
    const char *full = std::getenv("TRW_TEST_FULL");
    if (full == nullptr || std::strcmp(full, "1") != 0)
        return DTTEXT_MODEL_VECTORS;
    const std::string path = std::string(::testing::TempDir()) + "dttext_model_full.txt";
    const std::string command = std::string(DT_MODEL_PYTHON) + " " + DT_MODEL_SCRIPT + " --text " + path + " 400 71";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

TEST(DtTextModel, EveryQualifierThroughTextAndStoredForm)
{
    // Two-digit years never occur in the model's texts: the century rule is
    // not involved, and neither is the locale.
    unsetenv("USE_DTENV");
    unsetenv("GL_DATETIME");
    std::ifstream in(vectors_path());
    ASSERT_TRUE(in) << "no vectors";
    std::string line;
    long lines = 0, texts = 0, mismatches = 0;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const std::vector<std::string> t = split_fields(line);
        ASSERT_EQ(t.size(), 6u) << line;
        ++lines;
        texts += t[0] == "T";
        const std::string diff = replay(t);
        if (!diff.empty() && ++mismatches <= 20)
            ADD_FAILURE() << line << ": " << diff;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GE(texts, DTTEXT_MODEL_MIN_TEXTS);
    std::printf("%ld lines, %ld texts\n", lines, texts);
}

} // namespace
