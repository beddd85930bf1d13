// Every exported function of the OS layer that allocates, swept over its
// allocations (allocator wrapped): with the n-th allocation failing, alone
// and with every later one, each call reports its memory error, leaves its
// output and the records it was given as they were, and leaks nothing.
//
// The functions that allocate, and where their sweep is:
//   _ginitnamelist, _gaddnamelist         NameList (below)
//   gbldpath, gcatfpath, gcatspath,
//   ggetpelm, ggethomepath, gbasename,
//   gpathname                             PathTexts (below)
//   _osgetgrgid                           GroupRecord (below)
//   ginsenv, gputenv, gfeputenv           EnvironmentTexts (below)
//   _oscsevlist, _oscpevlist              SessionLists (below)
//   allocnbspace, nlsbycmpr, _oncharcmp   ScratchBuffer (below)
//   CheckOsInit                           osinit_memory_test (the first use)
//   greadenv, the registry load of every
//   lookup, ggetenv2's conversion         osenv_memory_test (first use)
//   osglsbycmpr                           LocaleComparison (below)
// The SQLIDEBUG trace grows its process table too; its memory shortage is a
// message on the standard output and the end of tracing, not a result.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gl_locale.h"
#include "oscmpr.h"
#include "osenv.h"
#include "osfile.h"
#include "osinit.h"
#include "support/alloc_fail.h"

using trwtest::SweepRun;
using trwtest::sweep_allocations;

namespace {

TEST(OslibAllocSweep, NameList)
{
    os_namelist *made = nullptr;
    sweep_allocations([] {}, [&] { made = _ginitnamelist(); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(made, nullptr);
                          } else {
                              EXPECT_NE(made, nullptr);
                              EXPECT_EQ(_gaddnamelist(made, "a"), 0);
                          }
                          _gfreenamelist(made);
                      });

    // An add into a free slot, and the seventeenth add that grows the array.
    for (int before : {3, 16}) {
        os_namelist *list = nullptr;
        int index = 0;
        sweep_allocations(
            [&] {
                list = _ginitnamelist();
                for (int i = 0; i < before; ++i)
                    _gaddnamelist(list, ("name" + std::to_string(i)).c_str());
            },
            [&] { index = _gaddnamelist(list, "added"); },
            [&](SweepRun &run) {
                if (run.failed) {
                    EXPECT_EQ(index, -1);
                    EXPECT_EQ(list->used, before);
                    EXPECT_EQ(_gsrchnamelist(list, "added"), -1);
                    EXPECT_EQ(_gsrchnamelist(list, ("name" + std::to_string(before - 1)).c_str()), before - 1);
                    EXPECT_EQ(_gaddnamelist(list, "later"), before); // still usable
                } else {
                    EXPECT_EQ(index, before);
                    EXPECT_EQ(_gsrchnamelist(list, "added"), before);
                }
                _gfreenamelist(list);
            });
    }
}

// A helper that builds a new text: null with gerrno -2 when memory fails,
// else the expected text.
template <typename Make> void sweep_text(const char *what, Make make, const std::string &expected)
{
    SCOPED_TRACE(what);
    char *text = nullptr;
    sweep_allocations(
        [&] { gerrno = 0; }, [&] { text = make(); },
        [&](SweepRun &run) {
            if (run.failed) {
                EXPECT_EQ(text, nullptr);
                EXPECT_EQ(gerrno, OSFILE_ENOMEM);
            } else if (text != nullptr) {
                EXPECT_EQ(std::string(text), expected);
            } else {
                ADD_FAILURE() << "no text, gerrno " << gerrno;
            }
            std::free(text);
        });
}

