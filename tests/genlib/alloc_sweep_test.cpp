// Every exported function of the data-type library that allocates, swept
// over its allocations (allocator wrapped; the locale library's hooks that
// the library installs allocate through the same wrapped malloc): with the
// n-th allocation failing, alone and with every later one, each call
// reports its documented memory error, leaves its output and the records it
// was given usable, and leaks nothing.
//
// Each TEST runs in a fresh process. The process-wide records (the control
// block, the registry, the client locale) are made by one call before the
// sweep unless the entry sweeps that first use itself (CreateGlsEnv and
// get_locale load whole locales under the sweep).
//
// The functions that allocate, and where their sweep is:
//   dececvt, decfcvt, trw_dececvt,
//   trw_decfcvt (the work buffer)         DigitStrings (below)
//   qualtofmt                             DatetimeFormats (below)
//   dbdate_to_gl_date, getglsfmt          DateFormats (below)
//   get_locale (whole locale loads)       LocaleLoads (below)
//   CreateGlsEnv (record and its locale)  CreatedEnvironments (below)
//   initgls (the default record's first
//   initialisation, its locale load)      DefaultEnvironment (below)
//   trw_gl_convert_double (long texts)    NumberTexts (below)
//   rupshift, rdownshift (case changes
//   that change the byte length)          CaseShifts (below)
//   gcv_malloc, gcv_reuse, gcv_inplace,
//   trw_gl_cv_mconv, trw_gl_cv_outbuflen,
//   trw_gl_cv_sb2sb_table,
//   trw_gl_conv_needed                    Conversions (below)
//   rgetmsg, rgetlmsg, rmsgfname          MessageCatalogs (below)
//   rdecstr (large buffers)               NumberTexts (below)
//   rwildmatch, rcnvtorelist              Matching (below)
//   collection_literal (long texts)       StatementTexts (below)
//   rdataval, rvaldata, todate, todouble  valrec_alloc_test
//   the collection functions              coll_model_test
//   rvalcvar and the host conversions     hostvar_test
//   exmatch and the expression operators  valexpr_test
//   dttofmtasc, dtcvfmtasc and the text
//   forms of DATETIME                     dttext_test
//   rfmtdate, rdefmtdate, rtoday          rdate_test
//   CheckGenInit, gentcb_alloc            gentcb_test
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "datetime.h"
#include "decconv.h"
#include "decimal.h"
#include "gentcb.h"
#include "gl_conv.h"
#include "gl_locale.h"
#include "glsclient.h"
#include "glsenv.h"
#include "numfmt.h"
#include "rdate.h"
#include "rmsg.h"
#include "rwildmat.h"
#include "sqlstmt.h"
#include "support/alloc_fail.h"
#include "valrec.h"

using trwtest::SweepRun;
using trwtest::sweep_allocations;

