// The fast loops of the multibyte conversions against the same conversion
// done one character per call: runs of two-byte characters of changing lead
// bytes (UTF-8 letters, double-byte kanji), ASCII runs of every length
// around eight bytes, three-byte characters, characters the target lacks
// (substituted or refused), invalid and cut sequences, every cut of the
// text and small output buffers. Output bytes, consumed input, error
// numbers and the substitution flag must agree. The model goes through the
// same tables, so the text of each pair's repertoire is also checked
// against glibc's iconv, on every cut.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <random>
#include <string>
#include <vector>

#include "gl_conv.h"
#include "gl_errno.h"

namespace {

struct Outcome {
    int error = 0;
    int consumed = 0;
    std::string out;
    int substituted = 0;
};

struct Conversion {
    gl_cvdesc *cd = nullptr;
    Conversion(const char *to, const char *from)
    {
        setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0);
        EXPECT_EQ(gl_cv_load(&cd, to, from, nullptr, nullptr), 1) << from << " > " << to;
    }
    ~Conversion() { gl_cv_unload(cd); }
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;
};

// One call on the whole counted input into room bytes.
Outcome whole(gl_cvdesc *cd, const std::string &in, int room)
{
    Outcome o;
    std::string buf(static_cast<size_t>(room) + 8, '#');
    char *ip = const_cast<char *>(in.data()), *op = buf.data();
    int il = static_cast<int>(in.size()), ol = room;
    cd->error = 0;
    if (gl_miconv(cd, &ip, &il, &op, &ol, &o.substituted) != 0)
        o.error = cd->error;
    o.consumed = static_cast<int>(in.size()) - il;
    o.out = buf.substr(0, static_cast<size_t>(op - buf.data()));
    for (size_t k = static_cast<size_t>(room); k < buf.size(); ++k)
        EXPECT_EQ(buf[k], '#') << "written past the room at " << k;
    return o;
}

// The model: the longest prefix that converts as one character, one call
// each, until the input ends, an error comes or the room runs out.
Outcome by_characters(gl_cvdesc *cd, const std::string &in, int room)
{
    Outcome o;
    size_t at = 0;
    while (at < in.size()) {
        int error = 0;
        size_t len = 1;
        for (; len <= 4 && at + len <= in.size(); ++len) {
            char out[16];
            char *ip = const_cast<char *>(in.data() + at), *op = out;
            int il = static_cast<int>(len), ol = room - static_cast<int>(o.out.size());
            int sub = 0;
            cd->error = 0;
            if (gl_miconv(cd, &ip, &il, &op, &ol, &sub) == 0 && il == 0) {
                o.out.append(out, static_cast<size_t>(op - out));
                o.substituted |= sub;
                error = 0;
                break;
            }
            error = cd->error;
            if (error != GL_EINVAL) // only a cut character is worth one more byte
                break;
        }
        if (error != 0) {
            o.error = error;
            break;
        }
        at += len;
    }
    o.consumed = static_cast<int>(at);
    return o;
}

