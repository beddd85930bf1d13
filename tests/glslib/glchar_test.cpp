// Characters and multibyte strings: for every character of each installed
// locale (a sample of the four-byte characters of UTF-8), the multibyte and
// wide paths agree with each other and with the loaded class and case tables
// (length, wide value, class, case, width); whole-string conversions round
// trip; then the string routines on code sets whose trailing bytes look like
// ASCII (Shift-JIS), trailing blanks, widths, index errors and streams.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_char.h"
#include "gl_errno.h"
#include "gl_locale.h"

namespace {

std::string data_dir()
{
    static const bool set = setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0) == 0;
    static_cast<void>(set);
    return std::string(std::getenv("TARNWELLDIR")) + "/gls/lc11";
}

struct Loaded {
    gl_locale *loc = nullptr;
    explicit Loaded(const char *file)
    {
        data_dir();
        EXPECT_EQ(gl_lc_load(&loc, file, nullptr, nullptr), 0) << file;
    }
    ~Loaded() { gl_lc_unload(loc); }
    Loaded(const Loaded &) = delete;
    Loaded &operator=(const Loaded &) = delete;
};

using Bytes = std::string;

gl_wchar_t pack(const Bytes &b)
{
    gl_wchar_t wc = 0;
    for (unsigned char c : b)
        wc = (wc << 8) | c;
    return wc;
}

// Every character of the class trie, found by probing each prefix with one
// more byte; four-byte characters only under every 16th three-byte prefix.
void enumerate(gl_locale *loc, Bytes prefix, std::vector<Bytes> &out)
{
    if (prefix.size() == 3 && (pack(prefix) * 2654435761u) >> 28 != 0)
        return;
    for (int b = 0; b < 256; ++b) {
        Bytes key = prefix + static_cast<char>(b);
        int len = 0;
        auto *k = reinterpret_cast<const unsigned char *>(key.data());
        if (_gl_retrieve_text_multi_limit(k, loc->class_trie, static_cast<int>(key.size()), &len, loc) != nullptr)
            out.push_back(key);
        else if (loc->error == GL_EINVAL && key.size() < 4)
            enumerate(loc, key, out);
    }
}

uint16_t table_mask(gl_locale *loc, const Bytes &b)
{
    int len = 0;
    const void *e = _gl_retrieve_text_multi_limit(reinterpret_cast<const unsigned char *>(b.data()),
                                                  loc->class_trie, static_cast<int>(b.size()), &len, loc);
    uint16_t m = 0;
    if (e != nullptr)
        std::memcpy(&m, e, 2);
    return m;
}

gl_wchar_t table_case(gl_locale *loc, const Bytes &b, bool upper)
{
    gl_wchar_t wc = pack(b);
    if (loc->single_byte)
        return upper ? loc->upper_map[wc] : loc->lower_map[wc];
    if (loc->case_trie == nullptr)
        return wc;
    int len = 0;
    const void *e = _gl_retrieve_text_multi_limit(reinterpret_cast<const unsigned char *>(b.data()),
                                                  loc->case_trie, static_cast<int>(b.size()), &len, loc);
    uint16_t i = 0;
    if (e != nullptr)
        std::memcpy(&i, e, 2);
    if (i == 0)
        return wc;
    int mapped = upper ? loc->case_pairs[i].upper : loc->case_pairs[i].lower;
    return mapped != 0 ? static_cast<gl_wchar_t>(mapped) : wc;
}

int full_width_mask(const gl_locale *loc)
{
    for (int i = 0; i < loc->class_count; ++i)
        if (std::strcmp(loc->classes[i].name, "full_width") == 0)
            return GL_CLASS_EXTRA0 << loc->classes[i].bit;
    return 0;
}

