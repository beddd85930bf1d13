// libFuzzer target for the message catalog reader: the input is a catalog
// file, fixed as the catalog of every number, and looked up for the numbers
// of its first index entries and a few others, with buffer lengths taken
// from the input, by text and by stream, with and without TRW_FREE_FD.
// Every lookup must end in a status of the reader with the text terminated
// within the buffer, and nothing may be read outside the file; a text that
// reads whole reads cut to any smaller buffer as its beginning.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "rmsg.h"

namespace {

std::string catalog_path()
{
    static std::string path = [] {
        char tmpl[] = "/tmp/msgfzXXXXXX";
        return std::string(mkdtemp(tmpl)) + "/fuzz.cat";
    }();
    return path;
}

bool known_status(int status, int number)
{
    if (status == -1)
        return number == 32765 || number == 32766;
    return status == 0 || status == RMSG_ETRUNC || status == RMSG_ENOTFOUND || status == RMSG_EFORMAT ||
           status == RMSG_EINDEX || status == RMSG_ENOPEN || status == RMSG_ENOMEM || status < -23000;
}

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "msgcat: %s\n", what);
        std::abort();
    }
}

// The text of number looked up at size, between guard bytes. Where the
// whole text reads (status 0 into the largest buffer), a lookup at any size
// gives its first size - 1 bytes, with -1232 exactly when the text is longer.
void check_text(int number, int16_t size)
{
    static char full[32767];
    int full_length = -1;
    const int full_status = rgetlmsg(number, full, sizeof full, &full_length);
    require(known_status(full_status, number), "status of a lookup");
    char area[300];
    std::memset(area, '#', sizeof area);
    char *buf = area + 8;
    int length = -1;
    const int status = rgetlmsg(number, buf, size, &length);
    require(known_status(status, number), "status of a lookup");
    if (size > 0)
        require(std::memchr(buf, '\0', static_cast<std::size_t>(size)) != nullptr, "text not terminated");
    for (int i = 0; i < 8; ++i)
        require(area[i] == '#', "written before the buffer");
    for (std::size_t i = 8 + static_cast<std::size_t>(size > 0 ? size : 0); i < sizeof area; ++i)
        require(area[i] == '#', "written past the buffer");
    if (full_status == 0 && size > 0) {
        const bool fits = full_length <= size - 1;
        require(status == (fits ? 0 : RMSG_ETRUNC), "a cut text's status");
        require(length == full_length, "the length of a cut text");
        const std::size_t kept = static_cast<std::size_t>(fits ? full_length : size - 1);
        require(std::memcmp(buf, full, kept) == 0 && buf[kept] == '\0', "a cut text is not the start of the text");
    }
}

void check_stream(int number)
{
    FILE *stream = nullptr;
    int length = -1;
    const int status = lrseekmsg(number, &length, &stream);
    if (!known_status(status, number))
        std::abort();
    if (status == 0) {
        char text[64];
        (void)std::fread(text, 1, sizeof text, stream);
        std::fclose(stream);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = catalog_path();
    if (FILE *out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    if (size > 0 && (data[0] & 1))
        setenv("TRW_FREE_FD", "1", 1);
    else
        unsetenv("TRW_FREE_FD");
    _setmsgfile(path.c_str());
    const bool long_form = size > 1 && data[1] == 0x69;
    const std::size_t entry = long_form ? 10 : 8;
    const int16_t sizes[] = {1, 2, 7, 200, static_cast<int16_t>(size > 2 ? data[2] % 250 : 0)};
    for (std::size_t i = 0; i < 12; ++i) {
        const std::size_t at = 4 + i * entry;
        int number = static_cast<int>(i) - 3;
        if (at + 4 <= size)
            number = long_form ? static_cast<int32_t>(uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 |
                                                      uint32_t{data[at + 2]} << 8 | data[at + 3])
                               : static_cast<int16_t>(data[at] << 8 | data[at + 1]);
        check_text(number, sizes[i % std::size(sizes)]);
        if (i % 4 == 0)
            check_stream(number);
    }
    check_text(32765, 50);
    check_text(32766, 50);
    rclosemsg();
    return 0;
}
