// Every exported function of the locale library that allocates, swept over
// its allocations. No hook is installed, so the library's hook allocator is
// the platform's malloc, which this program wraps: with the n-th allocation
// failing, alone and with every later one, each call reports error 3 (or
// its documented form of it), leaves its output and the records it was
// given usable, and leaks nothing.
//
// Each TEST runs in a fresh process; the first loads of locale and
// conversion files are swept themselves (nothing of them is kept for the
// process but the registry cache, which one load before the sweep fills).
//
// The functions that allocate, and where their sweep is:
//   gl_lc_load (every category of a file) LocaleLoads (below)
//   gl_create_null_locale_4,
//   gl_createlocale2_4                    WholeLocales (below)
//   gl_setlocale_4                        CategoryReloads (below)
//   gl_copy_cat                           CategoryReloads (below)
//   gl_cv_load, gl_cv_open, gl_iconv_open ConversionLoads (below)
//   gl_full_mbsxfrm, the multibyte
//   compares (_gl_im_mbscoll and kin)     LongCollation (below)
//   _gl_thaismocoll, _trw_gl_thaismoncoll ThaiCollation (below)
//   gl_mbcreplace                         CharacterReplacement (below)
//   _gl_create_multi,
//   _gl_insert_desc_multi,
//   _gl_compress_multi                    MultiLevelTables (below)
//   _gl_fscanf_multi                      every locale and conversion load
//   _gl_cache_mb_string,
//   _gl_cache_wc_string                   NameCaches (below)
//   gl_path_search_rpath                  PathSearch (below)
//   gl_mbsftime, gl_mbsptime,
//   gl_mbstimeinfo                        gltime_test
//   the number formats' heap buffers      glnumfmt_test (failing hook)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_cache.h"
#include "gl_char.h"
#include "gl_coll.h"
#include "gl_conv.h"
#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_locale.h"
#include "gl_multi.h"
#include "gl_names.h"
#include "support/alloc_fail.h"

using trwtest::SweepRun;
using trwtest::sweep_allocations;