// Checks one character; returns false after the first disagreement so that
// a broken locale reports a few characters, not thousands.
bool check_char(gl_locale *loc, const Bytes &b, int wide_mask)
{
    const char *s = b.c_str();
    const int n = static_cast<int>(b.size());
    const gl_wchar_t wc = pack(b);
    SCOPED_TRACE(testing::Message() << std::hex << "character 0x" << wc);
    gl_wchar_t got = 0xDEAD;
    EXPECT_EQ(gl_full_mbtowc(loc, &got, s, n), wc == 0 ? 0 : n);
    EXPECT_EQ(got, wc);
    EXPECT_EQ(_trw_gl_full_mblen(loc, s, -1), wc == 0 ? 0 : n);
    if (n > 1) {
        EXPECT_EQ(gl_full_mblen(loc, s, n - 1), -1);
        EXPECT_EQ(loc->error, GL_EINVAL);
    }
    char out[8] = {};
    EXPECT_EQ(gl_full_wctomb(loc, out, wc), n);
    EXPECT_EQ(Bytes(out, static_cast<size_t>(n)), b);

    const uint16_t mask = table_mask(loc, b);
    if (loc->single_byte) {
        EXPECT_EQ(loc->class_map[wc], mask);
    }
    EXPECT_EQ(im_ismctype(loc, s, 0xFFFF), mask);
    EXPECT_EQ(_trw_gl_im_ismctype(loc, s, n, 0xFFFF), mask);
    EXPECT_EQ(im_iswctype(loc, wc, 0xFFFF), mask);

    for (bool upper : {true, false}) {
        const gl_wchar_t want = table_case(loc, b, upper);
        EXPECT_EQ(upper ? gl_towupper(loc, wc) : gl_towlower(loc, wc), want);
        if (!loc->single_byte) {
            EXPECT_EQ(upper ? _gl_im_towupper(loc, wc) : _gl_im_towlower(loc, wc), want);
        }
        char mapped[8] = {}, expect[8] = {};
        int r = upper ? _gl_im_tomupper(loc, mapped, s) : _gl_im_tomlower(loc, mapped, s);
        int m = gl_full_wctomb(loc, expect, want);
        if (wc != 0 && m > 0) {
            EXPECT_EQ(r, n * 256 + m);
            EXPECT_EQ(Bytes(mapped, static_cast<size_t>(m)), Bytes(expect, static_cast<size_t>(m)));
        }
    }

    int width = wc == 0 ? 0 : (mask & GL_CLASS_PRINT) == 0 ? -1 : (mask & wide_mask) != 0 ? 2 : 1;
    EXPECT_EQ(gl_mbwidth(loc, s), width);
    EXPECT_EQ(gl_wcwidth(loc, wc), width);
    if (width < 0) {
        EXPECT_EQ(loc->error, GL_EINVAL);
    }
    return !testing::Test::HasFailure();
}

class EveryCharacter : public testing::TestWithParam<const char *> {};

TEST_P(EveryCharacter, MultibyteWideAndTablesAgree)
{
    Loaded l(GetParam());
    gl_locale *loc = l.loc;
    ASSERT_NE(loc, nullptr);
    ASSERT_NE(loc->class_trie, nullptr);
    std::vector<Bytes> chars;
    enumerate(loc, "", chars);
    ASSERT_GT(chars.size(), 100u);
    EXPECT_EQ(gl_mb_loc_max(loc) == 1, loc->single_byte != 0);
    const int wide_mask = full_width_mask(loc);
    for (const Bytes &b : chars)
        if (!check_char(loc, b, wide_mask))
            break;

    // The whole repertoire (without the terminator) as one string.
    Bytes all;
    std::vector<gl_wchar_t> wides;
    for (const Bytes &b : chars)
        if (pack(b) != 0) {
            all += b;
            wides.push_back(pack(b));
        }
    const int count = static_cast<int>(wides.size());
    EXPECT_EQ(gl_mbslen(loc, all.c_str()), count);
    EXPECT_EQ(_trw_gl_im_mbfslen(loc, all.data(), static_cast<int>(all.size())), count);
    EXPECT_EQ(gl_mbsbytes(loc, all.c_str()), static_cast<int>(all.size()) + 1);
    std::vector<gl_wchar_t> w(wides.size() + 1, 0xDEAD);
    EXPECT_EQ(gl_mbstowcs(loc, w.data(), all.c_str(), -1), count);
    EXPECT_EQ(w.back(), 0u);
    w.pop_back();
    EXPECT_EQ(w, wides);
    EXPECT_EQ(_gl_im_mbstowcs(loc, w.data(), all.c_str(), count), count);
    EXPECT_EQ(w, wides);
    w.push_back(0);
    Bytes back(all.size() + 1, '\x7f');
    EXPECT_EQ(gl_full_wcstombs(loc, back.data(), w.data(), static_cast<int>(back.size())),
              static_cast<int>(all.size()));
    EXPECT_EQ(back, all + '\0');
    // One byte short: stops before the last character, no terminator.
    const int last = static_cast<int>(chars.back().size());
    EXPECT_EQ(_trw_gl_full_wcstombs(loc, back.data(), w.data(), count, static_cast<int>(all.size()) - 1),
              static_cast<int>(all.size()) - last);
}