namespace {

constexpr int kNoMemory = -406;

// Settings every test starts from: only what the test sets itself.
void clear_settings()
{
    for (const char *name : {"CLIENT_LOCALE", "DB_LOCALE", "DBNLS", "DBLANG", "LANG", "LC_ALL", "LC_CTYPE",
                             "LC_COLLATE", "LC_NUMERIC", "LC_MONETARY", "LC_TIME", "DBTIME", "DBMONEY",
                             "DBDATE", "GL_DATE", "GL_DATETIME"})
        unsetenv(name);
}

TEST(GenlibAllocSweep, DigitStrings)
{
    clear_settings();
    struct gentcb *block = CheckGenInit();
    ASSERT_NE(block, nullptr);
    decvalue dec{};
    ASSERT_EQ(deccvasc("12345.678", 9, &dec), 0);
    // A run starts with the smallest work buffer, so that 200 digits make
    // it grow.
    auto small_buffer = [&] {
        std::free(block->gt_decbuf);
        block->gt_decbuf = nullptr;
        block->gt_decbuf_size = 0;
        ASSERT_NE(dececvt(&dec, 3, nullptr, nullptr), nullptr);
    };
    const std::string ecvt = "12345678" + std::string(192, '0');
    const std::string fcvt = "12345678" + std::string(197, '0');
    for (bool fixed : {false, true}) {
        SCOPED_TRACE(fixed ? "decfcvt" : "dececvt");
        char *digits = nullptr;
        int decpt = -99, sign = -99;
        sweep_allocations(small_buffer,
                          [&] { digits = fixed ? decfcvt(&dec, 200, &decpt, &sign) : dececvt(&dec, 200, &decpt, &sign); },
                          [&](SweepRun &run) {
                              if (run.failed) {
                                  EXPECT_EQ(digits, nullptr);
                                  // The old buffer still serves short requests.
                                  ASSERT_NE(block->gt_decbuf, nullptr);
                                  EXPECT_STREQ(dececvt(&dec, 3, nullptr, nullptr), "123");
                              } else {
                                  ASSERT_NE(digits, nullptr);
                                  EXPECT_EQ(std::string(digits), fixed ? fcvt : ecvt);
                                  EXPECT_EQ(decpt, 5);
                                  EXPECT_EQ(sign, 0);
                              }
                              run.kept = 1L; // the work buffer of the control block
                          });
        char out[300];
        int status = 0;
        sweep_allocations(small_buffer,
                          [&] {
                              std::memset(out, '#', sizeof out);
                              status = fixed ? trw_decfcvt(&dec, 200, &decpt, &sign, out, sizeof out)
                                             : trw_dececvt(&dec, 200, &decpt, &sign, out, sizeof out);
                          },
                          [&](SweepRun &run) {
                              if (run.failed) {
                                  EXPECT_EQ(status, -1273);
                              } else {
                                  EXPECT_EQ(status, 0);
                                  EXPECT_EQ(std::string(out), fixed ? fcvt : ecvt);
                              }
                              run.kept = 1L;
                          });
    }
}

TEST(GenlibAllocSweep, DatetimeFormats)
{
    clear_settings();
    ASSERT_NE(CheckGenInit(), nullptr); // made on the first error otherwise
    char *reference = qualtofmt(TU_DTENCODE(TU_YEAR, TU_F3), nullptr);
    ASSERT_NE(reference, nullptr);
    const std::string expected = reference;
    std::free(reference);
    for (const char *format : {static_cast<const char *>(nullptr), "%Y/%m/%d %H.%M.%S%F3 and %c"}) {
        SCOPED_TRACE(format != nullptr ? format : "the default format");
        char *made = nullptr;
        char *plain = qualtofmt(TU_DTENCODE(TU_YEAR, TU_F3), format);
        ASSERT_NE(plain, nullptr);
        const std::string want = plain;
        std::free(plain);
        sweep_allocations([] {}, [&] { made = qualtofmt(TU_DTENCODE(TU_YEAR, TU_F3), format); },
                          [&](SweepRun &run) {
                              if (run.failed)
                                  EXPECT_EQ(made, nullptr);
                              else if (made != nullptr)
                                  EXPECT_EQ(std::string(made), want);
                              else
                                  ADD_FAILURE() << "no format";
                              std::free(made);
                          });
    }
    EXPECT_FALSE(expected.empty());
}

// The blocks a record's date state holds: its format and its caches of
// month and era names.
long date_state_blocks(const GlsState *state)
{
    long n = state->gl_date != nullptr ? 1 : 0;
    for (const gls_name_block *list : {state->abmon_names, state->mon_names, state->era_names})
        for (const gls_name_block *b = list; b != nullptr; b = b->next)
            n += 1 + (b->names != nullptr ? 1 + b->count : 0);
    return n;
}

TEST(GenlibAllocSweep, DateFormats)
{
    clear_settings();
    setenv("DBDATE", "DMY4/", 1);
    ASSERT_EQ(initgls(1), 0);
    char *format = nullptr;
    int order[3] = {0, 0, 0}, indicator = -1, status = 0;
    sweep_allocations([&] { format = nullptr; },
                      [&] { status = dbdate_to_gl_date("Y2MD-", &format, order, &indicator); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(status, -1211);
                              EXPECT_EQ(format, nullptr);
                          } else {
                              EXPECT_EQ(status, 0);
                              ASSERT_NE(format, nullptr);
                              EXPECT_EQ(order[0], 3);
                              EXPECT_EQ(order[1], 2);
                              EXPECT_EQ(order[2], 1);
                          }
                          std::free(format);
                      });

    // Settling the record's date format again: on failure the record keeps
    // working with the format it has after a later successful settle.
    GlsEnv *env = CheckGlsEnv();
    ASSERT_EQ(getglsfmt(env), 0);
    ASSERT_NE(env->state->gl_date, nullptr);
    const std::string before = env->state->gl_date;
    sweep_allocations([] {}, [&] { status = getglsfmt(env); },
                      [&](SweepRun &run) {
                          EXPECT_EQ(status, run.failed ? -1211 : 0);
                          if (!run.failed) {
                              ASSERT_NE(env->state->gl_date, nullptr);
                              EXPECT_EQ(std::string(env->state->gl_date), before);
                          }
                          // The date format and the name caches of the record.
                          run.kept = date_state_blocks(env->state);
                      });
    EXPECT_EQ(getglsfmt(env), 0);
    char text[16];
    EXPECT_EQ(rfmtdate(2, "dd/mm/yyyy", text), 0);
    EXPECT_STREQ(text, "02/01/1900");
}

