// The client side of characters and conversion: the character routines on
// the installed client locale, the locale-aware byleng through the OS
// layer's hook, the conversion front end's buffer strategies and error
// numbers, converting file-system calls, gcvgetc and the printing family.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

#include "gl_locale.h"
#include "glsclient.h"
#include "osclient.h"
#include "osutil.h"

namespace fs = std::filesystem;

namespace {

gl_locale *load_locale(const char *file)
{
    setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0);
    gl_locale *loc = nullptr;
    EXPECT_EQ(gl_lc_load(&loc, file, nullptr, nullptr), 0) << file;
    return loc;
}

gl_cvdesc *load_cv(const char *target, const char *source)
{
    setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0);
    gl_cvdesc *cd = nullptr;
    EXPECT_EQ(gl_cv_load(&cd, target, source, nullptr, nullptr), 1);
    return cd;
}

// Installs a client environment for one test and clears it afterwards.
struct ClientEnv {
    trw_gls_client_env *env = trw_gls_client();
    ~ClientEnv()
    {
        gl_lc_unload(env->client_locale);
        gl_lc_unload(env->server_locale);
        for (gl_cvdesc *cd : {env->client_to_db, env->db_to_client, env->file_name_cv, env->file_char_cv})
            gl_cv_unload(cd);
        *env = trw_gls_client_env{};
        os_set_client_locale_hooks(nullptr);
    }
};

const char kHyou[] = "\x95\x5C"; // a Shift-JIS kanji whose second byte is '\'

TEST(ClientCharacters, PlainRoutines)
{
    EXPECT_EQ(is8bitstr("plain"), 0);
    EXPECT_EQ(is8bitstr("caf\xE9"), 1);
    EXPECT_EQ(is8bitstr(nullptr), 0);
    const gl_wchar_t w[] = {'a', 0x8140, ' ', ' '};
    EXPECT_EQ(wbyleng(w, 4), 2);
    EXPECT_EQ(wbyleng(w, 1), 1);
    EXPECT_EQ(wbyleng(w + 2, 2), 0);
}

TEST(ClientCharacters, OnTheClientLocale)
{
    ClientEnv guard;
    // Without a client locale, text is single-byte.
    EXPECT_EQ(glsmbsnlen(nullptr, kHyou, 2), 2);
    EXPECT_EQ(dbcslswdw("abcdef", 4, nullptr), 4);
    guard.env->client_locale = load_locale("ja_jp/e006.lco");
    std::string s = std::string("a") + kHyou + "b";
    EXPECT_EQ(glsmbsnlen(nullptr, s.c_str(), 4), 3);
    EXPECT_EQ(glsmbsnlen(nullptr, s.c_str(), 2), 1); // the kanji is cut
    EXPECT_EQ(glsmbsnbytelen(nullptr, s.c_str(), 2), 1);
    EXPECT_EQ(glsmbsnbytelen(nullptr, s.c_str(), 99), 4);
    EXPECT_EQ(glsmbsnlen(nullptr, "\x80z", 2), -1);
    char dst[4] = {};
    int len = 0;
    EXPECT_EQ(mbcharcopy(nullptr, kHyou, dst, &len), 0x955Cu);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(std::string(dst, 2), kHyou);
    EXPECT_EQ(mbcharcopy(nullptr, "\x80", dst, &len), 0x80u);
    EXPECT_EQ(len, 1);
    EXPECT_EQ(dbcslswdw(s.c_str(), 2, nullptr), 1);
    EXPECT_EQ(dbcslswdw(s.c_str(), 3, nullptr), 3);
    EXPECT_EQ(dbcslswdw(s.c_str(), 9, nullptr), 4);
}

