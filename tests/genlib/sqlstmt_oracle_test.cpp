// The statement scanner against SQLite, where their rules coincide:
// routine completeness against sqlite3_complete on generated CREATE
// PROCEDURE and CREATE FUNCTION texts (SQLite also accepts trailing white
// space and comments, chkstmt does not, so a text counts as complete when
// SQLite says so and its last byte is ";"), and parameter markers against
// sqlite3_bind_parameter_count of generated SELECT lists. Sample counts grow
// with TRW_TEST_FULL=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include <sqlite3.h>

#include "sqlstmt.h"

namespace {

int samples(int normal)
{
    const char *full = std::getenv("TRW_TEST_FULL");
    return full != nullptr && std::string(full) == "1" ? normal * 50 : normal;
}

struct Generator {
    std::mt19937 rng;
    explicit Generator(unsigned seed) : rng(seed) {}

    size_t pick(size_t n) { return rng() % n; }

    std::string quoted(char q)
    {
        static const char *insides[] = {"a", ";", "x;y", "?", "--", " ", "it", "{"};
        std::string s(1, q);
        for (size_t k = pick(4); k > 0; --k) {
            s += insides[pick(std::size(insides))];
            if (pick(3) == 0)
                s += std::string(2, q);
            if (pick(4) == 0)
                s += q == '\'' ? '"' : '\'';
        }
        return s + q;
    }

    // A piece of a routine body: no END, PROCEDURE, FUNCTION or EXTERNAL at
    // the start of a word, no braces, slash-star, brackets or backquotes.
    std::string body_piece()
    {
        static const char *words[] = {"let", "a", "=", "1", "select", "x1", "from", "t", "if", "then",
                                      "return", "call", "q(1)", "+", "ende"};
        switch (pick(6)) {
        case 0:
            return ";";
        case 1:
            return quoted('\'');
        case 2:
            return quoted('"');
        case 3:
            return "-- note ; 'x\n";
        default: {
            std::string w = words[pick(std::size(words) - 1)];
            return w;
        }
        }
    }

    std::string sequence(int max)
    {
        std::string s;
        for (int k = static_cast<int>(pick(static_cast<size_t>(max))); k > 0; --k)
            s += body_piece() + (pick(2) ? " " : "\n");
        return s;
    }

    std::string cased(const std::string &w)
    {
        std::string out = w;
        const size_t mode = pick(3);
        for (size_t i = 0; i < out.size(); ++i)
            if (mode == 1 || (mode == 2 && pick(2)))
                out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i])));
        return out;
    }

    std::string routine()
    {
        const std::string kind = pick(2) ? "procedure" : "function";
        std::string between = " ";
        if (pick(3) == 0)
            between = " -- between\n ";
        std::string tail = sequence(4);
        if (pick(2))
            tail += ";";
        if (pick(4) == 0)
            tail += pick(2) ? " " : "\n";
        return cased("create") + " " + cased(kind) + " p() " + sequence(8) + " " + cased("end") + between +
               cased(kind) + tail;
    }
};

TEST(SqliteOracle, RoutineCompleteness)
{
    Generator g(2024);
    const int n = samples(4000);
    int complete = 0;
    for (int i = 0; i < n; ++i) {
        const std::string s = g.routine();
        const bool sqlite_complete = sqlite3_complete(s.c_str()) != 0 && s.back() == ';';
        const int ours = chkstmt(s.c_str(), static_cast<int>(s.size()));
        ASSERT_EQ(ours == 0, sqlite_complete) << s;
        complete += ours == 0;
    }
    EXPECT_GT(complete, n / 10) << "the generator reaches both answers";
    EXPECT_LT(complete, n - n / 10);
}

TEST(SqliteOracle, ParameterMarkers)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "create table t(a)", nullptr, nullptr, nullptr), SQLITE_OK);
    Generator g(99);
    static const char *items[] = {"?", "1", "a + ?", "42", "'?'", "'it''s ?'", "'say \"?\"'", "\"it's ?\"",
                                  "\"a\"\"?\"", "? + ?"};
    static const char *comments[] = {"", "", " /* ? */ ", " -- ? ' \n", " /* ' */ ", " -- \"\n"};
    const int n = samples(3000);
    int prepared = 0;
    for (int i = 0; i < n; ++i) {
        std::string s = "select ";
        for (size_t k = 1 + g.pick(6); k > 0; --k) {
            s += items[g.pick(std::size(items))];
            s += comments[g.pick(std::size(comments))];
            if (k > 1)
                s += ", ";
        }
        s += " from t";
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, s.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            continue;
        ++prepared;
        EXPECT_EQ(gstrqmarks(s.c_str()), sqlite3_bind_parameter_count(stmt)) << s;
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    EXPECT_GT(prepared, n / 2);
}

} // namespace
