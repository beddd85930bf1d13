// Name caches: shortest-prefix matching without case, the empty name, wide
// names, the lowering seam, and freeing long names without recursion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gl_cache.h"
#include "gl_errno.h"

namespace {

struct Context {
    int error;
};

const unsigned char *u(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

TEST(GlCache, ShortestStoredPrefixWinsWithoutCase)
{
    Context ctx{0};
    gl_mb_cache *root = nullptr;
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u("March"), 3), 0);
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u("mar"), 33), 0);
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u("MAY"), 5), 0);
    int length = -1, value = -1;
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u("march 3"), &length, &value), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(value, 33);
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u("mAy 1"), &length, &value), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(_gl_validate_mb_string(&ctx, root, u("ma"), &length, &value), -1);
    EXPECT_EQ(_gl_validate_mb_string(&ctx, root, u("june"), &length, &value), -1);
    EXPECT_EQ(_gl_validate_mb_string(&ctx, root, u(""), &length, &value), -1);
    // Storing a name again replaces its value.
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u("MAR"), 44), 0);
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u("Mar."), &length, &value), 0);
    EXPECT_EQ(value, 44);
    _gl_free_mb_cache(root);
}

TEST(GlCache, EmptyNameMatchesWhenNothingElseDoes)
{
    Context ctx{0};
    gl_mb_cache *root = nullptr;
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u("am"), 1), 0);
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u(""), 9), 0);
    int length = -1, value = -1;
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u("pm"), &length, &value), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(value, 9);
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u("AM"), &length, &value), 0);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(value, 1);
    _gl_free_mb_cache(root);
}

TEST(GlCache, WideNamesCountCharacters)
{
    Context ctx{0};
    gl_wc_cache *root = nullptr;
    const uint32_t jan[] = {0xA4A2, 'J', 'a', 'n', 0};
    const uint32_t text[] = {0xA4A2, 'j', 'A', 'N', 'u', 0};
    ASSERT_EQ(_gl_cache_wc_string(&ctx, &root, jan, 1), 0);
    int length = -1, value = -1;
    ASSERT_EQ(_gl_validate_wc_string(&ctx, root, text, &length, &value), 0);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(_gl_validate_wc_string(&ctx, root, text + 1, &length, &value), -1);
    _gl_free_wc_cache(root);
}

// A lowering routine of a double-byte code set: bytes from 0x80 start a
// two-byte character whose lower case is its second byte cleared of 0x20.
int two_byte_lower(void *context, const unsigned char *s, unsigned char *out, int *out_length)
{
    if (s[0] == 0)
        return 0;
    if (s[0] < 0x80) {
        out[0] = static_cast<unsigned char>(s[0] >= 'A' && s[0] <= 'Z' ? s[0] + 32 : s[0]);
        *out_length = 1;
        return 1;
    }
    if (s[1] == 0) {
        *static_cast<int *>(context) = GL_EILSEQ;
        return -1;
    }
    out[0] = s[0];
    out[1] = static_cast<unsigned char>(s[1] & ~0x20);
    *out_length = 2;
    return 2;
}

TEST(GlCache, LoweringIsTheInstalledRoutine)
{
    _gl_cache_set_lowering(two_byte_lower, nullptr);
    Context ctx{0};
    gl_mb_cache *root = nullptr;
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u("\xA4\xE2x"), 7), 0);
    int length = -1, value = -1;
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u("\xA4\xC2X!"), &length, &value), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(_gl_cache_mb_string(&ctx, &root, u("\xA4"), 1), -1);
    EXPECT_EQ(ctx.error, GL_EILSEQ);
    _gl_free_mb_cache(root);
    _gl_cache_set_lowering(nullptr, nullptr);
}

TEST(GlCache, VeryLongNamesFreeWithoutRecursion)
{
    Context ctx{0};
    gl_mb_cache *root = nullptr;
    std::string name(200000, 'a');
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u(name.c_str()), 1), 0);
    name.back() = 'b';
    ASSERT_EQ(_gl_cache_mb_string(&ctx, &root, u(name.c_str()), 2), 0);
    int length = -1, value = -1;
    ASSERT_EQ(_gl_validate_mb_string(&ctx, root, u(name.c_str()), &length, &value), 0);
    EXPECT_EQ(length, 200000);
    EXPECT_EQ(value, 2);
    _gl_free_mb_cache(root);
}

} // namespace
