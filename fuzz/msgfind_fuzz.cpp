// libFuzzer target for the message catalog search: an installation tree in
// which the built English catalogs also stand in every other place the
// search looks (msg/de_de/0333, msg/german, dutch, msg/en_US.utf8), so that
// every language and locale name must give the same text. The first byte
// sets DBLANG (none, three of those places, or the input's own), the
// old-style LANG and TRW_FREE_FD; then a message number (two bytes), a
// buffer length, and two locale names, DBLANG and LANG split at zero bytes.
// Properties: every status is one the lookup may give, the text is
// terminated inside the buffer, and the text and status of the number are
// the same for both locale names, the user's language and en_US.8859-1,
// looked up in turns (the open catalog reused and opened again); the path
// the search names for the number's catalog can be read.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "rmsg.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void build_tree()
{
    char tmpl[] = "/tmp/msgfindfzXXXXXX";
    if (mkdtemp(tmpl) == nullptr)
        std::abort();
    const std::string d = tmpl, data = TRW_FUZZ_DATA_DIR, english = data + "/msg/en_us/0333";
    mkdir((d + "/msg").c_str(), 0700);
    mkdir((d + "/msg/de_de").c_str(), 0700);
    check(symlink((data + "/gls").c_str(), (d + "/gls").c_str()) == 0);
    check(symlink((data + "/msg/en_us").c_str(), (d + "/msg/en_us").c_str()) == 0);
    check(symlink(english.c_str(), (d + "/msg/de_de/0333").c_str()) == 0);
    check(symlink(english.c_str(), (d + "/msg/german").c_str()) == 0);
    check(symlink(english.c_str(), (d + "/msg/en_US.utf8").c_str()) == 0);
    check(symlink(english.c_str(), (d + "/dutch").c_str()) == 0);
    setenv("TARNWELLDIR", d.c_str(), 1);
    setenv("CLIENT_LOCALE", "en_US.8859-1", 1);
}

bool known_status(int status)
{
    return status == 0 || status == RMSG_ETRUNC || status == RMSG_ENOTFOUND || status == RMSG_EFORMAT ||
           status == RMSG_EINDEX || status == RMSG_ENOPEN || status == RMSG_ENOPATH || status == -1;
}

struct Text {
    int status;
    int length;
    std::string text;
    bool operator==(const Text &o) const { return status == o.status && length == o.length && text == o.text; }
};

Text lookup(int number, int16_t size, const char *locale)
{
    std::vector<char> buf(static_cast<std::size_t>(size > 0 ? size : 1) + 8, '#');
    int length = -7;
    const int status = rgetlmsg_with_locale(number, buf.data(), size, &length, locale);
    check(known_status(status));
    if (size > 0)
        check(std::memchr(buf.data(), '\0', static_cast<std::size_t>(size)) != nullptr);
    for (std::size_t i = static_cast<std::size_t>(size > 0 ? size : 0); i < buf.size(); ++i)
        check(buf[i] == '#');
    return {status, length, size > 0 ? std::string(buf.data()) : std::string()};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    build_tree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size < 4 || size > 1200)
        return 0;
    const uint8_t flags = data[0];
    const int number = static_cast<int16_t>(data[1] << 8 | data[2]);
    const auto buflen = static_cast<int16_t>(data[3] < 250 ? data[3] : 600);
    std::string parts[4];
    std::size_t at = 4;
    for (std::string &p : parts) {
        while (at < size && data[at] != 0)
            p += static_cast<char>(data[at++]);
        ++at;
    }
    static const char *const kLang[] = {nullptr, "german", "dutch", "de_DE.8859-1"};
    const char *dblang = flags & 16 ? parts[2].c_str() : kLang[flags & 3];
    if (dblang != nullptr)
        setenv("DBLANG", dblang, 1);
    else
        unsetenv("DBLANG");
    if (flags & 4) {
        setenv("DBNLS", "1", 1);
        setenv("LANG", parts[3].c_str(), 1);
    } else {
        unsetenv("DBNLS");
        unsetenv("LANG");
    }
    if (flags & 8)
        setenv("TRW_FREE_FD", "1", 1);
    else
        unsetenv("TRW_FREE_FD");
    rmsg_init();

    const Text first = lookup(number, buflen, parts[0].c_str());
    const Text second = lookup(number, buflen, parts[1].c_str());
    const Text user = lookup(number, buflen, nullptr);
    const Text again = lookup(number, buflen, parts[0].c_str());
    const Text english = lookup(number, buflen, "en_US.8859-1");
    check(first == second && first == user && first == again && first == english);

    if (char *path = rmsgfname("osmsg.twm")) {
        check(access(path, R_OK) == 0);
        std::free(path);
    }
    rclosemsg();
    return 0;
}