std::string utf8(unsigned cp)
{
    std::string s;
    if (cp < 0x80)
        s += static_cast<char>(cp);
    else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// UTF-8 text: ASCII runs of 0 to 17 bytes and runs of letters of A0..FF
// (two bytes, lead C2 or C3), other two-byte letters, kana and kanji, a
// bad sequence now and then.
std::string utf8_text(std::mt19937 &rng, bool spoil)
{
    static const char *const kBad[] = {"\xC3", "\x80", "\xC0\xAF", "\xE3\x81", "\xFF", "\xED\xA0\x80"};
    std::string s;
    const int parts = 1 + static_cast<int>(rng() % 5);
    for (int i = 0; i < parts; ++i) {
        for (int k = static_cast<int>(rng() % 18); k > 0; --k)
            s += static_cast<char>(0x20 + rng() % 0x5F);
        for (int k = static_cast<int>(rng() % 12); k > 0; --k) {
            const auto r = static_cast<unsigned>(rng() % 10);
            const auto pick = static_cast<unsigned>(rng());
            s += utf8(r < 6 ? 0xA0 + pick % 0x60 : r < 7 ? 0x100 + pick % 0x300 : r < 8 ? 0x3041 + pick % 0x5E
                                                                             : 0x4E00 + pick % 0x5000);
        }
        if (spoil && rng() % 3 == 0)
            s += kBad[rng() % 6];
    }
    return s;
}

// Shift-JIS text: ASCII runs, runs of two-byte characters of random leads,
// half-width kana, a bad byte now and then.
std::string sjis_text(std::mt19937 &rng, bool spoil)
{
    std::string s;
    const int parts = 1 + static_cast<int>(rng() % 5);
    for (int i = 0; i < parts; ++i) {
        for (int k = static_cast<int>(rng() % 18); k > 0; --k)
            s += static_cast<char>(0x20 + rng() % 0x5F);
        for (int k = static_cast<int>(rng() % 12); k > 0; --k) {
            if (rng() % 8 == 0) {
                s += static_cast<char>(0xA1 + rng() % 0x3F);
                continue;
            }
            s += static_cast<char>(rng() % 2 ? 0x88 + rng() % 0x18 : 0x81 + rng() % 0x7);
            s += static_cast<char>(0x40 + rng() % 0xBC);
        }
        if (spoil && rng() % 3 == 0)
            s += static_cast<char>(rng() % 2 ? 0x80 : 0xFD);
    }
    return s;
}

// Latin-1 text: ASCII runs and runs of letters of 80..FF, both of 0 to 40
// bytes, so that blocks of sixteen start at every offset of a run; a zero
// byte now and then.
std::string latin1_text(std::mt19937 &rng, bool spoil)
{
    std::string s;
    const int parts = 1 + static_cast<int>(rng() % 5);
    for (int i = 0; i < parts; ++i) {
        for (int k = static_cast<int>(rng() % 41); k > 0; --k)
            s += static_cast<char>(0x20 + rng() % 0x5F);
        for (int k = static_cast<int>(rng() % 41); k > 0; --k)
            s += static_cast<char>(0x80 + rng() % 0x80);
        if (spoil && rng() % 3 == 0)
            s += '\0';
    }
    return s;
}

// UTF-8 text of long runs: ASCII and characters C2 80..C3 BF, 0 to 40 of
// each, with a character of another lead, a cut or bad sequence, or a
// zero byte now and then inside a run.
std::string long_runs_utf8(std::mt19937 &rng, bool spoil)
{
    static const char *const kOdd[] = {"\xC3", "\x80", "\xC4\x80", "\xC2\x7F", "\xC3\xC3", "\xE3\x81\x82"};
    std::string s;
    const int parts = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < parts; ++i) {
        for (int k = static_cast<int>(rng() % 41); k > 0; --k)
            s += static_cast<char>(0x20 + rng() % 0x5F);
        for (int k = static_cast<int>(rng() % 41); k > 0; --k) {
            if (spoil && rng() % 24 == 0) {
                const unsigned odd = static_cast<unsigned>(rng() % 7);
                if (odd == 6)
                    s += '\0';
                else
                    s += kOdd[odd];
                continue;
            }
            s += utf8(0x80 + static_cast<unsigned>(rng() % 0x80));
        }
    }
    return s;
}

// UTF-8 words of letters C2 80..C3 BF, 1 to 12 of them, with one ASCII
// byte between (a space or a digit), so that words meet in every lane of
// a block; now and then a zero byte, a cut or bad sequence or a letter of
// another lead in place of the byte between.
std::string latin1_words_utf8(std::mt19937 &rng, bool spoil)
{
    static const char *const kOdd[] = {"\xC3", "\x80", "\xC5\x93", "\xC2\x7F", "\xE2\x82\xAC"};
    std::string s;
    for (int words = 1 + static_cast<int>(rng() % 8); words > 0; --words) {
        for (int k = 1 + static_cast<int>(rng() % 12); k > 0; --k)
            s += utf8(0x80 + static_cast<unsigned>(rng() % 0x80));
        const unsigned between = static_cast<unsigned>(rng() % 16);
        if (spoil && between == 0)
            s += '\0';
        else if (spoil && between < 3)
            s += kOdd[rng() % 5];
        else
            s += between < 12 ? ' ' : static_cast<char>('0' + between % 10);
    }
    return s;
}

void check(const char *to, const char *from, std::string (*text)(std::mt19937 &, bool), unsigned seed)
{
    Conversion c(to, from);
    ASSERT_NE(c.cd, nullptr);
    std::mt19937 rng(seed);
    for (int i = 0; i < 300; ++i) {
        const std::string s = text(rng, i % 2 == 1);
        for (size_t cut = 0; cut <= s.size(); ++cut) {
            const std::string t = s.substr(0, cut);
            const int room = rng() % 4 == 0 ? static_cast<int>(rng() % (2 * t.size() + 2)) : static_cast<int>(4 * t.size() + 8);
            const Outcome want = by_characters(c.cd, t, room);
            const Outcome got = whole(c.cd, t, room);
            // Out of room: the model stops before the character that does
            // not fit with error 14, as the whole call does.
            ASSERT_EQ(got.error, want.error) << from << ">" << to << " case " << i << " cut " << cut << " room " << room;
            ASSERT_EQ(got.consumed, want.consumed) << from << ">" << to << " case " << i << " cut " << cut;
            ASSERT_EQ(got.out, want.out) << from << ">" << to << " case " << i << " cut " << cut;
            ASSERT_EQ(got.substituted, want.substituted) << from << ">" << to << " case " << i << " cut " << cut;
        }
    }
}

// iconv on the whole input: output, consumed bytes and the error (0, or
// GL_EINVAL for a cut character at the end; anything else: -1).
Outcome iconv_all(const char *to, const char *from, const std::string &in)
{
    Outcome o;
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " > " << to;
    std::string buf(in.size() * 4 + 8, '\0');
    char *ip = const_cast<char *>(in.data()), *op = buf.data();
    size_t il = in.size(), ol = buf.size();
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1))
        o.error = errno == EINVAL ? GL_EINVAL : -1;
    iconv_close(cd);
    o.consumed = static_cast<int>(in.size() - il);
    o.out = buf.substr(0, buf.size() - ol);
    return o;
}

