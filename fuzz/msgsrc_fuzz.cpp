// libFuzzer target for the message compiler's source reader: arbitrary bytes
// are read as a message source. A failure must name a line of the input;
// what is read is built into a catalog, whose every message must read back
// by number with its text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "msgcat.h"
#include "msgsrc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<msgcat::Message> messages;
    msgsrc::Error error;
    if (!msgsrc::parse(text, &messages, &error)) {
        const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        if (error.line < 1 || static_cast<std::size_t>(error.line) > lines || error.message.empty())
            std::abort();
        return 0;
    }
    const msgcat::BuildResult built = msgcat::build(messages);
    if (built.error != msgcat::BuildError::kNone)
        return 0;
    msgcat::Header header;
    if (msgcat::read_header(built.bytes.data(), built.bytes.size(), built.bytes.size(), &header) != 0)
        std::abort();
    int32_t first = 0, count = 0;
    unsigned char chunk[msgcat::kChunkBytes];
    const msgcat::ChunkCache cache{&first, &count, chunk};
    for (const msgcat::Message &m : messages) {
        msgcat::Entry entry;
        if (msgcat::search(built.bytes.data() + msgcat::kHeaderSize, header, m.number, cache, &entry) != 0 ||
            msgcat::check_text(entry, built.bytes.size()) != 0 || entry.length != m.text.size() ||
            std::memcmp(built.bytes.data() + entry.offset, m.text.data(), m.text.size()) != 0)
            std::abort();
    }
    return 0;
}
