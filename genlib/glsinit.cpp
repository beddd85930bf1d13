// Initialisation of the current locale environment: initgls, chkglsinit,
// thr_initgls, trw_gl_init and freegls's release of the locale state; the
// front-end initialisation (client and database locales from CLIENT_LOCALE,
// DB_LOCALE, DBNLS and the LC_ settings, the conversions between their code
// sets), the back-end initialisation (SERVER_LOCALE), and get_locale, which
// loads a specification and retries once with the operating-system names
// ("os/" + specification) when the locale files are missing or unreadable.
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "gl_dl.h"
#include "gl_names.h"
#include "glschar.h"
#include "glscv.h"
#include "glsenvint.h"
#include "osenv.h"

namespace {

constexpr const char *kDefaultLocale = "en_US.8859-1";
constexpr const char *kServerDefault = "en_US.819";
constexpr int kNlsNoMemory = 254;

// The categories of a record in their order, with the LC_ setting of each
// (MESSAGES follows LC_CTYPE).
constexpr const char *kCategoryNames[GLS_NCATEGORIES] = {"GL_CTYPE",    "GL_COLLATE", "GL_NUMERIC",
                                                         "GL_MONETARY", "GL_TIME",    "GL_MESSAGES"};
constexpr int kCategorySetting[GLS_NCATEGORIES] = {GLS_LC_CTYPE,    GLS_LC_COLLATE, GLS_LC_NUMERIC,
                                                   GLS_LC_MONETARY, GLS_LC_TIME,    GLS_LC_CTYPE};
// Registry rows of the settings, for direct lookups.
constexpr int kSettingIndex[GLS_NSETTINGS] = {
    OSENV_CLIENT_LOCALE, OSENV_DB_LOCALE, OSENV_DBNLS,   OSENV_DBLANG,  OSENV_LANG,
    OSENV_LC_CTYPE,      OSENV_LC_COLLATE, OSENV_LC_NUMERIC, OSENV_LC_MONETARY, OSENV_LC_TIME,
    OSENV_DBTIME,        OSENV_DBMONEY,   OSENV_DBDATE,  OSENV_GL_DATE, OSENV_GL_DATETIME};

void copy_spec(char (&out)[GLS_CAT_SPEC_MAX + 1], const char *spec)
{
    const size_t n = strnlen(spec, GLS_CAT_SPEC_MAX);
    std::memcpy(out, spec, n);
    out[n] = '\0';
}

int nls_mode_of(const char *dbnls)
{
    if (dbnls != nullptr && std::strcmp(dbnls, "1") == 0)
        return 1;
    if (dbnls != nullptr && std::strcmp(dbnls, "2") == 0)
        return 2;
    return 0;
}

// The default record reads its settings through the registry at each
// initialisation; a created record keeps the ones it was made from.
bool snapshot_settings(GlsState *state)
{
    for (int i = 0; i < GLS_NSETTINGS; ++i)
        glsenv::set_setting(state, i, nullptr, false);
    for (int i = 0; i < GLS_NSETTINGS; ++i)
        if (!glsenv::set_setting(state, i, idx_ggetenv(gls_setting_names[i], kSettingIndex[i]), false))
            return false;
    return true;
}

// ---- file names of a specification ---------------------------------------------------

std::string os_name(std::string_view spec) { return "os/" + std::string(spec); }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

int category_of(std::string_view name)
{
    for (int c = 0; c < GLS_NCATEGORIES; ++c)
        if (name == kCategoryNames[c])
            return c;
    return -1;
}

// The long file-name form of a long specification taken apart entry by
// entry: each entry's locale file, or (failing that, or on the retry) its
// operating-system name. False when an entry is malformed.
bool long_spec_names(std::string_view spec, bool retry, std::string &names, int from_file[])
{
    names.clear();
    while (!trimmed(spec).empty()) {
        size_t end = spec.find(';');
        std::string_view entry = spec.substr(0, end);
        spec = end == std::string_view::npos ? std::string_view() : spec.substr(end + 1);
        size_t eq = entry.find('=');
        if (eq == std::string_view::npos)
            return false;
        std::string_view name = trimmed(entry.substr(0, eq));
        std::string value(trimmed(entry.substr(eq + 1)).substr(0, GLS_CAT_SPEC_MAX));
        int category = category_of(name);
        if (name.size() > 256 || value.empty() || value.find(' ') != std::string::npos)
            return false;
        char file[GL_OUT_BUFSIZE];
        int context = 0;
        bool found = !retry && gl_lc_spec2lc_fname(&context, value.c_str(), file, nullptr, nullptr) == 0;
        if (category >= 0)
            from_file[category] = found ? 1 : 0;
        names.append(name).append(" = ").append(found ? std::string(file) : os_name(value)).append(" ; ");
    }
    return !names.empty();
}

// spec2fname: the names gl_setlocale_4 loads for a specification, and per
// category whether they are locale files (1) or operating-system names (0).
bool spec_to_file_names(const char *spec, bool retry, std::string &names, int from_file[])
{
    char file[GL_OUT_BUFSIZE];
    int context = 0;
    if (!retry && gl_lc_spec2lc_fname(&context, spec, file, nullptr, nullptr) == 0) {
        names = file;
        for (int c = 0; c < GLS_NCATEGORIES; ++c)
            from_file[c] = 1;
        return true;
    }
    for (int c = 0; c < GLS_NCATEGORIES; ++c)
        from_file[c] = 0;
    if (std::strchr(spec, '=') == nullptr) {
        names = os_name(spec);
        return true;
    }
    return long_spec_names(spec, retry, names, from_file);
}

// One attempt: 0 with *out loaded, or the locale-library error number.
int load_once(const char *spec, bool retry, gl_locale **out, int from_file[])
{
    gl_locale *loc = nullptr;
    if (gl_create_null_locale_4(&loc) != 0)
        return loc->error;
    std::string names;
    int error = GL_EBADARG;
    if (spec_to_file_names(spec, retry, names, from_file)) {
        char *loaded = gl_setlocale_4(loc, GL_ALL_CATEGORIES, names.c_str());
        error = loaded == nullptr ? (loc->error != 0 ? loc->error : GL_EFILEERR) : loc->error;
        gl_destroystring(loaded);
        if (loaded != nullptr && error != GL_ECSMISMATCH) {
            loc->error = 0;
            *out = loc;
            return 0;
        }
    }
    gl_lc_unload(loc);
    return error;
}

// ---- conversions ----------------------------------------------------------------------

int conversion_status(int error) { return error == GL_ENOMEM ? GLS_ENOMEM : GLS_ECONVLOAD; }

// Loads the pair of conversions between two specifications (there and back)
// when both name valid code sets; either may stay null (no conversion).
int load_conversion_pair(const char *a, const char *b, gl_cvdesc **a_to_b, gl_cvdesc **b_to_a)
{
    int context = 0;
    if (gl_lc_spec2cs_num(&context, a, nullptr) == GL_CS_INVALID ||
        gl_lc_spec2cs_num(&context, b, nullptr) == GL_CS_INVALID)
        return 0;
    int error = 0;
    if (glscv::load(a_to_b, b, a, &error) < 0)
        return conversion_status(error);
    if (glscv::load(b_to_a, a, b, &error) < 0)
        return conversion_status(error);
    return 0;
}

// ---- front end --------------------------------------------------------------------------

// The long specification of the old-style language mode, from LC_CTYPE,
// LC_COLLATE, LC_NUMERIC, LC_MONETARY and LC_TIME. -23109 when one is
// missing.
int nls_long_spec(GlsState *state, std::string &spec)
{
    spec.clear();
    for (int c = 0; c < GLS_NCATEGORIES; ++c) {
        const char *value = state->setting[kCategorySetting[c]];
        if (value == nullptr)
            return GLS_ENLSVAR;
        spec.append(kCategoryNames[c]).append(" = ").append(value).append(" ; ");
        copy_spec(state->cat_spec[c], value);
    }
    return 0;
}

// A code set keeps ASCII single-byte when "A" is one byte long in it.
bool keeps_ascii(gl_locale *loc) { return glsc::char_length(loc, "ABCDE", 5) == 1; }

void normalise_categories(GlsState *state)
{
    for (int c = 0; c < GLS_NCATEGORIES; ++c) {
        char norm[GL_OUT_BUFSIZE];
        int context = 0;
        if (state->cat_from_file[c] && gl_lc_spec2lc_norm(&context, state->cat_spec[c], norm, nullptr) == 0)
            copy_spec(state->cat_spec[c], norm);
    }
}

// Loads the client locale into env->locale and fills the per-category
// specifications.
int load_client_locale(GlsEnv *env)
{
    GlsState *state = env->state;
    const char *client = state->setting[GLS_CLIENT_LOCALE];
    std::string spec;
    if (client != nullptr && (state->defaulted & 1u) == 0) {
        spec = client;
        for (auto &cat : state->cat_spec)
            copy_spec(cat, client);
    } else if (state->nls_mode == 0) {
        spec = kDefaultLocale;
        for (auto &cat : state->cat_spec)
            copy_spec(cat, kDefaultLocale);
        if (!glsenv::set_setting(state, GLS_CLIENT_LOCALE, kDefaultLocale, true))
            return GLS_ENOMEM;
    } else if (int status = nls_long_spec(state, spec)) {
        return status;
    }
    if (int status = get_locale(spec.c_str(), &env->locale, state->cat_from_file))
        return status;
    if (!keeps_ascii(env->locale))
        return GLS_ENOTASCII;
    normalise_categories(state);
    return 0;
}

// The LC_ settings a CLIENT_LOCALE implies in the old-style language mode.
int record_nls_settings(GlsState *state)
{
    for (int c = 0; c < GLS_NCATEGORIES - 1; ++c)
        if (!glsenv::set_setting(state, kCategorySetting[c], state->cat_spec[c], true))
            return kNlsNoMemory;
    return 0;
}

int front_end_init(GlsEnv *env)
{
    GlsState *state = env->state;
    int context = 0;
    gl_cache_registry(&context, nullptr);
    if (!state->own_settings && !snapshot_settings(state))
        return GLS_ENOMEM;
    state->nls_mode = nls_mode_of(state->setting[GLS_DBNLS]);
    const bool client_given = state->setting[GLS_CLIENT_LOCALE] != nullptr && (state->defaulted & 1u) == 0;
    if (int status = load_client_locale(env))
        return status;
    if (client_given && state->nls_mode != 0)
        if (int status = record_nls_settings(state))
            return status;
    const char *db = state->setting[GLS_DB_LOCALE];
    if (db == nullptr || (state->defaulted & (1u << GLS_DB_LOCALE)) != 0) {
        db = state->cat_spec[0];
        if (client_given && state->nls_mode == 0 && !glsenv::set_setting(state, GLS_DB_LOCALE, db, true))
            return GLS_ENOMEM;
    }
    state->db_spec = strdup(db);
    if (state->db_spec == nullptr)
        return GLS_ENOMEM;
    state->server_locale = env->locale;
    if (int status = load_conversion_pair(state->cat_spec[0], state->db_spec, &state->client_to_db,
                                          &state->db_to_client))
        return status;
    if (state->client_to_db != nullptr || state->db_to_client != nullptr) {
        if (int status = get_locale(state->db_spec, &state->db_locale, nullptr))
            return status;
    } else {
        state->db_locale = env->locale;
    }
    return getglsfmt(env);
}

// ---- back end ---------------------------------------------------------------------------

int back_end_init(GlsEnv *env)
{
    GlsState *state = env->state;
    int context = 0;
    gl_cache_registry(&context, nullptr);
    for (int c = 0; c < GLS_NCATEGORIES; ++c) {
        copy_spec(state->cat_spec[c], kServerDefault);
        state->cat_from_file[c] = 1;
    }
    if (int status = get_locale(kServerDefault, &env->locale, state->cat_from_file))
        return status;
    const char *server = idx_ggetenv("SERVER_LOCALE", OSENV_SERVER_LOCALE);
    if (server == nullptr) {
        if (int status = ginsenv("SERVER_LOCALE", kServerDefault))
            return status;
        server = kServerDefault;
    }
    state->db_spec = strdup(server);
    if (state->db_spec == nullptr)
        return GLS_ENOMEM;
    if (int status = load_conversion_pair(kServerDefault, server, &state->fname_cv, &state->fchar_cv))
        return status;
    state->server_locale = env->locale;
    if (state->fname_cv != nullptr || state->fchar_cv != nullptr)
        if (int status = get_locale(server, &state->server_locale, nullptr))
            return status;
    state->db_locale = env->locale;
    return getglsfmt(env);
}

void install_client_hooks_once()
{
    static bool installed = false;
    if (!installed) {
        glsenv::install_client_hooks();
        installed = true;
    }
}

} // namespace

