// The locale environment records of the data-type library: the built-in
// default record and the created ones (CreateGlsEnv, InitGlsEnv,
// CheckExistingGlsEnv, CompareLocale, FreeAllGlsEnv, CreateGlsEnvLocale),
// the current record (CheckGlsEnv, SetGlsEnv and the thread accessors), the
// code-set alias table (getalsloc), GLS8BITFSYS (set8bitfsys), the error
// mapping (getiniterr), and the hooks through which the OS layer reads the
// current record (fixed settings, converters, mode, blank-trimmed length,
// the locale) and the client locale initialisation the OS control block runs.
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <strings.h>

#include "glscv.h"
#include "glsclient.h"
#include "glsenvint.h"
#include "osclient.h"
#include "osenv.h"

extern "C" {

const char *const gls_setting_names[GLS_NSETTINGS] = {
    "CLIENT_LOCALE", "DB_LOCALE",  "DBNLS",       "DBLANG",  "LANG",   "LC_CTYPE", "LC_COLLATE", "LC_NUMERIC",
    "LC_MONETARY",   "LC_TIME",    "DBTIME",      "DBMONEY", "DBDATE", "GL_DATE",  "GL_DATETIME"};

} // extern "C"

namespace {

alignas(8) unsigned char default_save_area[GLS_SAVE_AREA_SIZE];
// Constant-initialised, so that a call from another file's static
// initialiser finds it ready.
constinit GlsState default_state = [] {
    GlsState s{};
    s.mode = GLS_MODE_CLIENT;
    return s;
}();

} // namespace

extern "C" {
constinit GlsEnv gls_env = {nullptr, &default_state, {}, default_save_area, nullptr};
int glsenv_count = 1;
GlsEnv *GlsEnv_List = nullptr;
}

namespace {

GlsEnv *current_env = &gls_env;
int eight_bit_file_names = 0;
int null_errno_slot = 0;

// Code-set names that stand for a whole locale: name, specification. The
// first row of a name wins.
struct Alias {
    const char *name;
    const char *spec;
};
constexpr std::array<Alias, 15> kAliases = {{{"ascii", "en_US.8859-1"},
                                             {"gb", "zh_CN.gb"},
                                             {"ksc1", "ko_KR.ksc"},
                                             {"ksc", "ko_KR.ksc"},
                                             {"big5", "zh_TW.big5"},
                                             {"sbig5", "zh_TW.sbig5"},
                                             {"ccdc", "zh_TW.ccdc"},
                                             {"cccii", "zh_TW.cccii"},
                                             {"8859-1", "en_US.8859-1"},
                                             {"gb2312", "zh_CN.gb"},
                                             {"ks5601", "ko_KR.ksc"},
                                             {"jis208", "ja_JP.ujis"},
                                             {"sjis208", "ja_JP.sjis"},
                                             {"sjis", "ja_JP.sjis"},
                                             {"ujis", "ja_JP.ujis"}}};

// The settings compared only when both sides are in the old-style language
// mode.
constexpr bool nls_only(int index)
{
    return index == GLS_DBLANG || index == GLS_LANG || (index >= GLS_LC_CTYPE && index <= GLS_LC_TIME);
}

bool nls_on(const char *dbnls)
{
    return dbnls != nullptr && (std::strcmp(dbnls, "1") == 0 || std::strcmp(dbnls, "2") == 0);
}

int setting_index(const char *name)
{
    for (int i = 0; i < GLS_NSETTINGS; ++i)
        if (strcasecmp(name, gls_setting_names[i]) == 0)
            return i;
    return -1;
}

void free_settings(GlsState *state)
{
    for (char *&value : state->setting) {
        std::free(value);
        value = nullptr;
    }
    state->defaulted = 0;
}

void free_created(GlsEnv *env)
{
    glsenv::free_locale_state(env);
    free_settings(env->state);
    std::free(env->state->money.dbmoney);
    std::free(env->state);
    std::free(env->save_area);
    std::free(env);
}

// ---- hooks for the OS layer ---------------------------------------------------------

const char *fixed_value(const char *name)
{
    int index = name != nullptr ? setting_index(name) : -1;
    return index >= 0 ? current_env->state->setting[index] : nullptr;
}

char *convert_env_value(const char *value)
{
    char *out = nullptr;
    return glscv::convert_text(current_env->state->fname_cv, value, &out) == 1 ? out : nullptr;
}

int convert_db_text(const char *text, char **out)
{
    return glscv::convert_text(current_env->state->client_to_db, text, out);
}

int client_mode_nls(int *nls_mode)
{
    const GlsState *state = current_env->state;
    if (state->mode != GLS_MODE_CLIENT || (state->init_mask & GLS_MODE_CLIENT) == 0)
        return 0;
    if (nls_mode != nullptr)
        *nls_mode = state->nls_mode;
    return 1;
}

gl_locale *client_locale() { return current_env->locale; }

const os_client_locale_hooks kOsHooks = {trw_gls_byleng, fixed_value, convert_env_value, convert_db_text,
                                         client_mode_nls, client_locale};

// Creating the OS control block initialises the client locale; the OS layer
// cannot link to this library, so the initialisation is handed to it while
// the program starts (the OS layer's slot is constant-initialised).
int initialise_client_locale_for_os() { return chkglsinit(); }
[[maybe_unused]] const bool client_locale_init_registered =
    (os_set_client_locale_init(initialise_client_locale_for_os), true);

} // namespace

