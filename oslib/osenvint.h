// Internal interface of the settings registry, shared by its source files
// and used by its tests and fuzz targets; not part of the public API.
#pragma once

#include <cstdio>

#include "osclient.h"

namespace osenv {

// A malloc'd copy of a text, or nullptr when memory runs out.
char *copy_text(const char *text);

// Equality of two texts, ASCII letters compared without regard to case.
bool same_text_any_case(const char *a, const char *b);

// A growable array of malloc'd texts, 16 entries more at a time.
struct TextList {
    char **texts = nullptr;
    int count = 0;
    int capacity = 0;

    bool reserve_one(); // room for one more text; false without memory
    void free_all();    // frees the texts and the array, leaving it empty
};

// The installed member of the client locale hooks, or nullptr.
template <typename Member> Member client_hook(Member os_client_locale_hooks::*member)
{
    const os_client_locale_hooks *hooks = os_client_locale();
    return hooks != nullptr ? hooks->*member : nullptr;
}

// The home directory the per-user file is read from: the password entry of
// the login name, else of the real user id; nullptr without an entry.
// Tests replace the password-database lookup with set_home_lookup (nullptr
// restores it) so that they never read the real home directory.
using HomeLookup = const char *(*)();
void set_home_lookup(HomeLookup lookup);

// Reads configuration lines from an open stream into the loaded registry as
// the loader does for one file (file_name is used in warnings; line counts
// the lines read). 0; -2 out of memory; -4 a value was too long (reading
// stopped there). The registry must be loaded.
int read_config_stream(std::FILE *stream, const char *file_name, int *line);

} // namespace osenv
