// The Unicode service library (libtrwglu.so) behind the locale library,
// each test in a fresh process with TARNWELLDIR at the built data tree:
// UTF-8 collation against ICU's ucol_strcoll called here directly, served
// conversions against ucnv_convert and iconv, the start-up rules (no
// library list installed, a missing library or entry point, damaged data
// files), the host's hooks seeing the service's allocations and reads, and
// unloading, reloading and forking.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <unicode/ucnv.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gl_coll.h"
#include "gl_conv.h"
#include "gl_dl.h"
#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_locale.h"
#include "glsclient.h"
#include "glsenv.h"
#include "glslib/temp_tree.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

int sign(int v) { return (v > 0) - (v < 0); }

const std::string kData = TRW_TEST_DATA_DIR;

void use_service()
{
    setenv("GL_USEGLU", "1", 1);
    gl_useglu(2);
}

std::string utf8(uint32_t u)
{
    std::string s;
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | (u >> 6));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        s += static_cast<char>(0xE0 | (u >> 12));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (u >> 18));
        s += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

// The characters of the collation tests' alphabet, plus those the locale
// compiler lists as folded, unordered or approximated for the locale.
std::vector<std::string> alphabet(const std::string &locale)
{
    std::vector<std::string> out;
    for (uint32_t u = 0x20; u < 0x250; ++u)
        if (u < 0x7F || u >= 0xA0)
            out.push_back(utf8(u));
    for (uint32_t u : {0x391u, 0x3B1u, 0x3B2u, 0x410u, 0x430u, 0x451u, 0x3042u, 0x3041u, 0x30A2u, 0x30ABu,
                       0x30F6u, 0xFF76u, 0x4E00u, 0x4E8Cu, 0x1E9Eu, 0x2160u, 0x1F600u})
        out.push_back(utf8(u));
    std::ifstream folded(std::string(LOCALE_BUILD_DIR) + "/" + locale + ".folded");
    std::string hex, tag;
    int added = 0;
    while (folded >> hex >> tag && added < 400) {
        std::string bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        out.push_back(bytes);
        ++added;
    }
    return out;
}

// Random words, variants of base words and groups sharing long prefixes,
// as the collation tests make them.
std::vector<std::string> words(const std::vector<std::string> &abc, std::mt19937 &rng, int count)
{
    std::vector<std::string> out;
    auto word = [&](int len) {
        std::string s;
        for (int i = 0; i < len; ++i)
            s += abc[rng() % abc.size()];
        return s;
    };
    while (static_cast<int>(out.size()) < count) {
        std::string base = word(1 + static_cast<int>(rng() % 10));
        out.push_back(base);
        out.push_back(base + word(1));
        out.push_back(word(1) + base);
        std::string prefix = word(12 + static_cast<int>(rng() % 7));
        for (int g = 0; g < 3; ++g)
            out.push_back(prefix + word(static_cast<int>(rng() % 4)));
    }
    return out;
}

std::string key_of(gl_locale *loc, const std::string &s)
{
    auto src = reinterpret_cast<const unsigned char *>(s.c_str());
    int n = loc->coll_transform(loc, nullptr, src, 0);
    std::string k(static_cast<size_t>(n) + 1, '\x7f');
    EXPECT_EQ(loc->coll_transform(loc, reinterpret_cast<unsigned char *>(k.data()), src, n + 1), n);
    EXPECT_EQ(k[static_cast<size_t>(n)], '\0');
    k.resize(static_cast<size_t>(n));
    return k;
}