TEST(OslibAllocSweep, PathTexts)
{
    sweep_text("gbldpath", [] { return gbldpath("/usr/tarnwell", "etc/tarnwell.rc", ".x"); },
               "/usr/tarnwell/etc/tarnwell.rc.x");
    sweep_text("gcatfpath", [] { return gcatfpath("/usr", "bin"); }, "/usr/bin");
    sweep_text("gcatspath", [] { return gcatspath("/bin", "/usr/bin"); }, "/bin:/usr/bin");
    sweep_text("gbasename", [] { return gbasename("/a/b/c.ec", ".ec"); }, "c");
    sweep_text("gpathname", [] { return gpathname("/a/b/c"); }, "/a/b");

    // ggetpelm moves the list pointer only when it hands out the element.
    const char *const whole = "/bin:/usr/bin";
    const char *list = whole;
    char *element = nullptr;
    sweep_allocations(
        [&] { list = whole; }, [&] { element = ggetpelm(&list); },
        [&](SweepRun &run) {
            if (run.failed) {
                EXPECT_EQ(element, nullptr);
                EXPECT_EQ(gerrno, OSFILE_ENOMEM);
                EXPECT_EQ(list, whole);
            } else {
                EXPECT_STREQ(element, "/bin");
                EXPECT_STREQ(list, "/usr/bin");
            }
            std::free(element);
        });

    // The home directory exists for the user running the tests in most
    // settings; without one there is nothing to allocate.
    char *home = ggethomepath();
    if (home == nullptr)
        GTEST_SKIP() << "no password entry for this user";
    const std::string expected = home;
    std::free(home);
    sweep_text("ggethomepath", [] { return ggethomepath(); }, expected);
}

TEST(OslibAllocSweep, GroupRecord)
{
    os_group *group = nullptr;
    os_group *reference = _osgetgrgid(getgid());
    if (reference == nullptr)
        GTEST_SKIP() << "no group entry for this process";
    sweep_allocations([] {}, [&] { group = _osgetgrgid(getgid()); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(group, nullptr);
                          } else {
                              EXPECT_STREQ(group->name, reference->name);
                              EXPECT_EQ(group->gid, reference->gid);
                          }
                          _osfreegroup(group);
                      });
    _osfreegroup(reference);
}

TEST(OslibAllocSweep, EnvironmentTexts)
{
    ASSERT_EQ(greadenv(), 0);
    // A registry value: the old one stays on failure.
    ASSERT_EQ(ginsenv("DBTEMP", "/before"), 0);
    int status = 0;
    sweep_allocations(
                      [] {
                          ASSERT_EQ(ginsenv("DBTEMP", nullptr), 0);
                          ASSERT_EQ(ginsenv("DBTEMP", "/before"), 0);
                      },
                      [&] { status = ginsenv("DBTEMP", "/after"); },
                      [&](SweepRun &run) {
                          EXPECT_EQ(status, run.failed ? OSENV_ENOMEM : 0);
                          EXPECT_STREQ(ggetenv("DBTEMP"), run.failed ? "/before" : "/after");
                          // The registry holds the value of the setup or of
                          // the call, whichever is current.
                          run.kept = 1L;
                      });

    // Texts handed to the process environment: the setting stays as it was.
    // The list of such texts is made by the first one.
    ASSERT_EQ(gputenv("TRW_SWEEP_WARM", "x"), 0);
    for (bool fe : {false, true}) {
        SCOPED_TRACE(fe ? "gfeputenv" : "gputenv");
        const char *name = fe ? "TRW_SWEEP_FE" : "TRW_SWEEP_PUT";
        setenv(name, "before", 1);
        sweep_allocations([&] { setenv(name, "before", 1); },
                          [&] { status = fe ? gfeputenv(name, "after") : gputenv(name, "after"); },
                          [&](SweepRun &run) {
                              EXPECT_EQ(status, run.failed ? OSENV_ENOMEM : 0);
                              EXPECT_STREQ(getenv(name), run.failed ? "before" : "after");
                              // The environment keeps the text it was given.
                              run.kept = run.failed ? 0L : 1L;
                          });
        // The kept texts are released once the environment drops them.
        trwtest::start_counting_live_blocks();
        EXPECT_EQ(gputenv(name, "again"), 0);
        EXPECT_EQ(trwtest::live_blocks(), 1);
    }
}

TEST(OslibAllocSweep, SessionLists)
{
    setenv("DBTIME", "%H", 1);
    setenv("DBDATE", "DMY4/", 1);
    setenv("DBTEMP", "/tmp", 1);
    ASSERT_EQ(greadenv(), 0);
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "_oscsevlist" : "_oscpevlist");
        os_evlist reference{};
        ASSERT_EQ(which == 0 ? _oscsevlist(&reference) : _oscpevlist(&reference, "db"), 0);
        os_evlist list{};
        int status = 0;
        sweep_allocations([&] { list = os_evlist{}; },
                          [&] { status = which == 0 ? _oscsevlist(&list) : _oscpevlist(&list, "db"); },
                          [&](SweepRun &run) {
                              if (run.failed) {
                                  EXPECT_EQ(status, -1);
                                  EXPECT_EQ(list.count, 0);
                                  EXPECT_EQ(list.names, nullptr);
                                  EXPECT_EQ(list.values, nullptr);
                              } else {
                                  EXPECT_EQ(status, 0);
                                  EXPECT_EQ(list.count, reference.count);
                                  for (int i = 0; i < list.count && i < reference.count; ++i) {
                                      EXPECT_STREQ(list.names[i], reference.names[i]);
                                      EXPECT_STREQ(list.values[i], reference.values[i]);
                                  }
                              }
                              _osfreevlist(&list);
                          });
        _osfreevlist(&reference);
    }
}

