// The banner program and its version-option handler, observed from outside:
// exact output bytes, exit status, and the cases where the handler returns.
#include <gtest/gtest.h>

#include "rprvers.h"
#include "support/child_process.h"

using trwtest::Stdout;

namespace {

const std::string kBannerLine =
    "Holm Tarnwell CDEV Version 2.81, Holm Tarnwell-ESQL Version 9.53.UC1  \n";

TEST(Sdkbanner, PrintsTheBannerWhateverTheCommandLine)
{
    for (const auto &args : std::vector<std::vector<std::string>>{
             {}, {"-V"}, {"-x", "y"}, {"--help"}, {"", "a b c"}}) {
        auto r = trwtest::run_program(SDKBANNER_PATH, args);
        EXPECT_EQ(r.out, kBannerLine);
        EXPECT_EQ(r.exit_status, 0);
    }
}

TEST(Sdkbanner, RedirectedToAFileHoldsExactlyTheLine)
{
    auto r = trwtest::run_program(SDKBANNER_PATH, {}, Stdout::File);
    EXPECT_EQ(r.out, kBannerLine);
    EXPECT_EQ(r.exit_status, 0);
}

TEST(Sdkbanner, ClosedStandardOutputStillExitsZero)
{
    auto r = trwtest::run_program(SDKBANNER_PATH, {"-V"}, Stdout::Closed);
    EXPECT_EQ(r.exit_status, 0);
}

TEST(Sqprvers, PrintsTheGivenBannerForEitherOptionAndExits)
{
    for (const char *opt : {"-V", "-v"}) {
        auto r = trwtest::run_function([&] { return 42 + sqprvers(2, opt, "some banner ", nullptr); });
        EXPECT_EQ(r.out, "some banner \n") << opt;
        EXPECT_EQ(r.exit_status, 0) << opt;
    }
}

TEST(Sqprvers, ReturnsZeroSilentlyForAnyOtherCountOrOption)
{
    struct Case {
        int count;
        const char *option;
    };
    for (Case c : {Case{1, "-V"}, Case{3, "-v"}, Case{0, "-V"}, Case{-2, "-V"}, Case{2, ""},
                   Case{2, "-Vx"}, Case{2, "V"}, Case{2, "-x"}, Case{2, "--V"}}) {
        // The child exits with 42 plus the handler's result, so 42 means it
        // returned 0 and went on.
        auto r = trwtest::run_function([&] { return 42 + sqprvers(c.count, c.option, "B", nullptr); });
        EXPECT_EQ(r.out, "") << c.count << " " << c.option;
        EXPECT_EQ(r.exit_status, 42) << c.count << " " << c.option;
    }
}

} // namespace
