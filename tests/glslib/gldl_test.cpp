// The dynamic-loading wrapper and the start of the Unicode service, with a
// stub service library built by the tests: which libraries are opened, where
// the entry points come from, and that failed or disabled starts leave
// nothing loaded.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gl_dl.h"
#include "gl_errno.h"
#include "glslib/temp_tree.h"

namespace {

struct Context {
    int error;
};

// A data tree with the stub libraries in gls/dll, the library list and the
// service's data files in gls/etc.
class ServiceTree {
public:
    explicit ServiceTree(const std::string &dllregistry, bool with_data = true)
    {
        std::filesystem::create_directories(tree.path("gls/dll"));
        std::filesystem::create_symlink(GLU_STUB_FIRST, tree.path("gls/dll/libglu_first.so"));
        std::filesystem::create_symlink(GLU_STUB_SERVICE, tree.path("gls/dll/libglu_service.so"));
        tree.write("gls/etc/dllregistry", dllregistry);
        if (with_data) {
            tree.write("gls/etc/stubicu.dat", "icu\n");
            tree.write("gls/etc/locmap", "map\n");
        }
        setenv("TARNWELLDIR", tree.root().c_str(), 1);
    }
    trwtest::TempTree tree;
};

bool service_library_loaded()
{
    void *h = dlopen(GLU_STUB_SERVICE, RTLD_NOW | RTLD_NOLOAD);
    if (h != nullptr)
        dlclose(h);
    return h != nullptr;
}

TEST(GlDl, WithoutGlUseGluNothingIsLoaded)
{
    ServiceTree service("libglu_first.so\nlibglu_service.so\n");
    unsetenv("GL_USEGLU");
    gl_useglu(2);
    Context ctx{0};
    EXPECT_EQ(gl_init_glu(&ctx), 0);
    EXPECT_EQ(ctx.error, 0);
    EXPECT_EQ(_gl_glu_enabled(), 0);
    EXPECT_EQ(glx_gluMap(), nullptr);
    EXPECT_EQ(glx_icuErrorName(4), nullptr);
    EXPECT_FALSE(service_library_loaded());
    setenv("GL_USEGLU", "3", 1);
    EXPECT_EQ(gl_init_glu(&ctx), 0);
    EXPECT_FALSE(service_library_loaded());
}

TEST(GlDl, WithoutTheHostsCapabilityNothingIsLoaded)
{
    ServiceTree service("libglu_first.so\nlibglu_service.so\n");
    setenv("GL_USEGLU", "1", 1);
    Context ctx{0};
    EXPECT_EQ(gl_init_glu(&ctx), 0);
    EXPECT_EQ(_gl_glu_enabled(), 0);
    EXPECT_FALSE(service_library_loaded());
}

TEST(GlDl, EntryPointsComeFromTheLastLibraryListed)
{
    ServiceTree service("libglu_first.so\n\nlibglu_service.so\n");
    setenv("GL_USEGLU", "1", 1);
    gl_useglu(2);
    Context ctx{0};
    ASSERT_EQ(gl_init_glu(&ctx), 0);
    EXPECT_EQ(_gl_glu_enabled(), 1);
    EXPECT_NE(glx_gluMap(), nullptr);
    EXPECT_STREQ(glx_icuErrorName(4), "U_STUB_FILE_ERROR");
    char name[32];
    EXPECT_EQ(glx_getICULocName("en_US.819", name, sizeof name), 0);
    EXPECT_STREQ(name, "icu:en_US.819");
    void *loc = glx_lc_open(&ctx, "en_US.57372", 1);
    EXPECT_NE(loc, nullptr);
    EXPECT_EQ(glx_lc_close(&ctx, loc), 0);
    // A service error reaches the context.
    EXPECT_EQ(glx_lc_open(&ctx, "xx_XX.1", 1), nullptr);
    EXPECT_EQ(ctx.error, 7);
    // Started once: a second call does nothing.
    EXPECT_EQ(gl_init_glu(&ctx), 0);
    EXPECT_EQ(gl_unload_glu(), 0);
    EXPECT_EQ(_gl_glu_enabled(), 0);
    EXPECT_EQ(glx_gluMap(), nullptr);
    EXPECT_EQ(glx_icuErrorName(4), nullptr);
    EXPECT_EQ(gl_unload_glu(), 0);
}

TEST(GlDl, ALibraryWithoutTheEntryPointsFailsWithErrorEight)
{
    ServiceTree service("libglu_service.so\nlibglu_first.so\n");
    setenv("GL_USEGLU", "1", 1);
    gl_useglu(1);
    Context ctx{0};
    EXPECT_EQ(gl_init_glu(&ctx), -1);
    EXPECT_EQ(ctx.error, GL_EFILEERR);
    EXPECT_EQ(_gl_glu_enabled(), 0);
    EXPECT_FALSE(service_library_loaded());
}

TEST(GlDl, MissingListLibraryOrDataFails)
{
    Context ctx{0};
    gl_useglu(2);
    setenv("GL_USEGLU", "1", 1);
    {
        // No list at all: nothing of the service installed, as if unset.
        ServiceTree service("libglu_service.so\n");
        std::filesystem::remove(service.tree.path("gls/etc/dllregistry"));
        EXPECT_EQ(gl_init_glu(&ctx), 0);
        EXPECT_EQ(ctx.error, 0);
        EXPECT_EQ(_gl_glu_enabled(), 0);
        EXPECT_FALSE(service_library_loaded());
    }
    {
        // A list that exists but cannot be read fails.
        ServiceTree service("libglu_service.so\n");
        std::filesystem::remove(service.tree.path("gls/etc/dllregistry"));
        std::filesystem::create_directory(service.tree.path("gls/etc/dllregistry"));
        EXPECT_EQ(gl_init_glu(&ctx), -1);
        EXPECT_EQ(ctx.error, GL_EFILEERR);
    }
    {
        ServiceTree service("libnone.so\n");
        ctx.error = 0;
        EXPECT_EQ(gl_init_glu(&ctx), -1);
        EXPECT_EQ(ctx.error, GL_EFILEERR);
    }
    {
        ServiceTree service("libglu_service.so\n", false);
        ctx.error = 0;
        EXPECT_EQ(gl_init_glu(&ctx), -1);
        EXPECT_EQ(ctx.error, GL_EFILEERR);
        EXPECT_EQ(_gl_glu_enabled(), 0);
        EXPECT_FALSE(service_library_loaded());
    }
}

TEST(GlDl, AnUnloadableLibraryIsAllowedInModeTwo)
{
    ServiceTree service("broken.so\nlibglu_service.so\n");
    service.tree.write("gls/dll/broken.so", "not a shared object\n");
    gl_useglu(2);
    setenv("GL_USEGLU", "2", 1);
    Context ctx{0};
    EXPECT_EQ(gl_init_glu(&ctx), 0);
    EXPECT_EQ(_gl_glu_enabled(), 0);
    setenv("GL_USEGLU", "1", 1);
    EXPECT_EQ(gl_init_glu(&ctx), -1);
    EXPECT_EQ(ctx.error, GL_EFILEERR);
}

TEST(GlDl, WrapperKeepsTheLoadersMessages)
{
    tarw_dlhandle h{};
    void *symbol = nullptr;
    EXPECT_EQ(tarw_dlsym(&h, &symbol, "x"), -1);
    EXPECT_EQ(h.error, -2);
    EXPECT_STREQ(h.errtext, "Internal Error");
    EXPECT_EQ(tarw_dlopen(&h, "/nonexistent/libnothing.so", TARW_DL_NOW_GLOBAL), -1);
    EXPECT_EQ(h.error, -1);
    ASSERT_NE(h.errtext, nullptr);
    EXPECT_NE(std::string(h.errtext).find("libnothing"), std::string::npos);
    ASSERT_EQ(tarw_dlopen(&h, GLU_STUB_SERVICE, TARW_DL_NOW_GLOBAL), 0);
    EXPECT_EQ(h.errtext, nullptr);
    EXPECT_STREQ(h.path, GLU_STUB_SERVICE);
    EXPECT_EQ(tarw_dlsym(&h, &symbol, "glu_lc_open"), 0);
    EXPECT_NE(symbol, nullptr);
    EXPECT_EQ(tarw_dlsym(&h, &symbol, "glu_no_such_entry"), -1);
    EXPECT_EQ(h.error, -1);
    EXPECT_EQ(tarw_dlsym(&h, &symbol, nullptr), -1);
    EXPECT_EQ(h.error, -2);
    EXPECT_EQ(tarw_dlclose(&h), 0);
    EXPECT_EQ(h.path, nullptr);
    EXPECT_EQ(tarw_dlclose(&h), -1);
}

} // namespace
