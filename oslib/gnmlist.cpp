// The name list: a growable array of owned name copies (capacity 16 at
// first, 16 more at a time) with exact-match search. A failed allocation
// leaves the list as it was.
#include <cstdlib>
#include <cstring>

#include "osfile.h"

namespace {
constexpr int kStep = 16;
}

extern "C" os_namelist *_ginitnamelist(void)
{
    auto *list = static_cast<os_namelist *>(std::calloc(1, sizeof(os_namelist)));
    if (list == nullptr)
        return nullptr;
    list->names = static_cast<char **>(std::calloc(kStep, sizeof(char *)));
    if (list->names == nullptr) {
        std::free(list);
        return nullptr;
    }
    list->capacity = kStep;
    return list;
}

extern "C" int _gaddnamelist(os_namelist *list, const char *name)
{
    if (list == nullptr || name == nullptr || list->used < 0 || list->used > list->capacity)
        return -1;
    const std::size_t size = std::strlen(name) + 1;
    auto *copy = static_cast<char *>(std::malloc(size));
    if (copy == nullptr)
        return -1;
    std::memcpy(copy, name, size);
    if (list->used == list->capacity) {
        const int grown = list->capacity + kStep;
        void *p = std::realloc(list->names, static_cast<std::size_t>(grown) * sizeof(char *));
        if (p == nullptr) {
            std::free(copy);
            return -1;
        }
        list->names = static_cast<char **>(p);
        list->capacity = grown;
    }
    list->names[list->used] = copy;
    return list->used++;
}

extern "C" int _gsrchnamelist(os_namelist *list, const char *name)
{
    if (list == nullptr || name == nullptr)
        return -1;
    for (int i = 0; i < list->used; ++i)
        if (std::strcmp(list->names[i], name) == 0)
            return i;
    return -1;
}

extern "C" void _gfreenamelist(os_namelist *list)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < list->used; ++i)
        std::free(list->names[i]);
    std::free(list->names);
    std::free(list);
}
