// libFuzzer target: the text reader of multi-level tables. The first byte
// chooses the element size and the caller's depth limit; a table that reads
// is written back, read again, and both must answer every probe alike.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gl_multi.h"

namespace {

struct Context {
    int error;
};

gl_multi *read_table(std::string text, int size, int depth)
{
    gl_multi *t = _gl_create_multi(size, 0, nullptr);
    FILE *in = fmemopen(text.data(), text.size(), "r");
    if (in == nullptr || t == nullptr) {
        if (in != nullptr)
            std::fclose(in);
        _gl_free_multi(t);
        return nullptr;
    }
    int status = _gl_fscanf_multi(in, t, depth, size == 2 ? _gl_multi_read_u16 : _gl_multi_read_bytes);
    std::fclose(in);
    if (status != 0) {
        if (_gl_multi_err(t) == 0 || _gl_multi_node_count(t) != 1)
            std::abort(); // a failed read reports why and leaves the table empty
        _gl_free_multi(t);
        return nullptr;
    }
    if (_gl_multi_max_length(t) > depth)
        std::abort();
    return t;
}

std::string write_table(gl_multi *t, int size)
{
    char *buffer = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&buffer, &length);
    _gl_fprintf_multi(out, t, size == 2 ? _gl_multi_write_u16 : _gl_multi_write_bytes);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static constexpr int kSizes[] = {1, 2, 3, 5};
    int element_size = kSizes[data[0] & 3];
    int depth = 1 + ((data[0] >> 2) & 3);
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    gl_multi *first = read_table(text, element_size, depth);
    if (first == nullptr)
        return 0;
    gl_multi *second = read_table(write_table(first, element_size), element_size, depth);
    if (second == nullptr)
        std::abort(); // what the writer writes, the reader reads
    // Probe with every window of the input bytes.
    Context ctx{0};
    for (size_t i = 0; i + 4 <= text.size() && i < 512; ++i) {
        auto *probe = reinterpret_cast<const unsigned char *>(text.data() + i);
        int la = -1, lb = -1;
        const void *a = _gl_retrieve_text_multi_limit(probe, first, 4, &la, &ctx);
        const void *b = _gl_retrieve_text_multi_limit(probe, second, 4, &lb, &ctx);
        if ((a == nullptr) != (b == nullptr) || (a != nullptr && (la != lb || std::memcmp(a, b, element_size) != 0)))
            std::abort();
    }
    _gl_free_multi(first);
    _gl_free_multi(second);
    return 0;
}
