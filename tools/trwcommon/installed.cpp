// What the user tools find installed; see installed.h.
#include "installed.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "gl_names.h"

namespace fs = std::filesystem;

namespace trwtools {

std::string install_dir(bool *from_environment)
{
    const char *dir = std::getenv("TARNWELLDIR");
    bool set = dir != nullptr && *dir != '\0';
    if (from_environment != nullptr)
        *from_environment = set;
    return set ? dir : "/usr/tarnwell";
}

std::vector<std::string> search_dirs(const char *kind, const char *version)
{
    std::vector<std::string> out;
    const char *path = std::getenv("GL_PATH");
    if (path != nullptr && *path != '\0') {
        std::stringstream parts(path);
        for (std::string d; std::getline(parts, d, ':');)
            if (!d.empty())
                out.push_back(d);
        return out;
    }
    std::string base = install_dir() + "/gls/" + kind;
    out.push_back(base + version);
    out.push_back(base);
    return out;
}

std::map<unsigned, std::vector<std::string>> registry_names()
{
    std::map<unsigned, std::vector<std::string>> out;
    int context[4] = {};
    if (gls_registry_list_cache == nullptr && gls_registry_array_cache == nullptr)
        gl_cache_registry(context, nullptr);
    for (const gl_registry_entry *e = gls_registry_list_cache; e != nullptr; e = e->next)
        out[static_cast<unsigned>(e->number)].push_back(e->name);
    if (gls_registry_list_cache == nullptr)
        for (const gl_registry_pair *p = gls_canned_registry; p->name != nullptr; ++p)
            out[static_cast<unsigned>(p->number)].push_back(p->name);
    for (auto &[number, names] : out) { // the registry repeats some names
        std::vector<std::string> unique;
        for (const std::string &n : names)
            if (std::find(unique.begin(), unique.end(), n) == unique.end())
                unique.push_back(n);
        names.swap(unique);
    }
    return out;
}

std::string name_of(const std::map<unsigned, std::vector<std::string>> &names, unsigned number)
{
    auto it = names.find(number);
    if (it == names.end() || it->second.empty())
        return std::to_string(number);
    // The name a user knows best: "c" and "posix" are locale names, and of
    // the others a short name or a standard number ("8859-5", "cp1252")
    // says more than a description ("cyrillic-8bit", "west-europe").
    std::vector<std::string> candidates;
    for (const std::string &n : it->second)
        if (n != "c" && n != "posix")
            candidates.push_back(n);
    for (const std::string &n : candidates)
        if (n.size() <= 4 || std::isdigit(static_cast<unsigned char>(n[0])) || n.rfind("cp", 0) == 0)
            return n;
    return candidates.empty() ? it->second.front() : candidates.front();
}

namespace {

bool hex_digits(const std::string &s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

} // namespace

std::vector<std::pair<unsigned, unsigned>> installed_conversions()
{
    std::set<std::pair<unsigned, unsigned>> found;
    for (const std::string &dir : search_dirs("cv", "9")) {
        std::error_code ec;
        for (const auto &e : fs::directory_iterator(dir, ec)) {
            std::string n = e.path().filename().string();
            if (n.size() != 12 || e.path().extension() != ".cvo" || !hex_digits(n.substr(0, 8)))
                continue;
            found.emplace(std::stoul(n.substr(0, 4), nullptr, 16), std::stoul(n.substr(4, 4), nullptr, 16));
        }
    }
    return {found.begin(), found.end()};
}

std::vector<LocaleFile> installed_locales()
{
    std::vector<LocaleFile> out;
    std::set<std::string> seen;
    for (const std::string &dir : search_dirs("lc", "11")) {
        std::error_code ec;
        for (const auto &e : fs::recursive_directory_iterator(dir, ec)) {
            if (!e.is_regular_file() || e.path().extension() != ".lco")
                continue;
            std::string rel = e.path().parent_path().filename().string() + "/" + e.path().filename().string();
            char lang_terr[6] = "", number[8] = "", modifier[5] = "";
            if (!seen.insert(rel).second || gl_lc_fname2lc_pieces(nullptr, rel.c_str(), lang_terr, number, modifier) != 0)
                continue;
            out.push_back({rel, lang_terr, static_cast<unsigned>(std::strtoul(number, nullptr, 10)), modifier});
        }
    }
    std::sort(out.begin(), out.end(), [](const LocaleFile &a, const LocaleFile &b) { return a.file < b.file; });
    return out;
}

} // namespace trwtools
