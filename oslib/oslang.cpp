// The database language settings of the OS layer (Inf_DBVars): the names of
// the operating system's character-class and collation locales and the DBNLS
// value in force for the database. OS_setlang switches the operating system
// to a new setting and records it, OS_resetlang refreshes the record from the
// settings registry, OS_getlangvar and OS_IsDbEnvSet read it. Values longer
// than a field are cut to it.
#include <cstring>

#include "osenv.h"
#include "osinit.h"

extern "C" {
os_dbvars Inf_DBVars = {};
}

namespace {

void store(char *field, std::size_t size, const char *value)
{
    const std::size_t length = strnlen(value, size - 1);
    std::memcpy(field, value, length);
    field[length] = '\0';
}

template <std::size_t N> void store(char (&field)[N], const char *value)
{
    store(field, N, value);
}

int set_collation(const char *value)
{
    int status = 0;
    if (_osetcollate(value, &status) == nullptr)
        return status;
    store(Inf_DBVars.lc_collate, value);
    return 0;
}

int set_ctype(const char *value)
{
    store(Inf_DBVars.lc_ctype, value);
    return rldnlsctype(value);
}

int set_dbnls(const char *value)
{
    store(Inf_DBVars.dbnls, value);
    return 0;
}

// The settings OS_setlang knows: the name, its field and how a new value is
// applied.
struct LanguageSetting {
    const char *name;
    char *field;
    std::size_t size;
    int (*apply)(const char *value);
};
const LanguageSetting kSettings[] = {
    {"LC_COLLATE", Inf_DBVars.lc_collate, sizeof Inf_DBVars.lc_collate, set_collation},
    {"LC_CTYPE", Inf_DBVars.lc_ctype, sizeof Inf_DBVars.lc_ctype, set_ctype},
    {"DBNLS", Inf_DBVars.dbnls, sizeof Inf_DBVars.dbnls, set_dbnls},
};

const LanguageSetting *setting(const char *name)
{
    if (name == nullptr)
        return nullptr;
    for (const LanguageSetting &s : kSettings)
        if (std::strcmp(s.name, name) == 0)
            return &s;
    return nullptr;
}

// Refreshes one field from its lookup; with apply, a changed non-empty value
// also switches the operating system as OS_setlang does.
int refresh(const char *name, const char *fallback, bool apply)
{
    const LanguageSetting &s = *setting(name);
    const char *value = ggetenv(name);
    if (value == nullptr)
        value = fallback;
    if (apply && *value != '\0' && std::strcmp(s.field, value) != 0)
        return s.apply(value);
    store(s.field, s.size, value);
    return 0;
}

} // namespace

extern "C" int OS_setlang(const char *name, const char *value)
{
    const LanguageSetting *s = setting(name);
    return s != nullptr ? s->apply(value != nullptr ? value : "") : 0;
}

extern "C" int OS_resetlang(int flag)
{
    const bool apply = flag != 0;
    int status = refresh("DBNLS", "0", apply);
    const int ctype = refresh("LC_CTYPE", "", apply);
    const int collate = refresh("LC_COLLATE", "", apply);
    if (status == 0)
        status = ctype != 0 ? ctype : collate;
    return status;
}

extern "C" char *OS_getlangvar(const char *name)
{
    const LanguageSetting *s = setting(name);
    return s != nullptr ? s->field : nullptr;
}

extern "C" int OS_IsDbEnvSet(void)
{
    return Inf_DBVars.lc_ctype[0] != '\0' ? 1 : 0;
}
