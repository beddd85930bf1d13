// Conversion descriptors and routines through the public functions: loading
// (same code set, unknown names, missing and malformed files, the named
// files of gl_iconv_open and gl_cv_open), terminated and counted input,
// counting only, buffer sizing, and conversion files the tests build
// themselves: a stateful one (shift sequences, source states, flushing) and
// little-endian Unicode sources and targets.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "gl_conv.h"
#include "gl_errno.h"
#include "gl_multi.h"

namespace fs = std::filesystem;

namespace {

static_assert(offsetof(gl_cvdesc, error) == 0, "the error number is the descriptor's first field");
static_assert(sizeof(gl_cv_sequence) == 8, "a sequence is four bytes and an int");

void use_data_tree()
{
    static const bool set = setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0) == 0;
    static_cast<void>(set);
}

struct Result {
    int rc;
    int error;
    std::string out;
    int consumed;
    int substituted;
};

Result convert(gl_cvdesc *cd, const std::string &in, int room, gl_cv_state *state = nullptr)
{
    std::vector<char> buf(static_cast<size_t>(room) + 1);
    char *ip = const_cast<char *>(in.data()), *op = buf.data();
    int il = static_cast<int>(in.size()), ol = room, subst = -1;
    int rc = gl_cv_mconv(cd, state, &ip, &il, &op, &ol, &subst);
    EXPECT_EQ(ol, room - (op - buf.data()));
    EXPECT_EQ(ip - in.data(), static_cast<long>(in.size()) - il);
    return {rc, cd != nullptr ? cd->error : 0, std::string(buf.data(), op), static_cast<int>(in.size()) - il, subst};
}

// A conversion file written by the test: header fields and tries given as
// (key bytes -> flag and target bytes).
struct CvoSpec {
    int source_stateful = 0, target_stateful = 0;
    std::string shift_out, shift_in;
    int target_min = 1, target_max = 1, source_min = 1, source_max = 1;
    std::string expansion = "1";
    std::string version = "COMPILER_VERSION=9";
    std::vector<std::map<std::string, std::string>> tries{{}}; // element: flag byte + target
};

int write_element(FILE *f, const void *element, int)
{
    const auto *e = static_cast<const unsigned char *>(element);
    std::fprintf(f, "%02x", e[0]);
    for (int i = 0; i < (e[0] & 7); ++i)
        std::fprintf(f, "%02x", e[1 + i]);
    return 0;
}

void write_sequence(FILE *f, const std::string &s)
{
    std::fprintf(f, "%zx", s.size());
    for (unsigned char c : s)
        std::fprintf(f, "%02x", c);
    std::fprintf(f, "\n");
}

struct Scratch {
    fs::path dir;
    Scratch()
    {
        char tmpl[] = "/tmp/glconv_testXXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~Scratch() { fs::remove_all(dir); }

    // Writes the file converting code set 1 to code set 2.
    void write(const CvoSpec &s, const std::string &name = "00010002.cvo") const
    {
        FILE *f = std::fopen((dir / name).c_str(), "w");
        std::fprintf(f, "FILE_TYPE=codeset_conversion_object\n%s\nHEADER_LINES=4\nextra line\n", s.version.c_str());
        std::fprintf(f, "%d %d\n", s.source_stateful, s.target_stateful);
        write_sequence(f, s.shift_out);
        write_sequence(f, s.shift_in);
        write_sequence(f, "");
        write_sequence(f, "");
        std::fprintf(f, "%d %d 0 0 %d %d 0\n%s\n", s.target_min, s.target_max, s.source_min, s.source_max,
                     s.expansion.c_str());
        for (const auto &entries : s.tries) {
            gl_multi *t = _gl_create_multi(1 + s.target_max, GL_MULTI_INMEMORY, nullptr);
            for (const auto &[key, element] : entries) {
                unsigned char k[5] = {static_cast<unsigned char>(key.size())};
                unsigned char e[8] = {};
                std::memcpy(k + 1, key.data(), key.size());
                std::memcpy(e, element.data(), element.size());
                EXPECT_EQ(_gl_insert_desc_multi(k, e, t), 0);
            }
            EXPECT_EQ(_gl_fprintf_multi(f, t, write_element), 0);
            _gl_free_multi(t);
        }
        std::fclose(f);
    }
    std::string prefix() const { return dir.string(); }
};

gl_cvdesc *load(const Scratch &s)
{
    gl_cvdesc *cd = nullptr;
    EXPECT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), 1);
    return cd;
}

std::string el(int flag, const std::string &target = "") { return std::string(1, static_cast<char>(flag)) + target; }

// ---- loading ----