namespace {

// Whether the long sweeps run (TRW_TEST_FULL=1).
bool full_sweep()
{
    const char *v = std::getenv("TRW_TEST_FULL");
    return v != nullptr && std::strcmp(v, "1") == 0;
}

TEST(GlslibAllocSweep, LocaleLoads)
{
    // Single-byte tables, multibyte tables with eras, and Thai collation;
    // the large UTF-8 and Shift-JIS tables (thousands of allocations, so
    // minutes of sweeping) only in the full sweep.
    std::vector<const char *> specs{"de_DE.8859-1", "ja_JP.ujis", "th_TH.thai620"};
    if (full_sweep()) {
        specs.push_back("en_US.utf8");
        specs.push_back("ja_JP.sjis");
    }
    for (const char *spec : specs) {
        SCOPED_TRACE(spec);
        gl_locale *loc = nullptr;
        int status = 0;
        // The first load fills the registry cache, which stays.
        ASSERT_EQ(gl_lc_load(&loc, spec, nullptr, nullptr), 0);
        const int reference_ctype = loc->single_byte;
        gl_lc_unload(loc);
        const long made = sweep_allocations([&] { loc = nullptr; }, [&] { status = gl_lc_load(&loc, spec, nullptr, nullptr); },
                                            [&](SweepRun &run) {
                                                ASSERT_NE(loc, nullptr);
                                                if (run.failed) {
                                                    EXPECT_EQ(status, -1);
                                                    EXPECT_EQ(loc->error, GL_ENOMEM);
                                                } else {
                                                    EXPECT_EQ(status, 0);
                                                    EXPECT_EQ(loc->single_byte, reference_ctype);
                                                }
                                                gl_lc_unload(loc);
                                            });
        EXPECT_GT(made, 10);
    }
}

TEST(GlslibAllocSweep, WholeLocales)
{
    gl_locale *loc = nullptr;
    int status = 0;
    sweep_allocations([&] { loc = nullptr; }, [&] { status = gl_create_null_locale_4(&loc); },
                      [&](SweepRun &run) {
                          ASSERT_NE(loc, nullptr);
                          if (run.failed) {
                              EXPECT_EQ(status, -1);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                          } else {
                              EXPECT_EQ(status, 0);
                              EXPECT_EQ(loc->error, 0);
                          }
                          gl_lc_unload(loc);
                      });

    ASSERT_EQ(gl_createlocale_4(&loc), 0);
    gl_lc_unload(loc);
    sweep_allocations([&] { loc = nullptr; }, [&] { status = gl_createlocale_4(&loc); },
                      [&](SweepRun &run) {
                          ASSERT_NE(loc, nullptr);
                          if (run.failed) {
                              EXPECT_EQ(status, -1);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                          } else {
                              EXPECT_EQ(status, 0);
                          }
                          gl_lc_unload(loc);
                      });
}

TEST(GlslibAllocSweep, CategoryReloads)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "de_DE.8859-1", nullptr, nullptr), 0);
    char *names = gl_setlocale_4(loc, 1, nullptr);
    ASSERT_NE(names, nullptr);
    const std::string before = names;
    gl_destroystring(names);
    gl_lc_unload(loc);

    // Reloading TIME (category 6) from another file: on failure the record
    // stays a record that can be freed, with the memory error.
    struct Context {
        int error;
    } ctx{0};
    char files[GL_OUT_BUFSIZE];
    ASSERT_EQ(gl_lc_spec2lc_fname(&ctx, "fr_FR.8859-1", files, nullptr, nullptr), 0);
    char *text = nullptr;
    sweep_allocations([&] { ASSERT_EQ(gl_lc_load(&loc, "de_DE.8859-1", nullptr, nullptr), 0); },
                      [&] { text = gl_setlocale_4(loc, 6, files); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(text, nullptr);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                          } else {
                              ASSERT_NE(text, nullptr);
                              EXPECT_NE(std::string(text), before);
                          }
                          gl_destroystring(text);
                          // Usable after: the query still answers.
                          char *now = gl_setlocale_4(loc, 1, nullptr);
                          EXPECT_NE(now, nullptr);
                          gl_destroystring(now);
                          gl_lc_unload(loc);
                      });

    gl_locale *src = nullptr, *dst = nullptr;
    int status = 0;
    sweep_allocations(
        [&] {
            ASSERT_EQ(gl_lc_load(&src, "de_DE.8859-1", nullptr, nullptr), 0);
            ASSERT_EQ(gl_create_null_locale_4(&dst), 0);
        },
        [&] { status = gl_copy_cat(dst, src, 1); },
        [&](SweepRun &run) {
            if (run.failed) {
                EXPECT_EQ(status, -1);
                EXPECT_EQ(dst->error, GL_ENOMEM);
                gl_lc_unload(dst);
            } else {
                EXPECT_EQ(status, 0);
                gl_free_nonshared_loc(dst);
            }
            gl_lc_unload(src);
        });
}

