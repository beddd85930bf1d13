// The old-style language mode of the OS layer: DBNLSset reads the mode,
// _nlsinit and _nlsinit_be set the operating system's locale categories from
// the settings registry, and _osetcollate switches its collation. These
// change the host program's own C-library locale (setlocale).
#include <clocale>
#include <cstring>

#include "osenv.h"
#include "osinit.h"
#include "osinitint.h"

namespace {

// The categories of the old-style mode in the order they are set, each with
// its registry row and the status of a refusal.
struct Category {
    const char *name;
    int index;
    int category;
    int failure;
};
constexpr Category kCategories[] = {
    {"LC_COLLATE", OSENV_LC_COLLATE, LC_COLLATE, OSINIT_ECOLLATE},
    {"LC_CTYPE", OSENV_LC_CTYPE, LC_CTYPE, OSINIT_ECTYPE},
    {"LC_MONETARY", OSENV_LC_MONETARY, LC_MONETARY, OSINIT_EMONETARY},
    {"LC_NUMERIC", OSENV_LC_NUMERIC, LC_NUMERIC, OSINIT_ENUMERIC},
    {"LC_TIME", OSENV_LC_TIME, LC_TIME, OSINIT_ETIME},
};

// Sets one category from its lookup; an unset or empty value leaves it.
int set_category(const Category &c)
{
    const char *value = idx_ggetenv(c.name, c.index);
    if (value == nullptr || *value == '\0')
        return 0;
    if (std::setlocale(c.category, value) == nullptr)
        return c.failure;
    if (c.category == LC_CTYPE)
        osinit::rebuild_tables();
    return 0;
}

} // namespace

extern "C" int DBNLSset(void)
{
    const char *dbnls = idx_ggetenv("DBNLS", OSENV_DBNLS);
    if (dbnls == nullptr)
        return 0;
    if (std::strcmp(dbnls, "1") == 0)
        return 1;
    return std::strcmp(dbnls, "2") == 0 ? 2 : 0;
}

extern "C" int _nlsinit(void)
{
    ostcb *block = osinit::ensure_block();
    if (block == nullptr)
        return OSINIT_ENOMEM;
    const int mode = DBNLSset();
    for (const Category &c : kCategories)
        if (int status = set_category(c))
            return status;
    if (mode > 0)
        block->flags |= OSTCB_NLS_OSLOCALE;
    return mode;
}

extern "C" int _nlsinit_be(void)
{
    const int mode = _nlsinit();
    if (mode > 0)
        OS_resetlang(0);
    return mode;
}

extern "C" char *_osetcollate(const char *locale, int *error)
{
    char *result = locale != nullptr ? std::setlocale(LC_COLLATE, locale) : nullptr;
    if (result == nullptr && error != nullptr)
        *error = OSINIT_ECOLLATE;
    return result;
}