// The control block lives for the process; a run starts without a scratch
// buffer so that its call has to allocate one.
void drop_scratch_buffer()
{
    ostcb *block = CheckOsInit();
    std::free(block->scratch);
    block->scratch = nullptr;
    block->scratch_size = 0;
}

long scratch_blocks() { return CheckOsInit()->scratch != nullptr ? 1 : 0; }

TEST(OslibAllocSweep, ScratchBuffer)
{
    ASSERT_NE(CheckOsInit(), nullptr);
    char *buffer = nullptr;
    sweep_allocations(drop_scratch_buffer, [&] { buffer = allocnbspace(1000); },
                      [&](SweepRun &run) {
                          if (run.failed) {
                              EXPECT_EQ(buffer, nullptr);
                              EXPECT_EQ(CheckOsInit()->scratch_size, 0);
                          } else {
                              ASSERT_NE(buffer, nullptr);
                              EXPECT_GE(CheckOsInit()->scratch_size, 1000);
                              std::memset(buffer, 'x', 1000);
                          }
                          run.kept = scratch_blocks();
                      });

    // The OS collation copies both values into the scratch buffer; without
    // it the result is 0 with -1211, and the next comparison works again.
    const std::string a(600, 'a'), b = std::string(599, 'a') + "b";
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "nlsbycmpr" : "_oncharcmp");
        int result = 0, error = 0;
        sweep_allocations([&] { drop_scratch_buffer(), error = 0; },
                          [&] {
                              result = which == 0 ? nlsbycmpr(a.data(), b.data(), 600, &error)
                                                  : _oncharcmp(a.data(), 600, b.data(), 600, &error);
                          },
                          [&](SweepRun &run) {
                              if (run.failed) {
                                  EXPECT_EQ(result, 0);
                                  EXPECT_EQ(error, OSCMPR_ESCRATCH);
                              } else {
                                  EXPECT_EQ(result, -1);
                                  EXPECT_EQ(error, 0);
                              }
                              run.kept = scratch_blocks();
                          });
    }
}

// The comparison under a locale of the locale library copies or widens both
// values into the scratch buffer: single-byte and multibyte locales.
TEST(OslibAllocSweep, LocaleComparison)
{
    ASSERT_NE(CheckOsInit(), nullptr);
    for (const char *spec : {"de_DE.8859-1", "ja_JP.ujis"}) {
        SCOPED_TRACE(spec);
        gl_locale *loc = nullptr;
        ASSERT_EQ(gl_lc_load(&loc, spec, nullptr, nullptr), 0);
        const std::string a = std::string(300, 'a') + "x", b = std::string(300, 'a') + "\xE4\xA2";
        const int la = static_cast<int>(a.size()), lb = static_cast<int>(b.size());
        int error = 0, result = 2;
        const int want = osglsbycmpr(loc, a.data(), la, b.data(), lb, &error);
        ASSERT_EQ(error, 0);
        ASSERT_NE(want, 0);
        sweep_allocations([&] { drop_scratch_buffer(), error = 0; },
                          [&] { result = osglsbycmpr(loc, a.data(), la, b.data(), lb, &error); },
                          [&](SweepRun &run) {
                              // The scratch buffer comes first; a later failure
                              // is the collation's own.
                              if (run.failed) {
                                  EXPECT_EQ(result, 0);
                                  EXPECT_EQ(error, run.at == 0 ? OSCMPR_ESCRATCH : OSCMPR_ENOMEM);
                              } else {
                                  EXPECT_EQ(result, want);
                                  EXPECT_EQ(error, 0);
                              }
                              // The locale compares again once memory is back.
                              loc->error = 0;
                              EXPECT_EQ(osglsbycmpr(loc, a.data(), la, b.data(), lb, &error), want);
                              run.kept = scratch_blocks();
                          });
        gl_lc_unload(loc);
    }
}

} // namespace
