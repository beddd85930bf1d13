// trwlocale: lists the installed locales with their code sets (-l), and
// shows what the client locale environment settles from the current
// environment: the client and database locales and their files, the
// conversions between them, the decimal point and the date format. When the
// environment cannot be set up it says why: the status, the settings that
// matter, and the file the runtime looked for and where.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gl_locale.h"
#include "gl_names.h"
#include "glsenv.h"
#include "installed.h"
#include "numfmt.h"
#include "osenv.h"

namespace {

const char kHelp[] =
    "Usage: trwlocale        show the client locale environment the current settings give\n"
    "       trwlocale -l     list the installed locales and their code sets\n"
    "       trwlocale --help show this text\n"
    "\n"
    "The settings are read as every client program reads them: the environment,\n"
    "the per-user file .tarnwell, $TARNWELLDIR/etc/tarnwell.rc, the defaults.\n"
    "Those that shape the locale environment: CLIENT_LOCALE, DB_LOCALE, DBNLS,\n"
    "LANG and LC_*, DBMONEY, DBDATE, GL_DATE, and TARNWELLDIR (the installation\n"
    "directory, default /usr/tarnwell) or GL_PATH for where the files are.\n"
    "Exit status: 0, or 1 when the environment cannot be set up.\n";

std::string value_of(const char *name)
{
    const char *v = ggetenv(name);
    return v != nullptr ? v : "";
}

int list_locales()
{
    auto names = trwtools::registry_names();
    auto locales = trwtools::installed_locales();
    if (locales.empty()) {
        std::fprintf(stderr, "trwlocale: no locale files found below %s\n",
                     trwtools::search_dirs("lc", "11").front().c_str());
        return 1;
    }
    std::printf("%-22s %-22s %s\n", "Locale", "Code set (number)", "File");
    int damaged = 0;
    for (const trwtools::LocaleFile &l : locales) {
        // The code-set name the file itself gives, read by loading its CTYPE
        // category (which also shows that the file loads).
        gl_locale *loc = nullptr;
        std::string codeset = trwtools::name_of(names, l.number), note;
        if (gl_create_null_locale_4(&loc) == 0) {
            char *loaded = gl_setlocale_4(loc, 2, l.file.c_str());
            if (loaded != nullptr)
                codeset = loc->names[0].codeset;
            else
                note = "  (does not load: error " + std::to_string(loc->error) + ")";
            damaged += loaded == nullptr;
            gl_destroystring(loaded);
        }
        gl_lc_unload(loc);
        std::string spec = l.lang_terr + "." + codeset + (l.modifier.empty() ? "" : "@" + l.modifier);
        std::string cs = codeset + " (" + std::to_string(l.number) + ")";
        std::printf("%-22s %-22s %s%s\n", spec.c_str(), cs.c_str(), l.file.c_str(), note.c_str());
    }
    return damaged == 0 ? 0 : 1;
}

const char *status_text(int status)
{
    switch (status) {
    case GLS_ELOCALE: return "a locale is missing or invalid";
    case GLS_ENOMEM: return "out of memory";
    case GLS_ECONVLOAD: return "a code-set conversion could not be loaded";
    case GLS_ENLSVAR: return "DBNLS is set but an LC_ setting is missing";
    case GLS_ELIBRARY: return "the locale library failed";
    case GLS_ECODESET: return "the categories of a locale are in different code sets";
    case GLS_ENOTASCII: return "the client code set does not keep ASCII single-byte";
    case -1212: return "DBDATE is invalid";
    default: return "the locale environment could not be set up";
    }
}

// Where the file of a locale specification is looked for, and whether it is there.
void explain_file(const char *what, const std::string &spec)
{
    int context[4] = {};
    char file[400] = "";
    if (gl_lc_spec2lc_fname(context, spec.c_str(), file, nullptr, nullptr) != 0) {
        std::printf("  %s %s: not a locale name the registry knows (ll_TT.codeset, e.g. en_US.8859-1)\n", what,
                    spec.c_str());
        return;
    }
    char *dir = gl_path_search_no_ext_rpath(nullptr, context, file, "lc", "11");
    if (dir != nullptr) {
        std::printf("  %s %s: file %s found in %s\n", what, spec.c_str(), file, dir);
        std::free(dir);
        return;
    }
    std::printf("  %s %s: file %s not found in", what, spec.c_str(), file);
    for (const std::string &d : trwtools::search_dirs("lc", "11"))
        std::printf(" %s", d.c_str());
    std::printf("\n");
}

// The conversion files between two locales' code sets, and whether they
// are installed.
void explain_conversion(const std::string &client, const std::string &db)
{
    int context[4] = {};
    unsigned a = gl_lc_spec2cs_num(context, client.c_str(), nullptr);
    unsigned b = gl_lc_spec2cs_num(context, db.c_str(), nullptr);
    if (a == GL_CS_INVALID || b == GL_CS_INVALID)
        return;
    for (auto [from, to] : {std::pair{a, b}, std::pair{b, a}}) {
        char file[64] = "";
        gl_cs_nums2cv_fname(context, from, to, file, nullptr);
        char *dir = gl_path_search_no_ext_rpath(nullptr, context, file, "cv", "9");
        std::printf("  conversion %u to %u: file %s %s%s\n", from, to, file, dir ? "found in " : "not installed below ",
                    dir ? dir : trwtools::search_dirs("cv", "9").front().c_str());
        std::free(dir);
    }
}

void show_settings()
{
    bool from_env = false;
    std::string dir = trwtools::install_dir(&from_env);
    std::printf("Installation directory: %s%s\n", dir.c_str(), from_env ? "" : " (TARNWELLDIR not set)");
    for (const char *name : {"CLIENT_LOCALE", "DB_LOCALE", "DBNLS", "DBMONEY", "DBDATE", "GL_DATE", "GL_PATH"}) {
        const char *v = std::getenv(name);
        std::string shown = name == std::string("GL_PATH") ? (v ? v : "") : value_of(name);
        if (!shown.empty())
            std::printf("Setting %s=%s\n", name, shown.c_str());
    }
}

int show_environment()
{
    show_settings();
    int status = chkglsinit();
    GlsEnv *env = CheckGlsEnv();
    GlsState *state = env->state;
    if (status != 0 || env->locale == nullptr) {
        std::printf("Failed: %d (%s)\n", status, status_text(status));
        // The registry that names the files; without its file the built-in
        // table serves, as for the runtime.
        int context[4] = {};
        if (gls_registry_list_cache == nullptr && gls_registry_array_cache == nullptr &&
            gl_cache_registry(context, nullptr) != 0)
            std::printf("  the code-set registry gls/cm3/registry was not found (error %d): the built-in table serves\n",
                        context[0]);
        std::string client = value_of("CLIENT_LOCALE");
        explain_file("client locale", client.empty() ? "en_US.8859-1" : client);
        std::string db = value_of("DB_LOCALE");
        if (!db.empty())
            explain_file("database locale", db);
        if (status == GLS_ECONVLOAD && !db.empty())
            explain_conversion(client.empty() ? "en_US.8859-1" : client, db);
        std::printf("GLSDEBUG=on shows every file the runtime tries; trwlocale -l lists the installed locales.\n");
        return 1;
    }
    const char *client = state->setting[GLS_CLIENT_LOCALE];
    bool client_default = (state->defaulted & (1u << GLS_CLIENT_LOCALE)) != 0;
    std::printf("Client locale: %s%s\n", client ? client : "?", client_default ? " (default)" : "");
    explain_file("client locale", client ? client : "en_US.8859-1");
    const char *db = state->db_spec != nullptr ? state->db_spec : state->setting[GLS_DB_LOCALE];
    bool db_default = (state->defaulted & (1u << GLS_DB_LOCALE)) != 0;
    std::printf("Database locale: %s%s\n", db ? db : "?", db_default ? " (default)" : "");
    bool converts = state->client_to_db != nullptr || state->db_to_client != nullptr;
    std::printf("Conversions: %s\n", converts ? "client to database and back" : "none needed (one code set)");
    int nstatus = 0;
    const numfmt *nf = gls_numfmt(&nstatus);
    if (nf != nullptr)
        std::printf("Decimal point: '%s'  thousands separator: '%s'  currency: '%s'\n", nf->decimal_point,
                    nf->thousands_sep, nf->currency_symbol);
    std::printf("Date format: %s%s\n", state->gl_date ? state->gl_date : "?",
                state->date_from_dbdate ? " (DBDATE or the default)" : " (GL_DATE or the locale)");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "-l") == 0 || std::strcmp(argv[1], "--list") == 0))
        return list_locales();
    if (argc != 1) {
        std::fprintf(stderr, "trwlocale: unknown argument %s (trwlocale --help shows the usage)\n", argv[1]);
        return 2;
    }
    int status = show_environment();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "trwlocale: cannot write the output\n");
        return 1;
    }
    return status;
}