// The characters (given in UTF-8) iconv converts from UTF-8 to the code
// set, in the code set's bytes when source is not UTF-8.
std::vector<std::string> repertoire(const char *iconv_name, bool in_target, const std::vector<unsigned> &cps)
{
    std::vector<std::string> out;
    for (unsigned cp : cps) {
        const Outcome o = iconv_all(iconv_name, "UTF-8", utf8(cp));
        if (o.error == 0 && !o.out.empty())
            out.push_back(in_target ? o.out : utf8(cp));
    }
    return out;
}

// Text of a repertoire with ASCII runs of 0 to 17 bytes between.
std::string text_of(const std::vector<std::string> &chars, std::mt19937 &rng)
{
    std::string s;
    for (int i = 1 + static_cast<int>(rng() % 5); i > 0; --i) {
        for (int k = static_cast<int>(rng() % 18); k > 0; --k)
            s += static_cast<char>(0x20 + rng() % 0x5F);
        for (int k = static_cast<int>(rng() % 14); k > 0; --k)
            s += chars[rng() % chars.size()];
    }
    return s;
}

void against_iconv(const char *to, const char *from, const char *iconv_to, const char *iconv_from,
                   const std::vector<std::string> &chars, unsigned seed)
{
    ASSERT_GT(chars.size(), 50u) << from << " > " << to;
    Conversion c(to, from);
    ASSERT_NE(c.cd, nullptr);
    std::mt19937 rng(seed);
    for (int i = 0; i < 200; ++i) {
        const std::string s = text_of(chars, rng);
        for (size_t cut = 0; cut <= s.size(); ++cut) {
            const std::string t = s.substr(0, cut);
            const Outcome want = iconv_all(iconv_to, iconv_from, t);
            const Outcome got = whole(c.cd, t, static_cast<int>(4 * t.size() + 8));
            ASSERT_EQ(got.error, want.error) << from << ">" << to << " case " << i << " cut " << cut;
            ASSERT_EQ(got.consumed, want.consumed) << from << ">" << to << " case " << i << " cut " << cut;
            ASSERT_EQ(got.out, want.out) << from << ">" << to << " case " << i << " cut " << cut;
            ASSERT_EQ(got.substituted, 0) << from << ">" << to << " case " << i << " cut " << cut;
        }
    }
}

std::vector<unsigned> code_points()
{
    std::vector<unsigned> cps;
    for (unsigned cp = 0xA0; cp < 0x500; ++cp)
        cps.push_back(cp);
    for (unsigned cp = 0x2000; cp < 0x2700; cp += 3)
        cps.push_back(cp);
    for (unsigned cp = 0x3000; cp < 0x3100; ++cp)
        cps.push_back(cp);
    for (unsigned cp = 0x4E00; cp < 0x9FA0; cp += 7)
        cps.push_back(cp);
    for (unsigned cp = 0xFF61; cp < 0xFFA0; ++cp)
        cps.push_back(cp);
    return cps;
}

TEST(ConversionFastLoops, AgainstIconv)
{
    const std::vector<unsigned> cps = code_points();
    against_iconv("8859-1", "utf8", "ISO-8859-1", "UTF-8", repertoire("ISO-8859-1", false, cps), 31);
    against_iconv("1252", "utf8", "CP1252", "UTF-8", repertoire("CP1252", false, cps), 32);
    against_iconv("sjis", "utf8", "SHIFT_JIS", "UTF-8", repertoire("SHIFT_JIS", false, cps), 33);
    against_iconv("ujis", "utf8", "EUC-JP", "UTF-8", repertoire("EUC-JP", false, cps), 34);
    against_iconv("utf8", "sjis", "UTF-8", "SHIFT_JIS", repertoire("SHIFT_JIS", true, cps), 35);
}

TEST(ConversionFastLoops, Utf8ToLatin1) { check("8859-1", "utf8", utf8_text, 1); }
TEST(ConversionFastLoops, Utf8ToShiftJis) { check("sjis", "utf8", utf8_text, 2); }
TEST(ConversionFastLoops, Utf8To1252) { check("1252", "utf8", utf8_text, 3); }
TEST(ConversionFastLoops, ShiftJisToUtf8) { check("utf8", "sjis", sjis_text, 4); }
TEST(ConversionFastLoops, ShiftJisToEucJp) { check("ujis", "sjis", sjis_text, 5); }
TEST(ConversionFastLoops, Latin1ToUtf8) { check("utf8", "8859-1", latin1_text, 6); }
TEST(ConversionFastLoops, LongRunsUtf8ToLatin1) { check("8859-1", "utf8", long_runs_utf8, 7); }
TEST(ConversionFastLoops, LongRunsUtf8To1252) { check("1252", "utf8", long_runs_utf8, 8); }
TEST(ConversionFastLoops, WordsUtf8ToLatin1) { check("8859-1", "utf8", latin1_words_utf8, 10); }
TEST(ConversionFastLoops, LongRunsUtf8ToShiftJis) { check("sjis", "utf8", long_runs_utf8, 9); }

} // namespace
