// The locale library's hook table: slot checking, dispatch to installed
// hooks and back to the defaults, and the error location of contexts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "gl_errno.h"
#include "gl_ext.h"

namespace {

struct Context {
    int error;
};

int malloc_calls = 0;
void *counting_malloc(size_t size)
{
    ++malloc_calls;
    return std::malloc(size);
}

char *fixed_getenv(const char *) { return const_cast<char *>("from-hook"); }

int *null_location(void *) { return nullptr; }

TEST(GlExt, SlotOutsideTheTableIsErrorNine)
{
    Context ctx{0};
    EXPECT_EQ(gl_setextfunc(&ctx, GL_EXT_SLOTS, reinterpret_cast<gl_ext_routine>(counting_malloc)), -1);
    EXPECT_EQ(ctx.error, GL_EBADARG);
    ctx.error = 0;
    EXPECT_EQ(gl_setextfunc(&ctx, -1, nullptr), -1);
    EXPECT_EQ(ctx.error, GL_EBADARG);
    ctx.error = 0;
    EXPECT_EQ(gl_setextfunc(&ctx, GL_EXT_REALLOC, nullptr), 0);
    EXPECT_EQ(ctx.error, 0);
    // A null context gets the process-wide location instead of a crash.
    EXPECT_EQ(gl_setextfunc(nullptr, 99, nullptr), -1);
    EXPECT_EQ(*_gl_ext_errno(nullptr), GL_EBADARG);
}

TEST(GlExt, DefaultsAreThePlatformRoutines)
{
    void *p = _gl_ext_malloc(16);
    ASSERT_NE(p, nullptr);
    p = _gl_ext_realloc(p, 64);
    ASSERT_NE(p, nullptr);
    _gl_ext_free(p);
    auto *zeros = static_cast<unsigned char *>(_gl_ext_calloc(4, 4));
    ASSERT_NE(zeros, nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(zeros[i], 0);
    _gl_ext_free(zeros);

    setenv("GL_EXT_TEST_VAR", "value", 1);
    EXPECT_STREQ(_gl_ext_getenv("GL_EXT_TEST_VAR"), "value");
    Context ctx{5};
    EXPECT_EQ(_gl_ext_errno(&ctx), &ctx.error);
}

TEST(GlExt, InstalledHookIsCalledAndNullRestoresTheDefault)
{
    ASSERT_EQ(gl_setextfunc(nullptr, GL_EXT_MALLOC, reinterpret_cast<gl_ext_routine>(counting_malloc)), 0);
    ASSERT_EQ(gl_setextfunc(nullptr, GL_EXT_GETENV, reinterpret_cast<gl_ext_routine>(fixed_getenv)), 0);
    void *p = _gl_ext_malloc(8);
    EXPECT_EQ(malloc_calls, 1);
    _gl_ext_free(p);
    EXPECT_STREQ(_gl_ext_getenv("PATH"), "from-hook");

    ASSERT_EQ(gl_setextfunc(nullptr, GL_EXT_MALLOC, nullptr), 0);
    p = _gl_ext_malloc(8);
    EXPECT_EQ(malloc_calls, 1);
    _gl_ext_free(p);
    // Other slots keep their hooks.
    EXPECT_STREQ(_gl_ext_getenv("PATH"), "from-hook");
}

TEST(GlExt, AnErrnoHookWithoutLocationStillGivesOne)
{
    ASSERT_EQ(gl_setextfunc(nullptr, GL_EXT_ERRNO, reinterpret_cast<gl_ext_routine>(null_location)), 0);
    Context ctx{0};
    int *where = _gl_ext_errno(&ctx);
    ASSERT_NE(where, nullptr);
    *where = 3;
}

TEST(GlExt, CurrentDateAndTimeComeFromTheLocalClock)
{
    std::time_t before = std::time(nullptr);
    gl_ext_date date{};
    gl_ext_time now{};
    now.fraction = 99;
    ASSERT_EQ(_gl_ext_currdate(&date), 0);
    ASSERT_EQ(_gl_ext_currtime(&now), 0);
    std::tm tm{};
    localtime_r(&before, &tm);
    // The two reads may straddle midnight: allow the next day.
    EXPECT_GE(date.year, 2020);
    EXPECT_TRUE(date.month >= 1 && date.month <= 12);
    EXPECT_TRUE(date.day == tm.tm_mday || date.day == 1 || date.day == tm.tm_mday + 1);
    EXPECT_EQ(now.fraction, 0);
    EXPECT_EQ(now.word1, 0);
    EXPECT_EQ(now.word2, 0);
    EXPECT_EQ(now.tm_year + 1900, date.year);
    EXPECT_EQ(now.tm_mon + 1, date.month);
    EXPECT_EQ(_gl_ext_currdate(nullptr), -1);
}

} // namespace
