// The locale file reader against a reference reader kept here for the
// purpose: a plain recursive reading of the file format into maps and
// vectors, written for clarity, not speed. Every locale file of the data
// tree is read by both; the dump of the reference reading (every trie
// character and value, table, element and string, the equivalence classes)
// must equal the dump of the record the library loaded. Edited copies check
// what the reference reader cannot see: long lines that reach the reader in
// pieces and zero bytes in the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_locale.h"
#include "gl_multi.h"
#include "glslib/locale_files.h"
#include "glslib/temp_tree.h"

namespace fs = std::filesystem;
using trwtest::Loaded;
using trwtest::locale_dir;
using trwtest::text_file;

namespace {

using Dump = std::vector<std::string>;

std::string hex_of(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
        out += {digits[c >> 4], digits[c & 15]};
    return out;
}

std::string str(const char *s) { return s == nullptr ? "(null)" : hex_of(s); }

// ---- The reference reader ------------------------------------------------------------

struct Cursor {
    const std::string &s;
    size_t i = 0;
    void space()
    {
        while (i < s.size() && std::strchr(" \t\n\r\v\f", s[i]) != nullptr && s[i] != '\0')
            ++i;
    }
    unsigned long hex(int digits)
    {
        space();
        unsigned long v = 0;
        int n = 0;
        for (; n < digits && i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])); ++n, ++i)
            v = v * 16 + static_cast<unsigned long>(std::stoi(std::string(1, s[i]), nullptr, 16));
        if (n == 0)
            throw std::runtime_error("hexadecimal digit expected at " + std::to_string(i));
        return v;
    }
    long dec()
    {
        space();
        size_t used = 0;
        long v = std::stol(s.substr(i, 24), &used, 10);
        i += used;
        return v;
    }
    std::string word()
    {
        space();
        size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        return s.substr(start, i - start);
    }
    std::string line()
    {
        size_t nl = s.find('\n', i);
        std::string l = s.substr(i, nl - i);
        i = nl == std::string::npos ? s.size() : nl + 1;
        return l;
    }
    void find_line(const std::string &marker)
    {
        while (i < s.size())
            if (line() == marker)
                return;
        throw std::runtime_error("no " + marker);
    }
    std::string string()
    {
        long n = dec();
        std::string out;
        if (n > 0)
            ++i; // the space
        for (long k = 0; k < n; ++k)
            out += static_cast<char>(hex(2));
        return out;
    }
};

// A byte trie as the characters it holds and their values.
struct RefTrie {
    long max_length = 0, min_length = 0;
    std::map<std::string, unsigned> chars;
};

// One run-encoded array of 256 entries over initial values.
std::vector<unsigned> ref_array(Cursor &c, int entry_digits, unsigned initial)
{
    std::vector<unsigned> a(256, initial);
    for (;;) {
        unsigned long start = c.hex(2), length = c.hex(3), repeat = c.hex(3);
        if (length == 0)
            return a;
        std::vector<unsigned> run;
        for (unsigned long k = 0; k < length; ++k)
            run.push_back(static_cast<unsigned>(c.hex(entry_digits)));
        for (unsigned long r = 0; r < repeat; ++r)
            for (unsigned long k = 0; k < length; ++k)
                a.at(start + r * length + k) = run[k];
    }
}

void ref_node(RefTrie &t, const std::vector<unsigned> *flags, const std::vector<unsigned> *data, unsigned dflt,
              const std::string &prefix, const std::function<void(const std::string &)> &child)
{
    if (flags == nullptr)
        return;
    for (int b = 0; b < 256; ++b)
        if ((*flags)[b] == 4)
            t.chars[prefix + static_cast<char>(b)] = data != nullptr ? (*data)[b] : dflt;
    for (int b = 0; b < 256; ++b)
        if ((*flags)[b] == 1)
            child(prefix + static_cast<char>(b));
}