TEST(ConversionLoad, SameCodeSetUnknownNamesAndMissingFiles)
{
    use_data_tree();
    gl_cvdesc *cd = &cd_einval;
    EXPECT_EQ(gl_cv_load(&cd, "en_US.819", "en_US.8859-1", nullptr, nullptr), 0);
    EXPECT_EQ(cd, nullptr);
    EXPECT_EQ(gl_cv_load(&cd, "en_US.utf8", "en_US.foo", nullptr, nullptr), -1);
    EXPECT_EQ(cd, &cd_einval);
    EXPECT_EQ(cd->error, GL_EINVAL);
    EXPECT_EQ(gl_cv_load(&cd, "zh_CN.gb", "en_US.8859-1", nullptr, nullptr), -1);
    EXPECT_EQ(cd, &cd_fileerr);
    EXPECT_EQ(cd->error, GL_EFILEERR);
    EXPECT_EQ(gl_cv_unload(cd), 0); // static descriptors are ignored
    EXPECT_EQ(cd_fileerr.error, GL_EFILEERR);

    ASSERT_EQ(gl_cv_load(&cd, "en_US.utf8", "en_US.8859-1", nullptr, nullptr), 1);
    Result r = convert(cd, "a\xE9", 8);
    EXPECT_EQ(r.out, "a\xC3\xA9");
    EXPECT_EQ(gl_iconv_expansion(cd), 2.0);
    EXPECT_EQ(gl_cv_outbuflen(cd, 10), 20);
    gl_cv_unload(cd);
}

TEST(ConversionLoad, NamedFilesAndOpenByNames)
{
    use_data_tree();
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_iconv_open(&cd, "utf8", "8859-1"), 1);
    EXPECT_EQ(convert(cd, "\xFF", 4).out, "\xC3\xBF");
    gl_cv_unload(cd);
    EXPECT_EQ(gl_iconv_open(&cd, "utf8", "nothing"), -1);
    EXPECT_EQ(cd, &cd_fileerr);
    EXPECT_EQ(gl_iconv_open(&cd, std::string(1100, 'x').c_str(), "utf8"), -1);
    EXPECT_EQ(cd, &cd_fileerr);

    EXPECT_EQ(gl_cv_open(&cd, "en_US.8859-1@euro", "de_DE.8859-1"), 0);
    EXPECT_EQ(cd, nullptr);
    EXPECT_EQ(gl_cv_open(&cd, "en_US.819", "en_US.8859-1"), 0); // one code set, two names
    ASSERT_EQ(gl_cv_open(&cd, "en_US.8859-1", "ja_JP.utf8"), 1);
    EXPECT_EQ(convert(cd, "\xC3\xA9", 4).out, "\xE9");
    gl_cv_unload(cd);
    // No named file for this pair: the numbered one is loaded.
    ASSERT_EQ(gl_cv_open(&cd, "ja_JP.sjis", "ja_JP.ujis"), 1);
    EXPECT_EQ(convert(cd, "\xA4\xA2", 4).out, "\x82\xA0");
    gl_cv_unload(cd);
}

TEST(ConversionLoad, MalformedFiles)
{
    Scratch s;
    gl_cvdesc *cd = nullptr;
    CvoSpec spec;
    spec.tries[0] = {{"a", el(0x11, "b")}};
    spec.version = "COMPILER_VERSION=8";
    s.write(spec);
    EXPECT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), -1);
    EXPECT_EQ(cd, &cd_fileerr);
    spec.version = "COMPILER_VERSION=9";
    spec.target_max = 5;
    s.write(spec);
    EXPECT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), -1);
    spec.target_max = 1;
    spec.expansion = "1..x";
    s.write(spec);
    EXPECT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), -1);
    spec.expansion = "1";
    s.write(spec);
    ASSERT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), 1);
    gl_cv_unload(cd);
    // Cut anywhere, the file never loads.
    std::ifstream in(s.dir / "00010002.cvo");
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t cut = 0; cut + 2 < whole.size(); cut += 3) {
        std::ofstream(s.dir / "00010002.cvo", std::ios::trunc) << whole.substr(0, cut);
        EXPECT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), -1) << cut;
        EXPECT_EQ(cd, &cd_fileerr);
    }
    std::ofstream(s.dir / "00010002.cvo", std::ios::trunc) << std::string("FILE_TYPE=locale_object\n");
    EXPECT_EQ(gl_cv_load(&cd, "2", "1", nullptr, s.prefix().c_str()), -1);
}

// ---- conversion rules ----