// Loads of whole locales: every allocation of the locale files' reading.
TEST(GenlibAllocSweep, LocaleLoads)
{
    clear_settings();
    ASSERT_EQ(initgls(1), 0);
    // The locale library's own sweep covers the loader; this one the
    // statuses the client environment maps its errors to.
    for (const char *spec : {"de_DE.8859-1"}) {
        SCOPED_TRACE(spec);
        gl_locale *loc = nullptr;
        int status = 0;
        // The first load also fills the process's cache of file names.
        ASSERT_EQ(get_locale(spec, &loc, nullptr), 0);
        gl_lc_unload(loc);
        const long made = sweep_allocations([&] { loc = nullptr; }, [&] { status = get_locale(spec, &loc, nullptr); },
                                            [&](SweepRun &run) {
                                                if (run.failed) {
                                                    EXPECT_EQ(status, GLS_ENOMEM);
                                                } else {
                                                    EXPECT_EQ(status, 0);
                                                    ASSERT_NE(loc, nullptr);
                                                    EXPECT_EQ(loc->error, 0);
                                                }
                                                gl_lc_unload(loc);
                                            });
        EXPECT_GT(made, 0);
    }
}

// A created record with its own settings and locale, initialised at once:
// every allocation of the record, its settings and its locale loads.
TEST(GenlibAllocSweep, CreatedEnvironments)
{
    clear_settings();
    ASSERT_EQ(initgls(1), 0);
    GlsEnvLocale request{};
    request.setting[GLS_CLIENT_LOCALE] = "de_DE.8859-1";
    request.setting[GLS_DB_LOCALE] = "de_DE.8859-1";
    request.setting[GLS_DBDATE] = "DMY4.";
    GlsEnv *warm = nullptr;
    ASSERT_EQ(CreateGlsEnv(&request, &warm, 1), 0);
    ASSERT_NE(warm->state->gl_date, nullptr);
    const std::string date_format = warm->state->gl_date;
    // The control block and the month names that date formatting reads
    // from the message catalog are made once for the process.
    char first[16];
    ASSERT_EQ(rfmtdate(2, "dd/mm/yyyy", first), 0);
    SetGlsEnv(nullptr);
    FreeAllGlsEnv();
    ASSERT_EQ(initgls(1), 0);
    GlsEnv *const current = CheckGlsEnv();
    GlsEnv *env = nullptr;
    int status = 0;
    // Each run starts from an initialised default record and ends with every
    // record freed, the default one uninitialised.
    sweep_allocations(
                      [&] {
                          env = nullptr;
                          ASSERT_EQ(initgls(1), 0);
                      },
                      [&] { status = CreateGlsEnv(&request, &env, 1); },
                      [&](SweepRun &run) {
                          // Without memory for the cached registry the
                          // built-in table serves, so one failing
                          // allocation there still gives a full record.
                          if (run.failed && (run.persistent || status != 0)) {
                              EXPECT_TRUE(status == kNoMemory || status == GLS_ENOMEM || status == -1211) << status;
                              EXPECT_EQ(GlsEnv_List, nullptr);
                              EXPECT_EQ(CheckGlsEnv(), current);
                          } else {
                              EXPECT_EQ(status, 0);
                              ASSERT_NE(env, nullptr);
                              EXPECT_EQ(GlsEnv_List, env);
                              EXPECT_EQ(CheckGlsEnv(), env);
                              ASSERT_NE(env->locale, nullptr);
                              EXPECT_EQ(env->locale->error, 0);
                              ASSERT_NE(env->state->setting[GLS_DBDATE], nullptr);
                              EXPECT_STREQ(env->state->setting[GLS_DBDATE], "DMY4.");
                              ASSERT_NE(env->state->gl_date, nullptr);
                              EXPECT_EQ(std::string(env->state->gl_date), date_format);
                              char text[16];
                              EXPECT_EQ(rfmtdate(2, "dd/mm/yyyy", text), 0);
                              EXPECT_STREQ(text, "02/01/1900");
                          }
                          SetGlsEnv(nullptr);
                          FreeAllGlsEnv();
                      });
}