RefTrie ref_trie(Cursor &c)
{
    RefTrie t;
    t.max_length = c.dec();
    t.min_length = c.dec();
    long flags = c.dec();
    unsigned dflt = static_cast<unsigned>(c.hex(4));
    if ((flags & 2) == 0) {
        std::function<void(const std::string &)> plain = [&](const std::string &prefix) {
            long f = c.dec(), d = c.dec();
            std::vector<unsigned> fa, da;
            if (f)
                fa = ref_array(c, 2, 0);
            if (d)
                da = ref_array(c, 4, dflt);
            ref_node(t, f ? &fa : nullptr, d ? &da : nullptr, dflt, prefix, plain);
        };
        plain("");
        return t;
    }
    long nf = c.dec(), nd = c.dec();
    std::vector<std::vector<unsigned>> fl, dl;
    for (long k = 0; k < nf; ++k)
        fl.push_back(ref_array(c, 2, 0));
    for (long k = 0; k < nd; ++k)
        dl.push_back(ref_array(c, 4, dflt));
    std::function<void(const std::string &)> node = [&](const std::string &prefix) {
        long f = c.dec(), d = c.dec(), fi = c.dec(), di = c.dec();
        ref_node(t, f ? &fl.at(fi) : nullptr, d ? &dl.at(di) : nullptr, dflt, prefix, node);
    };
    node("");
    return t;
}

void dump_trie(Dump &out, const char *name, const RefTrie &t)
{
    out.push_back(std::string(name) + " lengths " + std::to_string(t.max_length) + " " + std::to_string(t.min_length));
    for (const auto &[key, value] : t.chars)
        out.push_back(std::string(name) + " " + hex_of(key) + " " + std::to_string(value));
}

// The equivalence classes of a weight table: rows keyed by their first-level
// weight (0 for rows ignorable everywhere, none for position-sensitive rows),
// members in byte order, classes by key. The string terminator is no member:
// it cannot stand inside the zero-terminated member strings.
void dump_ref_equivalences(Dump &out, const RefTrie &t, const std::vector<std::vector<unsigned>> &weights)
{
    std::map<unsigned, std::vector<std::string>> classes;
    for (const auto &[key, row] : t.chars) {
        bool position = false, ignorable = true;
        for (const auto &level : weights) {
            position = position || (level.at(row) & GL_WEIGHT_POSITION);
            ignorable = ignorable && level.at(row) == GL_WEIGHT_IGNORE;
        }
        if (!position && key != std::string(1, '\0'))
            classes[ignorable ? 0 : weights[0][row] + 1].push_back(key);
    }
    for (const auto &[k, members] : classes) {
        std::string all;
        for (const std::string &m : members)
            all += m;
        out.push_back("class " + hex_of(all) + " " + hex_of(members.front()) + " " + hex_of(members.back()));
    }
}

