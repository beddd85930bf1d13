// The message catalog format: header and entry decoding, the chunked binary
// search of the index, and the writer the message compiler uses. The layout
// is described in msgcat.h.
#include "msgcat.h"

#include <algorithm>
#include <cstring>

namespace msgcat {

namespace {

uint32_t load16(const unsigned char *p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }

uint32_t load32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void store16(uint32_t value, unsigned char *p)
{
    p[0] = static_cast<unsigned char>(value >> 8);
    p[1] = static_cast<unsigned char>(value);
}

void store32(uint32_t value, unsigned char *p)
{
    store16(value >> 16, p);
    store16(value & 0xFFFF, p + 2);
}

// The number of the entry at bytes.
int32_t entry_number(const unsigned char *bytes, int entry_size)
{
    return entry_size == kShortEntrySize ? static_cast<int16_t>(load16(bytes)) : static_cast<int32_t>(load32(bytes));
}

// Scans count entries at bytes for number; only the hit is decoded whole.
bool scan(const unsigned char *bytes, int count, int entry_size, int32_t number, Entry *found)
{
    for (int i = 0; i < count; ++i) {
        const unsigned char *at = bytes + static_cast<std::size_t>(i) * entry_size;
        if (entry_number(at, entry_size) == number) {
            *found = read_entry(at, entry_size);
            return true;
        }
    }
    return false;
}

} // namespace

int read_header(const unsigned char *bytes, std::size_t available, std::size_t file_size, Header *out)
{
    if (available < kHeaderSize || file_size < kHeaderSize)
        return kNotCatalog;
    const uint32_t magic = load16(bytes);
    if (magic != kShortMagic && magic != kLongMagic)
        return kNotCatalog;
    out->entry_size = magic == kShortMagic ? kShortEntrySize : kLongEntrySize;
    out->count = static_cast<int>(load16(bytes + 2));
    out->chunk = std::min(out->count, kMaxChunk);
    const std::size_t index_end = kHeaderSize + static_cast<std::size_t>(out->count) * out->entry_size;
    return index_end <= file_size ? 0 : kBadIndex;
}

Entry read_entry(const unsigned char *bytes, int entry_size)
{
    Entry e;
    e.number = entry_number(bytes, entry_size);
    bytes += entry_size == kShortEntrySize ? 2 : 4;
    e.length = load16(bytes);
    e.offset = load32(bytes + 2);
    return e;
}

int search(const unsigned char *index, const Header &header, int32_t number, const ChunkCache &cache,
           Entry *found)
{
    const int size = header.entry_size;
    if (*cache.count > 0 && scan(cache.bytes, *cache.count, size, number, found))
        return 0;
    int lo = 0;
    int hi = header.count - 1;
    while (hi >= lo) {
        const int mid = (lo + hi) / 2;
        const int count = std::min(header.chunk, header.count - mid);
        const unsigned char *chunk = index + static_cast<std::size_t>(mid) * size;
        std::memcpy(cache.bytes, chunk, static_cast<std::size_t>(count) * size);
        *cache.first = mid;
        *cache.count = count;
        if (number < entry_number(chunk, size))
            hi = mid - 1;
        else if (scan(chunk, count, size, number, found))
            return 0;
        else
            lo = mid + header.chunk;
    }
    return kNotFound;
}

namespace {

std::size_t slot_of(int32_t number, std::size_t capacity)
{
    uint32_t h = static_cast<uint32_t>(number) * 0x9E3779B1u;
    h ^= h >> 15;
    return h & (capacity - 1);
}

} // namespace

std::size_t lookup_capacity(int count)
{
    std::size_t capacity = 2;
    while (capacity < 2 * static_cast<std::size_t>(count))
        capacity *= 2;
    return capacity;
}

bool build_lookup(const unsigned char *index, const Header &header, uint32_t *slots, std::size_t capacity)
{
    std::memset(slots, 0, 2 * capacity * sizeof *slots);
    for (int i = 0; i < header.count; ++i) {
        const int32_t number = entry_number(index + static_cast<std::size_t>(i) * header.entry_size, header.entry_size);
        if (i > 0 && number <= entry_number(index + static_cast<std::size_t>(i - 1) * header.entry_size,
                                            header.entry_size))
            return false;
        std::size_t at = slot_of(number, capacity);
        while (slots[2 * at + 1] != 0)
            at = (at + 1) & (capacity - 1);
        slots[2 * at] = static_cast<uint32_t>(number);
        slots[2 * at + 1] = static_cast<uint32_t>(i) + 1;
    }
    return true;
}

int search_lookup(const unsigned char *index, const Header &header, const uint32_t *slots, std::size_t capacity,
                  int32_t number, Entry *found)
{
    for (std::size_t at = slot_of(number, capacity);; at = (at + 1) & (capacity - 1)) {
        const uint32_t entry = slots[2 * at + 1];
        if (entry == 0)
            return kNotFound;
        if (slots[2 * at] == static_cast<uint32_t>(number)) {
            *found = read_entry(index + static_cast<std::size_t>(entry - 1) * header.entry_size, header.entry_size);
            return 0;
        }
    }
}

int check_text(const Entry &entry, std::size_t file_size)
{
    return static_cast<std::size_t>(entry.offset) + entry.length <= file_size ? 0 : kBadIndex;
}

// ---- writing ------------------------------------------------------------------

bool needs_long_form(const std::vector<Message> &messages)
{
    return std::any_of(messages.begin(), messages.end(),
                       [](const Message &m) { return m.number < -32768 || m.number > 32767; });
}

BuildResult build(std::vector<Message> messages)
{
    std::stable_sort(messages.begin(), messages.end(),
                     [](const Message &a, const Message &b) { return a.number < b.number; });
    for (std::size_t i = 1; i < messages.size(); ++i)
        if (messages[i].number == messages[i - 1].number)
            return {BuildError::kDuplicate, messages[i].line, {}};
    if (messages.size() > kMaxEntries)
        return {BuildError::kTooManyEntries, messages[kMaxEntries].line, {}};
    for (const Message &m : messages)
        if (m.text.size() > kMaxTextLength)
            return {BuildError::kTextTooLong, m.line, {}};

    const int size = needs_long_form(messages) ? kLongEntrySize : kShortEntrySize;
    uint64_t total = kHeaderSize + messages.size() * static_cast<uint64_t>(size);
    for (const Message &m : messages)
        total += m.text.size();
    if (total > UINT32_MAX)
        return {BuildError::kTooLarge, messages.empty() ? 0 : messages.back().line, {}};

    BuildResult result{BuildError::kNone, 0, std::vector<unsigned char>(total)};
    unsigned char *out = result.bytes.data();
    store16(size == kShortEntrySize ? kShortMagic : kLongMagic, out);
    store16(static_cast<uint32_t>(messages.size()), out + 2);
    unsigned char *entry = out + kHeaderSize;
    uint32_t offset = static_cast<uint32_t>(kHeaderSize + messages.size() * size);
    for (const Message &m : messages) {
        if (size == kShortEntrySize) {
            store16(static_cast<uint32_t>(m.number) & 0xFFFF, entry);
            entry += 2;
        } else {
            store32(static_cast<uint32_t>(m.number), entry);
            entry += 4;
        }
        store16(static_cast<uint32_t>(m.text.size()), entry);
        store32(offset, entry + 2);
        entry += 6;
        std::memcpy(out + offset, m.text.data(), m.text.size());
        offset += static_cast<uint32_t>(m.text.size());
    }
    return result;
}

const char *describe(BuildError error)
{
    switch (error) {
    case BuildError::kNone: return "no error";
    case BuildError::kDuplicate: return "duplicate message number";
    case BuildError::kTooManyEntries: return "more than 65535 messages in one catalog";
    case BuildError::kTextTooLong: return "message text longer than 65535 bytes";
    case BuildError::kTooLarge: return "catalog larger than 4 GiB";
    }
    return "unknown error";
}

} // namespace msgcat