// The default record's initialisation, as on the first use of the library:
// the client locale, the conversions to and from the database's code set,
// and the date format.
TEST(GenlibAllocSweep, DefaultEnvironment)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "de_DE.8859-1", 1);
    setenv("DB_LOCALE", "en_US.1252", 1);
    ASSERT_NE(CheckGenInit(), nullptr);
    ASSERT_EQ(initgls(1), 0);
    char first[16];
    ASSERT_EQ(rfmtdate(2, "dd/mm/yyyy", first), 0);
    int status = 0;
    sweep_allocations([] { FreeAllGlsEnv(); }, [&] { status = initgls(1); },
                      [&](SweepRun &run) {
                          // The registry cache may fall back on the built-in
                          // table when one of its allocations fails.
                          if (run.failed && (run.persistent || status != 0)) {
                              EXPECT_TRUE(status == GLS_ENOMEM || status == kNoMemory || status == -1211) << status;
                              EXPECT_EQ(trw_get_gl_locale_thread(), nullptr);
                          } else {
                              EXPECT_EQ(status, 0);
                              gl_locale *loc = trw_get_gl_locale_thread();
                              ASSERT_NE(loc, nullptr);
                              EXPECT_EQ(loc->error, 0);
                              EXPECT_NE(CheckGlsEnv()->state->client_to_db, nullptr);
                              EXPECT_NE(CheckGlsEnv()->state->db_to_client, nullptr);
                          }
                          FreeAllGlsEnv();
                          // Usable after: a later initialisation succeeds.
                          EXPECT_EQ(initgls(1), 0);
                          EXPECT_NE(trw_get_gl_locale_thread(), nullptr);
                          FreeAllGlsEnv();
                      });
}

TEST(GenlibAllocSweep, CaseShifts)
{
    clear_settings();
    setenv("CLIENT_LOCALE", "en_US.utf8", 1);
    ASSERT_EQ(initgls(1), 0);
    // Long enough that the locale's bound on the converted length differs
    // from the text's length.
    const std::string source = std::string(40, 'a') + "\xC3\xA4\xC3\xB6" + std::string(40, 'z');
    std::string upper = source, lower;
    rupshift(upper.data());
    ASSERT_NE(upper, source);
    lower = upper;
    rdownshift(lower.data());
    ASSERT_EQ(lower, source);
    for (bool up : {true, false}) {
        SCOPED_TRACE(up ? "rupshift" : "rdownshift");
        std::string text;
        const long made = sweep_allocations([&] { text = up ? source : upper; }, [&] { up ? rupshift(text.data()) : rdownshift(text.data()); },
                          [&](SweepRun &run) {
                              // Without memory for the conversion the text
                              // stays as it was.
                              if (run.failed)
                                  EXPECT_EQ(text, up ? source : upper);
                              else
                                  EXPECT_EQ(text, up ? upper : source);
                          });
        EXPECT_GT(made, 0);
    }
}