Dump reference_dump(const std::string &file)
{
    Dump out;
    Cursor c{file};
    c.line();
    c.line();
    std::string third = c.line();
    long lines = std::stol(third.substr(third.find('=') + 1));
    for (long k = 3; k < lines; ++k)
        c.line();
    out.push_back("codeset " + c.word());
    c.find_line("### LC_CTYPE");
    dump_trie(out, "class", ref_trie(c));
    for (long n = c.dec(), k = 0; k < n; ++k) {
        long bit = c.dec();
        out.push_back("named " + std::to_string(bit) + " " + c.word());
    }
    dump_trie(out, "case", ref_trie(c));
    for (long n = c.dec(), k = 1; k <= n; ++k) {
        unsigned long up = c.hex(8), low = c.hex(8);
        out.push_back("pair " + std::to_string(k) + " " + std::to_string(up) + " " + std::to_string(low));
    }
    std::string rest = c.line();
    char *end = nullptr;
    double f = std::strtod(rest.c_str(), &end);
    bool blank = rest.find_first_not_of(" \t\r\v\f") == std::string::npos;
    char factor[40];
    std::snprintf(factor, sizeof factor, "%.17g", blank || end == rest.c_str() || !std::isfinite(f) || f <= 0 ? 4.0 : f);
    out.push_back(std::string("factor ") + factor);

    c.find_line("### LC_COLLATE");
    std::string kind = c.word();
    out.push_back("kind " + kind);
    if (kind == "as_specified") {
        RefTrie t = ref_trie(c);
        dump_trie(out, "weight", t);
        long mode = c.dec(), rows = c.dec(), levels = c.dec(), elements = c.dec(), expansions = c.dec();
        long maxw = c.dec();
        out.push_back("counts " + std::to_string(mode) + " " + std::to_string(rows) + " " + std::to_string(levels) + " " +
                      std::to_string(elements) + " " + std::to_string(expansions) + " " + std::to_string(maxw));
        for (long lv = 0; lv < levels; ++lv)
            out.push_back("level " + std::to_string(c.hex(4)));
        for (long k = 0; k < elements + expansions; ++k) {
            std::string e = k < elements ? "element" : "expansion";
            unsigned long n = c.hex(1);
            if (k < elements)
                e += " row " + std::to_string(c.hex(4));
            for (unsigned long j = 0; j < n; ++j)
                e += " " + std::to_string(c.hex(8));
            out.push_back(e);
        }
        std::vector<std::vector<unsigned>> weights(levels, std::vector<unsigned>(rows + 1));
        for (long r = 0; r <= rows; ++r)
            for (long lv = 0; lv < levels; ++lv)
                weights[lv][r] = static_cast<unsigned>(c.hex(4));
        for (long lv = 0; lv < levels; ++lv)
            for (long r = 0; r <= rows; ++r)
                out.push_back("w " + std::to_string(lv) + " " + std::to_string(r) + " " + std::to_string(weights[lv][r]));
        if (mode != 1)
            dump_ref_equivalences(out, t, weights);
    }
    c.find_line("### LC_NUMERIC");
    auto strings = [&](const char *name, int n) {
        for (int k = 0; k < n; ++k)
            out.push_back(std::string(name) + " " + hex_of(c.string()));
    };
    auto grouping = [&](const char *name) {
        std::string g = name;
        for (long n = c.dec(), k = 0; k < n; ++k)
            g += " " + std::to_string(c.dec());
        out.push_back(g);
    };
    auto list = [&](const char *name) {
        long n = c.dec();
        out.push_back(std::string(name) + " count " + std::to_string(n));
        strings(name, static_cast<int>(n));
    };
    strings("numeric", 2);
    grouping("grouping");
    strings("numeric", 2);
    c.find_line("### LC_MONETARY");
    strings("monetary", 4);
    grouping("mon_grouping");
    strings("monetary", 2);
    for (int k = 0; k < 8; ++k)
        out.push_back("monetary number " + std::to_string(c.dec()));
    c.find_line("### LC_TIME");
    out.push_back("calendar " + c.word());
    strings("day", 14);
    list("abmon");
    list("mon");
    strings("format", 6);
    list("era");
    strings("era format", 3);
    list("alt digit");
    c.find_line("### LC_MESSAGES");
    strings("message", 4);
    return out;
}

// ---- The loaded record ---------------------------------------------------------------------

void dump_loaded_trie(Dump &out, const char *name, const gl_multi *t)
{
    out.push_back(std::string(name) + " lengths " + std::to_string(_gl_multi_max_length(t)) + " " +
                  std::to_string(_gl_multi_min_length(t)));
    struct Arg {
        Dump *out;
        const char *name;
    } arg{&out, name};
    _gl_foreach_multi(
        t,
        [](void *a, const unsigned char *key, int length, const void *element) {
            auto *p = static_cast<Arg *>(a);
            uint16_t v;
            std::memcpy(&v, element, sizeof v);
            p->out->push_back(std::string(p->name) + " " +
                              hex_of(std::string(reinterpret_cast<const char *>(key), static_cast<size_t>(length))) +
                              " " + std::to_string(v));
            return 0;
        },
        &arg);
}

std::string codes(const uint32_t *c, int n)
{
    std::string s;
    for (int j = 0; j < n; ++j)
        s += " " + std::to_string(c[j]);
    return s;
}

void dump_loaded_collate(Dump &out, gl_locale *loc)
{
    out.push_back(loc->coll_kind == GL_COLL_THAI_SMO ? "kind thai_smo" : "kind as_specified");
    if (loc->coll_kind != GL_COLL_AS_SPECIFIED)
        return;
    dump_loaded_trie(out, "weight", loc->weight_trie);
    out.push_back("counts " + std::to_string(loc->coll_mode) + " " + std::to_string(loc->highest_row) + " " +
                  std::to_string(loc->levels) + " " + std::to_string(loc->element_count) + " " +
                  std::to_string(loc->expansion_count) + " " + std::to_string(loc->max_weight));
    for (int lv = 0; lv < loc->levels; ++lv)
        out.push_back("level " + std::to_string(loc->level_flags[lv]));
    for (int k = 0; k < loc->element_count; ++k)
        out.push_back("element row " + std::to_string(loc->elements[k].row) +
                      codes(loc->elements[k].codes, loc->elements[k].count));
    for (int k = 0; k < loc->expansion_count; ++k)
        out.push_back("expansion" + codes(loc->expansions[k].codes, loc->expansions[k].count));
    for (int lv = 0; lv < loc->levels; ++lv)
        for (int r = 0; r <= loc->highest_row; ++r)
            out.push_back("w " + std::to_string(lv) + " " + std::to_string(r) + " " + std::to_string(loc->weights[lv][r]));
    EXPECT_EQ(gl_lc_equivalences(loc), 0);
    for (int g = 0; loc->equiv_classes != nullptr && loc->equiv_classes[g] != nullptr; ++g)
        out.push_back("class " + str(loc->equiv_classes[g]) + " " + str(loc->equiv_bounds[g].first) + " " +
                      str(loc->equiv_bounds[g].last));
}