INSTANTIATE_TEST_SUITE_P(Locales, EveryCharacter,
                         testing::Values("en_us/0333.lco", "en_us/04e4.lco", "en_us/e01c.lco",
                                         "ru_ru/0393.lco", "pl_pl/0390.lco", "ja_jp/e007.lco",
                                         "ja_jp/e006.lco", "ja_jp/e01c.lco", "zh_tw/e008.lco",
                                         "zh_cn/e00d.lco", "ko_kr/e00c.lco", "th_th/e01d.lco",
                                         "he_il/0394.lco", "ar_sa/0441.lco"),
                         [](const testing::TestParamInfo<const char *> &p) {
                             std::string n = p.param;
                             for (char &c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

// ---- Shift-JIS: trailing bytes that look like ASCII ----

// "表" is 95 5C in Shift-JIS: its second byte is the backslash.
const char kHyou[] = "\x95\x5C";

TEST(MultibyteStrings, ShiftJisLengthsAndLimits)
{
    Loaded l("ja_jp/e006.lco");
    gl_locale *loc = l.loc;
    EXPECT_EQ(gl_mb_loc_max(loc), 2);
    EXPECT_EQ(gl_mb_loc_min(loc), 1);
    EXPECT_EQ(gl_full_mblen(loc, kHyou, 1), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(gl_full_mblen(loc, kHyou, 2), 2);
    EXPECT_EQ(gl_full_mbtowc(loc, nullptr, kHyou, 0), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    gl_wchar_t wc = 1;
    EXPECT_EQ(gl_full_mbtowc(loc, &wc, "", -1), 0);
    EXPECT_EQ(wc, 0u);
    EXPECT_EQ(gl_full_mblen(loc, "\x80", -1), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
    EXPECT_EQ(gl_full_wctomb(loc, std::array<char, 4>{}.data(), 0x955C), 2);
    char buf[4];
    EXPECT_EQ(gl_full_wctomb(loc, buf, 0x9500), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
}

TEST(MultibyteStrings, SearchesDoNotMatchInsideCharacters)
{
    Loaded l("ja_jp/e006.lco");
    gl_locale *loc = l.loc;
    std::string s = std::string("a") + kHyou + "b\\c";
    EXPECT_EQ(gl_full_mbschr(loc, s.c_str(), '\\'), s.c_str() + 4);
    EXPECT_EQ(gl_full_mbschr(loc, s.c_str(), 0x955C), s.c_str() + 1);
    EXPECT_EQ(gl_full_mbsrchr(loc, s.c_str(), 'a'), s.c_str());
    EXPECT_EQ(gl_full_mbschr(loc, s.c_str(), 'z'), nullptr);
    EXPECT_EQ(loc->error, 0);
    EXPECT_EQ(gl_full_mbschr(loc, s.c_str(), 0), s.c_str() + s.size());
    EXPECT_EQ(gl_full_mbsmbs(loc, s.c_str(), "\\c"), s.c_str() + 4);
    EXPECT_EQ(gl_full_mbsmbs(loc, s.c_str(), "\\"), s.c_str() + 4);
    EXPECT_EQ(gl_full_mbsmbs(loc, s.c_str(), "c\\"), nullptr);
    EXPECT_EQ(gl_full_mbsmbs(loc, s.c_str(), ""), s.c_str());
    EXPECT_EQ(gl_full_mbsspn(loc, s.c_str(), (std::string("a") + kHyou).c_str()), 2);
    EXPECT_EQ(gl_full_mbscspn(loc, s.c_str(), "\\"), 3);
    EXPECT_EQ(gl_full_mbspbrk(loc, s.c_str(), "\\b"), s.c_str() + 3);
    EXPECT_EQ(_trw_gl_mbschr(loc, s.c_str(), 3, 'b'), nullptr);
    EXPECT_EQ(_trw_gl_mbsspn(loc, s.c_str(), 1, "a", -1), 1);
    // Cut in the middle of a character.
    EXPECT_EQ(_trw_gl_im_mbfslen(loc, s.c_str(), 2), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(_gl_im_mbslen(loc, s.c_str()), 5);
    EXPECT_EQ(gl_full_mbsnext(loc, s.c_str() + 1), s.c_str() + 3);
    EXPECT_EQ(gl_full_mbsprev(loc, s.c_str(), s.c_str() + 3), s.c_str() + 1);
    EXPECT_EQ(gl_full_mbsprev(loc, s.c_str(), s.c_str() + 2), s.c_str() + 1);
    EXPECT_EQ(gl_full_mbsprev(loc, s.c_str(), s.c_str()), nullptr);
    EXPECT_EQ(loc->error, GL_EBADSTART);
    int len = 0;
    EXPECT_EQ(gl_full_charoffset(loc, s.c_str(), s.c_str() + 2, &len), 1);
    EXPECT_EQ(len, 2);
}

TEST(MultibyteStrings, CopyAppendCompareReplace)
{
    Loaded l("ja_jp/e006.lco");
    gl_locale *loc = l.loc;
    std::string ab = std::string("a") + kHyou;
    char buf[32];
    EXPECT_EQ(gl_full_mbscpy(loc, buf, ab.c_str()), buf);
    EXPECT_STREQ(buf, ab.c_str());
    EXPECT_EQ(gl_full_mbscat(loc, buf, "xy"), buf);
    EXPECT_EQ(std::string(buf), ab + "xy");
    EXPECT_NE(gl_mbsncat(loc, buf, kHyou, 1), nullptr);
    EXPECT_EQ(std::string(buf), ab + "xy" + kHyou);
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_NE(gl_mbsncpy(loc, buf, ab.c_str(), 1), nullptr);
    EXPECT_EQ(buf[0], 'a');
    EXPECT_EQ(buf[1], 'Z'); // no terminator after n characters
    EXPECT_NE(gl_mbsncpy(loc, buf, ab.c_str(), 4), nullptr);
    EXPECT_EQ(std::string(buf, 5), ab + std::string(2, '\0'));
    EXPECT_NE(_trw_gl_mbscpy(loc, buf, "abc", 2), nullptr);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(_trw_gl_mbscpy(loc, buf, ab.c_str(), 2), nullptr); // cuts the kanji
    EXPECT_EQ(loc->error, GL_EINVAL);

    EXPECT_LT(gl_full_mbscmp(loc, "a", ab.c_str()), 0);
    EXPECT_GT(gl_full_mbscmp(loc, kHyou, "z"), 0);
    EXPECT_EQ(gl_full_mbsncmp(loc, "abX", "abY", 2), 0);
    EXPECT_EQ(_trw_gl_mbscmp(loc, "abX", 2, "ab", -1), 0);

    std::strcpy(buf, "xay");
    EXPECT_EQ(gl_mbcreplace(loc, buf + 1, kHyou), buf + 1);
    EXPECT_EQ(std::string(buf), std::string("x") + kHyou + "y");
    EXPECT_EQ(gl_full_putmbsi(loc, buf, 1, "b"), buf);
    EXPECT_STREQ(buf, "xby");
    EXPECT_EQ(gl_full_getmbsi(loc, buf, 2), buf + 2);
    EXPECT_EQ(gl_full_getmbsi(loc, buf, -1), nullptr);
    EXPECT_EQ(loc->error, GL_ENEGINDEX);
    EXPECT_EQ(gl_getmbsinull(loc, buf, 3), nullptr);
    EXPECT_EQ(gl_full_getmbsi(loc, buf, 3), buf + 3);
    EXPECT_EQ(gl_full_mbscpy(loc, nullptr, "a"), nullptr);
    EXPECT_EQ(loc->error, GL_ENULLARG);
}

TEST(MultibyteStrings, WideStringRoutines)
{
    Loaded l("ja_jp/e006.lco");
    gl_locale *loc = l.loc;
    const gl_wchar_t s[] = {'a', 0x955C, 'b', ' ', ' ', 0};
    gl_wchar_t buf[16];
    EXPECT_EQ(gl_wcslen(loc, s), 5);
    EXPECT_EQ(gl_wcsbytes(loc, s), 24);
    EXPECT_EQ(gl_wcschr(loc, s, 0x955C), s + 1);
    EXPECT_EQ(gl_wcsrchr(loc, s, ' '), s + 4);
    const gl_wchar_t sub[] = {0x955C, 'b', 0};
    EXPECT_EQ(gl_wcswcs(loc, s, sub), s + 1);
    EXPECT_EQ(gl_wcsntslen(loc, s), 3);
    gl_wcscpy(loc, buf, s);
    EXPECT_EQ(gl_wcsntstrunc(loc, buf), buf);
    EXPECT_EQ(gl_wcslen(loc, buf), 3);
    gl_wcscat(loc, buf, sub);
    EXPECT_EQ(gl_wcslen(loc, buf), 5);
    EXPECT_EQ(gl_wcscmp(loc, buf, s), 1);
    EXPECT_EQ(gl_wcsncmp(loc, buf, s, 3), 0);
    EXPECT_EQ(gl_wcswidth(loc, s, 3), 4);
    EXPECT_EQ(gl_wcspwidth(loc, s, s + 2), 3);
    EXPECT_EQ(gl_wcswidth(loc, s, -1), -1);
    EXPECT_EQ(loc->error, GL_ENEGINDEX);
    const gl_wchar_t set[] = {'b', 'a', 0};
    EXPECT_EQ(gl_wcsspn(loc, s, set), 1);
    EXPECT_EQ(gl_wcscspn(loc, s, set), 0);
    EXPECT_EQ(gl_wcspbrk(loc, s + 1, set), s + 2);
}

// ---- trailing blanks and widths ----

TEST(Blanks, TrailingRunsOfBlankNotControl)
{
    Loaded l("ja_jp/e01c.lco");
    gl_locale *loc = l.loc;
    EXPECT_EQ(gl_mbsntslen(loc, "ab  "), 2);
    EXPECT_EQ(gl_mbsntslen(loc, "  "), 0);
    EXPECT_EQ(gl_mbsntslen(loc, "ab\t"), 3);
    EXPECT_EQ(gl_mbsntsbytes(loc, "a b "), 3);
    // An ideographic space (U+3000) is a trailing blank.
    EXPECT_EQ(gl_mbsntsbytes(loc, "ab\xE3\x80\x80"), 2);
    EXPECT_EQ(gl_mbsntslen(loc, "\xE3\x81\x82 \xE3\x80\x80 "), 1);
    EXPECT_EQ(_trw_gl_mbsntsbytes(loc, "ab  cd", 4), 2);
    char s[] = "xy \xE3\x80\x80";
    EXPECT_EQ(gl_mbsp(loc, s), s + 2);
    EXPECT_EQ(gl_mbsp(loc, "xy"), nullptr);
    EXPECT_EQ(gl_mbsntstrunc(loc, s), s);
    EXPECT_STREQ(s, "xy");
}

TEST(Width, ControlFullWidthAndErrors)
{
    Loaded l("ja_jp/e007.lco");
    gl_locale *loc = l.loc;
    EXPECT_EQ(gl_mbwidth(loc, "\x01"), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(gl_mbwidth(loc, "\xA4\xA2"), 2); // hiragana a
    EXPECT_EQ(gl_mbwidth(loc, "a"), 1);
    EXPECT_EQ(gl_mbwidth(loc, ""), 0);
    EXPECT_EQ(gl_mbswidth(loc, "a\xA4\xA2z", 2), 3);
    EXPECT_EQ(gl_mbswidth(loc, "a\xA4\xA2z", 9), 4);
    const char *t = "a\xA4\xA2z";
    EXPECT_EQ(gl_mbspwidth(loc, t, t + 3), 3);
    EXPECT_EQ(gl_mbspwidth(loc, t + 1, t), -1);
    EXPECT_EQ(loc->error, GL_EBADSTART);
    EXPECT_EQ(gl_mbswidth(loc, "a\x01", 2), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_EQ(gl_wcwidth(loc, 0xA4A2), 2);
}

TEST(Case, StringsAndLengthChanges)
{
    Loaded l("en_us/e01c.lco");
    gl_locale *loc = l.loc;
    char out[64];
    EXPECT_EQ(gl_tombsupper(loc, out, "ab\xC3\xA9z"), 5);
    EXPECT_STREQ(out, "AB\xC3\x89Z");
    EXPECT_EQ(gl_tombslower(loc, out, "\xC3\x89X"), 3);
    EXPECT_STREQ(out, "\xC3\xA9x");
    // Dotless i (2 bytes) upper-cases to I (1 byte).
    EXPECT_EQ(_gl_im_tomupper(loc, out, "\xC4\xB1"), 2 * 256 + 1);
    EXPECT_EQ(out[0], 'I');
    EXPECT_EQ(_trw_gl_im_tomupper(loc, out, "\xC4\xB1", 1), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    EXPECT_GE(gl_case_conv_outbuflen(loc, 10), 10);
    gl_wchar_t w[] = {'a', 0xC3A9, 0}, u[3];
    EXPECT_EQ(gl_towcsupper(loc, u, w), 2);
    EXPECT_EQ(u[1], 0xC389u);
    Loaded sb("en_us/0333.lco");
    EXPECT_EQ(gl_tombsupper(sb.loc, out, "ab\xE9"), 3);
    EXPECT_STREQ(out, "AB\xC9");
    EXPECT_EQ(_gl_is_towupper(sb.loc, 0xE9), 0xC9u);
    EXPECT_EQ(_gl_is_iswctype(sb.loc, '7', GL_CLASS_DIGIT), GL_CLASS_DIGIT);
    EXPECT_EQ(im_iswctype(sb.loc, 0x100, GL_CLASS_ALPHA), 0);
}

// ---- streams ----

FILE *file_with(const std::string &content)
{
    FILE *f = std::tmpfile();
    std::fwrite(content.data(), 1, content.size(), f);
    std::rewind(f);
    return f;
}

TEST(Streams, LinesCharactersAndEnds)
{
    Loaded l("ja_jp/e006.lco");
    gl_locale *loc = l.loc;
    FILE *f = file_with(std::string("a") + kHyou + "\nlast");
    char line[16];
    EXPECT_EQ(gl_fgetmbs(loc, line, sizeof line, f), line);
    EXPECT_EQ(std::string(line), std::string("a") + kHyou + "\n");
    EXPECT_EQ(gl_fgetmbs(loc, line, sizeof line, f), line); // no newline at the end
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(gl_fgetmbs(loc, line, sizeof line, f), nullptr);
    EXPECT_EQ(loc->error, GL_EEOF);
    std::fclose(f);

    f = file_with("abcdef\n");
    EXPECT_EQ(gl_fgetmbs(loc, line, 4, f), nullptr);
    EXPECT_EQ(loc->error, GL_E2BIG);
    std::fclose(f);

    f = file_with(std::string(kHyou) + "\x95");
    char c[4];
    int len = 0;
    EXPECT_EQ(gl_full_fgetmb(loc, c, f, &len), 0);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(gl_full_fgetmb(loc, c, f, &len), -1);
    EXPECT_EQ(loc->error, GL_EINVAL);
    std::fclose(f);

    f = file_with(kHyou);
    gl_wchar_t wc = 0;
    EXPECT_EQ(gl_full_fgetwc(loc, &wc, f), 0);
    EXPECT_EQ(wc, 0x955Cu);
    EXPECT_EQ(gl_full_fgetwc(loc, &wc, f), -1);
    EXPECT_EQ(loc->error, GL_EEOF);
    std::fclose(f);

    f = std::tmpfile();
    EXPECT_EQ(gl_fputmb(loc, kHyou, f), 0);
    EXPECT_EQ(gl_fputwc(loc, 'x', f), 0);
    EXPECT_EQ(gl_fputmbs(loc, "yz", f), 2);
    const gl_wchar_t w[] = {0x955C, 0};
    EXPECT_EQ(gl_fputwcs(loc, w, f), 2);
    EXPECT_EQ(gl_fputwc(loc, 0x9500, f), -1);
    EXPECT_EQ(loc->error, GL_EILSEQ);
    std::rewind(f);
    gl_wchar_t wl[8];
    EXPECT_EQ(gl_fgetwcs(loc, wl, 8, f), wl);
    EXPECT_EQ(gl_wcslen(loc, wl), 5);
    EXPECT_EQ(wl[4], 0x955Cu);
    std::fclose(f);
}

TEST(Streams, ByteCallbacks)
{
    Loaded l("ja_jp/e006.lco");
    gl_locale *loc = l.loc;
    struct Src {
        std::string bytes;
        size_t at = 0;
    } src{std::string(kHyou) + "q"};
    auto get = [](void *d) -> int {
        auto *s = static_cast<Src *>(d);
        return s->at < s->bytes.size() ? static_cast<unsigned char>(s->bytes[s->at++]) : -1;
    };
    char c[4];
    int len = 0;
    EXPECT_EQ(gl_getmb(loc, c, get, &src, &len), 0);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(gl_getmb(loc, c, get, &src, &len), 0);
    EXPECT_EQ(c[0], 'q');
    EXPECT_EQ(src.at, 3u);
    EXPECT_EQ(gl_getmb(loc, c, get, &src, &len), -1);
    EXPECT_EQ(loc->error, GL_EEOF);

    std::string sink;
    auto put = [](int b, void *d) -> int {
        static_cast<std::string *>(d)->push_back(static_cast<char>(b));
        return 0;
    };
    EXPECT_EQ(gl_putmb(loc, kHyou, 2, put, &sink, &len), 0);
    EXPECT_EQ(gl_putmb(loc, "", -1, put, &sink, &len), 0);
    EXPECT_EQ(sink, std::string(kHyou) + std::string(1, '\0'));
    auto broken = [](int, void *) -> int { return -1; };
    EXPECT_EQ(gl_putmb(loc, "a", 1, broken, nullptr, &len), -1);
    EXPECT_EQ(loc->error, GL_EIO);
}

TEST(Terminator, LengthsAndTests)
{
    Loaded l("en_us/e01c.lco");
    gl_locale *loc = l.loc;
    char t[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(gl_mbsterm(loc, t), 1);
    EXPECT_EQ(t[0], '\0');
    EXPECT_EQ(gl_ismbsterm(loc, t), 1);
    EXPECT_EQ(gl_ismbsterm(loc, "a"), 0);
    EXPECT_EQ(gl_mbsbytes_nt(loc, "\xC3\xA9"), 2);
    EXPECT_EQ(gl_mbstowcslen(loc, "\xC3\xA9z"), 2);
    gl_wchar_t w[4];
    EXPECT_EQ(_trw_gl_im_mbfstowcfs(loc, w, "a\xC3\xA9zz", 3, -1), 2);
    EXPECT_EQ(w[1], 0xC3A9u);
    EXPECT_EQ(_gl_is_mbstowcs(loc, w, "ab", 5), 2);
    EXPECT_EQ(w[2], 0u);
}

} // namespace