TEST(ConversionCalls, CountedTerminatedCountingAndNullDescriptor)
{
    use_data_tree();
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_cv_load(&cd, "utf8", "sjis", nullptr, nullptr), 1);
    // A trailing lead byte with a length that ends there.
    Result r = convert(cd, "a\x82", 8);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.error, GL_EINVAL);
    EXPECT_EQ(r.out, "a");
    EXPECT_EQ(r.consumed, 1);
    // One byte short for a three-byte character.
    r = convert(cd, "a\x82\xA0", 3);
    EXPECT_EQ(r.error, GL_E2BIG);
    EXPECT_EQ(r.out, "a");
    EXPECT_EQ(r.consumed, 1);
    // Terminated input stops after the terminator.
    const char text[] = "x\x82\xA0\0rest";
    char *ip = const_cast<char *>(text), out[16], *op = out;
    int ol = sizeof out, subst = -1;
    EXPECT_EQ(gl_cv_mconv(cd, nullptr, &ip, nullptr, &op, &ol, &subst), 0);
    EXPECT_EQ(ip, text + 4);
    EXPECT_EQ(std::string(out, op), std::string("x\xE3\x81\x82", 4) + '\0');
    EXPECT_EQ(subst, 0);
    // Counting only.
    ip = const_cast<char *>(text);
    int il = 3;
    EXPECT_EQ(gl_mconvlen(cd, nullptr, &ip, &il, nullptr), 4);
    EXPECT_EQ(il, 0);
    gl_cv_unload(cd);

    ASSERT_EQ(gl_cv_load(&cd, "8859-1", "utf8", nullptr, nullptr), 1);
    r = convert(cd, "a\xE2\x82\xACz", 8); // the euro sign is not in Latin-1
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "a?z");
    EXPECT_EQ(r.substituted, 1);
    r = convert(cd, "a\xC3", 8);
    EXPECT_EQ(r.error, GL_EINVAL);
    r = convert(cd, "a\x80z", 8);
    EXPECT_EQ(r.error, GL_EILSEQ);
    EXPECT_EQ(r.consumed, 1);
    gl_cv_unload(cd);

    EXPECT_EQ(convert(nullptr, "same", 8).out, "same");
    Result c = convert(nullptr, "same", 2);
    EXPECT_EQ(c.rc, -1);
    EXPECT_EQ(c.out, "sa");
    EXPECT_EQ(gl_cv_outbuflen(nullptr, 7), 7);
    // Static descriptors refuse to convert without changing.
    EXPECT_EQ(convert(&cd_enomem, "a", 4).rc, -1);
    EXPECT_EQ(cd_enomem.error, GL_ENOMEM);
}

TEST(ConversionCalls, SingleByteTableAndFlags)
{
    Scratch s;
    CvoSpec spec;
    spec.expansion = "1.5";
    spec.tries[0] = {{"a", el(0x11, "A")}, {"b", el(0x31, "?")}, {"c", el(0x01, "C")}, {std::string(1, '\0'), el(0x19, std::string(1, '\0'))}};
    s.write(spec);
    gl_cvdesc *cd = load(s);
    ASSERT_NE(cd, nullptr);
    ASSERT_NE(cd->sb_table, nullptr);
    EXPECT_EQ(cd->sb_table[0x61], 'A');
    EXPECT_EQ(gl_cv_outbuflen(cd, 3), 6);
    Result r = convert(cd, std::string(20, 'a') + "b", 30);
    EXPECT_EQ(r.out, std::string(20, 'A') + "?");
    EXPECT_EQ(r.substituted, 1);
    r = convert(cd, "aac", 30); // an element without the valid mark
    EXPECT_EQ(r.error, GL_EILSEQ);
    EXPECT_EQ(r.out, "AA");
    r = convert(cd, "aad", 30); // not in the table at all
    EXPECT_EQ(r.error, GL_EILSEQ);
    r = convert(cd, std::string(12, 'a'), 9);
    EXPECT_EQ(r.error, GL_E2BIG);
    EXPECT_EQ(r.out, std::string(9, 'A'));
    gl_cv_unload(cd);
}

// ---- a stateful conversion built here ----

CvoSpec stateful_spec()
{
    CvoSpec spec;
    spec.source_stateful = spec.target_stateful = 1;
    spec.shift_out = "\x1b$B";
    spec.shift_in = "\x1b(B";
    spec.target_max = 2;
    spec.expansion = "5";
    spec.tries.resize(2);
    for (int b = 0x20; b < 0x7F; ++b)
        spec.tries[0][std::string(1, static_cast<char>(b))] = el(0x11, std::string(1, static_cast<char>(b)));
    spec.tries[0]["\x0E"] = el(0x90);
    spec.tries[0][std::string(1, '\0')] = el(0x19, std::string(1, '\0'));
    for (int b = 0x21; b < 0x7F; ++b)
        spec.tries[1][std::string(1, static_cast<char>(b))] = el(0x52, std::string(2, static_cast<char>(b | 0x80)));
    spec.tries[1]["\x0F"] = el(0x90);
    return spec;
}