void agrees_with_icu(const char *locale, const char *icu_id)
{
    use_service();
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, locale, nullptr, nullptr), 0) << loc->error;
    ASSERT_EQ(loc->coll_kind, GL_COLL_UNICODE);
    ASSERT_NE(glx_gluLoc(loc, GL_LC_COLLATE), nullptr);
    EXPECT_EQ(glx_gluLoc(loc, GL_LC_CTYPE), nullptr); // CTYPE stays with the kit's file
    UErrorCode status = U_ZERO_ERROR;
    UCollator *icu = ucol_open(icu_id, &status);
    ASSERT_TRUE(U_SUCCESS(status));
    std::mt19937 rng(20261209);
    std::vector<std::string> w = words(alphabet(locale), rng, 1500);
    std::vector<std::string> keys;
    for (const std::string &s : w)
        keys.push_back(key_of(loc, s));
    int pairs = 0, disagreements = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        size_t j = i + 1 < w.size() && i % 2 == 0 ? i + 1 : rng() % w.size();
        const std::string &a = w[i], &b = w[j];
        status = U_ZERO_ERROR;
        int expected = sign(ucol_strcollUTF8(icu, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                              static_cast<int32_t>(b.size()), &status));
        auto ua = reinterpret_cast<const unsigned char *>(a.c_str());
        auto ub = reinterpret_cast<const unsigned char *>(b.c_str());
        int ours = sign(loc->coll_compare(loc, ua, ub));
        int counted = sign(loc->coll_ncompare(loc, ua, static_cast<int>(a.size()), ub, static_cast<int>(b.size())));
        int by_keys = sign(std::strcmp(keys[i].c_str(), keys[j].c_str()));
        ++pairs;
        if (ours != expected || counted != expected || by_keys != expected) {
            if (++disagreements <= 5)
                ADD_FAILURE() << "'" << a << "' vs '" << b << "': ICU " << expected << ", compare " << ours
                              << ", counted " << counted << ", keys " << by_keys;
        }
    }
    EXPECT_EQ(disagreements, 0) << "of " << pairs << " pairs";
    EXPECT_EQ(loc->error, 0);
    std::printf("%s: %d pairs, %d disagreements\n", locale, pairs, disagreements);
    ucol_close(icu);
    gl_lc_unload(loc);
}

TEST(GluService, EnglishUtf8CollatesAsIcu) { agrees_with_icu("en_US.utf8", "en_US"); }

TEST(GluService, JapaneseUtf8CollatesAsIcu) { agrees_with_icu("ja_JP.utf8", "ja_JP"); }

TEST(GluService, ServedKeysKeepTheKitsRules)
{
    use_service();
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "en_US.utf8", nullptr, nullptr), 0);
    const std::string text = "Stra\xc3\x9f" "e \xc3\xa9t\xc3\xa9 \xe3\x81\x82";
    std::string full = key_of(loc, text);
    const int n = static_cast<int>(full.size());
    ASSERT_GT(n, 4);
    for (int size : {0, 1, n / 2, n - 1, n, n + 1}) {
        std::string out(static_cast<size_t>(n) + 8, '\x7f');
        int r = loc->coll_transform(loc, reinterpret_cast<unsigned char *>(out.data()),
                                    reinterpret_cast<const unsigned char *>(text.c_str()), size);
        EXPECT_EQ(r, n) << size;
        int written = std::min(size, n);
        EXPECT_EQ(out.compare(0, static_cast<size_t>(written), full, 0, static_cast<size_t>(written)), 0) << size;
        EXPECT_EQ(out[static_cast<size_t>(n)], size > n ? '\0' : '\x7f') << size;
        for (size_t i = static_cast<size_t>(n) + 1; i < out.size(); ++i)
            EXPECT_EQ(out[i], '\x7f') << size;
    }
    // Invalid text: error 1, no key.
    loc->error = 0;
    EXPECT_EQ(loc->coll_transform(loc, nullptr, reinterpret_cast<const unsigned char *>("a\xff"), 0), 0);
    EXPECT_EQ(loc->error, GL_EILSEQ);
    // Compare and key agree on what is well-formed UTF-8.
    const char *texts[] = {"a\xc3",         "\xc0\xaf",          "\xe0\x9f\xbf",     "\xed\xa0\x80",
                           "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80", "\xe3\x81",          "\xe3\x81\x82x",
                           "\xf0\x9f\x98\x80", "\xed\x9f\xbf",      "\xef\xbf\xbf",      "\x80"};
    for (const char *t : texts) {
        auto u = reinterpret_cast<const unsigned char *>(t);
        loc->error = 0;
        loc->coll_transform(loc, nullptr, u, 0);
        int key_error = loc->error;
        loc->error = 0;
        loc->coll_compare(loc, u, reinterpret_cast<const unsigned char *>("a"));
        EXPECT_EQ(loc->error, key_error) << t;
        loc->error = 0;
        loc->coll_ncompare(loc, reinterpret_cast<const unsigned char *>("a"), 1, u, static_cast<int>(std::strlen(t)));
        EXPECT_EQ(loc->error, key_error) << t;
    }
    gl_lc_unload(loc);
}

// ---- conversions -------------------------------------------------------------------------