TEST(ClientByleng, LocaleAwareThroughTheOsHook)
{
    ClientEnv guard;
    os_set_client_locale_hooks(trw_gls_os_hooks());
    EXPECT_EQ(byleng("ab  ", 4), 2); // no client locale: 0x20 only
    guard.env->client_locale = load_locale("ja_jp/e01c.lco");
    EXPECT_EQ(byleng("ab\xE3\x80\x80", 5), 2);  // ideographic space
    EXPECT_EQ(byleng("ab\t", 3), 3);
    EXPECT_EQ(byleng("a \xE3\x80\x80 ", 6), 1);
    EXPECT_EQ(byleng("    ", 4), 0);
    EXPECT_EQ(byleng("ab\xE3\x80", 4), 2); // a cut character ends the walk
    EXPECT_EQ(trw_gls_byleng("a\0 b ", 5), 4);
    gl_lc_unload(guard.env->client_locale);
    guard.env->client_locale = load_locale("en_us/0333.lco"); // single-byte: 0x20 only
    EXPECT_EQ(byleng("ab \xA0", 4), 4);
    EXPECT_EQ(byleng("ab  ", 4), 2);
}

// ---- buffer strategies ----

TEST(FrontEnd, BufferStrategies)
{
    ClientEnv guard;
    gl_cvdesc *cd = load_cv("utf8", "8859-1");
    char out[8];
    int truncated = -1;
    EXPECT_EQ(gcv_extbuf(cd, "a\xE9", nullptr, out, 8, &truncated), 3);
    EXPECT_STREQ(out, "a\xC3\xA9");
    EXPECT_EQ(truncated, 0);
    // One byte short for the two-byte character: truncation, no error.
    int n = 2;
    EXPECT_EQ(gcv_extbuf(cd, "a\xE9", &n, out, 2, &truncated), 1);
    EXPECT_EQ(truncated, 1);
    EXPECT_EQ(gcv_extbuf(cd, "a\xE9", nullptr, out, 3, &truncated), 1);
    EXPECT_EQ(truncated, 1);
    EXPECT_EQ(out[1], '\0');

    char in_place[8] = "\xE9\xE9\xE9";
    EXPECT_EQ(gcv_inplace(cd, in_place, nullptr, 8, &truncated), 6);
    EXPECT_STREQ(in_place, "\xC3\xA9\xC3\xA9\xC3\xA9");
    char small[5] = "\xE9\xE9\xE9";
    EXPECT_EQ(gcv_inplace(cd, small, nullptr, 5, &truncated), 4);
    EXPECT_EQ(truncated, 1);

    char *copy = nullptr;
    EXPECT_EQ(gcv_malloc(cd, "x\xFF", nullptr, &copy), 3);
    EXPECT_STREQ(copy, "x\xC3\xBF");
    std::free(copy);
    gcv_buffer kept{0, nullptr};
    EXPECT_EQ(gcv_reuse(cd, "\xE9", nullptr, &kept), 2);
    int small_size = kept.size;
    std::string longer(100, '\xE9');
    EXPECT_EQ(gcv_reuse(cd, longer.c_str(), nullptr, &kept), 200);
    EXPECT_GT(kept.size, small_size);
    std::free(kept.data);

    EXPECT_EQ(gcv_lenonly(cd, 3), 6);
    n = 3;
    EXPECT_EQ(gcv_len(cd, "abc", &n), 6);
    EXPECT_EQ(gcv_len(cd, "abc", nullptr), 7);
    cd->expansion = 1.5;
    EXPECT_EQ(gl_cv_outbuflen(cd, 3), 6); // the factor is rounded up first
    EXPECT_EQ(gcv_lenonly(cd, 3), 5);     // the product is
    guard.env->client_to_db = cd;

    // Null descriptor: a copy.
    EXPECT_EQ(gcv_extbuf(nullptr, "same", nullptr, out, 8, &truncated), 4);
    EXPECT_STREQ(out, "same");
}

