// Settings that leave the registry: the name/value lists a client sends when
// it opens a session or a connection (_oscsevlist, _oscpevlist,
// _osfreevlist), and settings written into the process environment
// (gputenv, gfeputenv, _os_clr_env). Texts handed to putenv stay with the
// environment; the ones this file made are freed again once the environment
// no longer holds them, so replacing a setting does not leak.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "osdefenv.h"
#include "osenv.h"
#include "osenvint.h"

extern "C" char **environ;

namespace {

// ---- texts handed to putenv ------------------------------------------------

osenv::TextList put_texts;

bool in_environment(const char *text)
{
    for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        if (*entry == text)
            return true;
    return false;
}

// Frees the texts this file gave to putenv that the environment dropped.
void release_dropped_texts()
{
    int kept = 0;
    for (int i = 0; i < put_texts.count; ++i) {
        if (in_environment(put_texts.texts[i]))
            put_texts.texts[kept++] = put_texts.texts[i];
        else
            std::free(put_texts.texts[i]);
    }
    put_texts.count = kept;
}

// ---- session and connection lists -----------------------------------------

// The value as it goes to the server: converted by the client locale when it
// has a converter, else copied. Null when memory or the conversion fails.
char *value_for_server(const char *value)
{
    auto convert = osenv::client_hook(&os_client_locale_hooks::convert_db_text);
    char *converted = nullptr;
    const int status = convert != nullptr ? convert(value, &converted) : 0;
    if (status < 0)
        return nullptr;
    return status > 0 ? converted : osenv::copy_text(value);
}

bool start_list(os_evlist *list, int capacity)
{
    list->count = 0;
    list->names = static_cast<const char **>(std::calloc(capacity, sizeof(const char *)));
    list->values = static_cast<char **>(std::calloc(capacity, sizeof(char *)));
    return list->names != nullptr && list->values != nullptr;
}

bool append(os_evlist *list, const char *name, const char *value)
{
    char *copy = value_for_server(value);
    if (copy == nullptr)
        return false;
    list->names[list->count] = name;
    list->values[list->count++] = copy;
    return true;
}

// Appends every name of the list that has a value (setevlist).
template <typename Names> bool append_set_values(os_evlist *list, const Names &names)
{
    for (const char *name : names) {
        const char *value = idx_ggetenv(name, -1);
        if (value != nullptr && !append(list, name, value))
            return false;
    }
    return true;
}

// The locale settings of a connection: DB_LOCALE alone in the client
// locale's ordinary mode, every locale name with a value in the old-style
// mode, nothing unless the client locale was initialised in client mode.
bool append_locale_values(os_evlist *list)
{
    auto client_mode_nls = osenv::client_hook(&os_client_locale_hooks::client_mode_nls);
    int nls_mode = 0;
    if (client_mode_nls == nullptr || client_mode_nls(&nls_mode) != 1)
        return true;
    if (nls_mode != 0)
        return append_set_values(list, osenv::kLocaleNames);
    const char *db_locale = idx_ggetenv("DB_LOCALE", OSENV_DB_LOCALE);
    return db_locale == nullptr || append(list, "DB_LOCALE", db_locale);
}

int fail_list(os_evlist *list)
{
    _osfreevlist(list);
    return -1;
}

} // namespace

extern "C" int _oscsevlist(os_evlist *list)
{
    if (list == nullptr)
        return -1;
    if (!start_list(list, static_cast<int>(osenv::kSessionNames.size()) + 1) ||
        !append_set_values(list, osenv::kSessionNames))
        return fail_list(list);
    return 0;
}

extern "C" int _oscpevlist(os_evlist *list, const char *dbpath)
{
    if (list == nullptr)
        return -1;
    if (dbpath == nullptr || !start_list(list, 32) || !append(list, "DBPATH", dbpath) ||
        !append_set_values(list, osenv::kConnectionNames) || !append_locale_values(list))
        return fail_list(list);
    return 0;
}

extern "C" void _osfreevlist(os_evlist *list)
{
    if (list == nullptr)
        return;
    for (int i = 0; list->values != nullptr && i < list->count; ++i)
        std::free(list->values[i]);
    std::free(list->values);
    std::free(list->names);
    list->count = 0;
    list->names = nullptr;
    list->values = nullptr;
}

// ---- the process environment -----------------------------------------------

extern "C" int gfeputenv(const char *name, const char *value)
{
    if (name == nullptr || *name == '\0')
        return OSENV_ENONAME;
    if (value == nullptr)
        value = "";
    const std::size_t name_length = std::strlen(name);
    const std::size_t value_length = std::strlen(value);
    if (!put_texts.reserve_one())
        return OSENV_ENOMEM;
    auto *text = static_cast<char *>(std::malloc(name_length + 1 + value_length + 1));
    if (text == nullptr)
        return OSENV_ENOMEM;
    std::memcpy(text, name, name_length);
    text[name_length] = '=';
    std::memcpy(text + name_length + 1, value, value_length + 1);
    if (putenv(text) != 0) {
        std::free(text);
        return OSENV_ENOMEM;
    }
    put_texts.texts[put_texts.count++] = text;
    release_dropped_texts();
    return 0;
}

extern "C" int gputenv(const char *name, const char *value)
{
    return gfeputenv(name, value);
}

extern "C" void _os_clr_env(void)
{
    static char dbnls[] = "DBNLS=0";
    static char dbmoney[100];
    static char dbdate[100];
    static char dbpath[] = "DBPATH=.";
    std::snprintf(dbmoney, sizeof dbmoney, "%s%s", "DBMONEY=", "$.");
    std::snprintf(dbdate, sizeof dbdate, "%s%s", "DBDATE=", "MDY4/");
    putenv(dbnls);
    putenv(dbmoney);
    putenv(dbdate);
    putenv(dbpath);
    release_dropped_texts();
}