namespace glsenv {

void free_locale_state(GlsEnv *env)
{
    GlsState *state = env->state;
    for (gl_cvdesc **cd : {&state->client_to_db, &state->db_to_client, &state->fname_cv, &state->fchar_cv,
                           &state->saved_cv[0], &state->saved_cv[1], &state->saved_cv[2], &state->saved_cv[3]}) {
        glscv::unload(*cd);
        *cd = nullptr;
    }
    gl_locale *locales[] = {env->locale, state->db_locale, state->server_locale, state->saved_client_locale};
    for (size_t i = 0; i < std::size(locales); ++i) {
        bool seen = false;
        for (size_t j = 0; j < i; ++j)
            seen = seen || locales[j] == locales[i];
        if (!seen)
            gl_lc_unload(locales[i]);
    }
    env->locale = state->db_locale = state->server_locale = state->saved_client_locale = nullptr;
    for (auto &row : env->dtfmt)
        for (char *&format : row) {
            std::free(format);
            format = nullptr;
        }
    free_date_state(state);
    std::free(state->db_spec);
    state->db_spec = nullptr;
    gl_free_registry_cache();
    state->init_mask = 0;
    state->in_progress = 0;
    if (env == CheckGlsEnv()) {
        forget_numfmt();
        publish(env);
    }
}

} // namespace glsenv

