// Helpers of the number and money format tests: test locales whose NUMERIC
// and MONETARY sections the test writes (the rest comes from the data tree's
// en_US file), conversions between byte texts and wide texts, and the glibc
// counterparts of the data tree's locales.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "glslib/locale_files.h"
#include "glslib/temp_tree.h"
#include "gl_char.h"
#include "gl_locale.h"

namespace trwtest {

// A string item of a locale file: its byte length, a blank, its bytes in hex.
inline std::string encode(const std::string &s)
{
    if (s.empty())
        return "0";
    std::string out = std::to_string(s.size()) + " ";
    char hex[3];
    for (unsigned char c : s) {
        std::snprintf(hex, sizeof hex, "%02x", c);
        out += hex;
    }
    return out;
}

struct NumericSection {
    std::string point = ".", separator = ",";
    std::vector<int> grouping = {3, 3};
    std::string positive = "", negative = "-";
};

struct MonetarySection {
    std::string int_symbol = "USD ", symbol = "$", point = ".", separator = ",";
    std::vector<int> grouping = {3, 3};
    std::string positive = "", negative = "-";
    // int_frac_digits frac_digits p_cs_precedes p_sep_by_space n_cs_precedes
    // n_sep_by_space p_sign_posn n_sign_posn
    int numbers[8] = {2, 2, 1, 0, 1, 0, 1, 1};
};

inline std::string group_list(const std::vector<int> &g)
{
    std::string out = std::to_string(g.size());
    for (int s : g)
        out += " " + std::to_string(s);
    return out;
}

inline std::string locale_with(const NumericSection &n, const MonetarySection &m)
{
    std::string text = text_file(locale_dir() + "/en_us/0333.lco");
    const size_t num = text.find("### LC_NUMERIC\n");
    const size_t time = text.find("### LC_TIME");
    std::string sections = "### LC_NUMERIC\n" + encode(n.point) + "\n" + encode(n.separator) + "\n" +
                           group_list(n.grouping) + "\n" + encode(n.positive) + "\n" + encode(n.negative) +
                           "\n### LC_MONETARY\n" + encode(m.int_symbol) + "\n" + encode(m.symbol) + "\n" +
                           encode(m.point) + "\n" + encode(m.separator) + "\n" + group_list(m.grouping) + "\n" +
                           encode(m.positive) + "\n" + encode(m.negative) + "\n";
    for (int v : m.numbers)
        sections += std::to_string(v) + "\n";
    return text.substr(0, num) + sections + text.substr(time);
}

// A test locale loaded from its own file, freed with the object.
struct TestLocale {
    TempTree tree;
    gl_locale *loc = nullptr;
    TestLocale(const NumericSection &n, const MonetarySection &m = MonetarySection{})
    {
        tree.write("xx_xx/0333.lco", locale_with(n, m));
        EXPECT_EQ(gl_lc_load(&loc, "xx_xx/0333.lco", nullptr, tree.root().c_str()), 0);
    }
    ~TestLocale() { gl_lc_unload(loc); }
};

inline std::vector<gl_wchar_t> wide(const std::string &s)
{
    std::vector<gl_wchar_t> w(s.begin(), s.end());
    for (auto &c : w)
        c &= 0xFF;
    w.push_back(0);
    return w;
}

} // namespace trwtest
