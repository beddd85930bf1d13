// The fast loops of the multibyte conversions against the same conversion
// done one character per call: runs of two-byte characters of changing lead
// bytes (UTF-8 letters, double-byte kanji), ASCII runs of every length
// around eight bytes, three-byte characters, characters the target lacks
// (substituted or refused), invalid and cut sequences, every cut of the
// text and small output buffers. Output bytes, consumed input, error
// numbers and the substitution flag must agree.
#include <gtest/gtest.h>

#include <cstdlib>
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
            const unsigned r = rng() % 10;
            s += utf8(r < 6 ? 0xA0 + rng() % 0x60 : r < 7 ? 0x100 + rng() % 0x300 : r < 8 ? 0x3041 + rng() % 0x5E
                                                                               : 0x4E00 + rng() % 0x5000);
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

TEST(ConversionFastLoops, Utf8ToLatin1) { check("8859-1", "utf8", utf8_text, 1); }
TEST(ConversionFastLoops, Utf8ToShiftJis) { check("sjis", "utf8", utf8_text, 2); }
TEST(ConversionFastLoops, Utf8To1252) { check("1252", "utf8", utf8_text, 3); }
TEST(ConversionFastLoops, ShiftJisToUtf8) { check("utf8", "sjis", sjis_text, 4); }
TEST(ConversionFastLoops, ShiftJisToEucJp) { check("ujis", "sjis", sjis_text, 5); }

} // namespace
