// main of every GoogleTest program: sets the test environment the build
// compiled in (TRW_TEST_ENVIRONMENT, a list of "NAME=value" literals) before
// any test code runs, then runs the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    for (const char *assignment : {TRW_TEST_ENVIRONMENT static_cast<const char *>(nullptr)}) {
        if (assignment == nullptr)
            break;
        std::string text(assignment);
        auto eq = text.find('=');
        if (eq != std::string::npos)
            setenv(text.substr(0, eq).c_str(), text.c_str() + eq + 1, 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
