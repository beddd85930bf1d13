// A registry test runs against its own installation directory (TARNWELLDIR)
// and home directory in a fresh temporary tree, with the settings it uses
// removed from the process environment and the password-database lookup
// pointed at the temporary home, so the real home directory is never read.
// The client locale initialisation is taken out of the OS control block's
// creation, so that the registry is seen without a client locale.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "osclient.h"
#include "osenv.h"
#include "osenvint.h"
#include "osinit.h"

namespace trwtest {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/trw-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root() = pattern;
        home() = root() + "/home";
        std::filesystem::create_directories(root() + "/etc");
        std::filesystem::create_directories(home());
        for (const char *name : kClearedNames)
            unsetenv(name);
        setenv("TARNWELLDIR", root().c_str(), 1);
        osenv::set_home_lookup([] { return home().c_str(); });
        os_set_client_locale_hooks(nullptr);
        // The registry is tested on its own: no client locale environment
        // fixes values, and the OS control block (whose creation loads the
        // registry once) exists before the test's first load.
        os_set_client_locale_init(nullptr);
        ASSERT_NE(CheckOsInit(), nullptr);
        gFreeEVars();
    }

    void TearDown() override
    {
        gFreeEVars();
        gsetudenv(nullptr);
        os_set_client_locale_hooks(nullptr);
        osenv::set_home_lookup(nullptr);
        std::filesystem::remove_all(root());
    }

    static void write_file(const std::string &path, const std::string &content)
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    static void write_system_file(const std::string &content)
    {
        write_file(root() + "/etc/tarnwell.rc", content);
    }
    static void write_user_file(const std::string &content)
    {
        write_file(home() + "/.tarnwell", content);
    }

    static std::string &root()
    {
        static std::string path;
        return path;
    }
    static std::string &home()
    {
        static std::string path;
        return path;
    }

    // A value as a std::string, "<null>" for none.
    static std::string text(const char *value) { return value != nullptr ? value : "<null>"; }

    static constexpr const char *kClearedNames[] = {
        "DBTEMP",   "DBPATH",     "DBPRINT",  "ENVIGNORE",   "DBNLS",          "LANG",
        "LC_COLLATE", "LC_CTYPE", "LC_MONETARY", "LC_NUMERIC", "LC_TIME",      "TARNWELLSERVER",
        "DBDATE",   "DBTIME",     "DBMONEY",  "TZ",          "DB_LOCALE",      "CLIENT_LOCALE",
        "GL_DATE",  "GL_USEGLU",  "DBCENTURY", "LKNOTIFY",   "SUBQCACHESZ",    "TRW_MY_SETTING"};
};

} // namespace trwtest
