// libFuzzer target for era definitions and era formats through the TIME
// section loader: en_US.8859-1's locale file with its era lines replaced by the
// input's lines (the last three are the era date, time and date-and-time
// formats) is loaded whole. A bad definition is error 49; a locale that
// loads formats and reads its eras without crashing, every failure an error
// number of the time routines. Properties: a locale that does not load
// fails with error 49 (or 3); one that loads holds one era per definition
// line, and the eras it resolves are well formed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gl_errno.h"
#include "gl_locale.h"
#include "gltime_fuzz.h"

namespace {

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::string encode(const std::string &s)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = std::to_string(s.size()) + " ";
    for (unsigned char c : s)
        out += hex[c >> 4], out += hex[c & 15];
    return out;
}

// The locale file split around its era lines.
struct Template {
    std::vector<std::string> head, tail;
};

const Template &file_template()
{
    static Template t = [] {
        std::ifstream f(std::string(TRW_FUZZ_DATA_DIR) + "/gls/lc11/en_us/0333.lco", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        std::vector<std::string> lines = lines_of(ss.str());
        size_t i = 0;
        while (i < lines.size() && lines[i] != "### LC_TIME")
            ++i;
        if (i == lines.size())
            abort();
        i += 2 + 14;                        // marker, calendar, day names
        i += 1 + std::stoul(lines[i]);      // abbreviated months
        i += 1 + std::stoul(lines[i]);      // months
        i += 6;                             // three formats, am, pm, 12-hour format
        size_t eras = std::stoul(lines[i]);
        Template t;
        t.head.assign(lines.begin(), lines.begin() + static_cast<long>(i));
        t.tail.assign(lines.begin() + static_cast<long>(i + 1 + eras + 3), lines.end());
        return t;
    }();
    return t;
}

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "gltmera: %s\n", what);
        std::abort();
    }
}

// The eras resolved for the date arithmetic (built by the formatting above)
// are well formed: a direction, a start date in range, a name.
void check_eras(gl_locale *loc)
{
    if (loc->era_cache == nullptr)
        return;
    for (int i = 0; i < loc->time->era_count; ++i) {
        const gl_lc_era &e = loc->era_cache[i];
        require(e.direction == 1 || e.direction == -1, "era direction");
        require(e.open_end == 0 || e.open_end == 1, "era open end");
        require(e.name != nullptr && e.abbreviation != nullptr && e.format != nullptr, "era texts");
    }
}

std::string scratch_dir()
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/gltmeraXXXXXX";
        return std::string(mkdtemp(tmpl)) + "/";
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 0);
    const Template &t = file_template();
    std::vector<std::string> in = lines_of(std::string(reinterpret_cast<const char *>(data), size));
    while (in.size() < 3)
        in.push_back("");
    if (in.size() > 24)
        in.resize(24);
    size_t eras = in.size() - 3;
    std::string file;
    for (const std::string &l : t.head)
        file += l + "\n";
    file += std::to_string(eras) + "\n";
    for (const std::string &l : in)
        file += encode(l.c_str()) + "\n";
    for (const std::string &l : t.tail)
        file += l + "\n";
    std::string path = scratch_dir() + "default.lco";
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    gl_locale *loc = nullptr;
    if (gl_createlocale2_4(&loc, scratch_dir().c_str()) != 0) {
        require(loc->error == GL_EERA || loc->error == GL_ENOMEM, "a locale failing on its eras gives another error");
        gl_lc_unload(loc);
        return 0;
    }
    require(loc->time != nullptr && gl_get_era_count(loc) == static_cast<int>(eras),
            "the loaded locale holds another number of eras than its file");
    const int years[] = {1, 622, 1873, 1912, 1989, 2019, 2024, 9999};
    for (int y : years) {
        gl_tm rec{};
        rec.tm_year = y - 1900;
        rec.tm_mon = y % 12;
        rec.tm_mday = 1 + y % 28;
        char out[512];
        for (const char *format : {"%Ec", "%EY", "%EC%Ey", "%Ex|%EX", "%Eg %Ey"}) {
            int n = gl_mbsftime(loc, out, sizeof out, format, &rec);
            if (n == 0 && loc->error != 0) {
                if (!trwfuzz::time_error(loc->error))
                    abort();
                continue;
            }
            gl_tm back = rec;
            if (gl_mbsptime(loc, out, format, &back, 'R') == nullptr && !trwfuzz::time_error(loc->error))
                abort();
        }
    }
    check_eras(loc);
    gl_lc_unload(loc);
    return 0;
}