std::string convert(gl_cvdesc *cd, const std::string &in, int *substituted, int *status)
{
    std::string out(in.size() * 4 + 16, '\0');
    char *ip = const_cast<char *>(in.data()), *op = out.data();
    int il = static_cast<int>(in.size()), ol = static_cast<int>(out.size());
    *status = gl_cv_mconv(cd, nullptr, &ip, &il, &op, &ol, substituted);
    out.resize(static_cast<size_t>(op - out.data()));
    return out;
}

std::string icu_convert(const char *to, const char *from, const std::string &in)
{
    std::string out(in.size() * 4 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_convert(to, from, out.data(), static_cast<int32_t>(out.size()), in.data(),
                             static_cast<int32_t>(in.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string iconv_convert(const char *to, const char *from, const std::string &in)
{
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 16, '\0');
    char *ip = const_cast<char *>(in.data()), *op = out.data();
    size_t il = in.size(), ol = out.size();
    EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

// Latin-1 text: DECIMAL values in the German form and words with the
// letters both code sets hold (JIS X 0208 has the Latin-1 symbols below,
// not its accented letters); and Shift-JIS text of kana and kanji.
const std::string kLatin1Shared = "-12345,67 1.000.000,5 0,001 Preis: 99,95 \xb0\xb1\xd7\xf7\xa7\xb6\xb4\xa8 ABC xyz";
const std::string kLatin1Only = "Gr\xfc\xdf" "e \xe4\xf6\xfc \xc9t\xe9";

TEST(GluService, LatinOneClientWithShiftJisDatabaseConvertsBothWays)
{
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    setenv("DB_LOCALE", "ja_JP.sjis", 1);
    setenv("GL_USEGLU", "1", 1);
    ASSERT_EQ(chkglsinit(), 0);
    gl_cvdesc *to_db = trw_gls_client()->client_to_db, *to_client = trw_gls_client()->db_to_client;
    ASSERT_NE(to_db, nullptr);
    ASSERT_NE(to_client, nullptr);
    EXPECT_EQ(to_db->glu_served, 1);
    EXPECT_EQ(to_client->glu_served, 1);

    int substituted = -1, status = 0;
    std::string sjis = convert(to_db, kLatin1Shared, &substituted, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(substituted, 0);
    EXPECT_EQ(sjis, icu_convert("Shift_JIS", "ISO-8859-1", kLatin1Shared));
    EXPECT_EQ(sjis, iconv_convert("SHIFT_JIS", "ISO-8859-1", kLatin1Shared));
    std::string back = convert(to_client, sjis, &substituted, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(substituted, 0);
    EXPECT_EQ(back, kLatin1Shared);

    // Letters Shift-JIS lacks are substituted and counted; so are kana and
    // kanji on the way to Latin-1.
    std::string lossy = convert(to_db, kLatin1Only, &substituted, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(substituted, 1);
    EXPECT_EQ(lossy, icu_convert("Shift_JIS", "ISO-8859-1", kLatin1Only));
    const std::string japanese = "\x82\xa0\x83\x41\x93\xfa\x96\x7b 123";
    std::string latin = convert(to_client, japanese, &substituted, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(substituted, 1);
    EXPECT_EQ(latin, icu_convert("ISO-8859-1", "Shift_JIS", japanese));
    EXPECT_EQ(latin.substr(latin.size() - 4), " 123");
    freegls();
}

TEST(GluService, ServedConversionErrorsAreTheKits)
{
    use_service();
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_cv_load(&cd, "de_DE.8859-1", "ja_JP.sjis", nullptr, nullptr), 1);
    ASSERT_EQ(cd->glu_served, 1);
    // Invalid input: error 1, the input stops at the bad character.
    std::string bad = "ab\x85\x40" "cd"; // 0x8540 is unassigned in Shift-JIS
    char *ip = bad.data(), out[32], *op = out;
    int il = static_cast<int>(bad.size()), ol = sizeof out;
    EXPECT_EQ(gl_cv_mconv(cd, nullptr, &ip, &il, &op, &ol, nullptr), -1);
    EXPECT_EQ(cd->error, GL_EILSEQ);
    EXPECT_EQ(ip - bad.data(), 2);
    EXPECT_EQ(op - out, 2);
    // Input ending inside a character: error 7.
    std::string cut = "ab\x82";
    ip = cut.data(), op = out, il = 3, ol = sizeof out;
    EXPECT_EQ(gl_cv_mconv(cd, nullptr, &ip, &il, &op, &ol, nullptr), -1);
    EXPECT_EQ(cd->error, GL_EINVAL);
    EXPECT_EQ(ip - cut.data(), 2);
    // Output full: whole characters only, error 14.
    gl_cvdesc *wide = nullptr;
    ASSERT_EQ(gl_cv_load(&wide, "ja_JP.sjis", "de_DE.8859-1", nullptr, nullptr), 1);
    std::string text = "a\xb0\xb1" "b"; // a, two 2-byte characters, b
    for (int room = 0; room <= 6; ++room) {
        char buf[8];
        std::memset(buf, 0x7f, sizeof buf);
        ip = text.data(), op = buf, il = 4, ol = room;
        int r = gl_cv_mconv(wide, nullptr, &ip, &il, &op, &ol, nullptr);
        int fits = room >= 6 ? 4 : room >= 5 ? 3 : room >= 3 ? 2 : room >= 1 ? 1 : 0;
        EXPECT_EQ(r, room >= 6 ? 0 : -1) << room;
        if (room < 6) {
            EXPECT_EQ(wide->error, GL_E2BIG) << room;
        }
        EXPECT_EQ(ip - text.data(), fits) << room;
        for (int i = static_cast<int>(op - buf); i < 8; ++i)
            EXPECT_EQ(buf[i], '\x7f') << room;
    }
    // Counting and terminated input.
    ip = text.data();
    il = 4;
    EXPECT_EQ(gl_mconvlen(wide, nullptr, &ip, &il, nullptr), 6);
    std::string terminated = text;
    ip = terminated.data(), op = out, ol = sizeof out;
    EXPECT_EQ(gl_cv_mconv(wide, nullptr, &ip, nullptr, &op, &ol, nullptr), 0);
    EXPECT_EQ(op - out, 7);
    EXPECT_EQ(out[6], '\0');
    gl_cv_unload(cd);
    gl_cv_unload(wide);
    // gl_cv_open consults the service by the code-set numbers too.
    gl_cvdesc *named = nullptr;
    ASSERT_EQ(gl_cv_open(&named, "ja_JP.sjis", "de_DE.8859-1"), 1);
    EXPECT_EQ(named->glu_served, 1);
    gl_cv_unload(named);
    // A pair the kit ships stays with its file.
    gl_cvdesc *kit = nullptr;
    ASSERT_EQ(gl_cv_load(&kit, "ja_JP.utf8", "de_DE.8859-1", nullptr, nullptr), 1);
    EXPECT_EQ(kit->glu_served, 0);
    gl_cv_unload(kit);
}

// ---- start-up ----------------------------------------------------------------------------

// A data tree sharing the built tree's locale, registry and conversion
// files, with the service's directories as a test wants them.
struct Tree {
    trwtest::TempTree tree;
    explicit Tree(bool with_library = true)
    {
        fs::create_directories(tree.path("gls"));
        for (const char *d : {"gls/lc11", "gls/cm3", "gls/cv9"})
            fs::create_directory_symlink(kData + "/" + d, tree.path(d));
        if (with_library)
            fs::create_directory_symlink(kData + "/gls/dll", tree.path("gls/dll"));
        setenv("TARNWELLDIR", tree.root().c_str(), 1);
    }
    std::string etc(const std::string &name) const
    {
        std::ifstream in(kData + "/gls/etc/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write_etc(const std::string &name, const std::string &text) const { tree.write("gls/etc/" + name, text); }
    void copy_etc() const
    {
        for (const char *f : {"dllregistry", "locmap", "trwglu.dat"})
            write_etc(f, etc(f));
    }
};

TEST(GluService, WithoutALibraryListTheServiceIsAsUnset)
{
    Tree t(false);
    auto run = [](const char *use) {
        return trwtest::run_function([use] {
            if (use != nullptr)
                setenv("GL_USEGLU", use, 1);
            setenv("GLSDEBUG", "on", 1);
            gl_useglu(2);
            gl_locale *loc = nullptr;
            if (gl_lc_load(&loc, "en_US.utf8", nullptr, nullptr) != 0 || loc->coll_kind != GL_COLL_AS_SPECIFIED)
                return 1;
            unsigned char key[64];
            std::printf("key %d\n", loc->coll_transform(loc, key, reinterpret_cast<const unsigned char *>("Ab"),
                                                        sizeof key));
            gl_cvdesc *cd = nullptr;
            std::printf("cv %d\n", gl_cv_load(&cd, "ja_JP.sjis", "de_DE.8859-1", nullptr, nullptr));
            gl_lc_unload(loc);
            return _gl_glu_enabled();
        });
    };
    trwtest::ChildResult with = run("1"), without = run(nullptr);
    EXPECT_EQ(with.exit_status, 0) << with.out;
    EXPECT_EQ(without.exit_status, 0) << without.out;
    EXPECT_NE(with.out.find("GLS: gl_init_glu_dll: cannot open dllregistry"), std::string::npos) << with.out;
    auto lines = [](const std::string &out, const char *prefix) {
        std::string r;
        for (size_t p = out.find(prefix); p != std::string::npos; p = out.find(prefix, p + 1))
            r += out.substr(p, out.find('\n', p) - p) + ";";
        return r;
    };
    EXPECT_EQ(lines(with.out, "key "), lines(without.out, "key "));
    EXPECT_EQ(lines(with.out, "cv "), "cv -1;"); // no kit file for the pair
    EXPECT_EQ(lines(without.out, "cv "), "cv -1;");
}

int start_in(const Tree &, std::string *out)
{
    trwtest::ChildResult r = trwtest::run_function([] {
        setenv("GLSDEBUG", "on", 1);
        use_service();
        struct {
            int error;
        } ctx{0};
        int rc = gl_init_glu(&ctx);
        std::printf("rc %d error %d enabled %d\n", rc, ctx.error, _gl_glu_enabled());
        return 0;
    });
    *out = r.out;
    return r.exit_status;
}

TEST(GluService, AMissingLibraryOrEntryPointFailsWithErrorEight)
{
    std::string out;
    {
        Tree t;
        t.copy_etc();
        t.write_etc("dllregistry", "libtrwglu-missing.so\n");
        ASSERT_EQ(start_in(t, &out), 0);
        EXPECT_NE(out.find("rc -1 error 8 enabled 0"), std::string::npos) << out;
        EXPECT_NE(out.find("LoadLibraries: Error Loading SharedObject file"), std::string::npos) << out;
    }
    {
        Tree t(false);
        t.copy_etc();
        fs::create_directories(t.tree.path("gls/dll"));
        fs::create_symlink(GLU_STUB_OMIT_ONE, t.tree.path("gls/dll/libtrwglu.so"));
        ASSERT_EQ(start_in(t, &out), 0);
        EXPECT_NE(out.find("rc -1 error 8 enabled 0"), std::string::npos) << out;
        EXPECT_NE(out.find("GLS: gl_init_glu_dll: End icudata tarw_dlsym error"), std::string::npos) << out;
    }
    {
        Tree t;
        t.copy_etc();
        ASSERT_EQ(start_in(t, &out), 0);
        EXPECT_NE(out.find("rc 0 error 0 enabled 1"), std::string::npos) << out;
    }
}

TEST(GluService, DamagedDataFilesFailWithErrorEight)
{
    std::string out;
    Tree t;
    t.copy_etc();
    const std::string locmap = t.etc("locmap"), icudata = t.etc("trwglu.dat");
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"locmap", locmap.substr(0, locmap.size() / 2)},               // cut short
        {"locmap", locmap.substr(0, locmap.size() - 4)},               // no end line
        {"locmap", "TRWGLU-LOCMAP 2\nend\n"},                          // unknown format
        {"locmap", "TRWGLU-LOCMAP 1\npair 819\nend\n"},                // a field missing
        {"locmap", "TRWGLU-LOCMAP 1\nlocale en_US.57372 SORT en_US\nend\n"},
        {"locmap", "TRWGLU-LOCMAP 1\n" + std::string(300, 'x') + "\nend\n"},
        {"locmap", std::string("TRWGLU-LOCMAP 1\n\0\nend\n", 21)},
        {"trwglu.dat", "TRWGLU-ICUDATA 1\nicu 1.0\nunicode 1.0\nend\n"}, // another ICU
        {"trwglu.dat", icudata.substr(0, icudata.size() - 5)},
        {"trwglu.dat", ""},
    };
    for (const auto &[file, text] : damaged) {
        t.copy_etc();
        t.write_etc(file, text);
        ASSERT_EQ(start_in(t, &out), 0);
        EXPECT_NE(out.find("rc -1 error 8 enabled 0"), std::string::npos) << file << ": " << out;
        EXPECT_NE(out.find(file == "locmap" ? "gl_init_glu: End pMap not loaded" : "gl_init_glu: End icudata not loaded"),
                  std::string::npos)
            << out;
    }
    t.copy_etc();
    fs::remove(t.tree.path("gls/etc/locmap"));
    ASSERT_EQ(start_in(t, &out), 0);
    EXPECT_NE(out.find("gl_init_glu: End pMap not loaded locmap file not found"), std::string::npos) << out;
}

TEST(GluService, UnknownIcuNamesLeaveTheirEntriesUnclaimed)
{
    Tree t;
    t.copy_etc();
    t.write_etc("locmap", "TRWGLU-LOCMAP 1\n"
                          "locale en_US.57372 COLLATE en_US\n"
                          "locale xx_YY.57372 COLLATE qqq_ZZ\n"
                          "converter 819 8859-1 ISO-8859-1\n"
                          "converter 57350 sjis no-such-converter\n"
                          "converter 57372 utf8 UTF-8\n"
                          "pair 819 57350\npair 819 57372\nend\n");
    trwtest::ChildResult r = trwtest::run_function([] {
        setenv("GLSDEBUG", "on", 1);
        use_service();
        struct {
            int error;
        } ctx{0};
        if (gl_init_glu(&ctx) != 0)
            return 1;
        char name[64];
        int unknown_locale = glx_getICULocName("xx_YY.57372", name, sizeof name);
        int known_locale = glx_getICULocName("en_US.57372", name, sizeof name);
        int unknown_converter = glx_getICUCvtName("57350", name, sizeof name);
        int known_converter = glx_getICUCvtName("8859-1", name, sizeof name);
        std::printf("names %d %d %d %d %s\n", unknown_locale, known_locale, unknown_converter, known_converter, name);
        return 0;
    });
    EXPECT_EQ(r.exit_status, 0) << r.out;
    EXPECT_NE(r.out.find("names -1 0 -1 0 ISO-8859-1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ICU has no locale qqq_ZZ"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ICU has no converter no-such-converter"), std::string::npos) << r.out;
}

// ---- hooks, unloading, fork --------------------------------------------------------------

// Hooks that tag their blocks: a block freed through the hook that the hook
// did not hand out, or one the hook handed out and libc frees, is caught.
constexpr uint64_t kTag = 0x7472776775686f6bULL;
long allocations = 0, frees = 0, reads = 0;
std::set<std::string> opened;

void *tagged_malloc(size_t n)
{
    auto *p = static_cast<uint64_t *>(std::malloc(n + 16));
    if (p == nullptr)
        return nullptr;
    p[0] = kTag;
    p[1] = n;
    ++allocations;
    return p + 2;
}
void tagged_free(void *block)
{
    if (block == nullptr)
        return;
    auto *p = static_cast<uint64_t *>(block) - 2;
    if (p[0] != kTag)
        std::abort();
    p[0] = 0;
    ++frees;
    std::free(p);
}
void *tagged_calloc(size_t count, size_t size)
{
    void *p = tagged_malloc(count * size);
    if (p != nullptr)
        std::memset(p, 0, count * size);
    return p;
}
void *tagged_realloc(void *block, size_t n)
{
    if (block == nullptr)
        return tagged_malloc(n);
    void *fresh = tagged_malloc(n);
    if (fresh == nullptr)
        return nullptr;
    size_t old = static_cast<uint64_t *>(block)[-1];
    std::memcpy(fresh, block, std::min(old, n));
    tagged_free(block);
    return fresh;
}
int counted_getc(FILE *f)
{
    ++reads;
    return std::fgetc(f);
}
FILE *counted_fopen(const char *path, const char *mode)
{
    opened.insert(fs::path(path).filename().string());
    return std::fopen(path, mode);
}

TEST(GluService, TheServiceRunsOnTheHostsHooks)
{
    gl_setextfunc(nullptr, GL_EXT_MALLOC, reinterpret_cast<gl_ext_routine>(tagged_malloc));
    gl_setextfunc(nullptr, GL_EXT_CALLOC, reinterpret_cast<gl_ext_routine>(tagged_calloc));
    gl_setextfunc(nullptr, GL_EXT_REALLOC, reinterpret_cast<gl_ext_routine>(tagged_realloc));
    gl_setextfunc(nullptr, GL_EXT_FREE, reinterpret_cast<gl_ext_routine>(tagged_free));
    gl_setextfunc(nullptr, GL_EXT_GETC, reinterpret_cast<gl_ext_routine>(counted_getc));
    gl_setextfunc(nullptr, GL_EXT_FOPEN, reinterpret_cast<gl_ext_routine>(counted_fopen));
    use_service();
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "ja_JP.utf8", nullptr, nullptr), 0);
    ASSERT_EQ(loc->coll_kind, GL_COLL_UNICODE);
    long after_start = allocations;
    long read_after_start = reads;
    EXPECT_GT(after_start, 100); // ICU's collator data comes through the hooks
    EXPECT_GT(read_after_start, static_cast<long>(fs::file_size(kData + "/gls/etc/locmap")));
    EXPECT_TRUE(opened.count("locmap") && opened.count("trwglu.dat"));
    std::string longer(3000, 'x');
    longer += "\xe3\x81\x82";
    EXPECT_GT(key_of(loc, longer).size(), 3000u); // a key longer than the local buffers
    EXPECT_GT(allocations, after_start);
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_cv_load(&cd, "ja_JP.sjis", "de_DE.8859-1", nullptr, nullptr), 1);
    int sub = 0, status = 0;
    std::string big(5000, 'a');
    EXPECT_EQ(convert(cd, big, &sub, &status), big);
    gl_cv_unload(cd);
    gl_lc_unload(loc);
    EXPECT_EQ(gl_unload_glu(), 0);
    EXPECT_GT(frees, 0);
}

TEST(GluService, UnloadLoadAgainAndFork)
{
    use_service();
    const std::string a = "r\xc3\xa9sum\xc3\xa9", b = "resume";
    auto order = [&] {
        gl_locale *loc = nullptr;
        if (gl_lc_load(&loc, "en_US.utf8", nullptr, nullptr) != 0)
            return -9;
        int served = loc->coll_kind == GL_COLL_UNICODE;
        int r = sign(loc->coll_compare(loc, reinterpret_cast<const unsigned char *>(a.c_str()),
                                       reinterpret_cast<const unsigned char *>(b.c_str())));
        gl_lc_unload(loc);
        return served ? r : -8;
    };
    ASSERT_EQ(order(), 1);
    EXPECT_EQ(gl_unload_glu(), 0);
    EXPECT_EQ(_gl_glu_enabled(), 0);
    EXPECT_EQ(order(), 1); // started again by the load
    EXPECT_EQ(_gl_glu_enabled(), 1);
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_cv_load(&cd, "ja_JP.sjis", "de_DE.8859-1", nullptr, nullptr), 1);
    pid_t child = fork();
    if (child == 0) {
        int sub = 0, status = 0;
        std::string out = convert(cd, "abc\xb0", &sub, &status);
        _exit(order() == 1 && status == 0 && out == "abc\x81\x8b" ? 0 : 1);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
    gl_cv_unload(cd);
    EXPECT_EQ(gl_unload_glu(), 0);
}

} // namespace

namespace {

// A locmap that claims a Latin-1 locale's COLLATE: text goes through the
// code set's ICU converter.
TEST(GluService, AClaimedLatinOneLocaleCollatesAsIcu)
{
    Tree t;
    t.copy_etc();
    t.write_etc("locmap", "TRWGLU-LOCMAP 1\n"
                          "locale de_DE.819 COLLATE de_DE\n"
                          "converter 819 8859-1 ISO-8859-1\n"
                          "end\n");
    use_service();
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "de_DE.8859-1", nullptr, nullptr), 0) << loc->error;
    ASSERT_EQ(loc->coll_kind, GL_COLL_UNICODE);
    UErrorCode status = U_ZERO_ERROR;
    UCollator *icu = ucol_open("de_DE", &status);
    std::vector<std::string> abc;
    for (int b = 0x20; b < 0x100; ++b)
        if (b < 0x7F || b >= 0xA0)
            abc.emplace_back(1, static_cast<char>(b));
    std::mt19937 rng(5);
    std::vector<std::string> w = words(abc, rng, 600);
    int disagreements = 0;
    for (size_t i = 0; i + 1 < w.size(); ++i) {
        std::string a = icu_convert("UTF-8", "ISO-8859-1", w[i]), b = icu_convert("UTF-8", "ISO-8859-1", w[i + 1]);
        int expected = sign(ucol_strcollUTF8(icu, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                              static_cast<int32_t>(b.size()), &status));
        int ours = sign(loc->coll_compare(loc, reinterpret_cast<const unsigned char *>(w[i].c_str()),
                                          reinterpret_cast<const unsigned char *>(w[i + 1].c_str())));
        int keys = sign(std::strcmp(key_of(loc, w[i]).c_str(), key_of(loc, w[i + 1]).c_str()));
        disagreements += ours != expected || keys != expected;
    }
    EXPECT_EQ(disagreements, 0);
    ucol_close(icu);
    gl_lc_unload(loc);
}

} // namespace

namespace {

// The service's character routines, reached by name (the locale library
// forwards only collation and conversion to it today).
TEST(GluService, CharacterRoutinesOfAServiceLocale)
{
    use_service();
    struct {
        int error;
    } ctx{0};
    ASSERT_EQ(gl_init_glu(&ctx), 0);
    void *lib = dlopen((kData + "/gls/dll/libtrwglu.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto fn = [&](const char *name) {
        void *p = dlsym(lib, name);
        EXPECT_NE(p, nullptr) << name;
        return p;
    };
    using Len = int (*)(void *, const char *, int, int16_t *);
    using ToUc32 = int (*)(void *, uint32_t *, const char *, int, int16_t *);
    using FromUc32 = int (*)(void *, char *, int, uint32_t, int16_t *);
    using MapStr = int (*)(void *, char *, int, const char *, int, int16_t *);
    using IsType = int (*)(void *, const char *, int, int, int16_t *);
    void *loc = glx_lc_open(&ctx, "ja_JP.57372", GL_LC_COLLATE);
    ASSERT_NE(loc, nullptr);
    int16_t err = 0;
    const std::string text = "A\xc3\xa9\xe3\x81\x82\xef\xbc\xa1\xf0\x9f\x98\x80"; // A é あ Ａ 😀
    EXPECT_EQ(reinterpret_cast<Len>(fn("glu_mblen"))(loc, text.c_str() + 1, -1, &err), 2);
    EXPECT_EQ(reinterpret_cast<Len>(fn("glu_mbslen"))(loc, text.c_str(), -1, &err), 5);
    EXPECT_EQ(reinterpret_cast<Len>(fn("glu_mbswidth"))(loc, text.c_str(), -1, &err), 1 + 1 + 2 + 2 + 2);
    uint32_t c = 0;
    EXPECT_EQ(reinterpret_cast<ToUc32>(fn("glu_mbtouc32"))(loc, &c, text.c_str() + 3, -1, &err), 3);
    EXPECT_EQ(c, 0x3042u);
    char out[32];
    EXPECT_EQ(reinterpret_cast<FromUc32>(fn("glu_uc32tomb"))(loc, out, sizeof out, 0x1F600, &err), 4);
    EXPECT_EQ(std::string(out, 4), text.substr(9));
    EXPECT_EQ(reinterpret_cast<MapStr>(fn("glu_mbstoupper"))(loc, out, sizeof out, "stra\xc3\x9f" "e \xc3\xa9", -1, &err),
              10);
    EXPECT_STREQ(out, "STRA\xc3\x9f" "E \xc3\x89"); // one character to one: ß stays
    auto is_type = reinterpret_cast<IsType>(fn("glu_ismctype"));
    EXPECT_NE(is_type(loc, "\xc3\xa9", -1, GL_CLASS_LOWER | GL_CLASS_ALPHA, &err), 0);
    EXPECT_EQ(is_type(loc, "\xc3\xa9", -1, GL_CLASS_DIGIT, &err), 0);
    EXPECT_EQ(reinterpret_cast<Len>(fn("glu_mblen"))(loc, "\xe3\x81", 2, &err), -1);
    EXPECT_EQ(err, GL_EINVAL);
    EXPECT_EQ(reinterpret_cast<Len>(fn("glu_mblen"))(loc, "\xff", 1, &err), -1);
    EXPECT_EQ(err, GL_EILSEQ);
    EXPECT_EQ(glx_lc_close(&ctx, loc), 0);
    dlclose(lib);
    EXPECT_EQ(gl_unload_glu(), 0);
}

} // namespace