TEST(FrontEnd, ErrorNumbers)
{
    ClientEnv guard;
    gl_cvdesc *cd = load_cv("8859-1", "utf8");
    guard.env->client_to_db = cd;
    char out[8];
    int zero = 0;
    EXPECT_EQ(gcv_extbuf(cd, nullptr, nullptr, out, 8, nullptr), TRW_GCV_EBADARG);
    EXPECT_EQ(guard.env->error, TRW_GCV_EBADARG);
    EXPECT_EQ(gcv_extbuf(cd, "a", &zero, out, 8, nullptr), TRW_GCV_EBADARG);
    EXPECT_EQ(gcv_extbuf(cd, "a", nullptr, out, 0, nullptr), TRW_GCV_EBADARG);
    EXPECT_EQ(gcv_extbuf(cd, "a\x80", nullptr, out, 8, nullptr), TRW_GCV_EILSEQ);
    EXPECT_EQ(gcv_extbuf(cd, "a\xC3", nullptr, out, 8, nullptr), TRW_GCV_EILSEQ);
    char *copy = nullptr;
    EXPECT_EQ(gcv_malloc(cd, "\xC3", nullptr, &copy), TRW_GCV_EILSEQ);
    EXPECT_EQ(copy, nullptr);
    char *args[] = {const_cast<char *>("\xC3\xA9t\xC3\xA9"), nullptr};
    EXPECT_EQ(gcvargs(cd, 2, args), 0);
    EXPECT_STREQ(args[0], "\xE9t\xE9");
    std::free(args[0]);
}

TEST(FrontEnd, LoadConvertUnload)
{
    setenv("TARNWELLDIR", TRW_TEST_DATA_DIR, 0);
    char out[16];
    EXPECT_EQ(trw_gl_cv_mconv(nullptr, out, 16, "en_US.utf8", "a\xE9", 2, "en_US.8859-1"), 3);
    EXPECT_EQ(std::string(out, 3), "a\xC3\xA9");
    EXPECT_EQ(trw_gl_cv_mconv(nullptr, out, 2, "en_US.utf8", "a\xE9", 2, "en_US.8859-1"), -GL_E2BIG);
    EXPECT_EQ(trw_gl_cv_mconv(nullptr, out, 16, "en_US.819", "a\xE9", -1, "en_US.8859-1"), 3);
    EXPECT_EQ(trw_gl_cv_mconv(nullptr, out, 16, "zh_CN.gb", "a", 1, "en_US.8859-1"), -GL_EFILEERR);
    EXPECT_EQ(trw_gl_cv_outbuflen("en_US.utf8", "en_US.8859-1", 10), 20);
    EXPECT_EQ(trw_gl_cv_outbuflen("en_US.819", "en_US.8859-1", 10), 10);
    EXPECT_EQ(trw_gl_conv_needed("en_US.819", "en_US.8859-1"), 0);
    EXPECT_EQ(trw_gl_conv_needed("en_US.utf8", "en_US.8859-1"), 1);
    EXPECT_EQ(trw_gl_conv_needed("en_US.foo", "en_US.8859-1"), -1);
    unsigned char table[256];
    ASSERT_EQ(trw_gl_cv_sb2sb_table("en_US.1252", "en_US.8859-1", table), 0);
    EXPECT_EQ(table[0xE9], 0xE9);
    EXPECT_EQ(table[0x41], 'A');
    EXPECT_EQ(trw_gl_cv_sb2sb_table("en_US.utf8", "en_US.8859-1", table), -1);
    EXPECT_EQ(trw_gl_cv_sb2sb_table("en_US.819", "en_US.8859-1", table), 0);
    EXPECT_EQ(table[200], 200);
}

// ---- files and printing ----