TEST(GenlibAllocSweep, Conversions)
{
    clear_settings();
    ASSERT_EQ(initgls(1), 0);
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_cv_open(&cd, "en_US.utf8", "en_US.8859-1"), 1);
    ASSERT_NE(cd, nullptr);
    const std::string latin = "caf\xE9 cr\xE8me br\xFBl\xE9" "e";
    const std::string utf8 = "caf\xC3\xA9 cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65";
    char *out = nullptr;
    int n = 0;
    sweep_allocations([&] { out = nullptr; }, [&] { n = gcv_malloc(cd, latin.c_str(), nullptr, &out); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(n, GLS_ENOMEM);
                              EXPECT_EQ(out, nullptr);
                          } else {
                              ASSERT_NE(out, nullptr);
                              EXPECT_EQ(std::string(out), utf8);
                          }
                          std::free(out);
                      });

    gcv_buffer buffer{};
    sweep_allocations(
        [&] {
            buffer = gcv_buffer{};
            const int length = 3;
            ASSERT_EQ(gcv_reuse(cd, "abc", &length, &buffer), 3);
        },
        [&] { n = gcv_reuse(cd, (latin + latin + latin).c_str(), nullptr, &buffer); },
        [&](SweepRun &run) {
            if (run.failed) {
                EXPECT_EQ(n, GLS_ENOMEM);
                ASSERT_NE(buffer.data, nullptr); // the buffer it had stays
                EXPECT_EQ(std::memcmp(buffer.data, "abc", 3), 0);
            } else {
                EXPECT_EQ(n, static_cast<int>(3 * utf8.size()));
                EXPECT_EQ(std::string(buffer.data, 3 * utf8.size()), utf8 + utf8 + utf8);
            }
            std::free(buffer.data);
        });

    char text[64];
    int truncated = 0;
    sweep_allocations([&] { std::strcpy(text, latin.c_str()), truncated = -1; },
                      [&] { n = gcv_inplace(cd, text, nullptr, sizeof text, &truncated); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(n, GLS_ENOMEM);
                              EXPECT_EQ(std::string(text), latin);
                          } else {
                              EXPECT_EQ(std::string(text), utf8);
                          }
                      });
    gl_cv_unload(cd);

    // The calls that load a conversion for one use.
    char converted[64];
    sweep_allocations([&] { std::memset(converted, '#', sizeof converted); },
                      [&] {
                          n = trw_gl_cv_mconv(nullptr, converted, sizeof converted, "en_US.utf8", latin.c_str(), -1,
                                              "en_US.8859-1");
                      },
                      [&](SweepRun &run) {
                          if (run.failed && (run.persistent || n < 0)) {
                              EXPECT_EQ(n, -GL_ENOMEM);
                          } else {
                              EXPECT_EQ(n, static_cast<int>(utf8.size()) + 1);
                              EXPECT_STREQ(converted, utf8.c_str());
                          }
                      });
    const int bound = trw_gl_cv_outbuflen("en_US.utf8", "en_US.8859-1", 10);
    ASSERT_GT(bound, 10);
    sweep_allocations([] {}, [&] { n = trw_gl_cv_outbuflen("en_US.utf8", "en_US.8859-1", 10); },
                      [&](SweepRun &run) { EXPECT_EQ(n, run.failed && (run.persistent || n < 0) ? -1 : bound); });
    unsigned char table[256], reference[256];
    ASSERT_EQ(trw_gl_cv_sb2sb_table("en_US.819", "de_DE.850", reference), 0);
    sweep_allocations([&] { std::memset(table, 0, sizeof table); },
                      [&] { n = trw_gl_cv_sb2sb_table("en_US.819", "de_DE.850", table); },
                      [&](SweepRun &run) {
                          if (run.failed && (run.persistent || n < 0)) {
                              EXPECT_EQ(n, -1);
                          } else {
                              EXPECT_EQ(n, 0);
                              EXPECT_EQ(std::memcmp(table, reference, sizeof table), 0);
                          }
                      });
    // Only code-set numbers: no memory for the registry search gives the
    // answer for a name without a number.
    sweep_allocations([] {}, [&] { n = trw_gl_conv_needed("en_US.utf8", "en_US.8859-1"); },
                      [&](SweepRun &run) { EXPECT_EQ(n, run.failed && (run.persistent || n < 0) ? -1 : 1); });
}

TEST(GenlibAllocSweep, MessageCatalogs)
{
    clear_settings();
    char reference[128];
    ASSERT_EQ(rgetmsg(-1200, reference, sizeof reference), 0);
    rclosemsg();
    struct gentcb *block = CheckGenInit();
    // A run starts without the catalog and without the kept directory
    // names, so that it finds and loads them all again.
    auto closed = [&] {
        rclosemsg();
        std::free(block->gt_trwdir);
        block->gt_trwdir = nullptr;
        std::free(block->msg_langdir);
        block->msg_langdir = nullptr;
    };
    auto kept = [&] {
        return (block->gt_trwdir != nullptr ? 1L : 0L) + (block->msg_langdir != nullptr ? 1L : 0L);
    };
    char buf[128];
    int status = 0, length = 0;
    for (bool counted : {false, true}) {
        SCOPED_TRACE(counted ? "rgetlmsg" : "rgetmsg");
        sweep_allocations(closed,
                          [&] {
                              std::memset(buf, '#', sizeof buf);
                              status = counted ? rgetlmsg(-1200, buf, sizeof buf, &length)
                                               : rgetmsg(-1200, buf, sizeof buf);
                          },
                          [&](SweepRun &run) {
                              // A lookup may do without the kept directory
                              // name or the catalog's hash index when one
                              // allocation fails, and still find the text.
                              if (run.failed && (run.persistent || status != 0)) {
                                  EXPECT_EQ(status, kNoMemory);
                              } else {
                                  EXPECT_EQ(status, 0);
                                  EXPECT_STREQ(buf, reference);
                              }
                              rclosemsg();
                              // Usable after: the next lookup finds the text.
                              EXPECT_EQ(rgetmsg(-1200, buf, sizeof buf), 0);
                              EXPECT_STREQ(buf, reference);
                              rclosemsg();
                              run.kept = kept(); // the directory names it keeps
                          });
    }
    char *path = nullptr;
    sweep_allocations(closed, [&] { path = rmsgfname("sqlmsg.twm"); },
                      [&](SweepRun &run) {
                          if (!run.failed) {
                              ASSERT_NE(path, nullptr);
                              EXPECT_NE(std::strstr(path, "sqlmsg.twm"), nullptr);
                          } else {
                              EXPECT_EQ(path, nullptr);
                          }
                          std::free(path);
                          const long held = kept();
                          rclosemsg();
                          run.kept = held;
                      });
}

