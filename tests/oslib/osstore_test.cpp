// Stored forms of primitive values: the documented byte patterns, round
// trips of random values at odd addresses, and the network form checked
// against a big-endian encoding built from the value's bits.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "osstore.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytes_of(const void *p, std::size_t n)
{
    const auto *b = static_cast<const unsigned char *>(p);
    return Bytes(b, b + n);
}

// The bits of an integer, most significant byte first.
Bytes big_endian(std::uint64_t bits, std::size_t width)
{
    Bytes out(width);
    for (std::size_t i = width; i-- > 0; bits >>= 8)
        out[i] = static_cast<unsigned char>(bits);
    return out;
}

static_assert(sizeof(tblob) == 56);

TEST(StoredChar, PadsCutsAndStrips)
{
    char field[8];
    std::memset(field, 'z', sizeof field);
    stchar("ab", field, 5);
    EXPECT_EQ(std::string(field, 6), "ab   z");
    stchar(nullptr, field, 5);
    EXPECT_EQ(std::string(field, 6), "     z");
    stchar("abcdefg", field, 3);
    EXPECT_EQ(std::string(field, 4), "abc ");

    char out[8];
    ldchar("ab   ", 5, out);
    EXPECT_STREQ(out, "ab");
    ldchar("     ", 5, out);
    EXPECT_STREQ(out, "");
    ldchar("a\tb\t ", 5, out); // only 0x20 counts as padding
    EXPECT_STREQ(out, "a\tb\t");
    // In place: the text moves onto its own field.
    char in_place[6] = {'x', 'y', ' ', ' ', ' ', '\0'};
    ldchar(in_place, 5, in_place);
    EXPECT_STREQ(in_place, "xy");
}

TEST(StoredVarchar, LengthByteTextAndNullForm)
{
    char field[8];
    std::memset(field, 'z', sizeof field);
    stvarchar("abc", field, 5);
    EXPECT_EQ(bytes_of(field, 7), (Bytes{3, 'a', 'b', 'c', ' ', ' ', 'z'}));
    std::memset(field, 'z', sizeof field);
    stvarchar(nullptr, field, 5);
    EXPECT_EQ(bytes_of(field, 3), (Bytes{1, 0, 'z'}));
    std::memset(field, 'z', sizeof field);
    stvarchar("abc", field, 0);
    EXPECT_EQ(bytes_of(field, 2), (Bytes{3, 'z'}));

    char out[8];
    const char stored[] = {3, 'a', 'b', 'c'};
    ldvarchar(stored, 2, out);
    EXPECT_STREQ(out, "ab");
    ldvarchar(stored, 5, out);
    EXPECT_STREQ(out, "abc");
    const char null_form[] = {1, 0};
    ldvarchar(null_form, 5, out);
    EXPECT_STREQ(out, "");
    // The length byte is unsigned.
    std::vector<char> long_field(256, 'q');
    long_field[0] = static_cast<char>(200);
    std::vector<char> long_out(256);
    ldvarchar(long_field.data(), 255, long_out.data());
    EXPECT_EQ(std::string(long_out.data()), std::string(200, 'q'));
}

TEST(StoredShort, LowSixteenBitsBigEndian)
{
    unsigned char out[3] = {0, 0, 0x77};
    stshort(258, out);
    EXPECT_EQ(bytes_of(out, 3), (Bytes{0x01, 0x02, 0x77}));
    stshort(-2, out);
    EXPECT_EQ(bytes_of(out, 2), (Bytes{0xFF, 0xFE}));
    stshort(0x12345678, out + 1); // unaligned, high bits dropped
    EXPECT_EQ(bytes_of(out + 1, 2), (Bytes{0x56, 0x78}));
}