TEST(Stateful, ShiftSequencesStatesAndFlush)
{
    Scratch s;
    s.write(stateful_spec());
    gl_cvdesc *cd = load(s);
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(cd->shift_out.length, 3);
    gl_cv_state st{1, 0, 0, 0};
    Result r = convert(cd, "a\x0E" "bc\x0F" "d", 32, &st);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "a\x1b$B\xE2\xE2\xE3\xE3\x1b(Bd");
    EXPECT_EQ(st.reset, 0);
    EXPECT_EQ(st.output_state, 0);

    // Ends shifted: without flush the output stays shifted...
    st = {1, 0, 0, 0};
    r = convert(cd, "a\x0E" "b", 32, &st);
    EXPECT_EQ(r.out, "a\x1b$B\xE2\xE2");
    EXPECT_EQ(st.output_state, 1);
    EXPECT_EQ(st.source_state, 1);
    // ...and the next call goes on in the shifted source state.
    r = convert(cd, "c", 32, &st);
    EXPECT_EQ(r.out, "\xE3\xE3");
    // Ending the string with flush writes the shift-in sequence.
    st.flush = 1;
    char out[8], *op = out;
    int ol = sizeof out;
    EXPECT_EQ(gl_cv_mconv(cd, &st, nullptr, nullptr, &op, &ol, nullptr), 0);
    EXPECT_EQ(std::string(out, op), "\x1b(B");

    // With flush the last shifted character is followed by shift-in.
    st = {1, 1, 0, 0};
    r = convert(cd, "a\x0E" "b", 32, &st);
    EXPECT_EQ(r.out, "a\x1b$B\xE2\xE2\x1b(B");
    EXPECT_EQ(st.output_state, 0);

    // The space check counts the shift sequence with the character.
    st = {1, 0, 0, 0};
    r = convert(cd, "a\x0E" "b", 5, &st);
    EXPECT_EQ(r.error, GL_E2BIG);
    EXPECT_EQ(r.out, "a");
    EXPECT_EQ(r.consumed, 2);
    // A space is no character of the shifted state.
    st = {1, 0, 0, 0};
    r = convert(cd, "\x0E b", 32, &st);
    EXPECT_EQ(r.error, GL_EILSEQ);
    EXPECT_EQ(r.consumed, 1);
    // Terminated input with a reset record.
    st = {1, 1, 1, 1};
    const char text[] = "x\x0E" "y";
    char *ip = const_cast<char *>(text);
    op = out;
    ol = sizeof out;
    EXPECT_EQ(gl_cv_mconv(cd, &st, &ip, nullptr, &op, &ol, nullptr), -1); // ends shifted, no terminator there
    gl_cv_unload(cd);
}

// ---- little-endian Unicode sides ----

bool little_endian()
{
    const uint16_t one = 1;
    return *reinterpret_cast<const unsigned char *>(&one) == 1;
}

TEST(LittleEndian, Ucs2SourceAndTarget)
{
    if (!little_endian())
        GTEST_SKIP() << "little-endian hosts only";
    Scratch s;
    CvoSpec from;
    from.source_min = from.source_max = 2;
    from.tries[0] = {{std::string("\0A", 2), el(0x11, "A")},
                     {std::string("\0\xE9", 2), el(0x11, "\xE9")},
                     {std::string("\x20\xAC", 2), el(0x31, "?")},
                     {std::string("\0\0", 2), el(0x19, std::string(1, '\0'))}};
    s.write(from);
    gl_cvdesc *cd = load(s);
    ASSERT_NE(cd, nullptr);
    Result r = convert(cd, std::string("A\0\xE9\0\xAC\x20", 6), 8);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "A\xE9?");
    EXPECT_EQ(r.substituted, 1);
    r = convert(cd, std::string("A\0\xE9", 3), 8);
    EXPECT_EQ(r.error, GL_EINVAL);
    EXPECT_EQ(r.out, "A");
    r = convert(cd, std::string("BA", 2), 8);
    EXPECT_EQ(r.error, GL_EILSEQ);
    gl_cv_unload(cd);

    CvoSpec to;
    to.target_min = to.target_max = 2;
    to.expansion = "2";
    to.tries[0] = {{"A", el(0x12, std::string("\0A", 2))}, {"\xE9", el(0x12, std::string("\0\xE9", 2))}};
    s.write(to);
    cd = load(s);
    ASSERT_NE(cd, nullptr);
    r = convert(cd, "A\xE9", 8);
    EXPECT_EQ(r.out, std::string("A\0\xE9\0", 4));
    r = convert(cd, "A\xE9", 3);
    EXPECT_EQ(r.error, GL_E2BIG);
    EXPECT_EQ(r.out, std::string("A\0", 2));
    gl_cv_unload(cd);
}

} // namespace