TEST(GlslibAllocSweep, ConversionLoads)
{
    struct Pair {
        const char *target, *source;
    };
    for (Pair p : {Pair{"en_US.utf8", "en_US.8859-1"}, Pair{"ja_JP.utf8", "ja_JP.sjis"}, Pair{"ja_JP.ujis", "ja_JP.sjis"}}) {
        SCOPED_TRACE(std::string(p.target) + " from " + p.source);
        gl_cvdesc *cd = nullptr;
        ASSERT_EQ(gl_cv_load(&cd, p.target, p.source, nullptr, nullptr), 1);
        gl_cv_unload(cd);
        for (bool by_name : {false, true}) {
            int status = 0;
            sweep_allocations([&] { cd = nullptr; },
                              [&] {
                                  status = by_name ? gl_cv_open(&cd, p.target, p.source)
                                                   : gl_cv_load(&cd, p.target, p.source, nullptr, nullptr);
                              },
                              [&](SweepRun &run) {
                                  ASSERT_NE(cd, nullptr);
                                  // A failed code-set lookup by name may still
                                  // find the conversion file by its name.
                                  if (run.failed && (run.persistent || status != 1)) {
                                      EXPECT_EQ(status, -1);
                                      EXPECT_EQ(cd->error, GL_ENOMEM);
                                  } else {
                                      EXPECT_EQ(status, 1);
                                      char in[] = "abc";
                                      char out[16] = {};
                                      char *ip = in, *op = out;
                                      int inlen = 3, outlen = sizeof out, subst = 0;
                                      EXPECT_EQ(gl_cv_mconv(cd, nullptr, &ip, &inlen, &op, &outlen, &subst), 0);
                                      EXPECT_STREQ(out, "abc");
                                  }
                                  gl_cv_unload(cd);
                              });
        }
    }
}

// A conversion file by its code-set names.
TEST(GlslibAllocSweep, NamedConversionLoads)
{
    gl_cvdesc *cd = nullptr;
    ASSERT_EQ(gl_iconv_open(&cd, "8859-1", "utf8"), 1);
    gl_cv_unload(cd);
    int status = 0;
    sweep_allocations([&] { cd = nullptr; }, [&] { status = gl_iconv_open(&cd, "8859-1", "utf8"); },
                      [&](SweepRun &run) {
                          ASSERT_NE(cd, nullptr);
                          if (run.failed) {
                              EXPECT_EQ(status, -1);
                              EXPECT_EQ(cd->error, GL_ENOMEM);
                          } else {
                              EXPECT_EQ(status, 1);
                          }
                          gl_cv_unload(cd);
                      });
}

TEST(GlslibAllocSweep, LongCollation)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "ja_JP.ujis", nullptr, nullptr), 0);
    const std::string a = std::string(300, 'a') + "\xA4\xA2", b = std::string(300, 'a') + "\xA4\xA4";
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    std::vector<unsigned char> key(4096);
    const int full = gl_full_mbsxfrm(loc, key.data(), ua, static_cast<int>(key.size()));
    ASSERT_GT(full, 0);
    int n = 0;
    sweep_allocations([&] { loc->error = 0; }, [&] { n = gl_full_mbsxfrm(loc, key.data(), ua, static_cast<int>(key.size())); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(n, 0);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                          } else {
                              EXPECT_EQ(n, full);
                          }
                      });

    const int order = _gl_im_mbscoll(loc, ua, ub);
    ASSERT_LT(order, 0);
    int result = 0;
    sweep_allocations([&] { loc->error = 0; }, [&] { result = _gl_im_mbscoll(loc, ua, ub); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(result, 0);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                          } else {
                              EXPECT_EQ(result, order);
                              EXPECT_EQ(loc->error, 0);
                          }
                      });
    sweep_allocations([&] { loc->error = 0; },
                      [&] { result = _trw_gl_im_mbfscoll(loc, ua, static_cast<int>(a.size()), ub, static_cast<int>(b.size())); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(result, 0);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                          } else {
                              EXPECT_EQ(result, order);
                          }
                      });
    gl_lc_unload(loc);
}