extern "C" {

int get_locale(const char *spec, gl_locale **out, int from_file[GLS_NCATEGORIES])
{
    if (out == nullptr)
        return GLS_ELOCALE;
    *out = nullptr;
    if (spec == nullptr || std::strlen(spec) > GLS_SPEC_LIMIT)
        return GLS_ELOCALE;
    int flags[GLS_NCATEGORIES] = {};
    int error = load_once(spec, false, out, flags);
    if (error == GL_EFILEERR || error == GL_EBADARG || error == GL_EREGFORMAT)
        error = load_once(spec, true, out, flags);
    if (error == 0 && from_file != nullptr)
        std::memcpy(from_file, flags, sizeof flags);
    if (error == 0)
        return 0;
    // Errors the mapping leaves as they are (a wrong file version, a file
    // without CTYPE, ...) still mean that the locale cannot be used.
    int status = getiniterr(error);
    return status < 0 ? status : GLS_ELOCALE;
}

int initgls(int mode)
{
    GlsEnv *env = CheckGlsEnv();
    GlsState *state = env->state;
    if (mode == GLS_MODE_CLIENT)
        install_client_hooks_once();
    glsenv::install_os_hooks();
    gl_useglu(2);
    if (mode != GLS_MODE_CLIENT && mode != GLS_MODE_SERVER)
        return state->error = GLS_EMODE;
    if ((state->init_mask & mode) != 0)
        return 0;
    state->in_progress = 1;
    if (env->locale != nullptr || state->init_mask != 0)
        glsenv::free_locale_state(env);
    state->in_progress = 1;
    int status = mode == GLS_MODE_CLIENT ? front_end_init(env) : back_end_init(env);
    if (status != 0) {
        glsenv::free_locale_state(env);
        return state->error = status;
    }
    state->mode = mode;
    set8bitfsys();
    state->init_mask |= mode;
    state->in_progress = 0;
    state->error = 0;
    glsenv::forget_numfmt();
    glsenv::publish(env);
    return 0;
}

int chkglsinit(void)
{
    const GlsState *state = CheckGlsEnv()->state;
    if (state->in_progress || (state->init_mask & state->mode) != 0)
        return 0;
    return initgls(state->mode);
}

int thr_initgls(int mode)
{
    int status = initgls(mode);
    return status != 0 ? status : rmoninit(CheckGlsEnv());
}

int trw_gl_init(void)
{
    int status = chkglsinit();
    gl_locale *loc = CheckGlsEnv()->locale;
    if (status == 0 && loc != nullptr)
        return 0;
    if (loc != nullptr) {
        if (loc->error == GL_EINVAL)
            loc->error = GL_EBADARG;
        else if (loc->error == GL_EREGFORMAT)
            loc->error = GL_EFILEERR;
    }
    return -1;
}

} // extern "C"