Dump loaded_dump(gl_locale *loc)
{
    Dump out;
    out.push_back(std::string("codeset ") + loc->names[0].codeset);
    dump_loaded_trie(out, "class", loc->class_trie);
    for (int k = 0; k < loc->class_count; ++k)
        out.push_back("named " + std::to_string(loc->classes[k].bit) + " " + loc->classes[k].name);
    dump_loaded_trie(out, "case", loc->case_trie);
    for (int k = 1; k <= loc->case_pair_count; ++k)
        out.push_back("pair " + std::to_string(k) + " " + std::to_string(static_cast<unsigned>(loc->case_pairs[k].upper)) +
                      " " + std::to_string(static_cast<unsigned>(loc->case_pairs[k].lower)));
    char factor[40];
    std::snprintf(factor, sizeof factor, "%.17g", loc->case_factor);
    out.push_back(std::string("factor ") + factor);
    dump_loaded_collate(out, loc);
    const gl_lc_numeric *n = loc->numeric;
    for (const char *s : {n->decimal_point, n->thousands_sep})
        out.push_back("numeric " + str(s));
    std::string g = "grouping";
    for (int k = 0; k < n->grouping_count; ++k)
        g += " " + std::to_string(n->grouping[k]);
    out.push_back(g);
    for (const char *s : {n->positive_sign, n->negative_sign})
        out.push_back("numeric " + str(s));
    const gl_lc_monetary *m = loc->monetary;
    for (const char *s : {m->int_curr_symbol, m->currency_symbol, m->mon_decimal_point, m->mon_thousands_sep})
        out.push_back("monetary " + str(s));
    g = "mon_grouping";
    for (int k = 0; k < m->mon_grouping_count; ++k)
        g += " " + std::to_string(m->mon_grouping[k]);
    out.push_back(g);
    for (const char *s : {m->positive_sign, m->negative_sign})
        out.push_back("monetary " + str(s));
    for (int v : {m->int_frac_digits, m->frac_digits, m->p_cs_precedes, m->p_sep_by_space, m->n_cs_precedes,
                  m->n_sep_by_space, m->p_sign_posn, m->n_sign_posn})
        out.push_back("monetary number " + std::to_string(v));
    const gl_lc_time *t = loc->time;
    static const char *const calendars[] = {"", "gregorian", "hebrew", "islamic", "arabic"};
    out.push_back(std::string("calendar ") + calendars[t->calendar]);
    for (int k = 0; k < 14; ++k)
        out.push_back("day " + str(k < 7 ? t->abday[k] : t->day[k - 7]));
    auto list = [&](const char *name, int count, char **items) {
        out.push_back(std::string(name) + " count " + std::to_string(count));
        for (int k = 0; k < count; ++k)
            out.push_back(std::string(name) + " " + str(items[k]));
    };
    list("abmon", t->abmon_count, t->abmon);
    list("mon", t->mon_count, t->mon);
    for (const char *s : {t->d_t_fmt, t->d_fmt, t->t_fmt, t->am, t->pm, t->t_fmt_ampm})
        out.push_back("format " + str(s));
    list("era", t->era_count, t->era);
    for (const char *s : {t->era_d_fmt, t->era_t_fmt, t->era_d_t_fmt})
        out.push_back("era format " + str(s));
    list("alt digit", t->alt_digit_count, t->alt_digits);
    for (const char *s : loc->messages->text)
        out.push_back("message " + str(s));
    return out;
}