TEST(GlslibAllocSweep, ThaiCollation)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "th_TH.thai620", nullptr, nullptr), 0);
    // Keys longer than the stack room of the comparison.
    const std::string a = std::string(600, '\xA1') + "\xA2", b = std::string(600, '\xA1') + "\xA3";
    const auto *ua = reinterpret_cast<const unsigned char *>(a.c_str());
    const auto *ub = reinterpret_cast<const unsigned char *>(b.c_str());
    const int order = _gl_thaismocoll(loc, ua, ub);
    ASSERT_NE(order, 0);
    ASSERT_EQ(loc->error, 0);
    for (bool counted : {false, true}) {
        SCOPED_TRACE(counted ? "_trw_gl_thaismoncoll" : "_gl_thaismocoll");
        int result = 2;
        const long made = sweep_allocations(
            [&] { loc->error = 0; },
            [&] {
                result = counted ? _trw_gl_thaismoncoll(loc, ua, static_cast<int>(a.size()), ub, static_cast<int>(b.size()))
                                 : _gl_thaismocoll(loc, ua, ub);
            },
            [&](SweepRun &run) {
                if (run.failed) {
                    EXPECT_EQ(result, 0);
                    EXPECT_EQ(loc->error, GL_ENOMEM);
                } else {
                    EXPECT_EQ(result, order);
                }
            });
        EXPECT_EQ(made, 2);
    }
    gl_lc_unload(loc);
}

TEST(GlslibAllocSweep, CharacterReplacement)
{
    gl_locale *loc = nullptr;
    ASSERT_EQ(gl_lc_load(&loc, "ja_JP.ujis", nullptr, nullptr), 0);
    char text[32];
    char *result = nullptr;
    sweep_allocations([&] { std::strcpy(text, "a\xA4\xA2z"), loc->error = 0; },
                      [&] { result = gl_mbcreplace(loc, text + 1, "\xA4\xA4"); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(result, nullptr);
                              EXPECT_EQ(loc->error, GL_ENOMEM);
                              EXPECT_STREQ(text, "a\xA4\xA2z");
                          } else {
                              EXPECT_EQ(result, text + 1);
                              EXPECT_STREQ(text, "a\xA4\xA4z");
                          }
                      });
    gl_lc_unload(loc);
}

std::vector<unsigned char> desc(std::initializer_list<unsigned char> bytes)
{
    // The count, then the bytes (built by assignment: g++ 12 misreads an
    // insert into a one-byte vector as an overflow, -Warray-bounds).
    std::vector<unsigned char> d(bytes.size() + 1);
    d[0] = static_cast<unsigned char>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), d.begin() + 1);
    return d;
}

TEST(GlslibAllocSweep, MultiLevelTables)
{
    const uint16_t fallback = 0xFFFF;
    gl_multi *table = nullptr;
    sweep_allocations([&] { table = nullptr; }, [&] { table = _gl_create_multi(2, 0, &fallback); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(table, nullptr);
                          } else {
                              ASSERT_NE(table, nullptr);
                              EXPECT_EQ(_gl_multi_err(table), 0);
                          }
                          _gl_free_multi(table);
                      });

    // Inserting a three-byte key under a table that holds one two-byte key
    // makes new nodes at each level; the table keeps what it had.
    const auto held = desc({0x8F, 0xA1});
    const auto added = desc({0xB0, 0xA1, 0xC2});
    const uint16_t one = 1, two = 2;
    int status = 0;
    sweep_allocations(
        [&] {
            table = _gl_create_multi(2, 0, &fallback);
            ASSERT_EQ(_gl_insert_desc_multi(held.data(), &one, table), 0);
        },
        [&] { status = _gl_insert_desc_multi(added.data(), &two, table); },
        [&](SweepRun &run) {
            const void *old = _gl_retrieve_desc_multi(held.data(), table);
            ASSERT_NE(old, nullptr);
            EXPECT_EQ(*static_cast<const uint16_t *>(old), 1);
            if (run.failed) {
                EXPECT_EQ(status, -1);
                EXPECT_EQ(_gl_multi_err(table), GL_ENOMEM);
            } else {
                EXPECT_EQ(status, 0);
                const void *now = _gl_retrieve_desc_multi(added.data(), table);
                ASSERT_NE(now, nullptr);
                EXPECT_EQ(*static_cast<const uint16_t *>(now), 2);
            }
            _gl_free_multi(table);
        });

    // Compressing shares arrays between nodes; without memory the table
    // stays as it was and answers every lookup.
    const auto third = desc({0xB0, 0xA2, 0xC2});
    sweep_allocations(
        [&] {
            table = _gl_create_multi(2, 0, &fallback);
            ASSERT_EQ(_gl_insert_desc_multi(held.data(), &one, table), 0);
            ASSERT_EQ(_gl_insert_desc_multi(added.data(), &two, table), 0);
            ASSERT_EQ(_gl_insert_desc_multi(third.data(), &two, table), 0);
        },
        [&] { status = _gl_compress_multi(table); },
        [&](SweepRun &run) {
            if (run.failed) {
                EXPECT_EQ(status, -1);
                EXPECT_EQ(_gl_multi_err(table), GL_ENOMEM);
            } else {
                EXPECT_EQ(status, 0);
            }
            for (const auto *key : {&held, &added, &third}) {
                const void *e = _gl_retrieve_desc_multi(key->data(), table);
                ASSERT_NE(e, nullptr);
                EXPECT_EQ(*static_cast<const uint16_t *>(e), key == &held ? 1 : 2);
            }
            _gl_free_multi(table);
        });
}

