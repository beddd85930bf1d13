// What the user tools (trwconv, trwlocale) find installed: the directories
// the locale library searches, the code-set names of the registry by number,
// and the locale and conversion files below the data directories. Built on
// the locale library's public functions only.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace trwtools {

// The installation directory: TARNWELLDIR when set and not empty, else the
// runtime's default, and whether it came from the environment.
std::string install_dir(bool *from_environment = nullptr);

// The directories searched for data files of a kind ("lc", "cv") and
// version ("11", "9"): every element of GL_PATH when it is set and not
// empty, else <install dir>/gls/<kind><version> and <install dir>/gls/<kind>.
std::vector<std::string> search_dirs(const char *kind, const char *version);

// Code-set number -> its registry names (the first is the kit's own name),
// from the registry file the library reads, else the built-in table.
std::map<unsigned, std::vector<std::string>> registry_names();

// The registry name of a number to show a user (the best known of its
// names), else the number in decimal.
std::string name_of(const std::map<unsigned, std::vector<std::string>> &names, unsigned number);

// Installed conversion files <source 4 hex><target 4 hex>.cvo, as
// (source, target) numbers, sorted and without repeats.
std::vector<std::pair<unsigned, unsigned>> installed_conversions();

// An installed locale file: its relative name (ll_tt/hhhh.lco), language
// and territory (ll_TT), code-set number and modifier.
struct LocaleFile {
    std::string file;
    std::string lang_terr;
    unsigned number;
    std::string modifier;
};
std::vector<LocaleFile> installed_locales();

} // namespace trwtools