struct TempDir {
    fs::path dir;
    TempDir()
    {
        char tmpl[] = "/tmp/gcvfile_testXXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(dir); }
};

TEST(FrontEnd, ConvertingFileCalls)
{
    ClientEnv guard;
    guard.env->file_name_cv = load_cv("utf8", "8859-1");
    TempDir t;
    std::string latin = t.dir.string() + "/caf\xE9";
    std::string utf8 = t.dir.string() + "/caf\xC3\xA9";
    FILE *f = gcvfopen(latin.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(utf8));
    struct stat st {};
    EXPECT_EQ(gcvstat(latin.c_str(), &st), 0);
    EXPECT_EQ(gcvaccess(latin.c_str(), F_OK), 0);
    std::string other = t.dir.string() + "/th\xE9";
    EXPECT_EQ(gcvlink(latin.c_str(), other.c_str()), 0);
    EXPECT_TRUE(fs::exists(t.dir.string() + "/th\xC3\xA9"));
    EXPECT_EQ(gcvunlink(other.c_str()), 0);
    int fd = gcvopen((t.dir.string() + "/n\xE9").c_str(), O_CREAT | O_WRONLY, 0600);
    EXPECT_GE(fd, 0);
    close(fd);
    fd = gcvcreat((t.dir.string() + "/m\xE9").c_str(), 0600);
    EXPECT_GE(fd, 0);
    close(fd);
    EXPECT_TRUE(fs::exists(t.dir.string() + "/m\xC3\xA9"));
    // A path that converts to more than 260 bytes fails.
    std::string longest = t.dir.string() + "/" + std::string(140, '\xE9');
    EXPECT_EQ(gcvfopen(longest.c_str(), "w"), nullptr);
    EXPECT_EQ(gcvaccess(longest.c_str(), F_OK), -1);
    char cwd[1024];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(gcvchdir(t.dir.c_str()), 0);
    EXPECT_EQ(chdir(cwd), 0);
}

TEST(FrontEnd, CharactersOfServerFiles)
{
    ClientEnv guard;
    guard.env->server_locale = load_locale("ja_jp/e006.lco");
    guard.env->file_char_cv = load_cv("utf8", "sjis");
    FILE *f = std::tmpfile();
    std::fputs((std::string("a") + kHyou + "\x82").c_str(), f);
    std::rewind(f);
    EXPECT_EQ(gcvgetc(f), 'a');
    EXPECT_EQ(gcvgetc(f), 0xE8);
    EXPECT_EQ(gcvgetc(f), 0xA1);
    EXPECT_EQ(gcvgetc(f), 0xA8);
    EXPECT_EQ(gcvgetc(f), TRW_GCV_EILSEQ); // a lead byte cut by the end
    EXPECT_EQ(gcvgetc(f), EOF);
    std::fclose(f);
}

std::string printed(const std::function<int(FILE *)> &print, int *result = nullptr)
{
    FILE *f = std::tmpfile();
    int n = print(f);
    if (result != nullptr)
        *result = n;
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;)
        s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

TEST(FrontEnd, Printing)
{
    ClientEnv guard;
    guard.env->db_to_client = load_cv("utf8", "8859-1");
    guard.env->file_name_cv = load_cv("utf8", "8859-1");
    int n = 0;
    std::string s = printed(
        [](FILE *f) { return gcvargRQ5CLfprintf(f, "%d|%S|%s|%5.2f|%%|%ld|%-4s|%*d", 3, "\xE9", "\xE9", 1.5, 7L, "x", 3, 9); },
        &n);
    EXPECT_EQ(s, "3|\xC3\xA9|\xE9| 1.50|%|7|x   |  9");
    EXPECT_EQ(n, static_cast<int>(s.size()));
    s = printed([](FILE *f) { return gcvallargRQ5CLfprintf(f, "%S %s %c", "\xE9", "\xE9", 'z'); });
    EXPECT_EQ(s, "\xC3\xA9 \xC3\xA9 z");
    s = printed([](FILE *f) { return gcvfprintf(f, "\xE9=%s %u", "\xE9", 5u); });
    EXPECT_EQ(s, "\xC3\xA9=\xC3\xA9 5");
    s = printed([](FILE *f) { return gcvargRQ5CLfprintf(f, "a%nb", nullptr); }, &n);
    EXPECT_EQ(n, -1);
}

} // namespace