TEST(GlslibAllocSweep, NameCaches)
{
    struct Context {
        int error;
    } ctx{0};
    gl_mb_cache *root = nullptr;
    int status = 0;
    const auto *january = reinterpret_cast<const unsigned char *>("January");
    const auto *june = reinterpret_cast<const unsigned char *>("June");
    sweep_allocations(
        [&] {
            root = nullptr;
            ctx.error = 0;
            ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, january, 1), 0);
        },
        [&] { status = _gl_cache_mb_string(&ctx, &root, june, 6); },
        [&](SweepRun &run) {
            int length = 0, value = 0;
            EXPECT_EQ(_gl_validate_mb_string(&ctx, root, january, &length, &value), 0);
            EXPECT_EQ(value, 1);
            if (run.failed) {
                EXPECT_EQ(status, -1);
                EXPECT_EQ(ctx.error, GL_ENOMEM);
            } else {
                EXPECT_EQ(status, 0);
                EXPECT_EQ(_gl_validate_mb_string(&ctx, root, june, &length, &value), 0);
                EXPECT_EQ(value, 6);
            }
            _gl_free_mb_cache(root);
        });

    gl_wc_cache *wroot = nullptr;
    const uint32_t march[] = {'M', 'a', 'r', 'c', 'h', 0}, may[] = {'M', 'a', 'y', 0};
    sweep_allocations(
        [&] {
            wroot = nullptr;
            ctx.error = 0;
            ASSERT_EQ(_gl_cache_wc_string(&ctx, &wroot, march, 3), 0);
        },
        [&] { status = _gl_cache_wc_string(&ctx, &wroot, may, 5); },
        [&](SweepRun &run) {
            int length = 0, value = 0;
            EXPECT_EQ(_gl_validate_wc_string(&ctx, wroot, march, &length, &value), 0);
            EXPECT_EQ(value, 3);
            if (run.failed) {
                EXPECT_EQ(status, -1);
                EXPECT_EQ(ctx.error, GL_ENOMEM);
            } else {
                EXPECT_EQ(status, 0);
            }
            _gl_free_wc_cache(wroot);
        });
}

TEST(GlslibAllocSweep, PathSearch)
{
    struct Context {
        int error;
    } ctx{0};
    char *reference = gl_path_search_rpath(nullptr, &ctx, "default.lco", "lc", "11");
    ASSERT_NE(reference, nullptr);
    const std::string want = reference;
    _gl_ext_free(reference);
    char *dir = nullptr;
    sweep_allocations([&] { ctx.error = 0; }, [&] { dir = gl_path_search_rpath(nullptr, &ctx, "default.lco", "lc", "11"); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(dir, nullptr);
                          } else {
                              ASSERT_NE(dir, nullptr);
                              EXPECT_EQ(std::string(dir), want);
                          }
                          _gl_ext_free(dir);
                      });
}

} // namespace