namespace glsenv {

bool set_setting(GlsState *state, int index, const char *value, bool defaulted)
{
    char *copy = nullptr;
    if (value != nullptr) {
        size_t n = std::strlen(value) + 1;
        copy = static_cast<char *>(std::malloc(n));
        if (copy != nullptr)
            std::memcpy(copy, value, n);
    }
    std::free(state->setting[index]);
    state->setting[index] = copy;
    const unsigned bit = 1u << index;
    state->defaulted = defaulted && copy != nullptr ? state->defaulted | bit : state->defaulted & ~bit;
    return value == nullptr || copy != nullptr;
}

void publish(const GlsEnv *env)
{
    trw_gls_client_env *client = trw_gls_client();
    const GlsState *state = env->state;
    client->client_locale = env->locale;
    client->server_locale = state->server_locale;
    client->client_to_db = state->client_to_db;
    client->db_to_client = state->db_to_client;
    client->file_name_cv = state->fname_cv;
    client->file_char_cv = state->fchar_cv;
}

void install_os_hooks()
{
    if (os_client_locale() != &kOsHooks)
        os_set_client_locale_hooks(&kOsHooks);
}

int *null_context_errno() { return &null_errno_slot; }

} // namespace glsenv

extern "C" {

GlsEnv *CheckGlsEnv(void) { return current_env; }

GlsEnv *SetGlsEnv(GlsEnv *env)
{
    GlsEnv *previous = current_env;
    current_env = env != nullptr ? env : &gls_env;
    if (current_env != previous) {
        glsenv::forget_numfmt();
        glsenv::publish(current_env);
    }
    return previous;
}

GlsEnv *trw_get_glsenv_thread(void) { return current_env; }

gl_locale *trw_get_gl_locale_thread(void) { return current_env->locale; }

void freegls(void) { glsenv::free_locale_state(current_env); }

int getiniterr(int error)
{
    switch (error) {
    case 3:
    case -2:
        return GLS_ENOMEM;
    case 8:
    case 9:
    case 11:
    case 21:
        return GLS_ELOCALE;
    case 12:
    case 58:
        return GLS_ECODESET;
    case -1:
    case -3:
    case -4:
    case -5:
    case -6:
    case -7:
    case -8:
        return GLS_ELIBRARY;
    default:
        return error;
    }
}

int set8bitfsys(void)
{
    const char *value = idx_ggetenv("GLS8BITFSYS", OSENV_GLS8BITFSYS);
    if (value != nullptr && std::strcmp(value, "1") == 0)
        eight_bit_file_names = 1;
    else if (value != nullptr && std::strcmp(value, "0") == 0)
        eight_bit_file_names = 0;
    return eight_bit_file_names;
}

int gls_8bit_file_names(void) { return eight_bit_file_names; }

const char *getalsloc(const char *name)
{
    if (name == nullptr)
        return nullptr;
    for (const Alias &a : kAliases)
        if (std::strcmp(name, a.name) == 0)
            return a.spec;
    return nullptr;
}

int CompareLocale(const GlsEnv *env, const GlsEnvLocale *request)
{
    if (request == nullptr)
        return 0;
    if (env == nullptr || env->state == nullptr)
        return -1;
    const GlsState *state = env->state;
    const bool both_nls = nls_on(state->setting[GLS_DBNLS]) && nls_on(request->setting[GLS_DBNLS]);
    const bool any_dbdate = state->setting[GLS_DBDATE] != nullptr || request->setting[GLS_DBDATE] != nullptr;
    for (int i = 0; i < GLS_NSETTINGS; ++i) {
        if ((nls_only(i) && !both_nls) || (i == GLS_GL_DATE && any_dbdate))
            continue;
        const char *mine = state->setting[i];
        const char *asked = request->setting[i];
        if (asked == nullptr && (mine == nullptr || (state->defaulted & (1u << i)) != 0))
            continue;
        if (asked == nullptr || mine == nullptr || strcasecmp(mine, asked) != 0)
            return -1;
    }
    return 0;
}

int CreateGlsEnvLocale(GlsEnvLocale *request)
{
    if (request == nullptr)
        return -1;
    for (int i = 0; i < GLS_NSETTINGS; ++i)
        request->setting[i] = ggetenv(gls_setting_names[i]);
    return 0;
}

int CheckExistingGlsEnv(const GlsEnvLocale *request, GlsEnv **out)
{
    if (out == nullptr)
        return -1;
    *out = nullptr;
    for (GlsEnv *env = GlsEnv_List; env != nullptr; env = env->next)
        if (CompareLocale(env, request) == 0) {
            *out = env;
            return 0;
        }
    return -1;
}

int InitGlsEnv(GlsEnv *env)
{
    if (env == nullptr)
        return -1;
    GlsEnv *previous = SetGlsEnv(env);
    int status = initgls(env->state->mode);
    if (status == 0)
        status = rmoninit(env);
    if (status != 0) {
        SetGlsEnv(previous);
        if (env->state->setting[GLS_CLIENT_LOCALE] == nullptr)
            glsenv::set_setting(env->state, GLS_CLIENT_LOCALE, "en_US.8859-1", true);
    }
    return status;
}

int CreateGlsEnv(const GlsEnvLocale *request, GlsEnv **out, int initialise)
{
    if (out == nullptr)
        return -1;
    *out = nullptr;
    auto *env = static_cast<GlsEnv *>(std::calloc(1, sizeof(GlsEnv)));
    auto *state = static_cast<GlsState *>(std::calloc(1, sizeof(GlsState)));
    void *save_area = std::calloc(1, GLS_SAVE_AREA_SIZE);
    if (env == nullptr || state == nullptr || save_area == nullptr) {
        std::free(env);
        std::free(state);
        std::free(save_area);
        return -406;
    }
    env->state = state;
    env->save_area = save_area;
    state->mode = GLS_MODE_CLIENT;
    state->own_settings = 1;
    for (int i = 0; i < GLS_NSETTINGS; ++i) {
        const char *value = request != nullptr ? request->setting[i] : nullptr;
        if (value == nullptr)
            value = ggetenv(gls_setting_names[i]);
        if (!glsenv::set_setting(state, i, value, false)) {
            free_created(env);
            return -406;
        }
    }
    ++glsenv_count;
    if (initialise != 0) {
        if (int status = InitGlsEnv(env)) {
            if (current_env == env)
                SetGlsEnv(nullptr);
            --glsenv_count;
            free_created(env);
            return status;
        }
    }
    GlsEnv **link = &GlsEnv_List;
    while (*link != nullptr)
        link = &(*link)->next;
    *link = env;
    *out = env;
    return 0;
}

void FreeAllGlsEnv(void)
{
    SetGlsEnv(nullptr);
    while (GlsEnv_List != nullptr) {
        GlsEnv *next = GlsEnv_List->next;
        free_created(GlsEnv_List);
        GlsEnv_List = next;
    }
    glsenv_count = 1;
    glsenv::free_locale_state(&gls_env);
    free_settings(gls_env.state);
    std::free(gls_env.state->money.dbmoney);
    gls_env.state->money = gls_money_state{};
    glsenv::forget_numfmt();
}

} // extern "C"