TEST(StoredFloat, NullFormsAndIndicators)
{
    unsigned char buf[9];
    short ind = -5;
    std::memset(buf, 0xFF, sizeof buf);
    const float single = ldfltnull(buf + 1, &ind);
    EXPECT_EQ(ind, 1);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(single), 0xFFFFFFFFu);
    const double dbl = lddblnull(buf + 1, &ind);
    EXPECT_EQ(ind, 1);
    EXPECT_TRUE(std::isnan(dbl));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(dbl), ~std::uint64_t{0});

    stfloat(0.0, buf + 1);
    EXPECT_EQ(bytes_of(buf + 1, 4), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(ldfltnull(buf + 1, &ind), 0.0f);
    EXPECT_EQ(ind, 0);

    std::memset(buf, 0, sizeof buf);
    stdblnull(123.5, buf + 1, 7);
    EXPECT_EQ(bytes_of(buf, 9), (Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::memset(buf, 0, sizeof buf);
    stfltnull(123.5, buf + 1, 1);
    EXPECT_EQ(bytes_of(buf, 6), (Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
    stfltnull(123.5, buf + 1, 0);
    EXPECT_EQ(ldfloat(buf + 1), 123.5);
    stdblnull(-2.25, buf + 1, 0);
    EXPECT_EQ(lddblnull(buf + 1, &ind), -2.25);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(bytes_of(fltnull, 8), Bytes(8, 0xFF));
}

TEST(StoredFloat, NetworkFormIsBigEndianOnEveryHost)
{
    unsigned char buf[9];
    network_stdbl(1.0, buf + 1, OS_FLOAT_NETWORK);
    EXPECT_EQ(bytes_of(buf + 1, 8), (Bytes{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
    network_stfloat(1.0, buf + 1, OS_FLOAT_NETWORK);
    EXPECT_EQ(bytes_of(buf + 1, 4), (Bytes{0x3F, 0x80, 0, 0}));
    // Any other float type is the host form.
    unsigned char host[8];
    network_stdbl(1.0, buf + 1, 0);
    stdbl(1.0, host);
    EXPECT_EQ(bytes_of(buf + 1, 8), bytes_of(host, 8));

    short ind = -1;
    std::memset(buf, 0xFF, sizeof buf);
    EXPECT_TRUE(std::isnan(network_ldfltnull(buf, &ind, OS_FLOAT_NETWORK)));
    EXPECT_EQ(ind, 1);
    network_stdblnull(5.0, buf, 1, OS_FLOAT_NETWORK);
    EXPECT_EQ(bytes_of(buf, 8), Bytes(8, 0xFF));
    network_stfltnull(-0.5, buf, 0, OS_FLOAT_NETWORK);
    EXPECT_EQ(bytes_of(buf, 4), (Bytes{0xBF, 0, 0, 0}));
    EXPECT_EQ(network_ldfltnull(buf, &ind, OS_FLOAT_NETWORK), -0.5f);
    EXPECT_EQ(ind, 0);
}

TEST(StoredFloat, RandomValuesRoundTripAtOddAddresses)
{
    std::mt19937_64 random(20240611);
    unsigned char buf[16];
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        const double d = std::bit_cast<double>(bits);
        if (std::isnan(d))
            continue;
        const unsigned offset = static_cast<unsigned>(bits % 7);
        for (int type : {0, OS_FLOAT_NETWORK}) {
            network_stdbl(d, buf + offset, type);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(network_lddbl(buf + offset, type)), bits);
            const float f = static_cast<float>(d);
            network_stfloat(d, buf + offset, type);
            ASSERT_EQ(std::bit_cast<std::uint32_t>(static_cast<float>(network_ldfloat(buf + offset, type))),
                      std::bit_cast<std::uint32_t>(f));
        }
        network_stdbl(d, buf + offset, OS_FLOAT_NETWORK);
        ASSERT_EQ(bytes_of(buf + offset, 8), big_endian(bits, 8));
        stdbl(d, buf + offset);
        ASSERT_EQ(std::memcmp(buf + offset, &d, 8), 0); // host form is the host's bytes
        network_stfloat(d, buf + offset, OS_FLOAT_NETWORK);
        ASSERT_EQ(bytes_of(buf + offset, 4),
                  big_endian(std::bit_cast<std::uint32_t>(static_cast<float>(d)), 4));
    }
}

TEST(StoredBlob, FieldsBigEndianAtTheirOffsets)
{
    tblob blob{};
    blob.tb_short1[0] = -1;
    blob.tb_short1[1] = 0x0102;
    for (int i = 0; i < 7; ++i)
        blob.tb_long1[i] = 0x10203040 + i;
    for (int i = 0; i < 4; ++i)
        blob.tb_short2[i] = static_cast<int16_t>(0x5000 + i);
    for (int i = 0; i < 4; ++i)
        blob.tb_long2[i] = -2 - i;

    unsigned char stored[57];
    std::memset(stored, 0xAA, sizeof stored);
    tblobstore(&blob, stored + 1);
    EXPECT_EQ(stored[0], 0xAA);
    Bytes expected = {0xFF, 0xFF, 0x01, 0x02};
    for (int i = 0; i < 7; ++i) {
        const Bytes b = big_endian(static_cast<std::uint32_t>(0x10203040 + i), 4);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    for (int i = 0; i < 4; ++i) {
        const Bytes b = big_endian(static_cast<std::uint16_t>(0x5000 + i), 2);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    for (int i = 0; i < 4; ++i) {
        const Bytes b = big_endian(static_cast<std::uint32_t>(-2 - i), 4);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_EQ(bytes_of(stored + 1, 56), expected);

    tblob loaded;
    std::memset(&loaded, 0x33, sizeof loaded);
    tblobload(&loaded, stored + 1);
    EXPECT_EQ(std::memcmp(&loaded, &blob, sizeof blob), 0);
}

TEST(StoredBlob, RandomDescriptorsRoundTrip)
{
    std::mt19937 random(7);
    for (int i = 0; i < 1000; ++i) {
        unsigned char stored[56];
        for (unsigned char &b : stored)
            b = static_cast<unsigned char>(random());
        tblob blob;
        tblobload(&blob, stored);
        unsigned char again[56];
        tblobstore(&blob, again);
        ASSERT_EQ(std::memcmp(stored, again, 56), 0);
    }
}

} // namespace