TEST(GenlibAllocSweep, NumberTexts)
{
    clear_settings();
    setenv("DBMONEY", "$,", 1);
    char warm[8] = "1.5";
    ASSERT_EQ(rdecstr(warm, sizeof warm, 1), 0);
    ASSERT_STREQ(warm, "1,5");
    // A double from a text longer than the stack work area, with the
    // decimal point DBMONEY gives.
    const std::string number = "1,5" + std::string(300, '0');
    double value = 0;
    int status = 0;
    ASSERT_EQ(trw_gl_convert_double(&value, number.c_str(), nullptr), 0);
    ASSERT_EQ(value, 1.5);
    sweep_allocations([&] { value = -1; }, [&] { status = trw_gl_convert_double(&value, number.c_str(), nullptr); },
                      [&](SweepRun &run) {
                          EXPECT_EQ(status, run.failed ? kNoMemory : 0);
                          if (!run.failed) {
                              EXPECT_EQ(value, 1.5);
                          }
                      });
    std::string text(2000, '\0');
    sweep_allocations([&] { text.assign(2000, '\0'), std::strcpy(text.data(), "12345.678"); },
                      [&] { status = rdecstr(text.data(), 2000, 1); },
                      [&](SweepRun &run) {
                          EXPECT_EQ(status, run.failed ? kNoMemory : 0);
                          EXPECT_STREQ(text.c_str(), run.failed ? "12345.678" : "12345,678");
                      });
}

std::u32string wide(const char *text)
{
    std::u32string w;
    for (const char *p = text; *p != '\0'; ++p)
        w.push_back(static_cast<unsigned char>(*p));
    return w;
}

TEST(GenlibAllocSweep, Matching)
{
    clear_settings();
    ASSERT_NE(CheckGenInit(), nullptr); // made on the first error otherwise
    ASSERT_EQ(rwildmatch("abc", "a*", '*', '?'), 1);
    int result = 0;
    sweep_allocations([] { set_toerrno(0); },
                      [&] { result = rwildmatch("an ordinary text", "*ord?nary*", '*', '?'); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(result, -1);
                              EXPECT_EQ(get_toerrno(), kNoMemory);
                          } else {
                              EXPECT_EQ(result, 1);
                          }
                      });

    const std::u32string pattern = wide("a%b_c\\%");
    // The normalising tables are built for the process on the first
    // compilation.
    rfreerelist(rcnvtorelist(reinterpret_cast<const uint32_t *>(pattern.c_str()), '%', '_', '\\', 1));
    relist *list = nullptr;
    sweep_allocations([&] { set_toerrno(0), list = nullptr; },
                      [&] {
                          list = rcnvtorelist(reinterpret_cast<const uint32_t *>(pattern.c_str()), '%', '_', '\\', 0);
                      },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(list, nullptr);
                              EXPECT_EQ(get_toerrno(), kNoMemory);
                          } else {
                              ASSERT_NE(list, nullptr);
                              EXPECT_EQ(rrewildmatch("aXXbYc%", 7, list, 0), 1);
                              EXPECT_EQ(rrewildmatch("abc", 3, list, 0), 0);
                          }
                          rfreerelist(list);
                      });
}

TEST(GenlibAllocSweep, StatementTexts)
{
    clear_settings();
    const std::string literal = "SET{" + std::string(200, '1') + "}";
    ASSERT_EQ(collection_literal(literal.data(), literal.data() + literal.size() - 1), 1);
    int result = -1;
    sweep_allocations([] {}, [&] { result = collection_literal(literal.data(), literal.data() + literal.size() - 1); },
                      [&](SweepRun &run) {
                          // Without memory for its lower-cased copy the text is
                          // not taken for a literal.
                          EXPECT_EQ(result, run.failed ? 0 : 1);
                      });
}

} // namespace