std::vector<fs::path> locale_files()
{
    std::vector<fs::path> out;
    for (const auto &e : fs::recursive_directory_iterator(locale_dir()))
        if (e.is_regular_file() && e.path().extension() == ".lco")
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// The first line where two dumps differ, for the failure message.
std::string first_difference(const Dump &a, const Dump &b)
{
    size_t k = 0;
    while (k < a.size() && k < b.size() && a[k] == b[k])
        ++k;
    return "line " + std::to_string(k) + ": reference [" + (k < a.size() ? a[k] : "end") + "] loaded [" +
           (k < b.size() ? b[k] : "end") + "]";
}

TEST(LocaleReference, EveryLocaleFileLoadsAsTheReferenceReadsIt)
{
    std::vector<fs::path> files = locale_files();
    ASSERT_GE(files.size(), 10u);
    for (const fs::path &p : files) {
        std::string rel = fs::relative(p, locale_dir()).string();
        Dump ref = reference_dump(text_file(p.string()));
        Loaded l(rel, locale_dir().c_str());
        ASSERT_EQ(l.rc, 0) << rel;
        ASSERT_EQ(l.loc->error, 0) << rel;
        Dump got = loaded_dump(l.loc);
        EXPECT_GT(ref.size(), 100u) << rel;
        EXPECT_TRUE(ref == got) << rel << ": " << first_difference(ref, got);
    }
}

// Loads text as a locale file of a scratch directory.
struct Scratch {
    trwtest::TempTree tree;
    std::string load_dump(const std::string &text, int *rc, int *error)
    {
        tree.write("x.lco", text);
        Loaded l("x.lco", tree.root().c_str());
        *rc = l.rc;
        *error = l.loc->error;
        return l.rc == 0 ? std::to_string(loaded_dump(l.loc).size()) + "|" + [&] {
            std::string all;
            for (const std::string &s : loaded_dump(l.loc))
                all += s + "\n";
            return all;
        }() : std::string();
    }
};

TEST(LocaleReference, LongLinesAndWhiteSpaceRunsLoadTheSameValues)
{
    std::string text = text_file(locale_dir() + "/en_us/0333.lco");
    Scratch s;
    int rc, error;
    std::string plain = s.load_dump(text, &rc, &error);
    ASSERT_EQ(rc, 0);
    // Every line end of the sections becomes a space, and one run of spaces
    // is longer than the pieces the reader asks for.
    std::string joined = text;
    size_t body = joined.find("### LC_CTYPE\n") + 13;
    for (size_t i = body; i < joined.find("\n### LC_COLLATE"); ++i)
        if (joined[i] == '\n')
            joined[i] = ' ';
    joined.insert(body + 10, std::string(20000, ' '));
    EXPECT_EQ(s.load_dump(joined, &rc, &error), plain);
    EXPECT_EQ(rc, 0);
}

TEST(LocaleReference, ZeroBytesAreCharactersOfTheText)
{
    std::string text = text_file(locale_dir() + "/en_us/0333.lco");
    Scratch s;
    int rc, error;
    // In a trie, in the digits of a string, after a calendar name: a format error.
    for (const char *at : {"### LC_CTYPE\n", "### LC_NUMERIC\n1 2", "gregorian\n3 53"}) {
        std::string damaged = text;
        size_t i = damaged.find(at);
        ASSERT_NE(i, std::string::npos);
        damaged.insert(i + std::strlen(at) + 1, 1, '\0');
        s.load_dump(damaged, &rc, &error);
        EXPECT_EQ(rc, -1) << at;
        EXPECT_EQ(error, GL_EFORMAT) << at;
    }
    // In a line that is skipped (a zero byte hides the rest of its line and
    // the reader then skips one line more, as it always has), and as the
    // last byte after the last line.
    std::string skipped = text;
    skipped.insert(skipped.find("### LC_COLLATE"), std::string("skipped \0 line\nhidden line\n", 27));
    skipped += std::string(1, '\0');
    std::string plain = s.load_dump(text, &rc, &error);
    EXPECT_EQ(s.load_dump(skipped, &rc, &error), plain);
    EXPECT_EQ(rc, 0);
}

// The reader holds a window of the file that it refills as it goes: a
// token cut by the end of the window, a run of white space or of digits
// longer than the whole window, and zero bytes next to its end must read as
// they do anywhere else.
TEST(LocaleReference, TokensAcrossTheReadersWindowLoadTheSameValues)
{
    std::string text = text_file(locale_dir() + "/en_us/0333.lco");
    Scratch s;
    int rc, error;
    const std::string plain = s.load_dump(text, &rc, &error);
    ASSERT_EQ(rc, 0);
    const size_t body = text.find("### LC_CTYPE\n") + 13;
    // Padding before the CTYPE tries moves every token of their first lines
    // over the end of the first window (16 KB less up to one 4 KB piece).
    int differing = 0;
    for (size_t pad = (12u << 10) - 200; pad < (16u << 10) + 200; pad += 13) {
        std::string padded = text;
        padded.insert(body, std::string(pad, ' ') + "\n");
        differing += s.load_dump(padded, &rc, &error) != plain || rc != 0;
    }
    EXPECT_EQ(differing, 0);
    // Runs longer than the window: white space before a trie, and leading
    // zeros of a decimal count of COLLATE.
    std::string runs = text;
    runs.insert(body, std::string(200000, ' '));
    size_t counts = runs.find("\n0 257 4 ");
    ASSERT_NE(counts, std::string::npos);
    runs.insert(counts + 3, std::string(150000, '0'));
    EXPECT_EQ(s.load_dump(runs, &rc, &error), plain);
    EXPECT_EQ(rc, 0);
    // Zero bytes of a skipped line on either side of the window's end.
    for (size_t pad = (12u << 10); pad < (16u << 10) + 100; pad += 256) {
        std::string zeros = text;
        zeros.insert(body - 13, std::string(pad, '#') + std::string("\n\0 \0\nskip\n", 10));
        EXPECT_EQ(s.load_dump(zeros, &rc, &error), plain) << pad;
        EXPECT_EQ(rc, 0) << pad << " error " << error;
    }
}

// The equivalence classes are built on first use. A record sharing another's
// COLLATE category shares the source's own lists (built for the copy), so
// freeing both records frees them once; memory running out while building
// is error 3 with the lists left null, and a later call builds them.
long successes_left = 1L << 40;
void *counted_malloc(size_t n) { return --successes_left < 0 ? nullptr : std::malloc(n); }
void *counted_calloc(size_t n, size_t size) { return --successes_left < 0 ? nullptr : std::calloc(n, size); }

TEST(LocaleReference, EquivalenceClassesAreBuiltOnFirstUseAndShared)
{
    Loaded src("en_us/0333.lco", locale_dir().c_str());
    ASSERT_EQ(src.rc, 0);
    EXPECT_EQ(src.loc->equiv_classes, nullptr);
    gl_locale *dst = nullptr;
    ASSERT_EQ(gl_create_null_locale_4(&dst), 0);
    ASSERT_EQ(gl_copy_cat(dst, src.loc, GL_LC_COLLATE), 0);
    ASSERT_NE(src.loc->equiv_classes, nullptr);
    EXPECT_EQ(dst->equiv_classes, src.loc->equiv_classes);
    EXPECT_EQ(dst->equiv_bounds, src.loc->equiv_bounds);
    EXPECT_EQ(gl_lc_equivalences(dst), 0);
    EXPECT_EQ(dst->equiv_classes, src.loc->equiv_classes);
    gl_lc_unload(dst);

    Loaded again("en_us/0333.lco", locale_dir().c_str());
    ASSERT_EQ(again.rc, 0);
    gl_setextfunc(nullptr, GL_EXT_MALLOC, reinterpret_cast<gl_ext_routine>(counted_malloc));
    gl_setextfunc(nullptr, GL_EXT_CALLOC, reinterpret_cast<gl_ext_routine>(counted_calloc));
    successes_left = 3;
    int rc = gl_lc_equivalences(again.loc);
    successes_left = 1L << 40;
    gl_setextfunc(nullptr, GL_EXT_MALLOC, nullptr);
    gl_setextfunc(nullptr, GL_EXT_CALLOC, nullptr);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(again.loc->error, GL_ENOMEM);
    EXPECT_EQ(again.loc->equiv_classes, nullptr);
    EXPECT_EQ(again.loc->equiv_bounds, nullptr);
    EXPECT_EQ(gl_lc_equivalences(again.loc), 0);
    ASSERT_NE(again.loc->equiv_classes, nullptr);
    EXPECT_STREQ(again.loc->equiv_classes[0], src.loc->equiv_classes[0]);

    // A Thai category has none to build.
    Loaded thai("th_th/e01d.lco", locale_dir().c_str());
    ASSERT_EQ(thai.rc, 0);
    EXPECT_EQ(gl_lc_equivalences(thai.loc), 0);
    EXPECT_EQ(thai.loc->equiv_classes, nullptr);
}

} // namespace
